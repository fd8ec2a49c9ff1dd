// The export dialog's button "Übergabe - Profil definieren" run for real: the two
// questions, the host's file selection, the seed of a new profile and the profile
// editor it opens.
#include <gtest/gtest.h>

#include "ProfileTestSupport.h"
#include "Scratch.h"
#include "Screenshot.h"
#include "catalogue/MessageCatalogue.h"
#include "export/ExportDialog.h"
#include "resource.h"

namespace exl::test {
namespace {

const std::vector<IniSection> kSeed = {{"Datei", {"Tabelle=3"}}, {"Tabelle 1", {"Blatt=1", "Anzahl=1"}}};

std::string Question(int first, int second) {
    return MessageCatalogue::Text(1, first) + "\n\n" + MessageCatalogue::Text(1, second);
}

// Whether a visible window of the UI thread has this title. Asked right after a
// message sent to the UI thread has come back, so a handler that would open the
// window has had its turn.
bool Shows(UiDriver& ui, const std::string& title) {
    for (HWND window : ui.ThreadWindows())
        if (IsWindowVisible(window) && ui.Title(window) == title) return true;
    return false;
}

class DefineProfileActionTest : public ::testing::Test {
protected:
    // Runs the export dialog with the edit holding `typed`, presses button 2010 and
    // hands over to the steps, which end the action; then cancels the export dialog.
    // A picture of the export dialog is taken before the click when a name is given.
    void RunAction(const std::string& typed, const std::function<void(UiDriver&, HWND)>& steps,
                   const std::string& picture = "") {
        ExportDialog dialog;
        RunDialog(dialog, [&](UiDriver& ui) {
            HWND window = ui.WaitForWindow(MessageCatalogue::Text(1, 1));
            ui.SetText(window, IDC_EXPORT_PROFILE_PATH, typed);
            if (!picture.empty()) {
                EXPECT_TRUE(SaveWindowImage(window, ScreenshotDir() + "\\" + picture));
            }
            ui.Click(window, IDC_EXPORT_DEFINE_PROFILE);
            steps(ui, window);
            editText = ui.Text(window, IDC_EXPORT_PROFILE_PATH);
            ui.Close(window);
        });
        profilePath = dialog.profilePath;
    }

    // Answers the question that must come, after checking it.
    static void AnswerQuestion(UiDriver& ui, int first, int second, int answer) {
        ShownMessageBox box = ui.WaitForMessageBox();
        EXPECT_EQ(box.caption, MessageCatalogue::Text(1, 1));
        EXPECT_EQ(box.text, Question(first, second));
        EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
        ui.Answer(box, answer);
    }

    // The editor must open on the action: checks run, then it is cancelled.
    static void InEditor(UiDriver& ui, const std::function<void(HWND)>& checks) {
        HWND editor = ui.WaitForWindow(ProfileEditorTitle());
        checks(editor);
        ui.Close(editor);
        if (!ui.WaitUntilGone(editor)) throw UiTimeout("the editor stays open");
    }

    // After the action has ended: no editor came up.
    static void NoEditor(UiDriver& ui, HWND exportDialog) {
        ui.Text(exportDialog, IDOK);
        if (Shows(ui, ProfileEditorTitle())) throw UiTimeout("the editor opened");
    }

    ScratchDirectory scratch;
    ScopedHost host;
    std::string editText;
    std::string profilePath;
};

TEST_F(DefineProfileActionTest, EmptyEditYesAndANewFileSeedsItAndOpensTheEditorOnIt) {
    // The host INI's pattern is not used here: the action offers the fixed one.
    WriteFile(scratch.File("orvanta.ini"), "EXL D:\\anders\\*.exl\r\n");
    // The host answers in the OEM code page; this action converts nothing.
    const std::string chosen = scratch.File("exl\\") + ToOem("Maß§.exl");
    ASSERT_NE(chosen, scratch.File("exl\\") + ToAnsi("Maß§.exl"));
    host.sim.QueueFileSelection(orvanta::FileSelectionAnswer::Choose(chosen));
    RunAction("", [&](UiDriver& ui, HWND window) {
        AnswerQuestion(ui, 15, 16, IDYES);
        InEditor(ui, [&](HWND editor) {
            EXPECT_EQ(IniContents(chosen), kSeed) << "the seed is there when the editor opens";
            EXPECT_EQ(ui.Text(editor, IDC_PROFILE_TABLE_COUNT), "3");
            EXPECT_EQ(ui.ListRowCount(editor, IDC_PROFILE_TABLE_LIST), 3);
            EXPECT_EQ(ui.ListRowCount(editor, IDC_PROFILE_FIELD_LIST), 1);
            EXPECT_EQ(ui.Text(window, IDC_EXPORT_PROFILE_PATH), chosen);
        });
    }, "export-dialog.bmp");
    EXPECT_EQ(IniContents(chosen), kSeed) << "exactly the three keys, nothing else";
    EXPECT_EQ(editText, chosen);
    EXPECT_EQ(profilePath, chosen);
    ASSERT_EQ(host.sim.Requests().size(), 1u);
    EXPECT_EQ(host.sim.Requests()[0].code, 4);
    EXPECT_EQ(host.sim.Requests()[0].prompt, MessageCatalogue::Text(1, 14));
    EXPECT_EQ(host.sim.Requests()[0].pathOffered, ".\\exl\\*.exl");
}

TEST_F(DefineProfileActionTest, AChosenFileThatExistsIsNotSeeded) {
    const std::string chosen = scratch.File("exl\\da.exl");
    const std::string content = "[Datei]\r\nTabelle=1\r\n[Tabelle 1]\r\nAnzahl=2\r\n";
    WriteFile(chosen, content);
    host.sim.QueueFileSelection(orvanta::FileSelectionAnswer::Choose(chosen));
    RunAction("", [&](UiDriver& ui, HWND) {
        AnswerQuestion(ui, 15, 16, IDYES);
        InEditor(ui, [&](HWND editor) { EXPECT_EQ(ui.ListRowCount(editor, IDC_PROFILE_FIELD_LIST), 2); });
    });
    EXPECT_EQ(ReadFile(chosen), content);
    EXPECT_EQ(profilePath, chosen);
}

TEST_F(DefineProfileActionTest, EmptyEditYesAndNoFileChosenOpensTheEditorWithoutAProfile) {
    host.sim.QueueFileSelection(orvanta::FileSelectionAnswer::NoChoice());
    RunAction("", [&](UiDriver& ui, HWND) {
        AnswerQuestion(ui, 15, 16, IDYES);
        InEditor(ui, [&](HWND editor) {
            EXPECT_EQ(ui.Text(editor, IDC_PROFILE_TABLE_COUNT), "1");
            EXPECT_EQ(ui.ListRowCount(editor, IDC_PROFILE_TABLE_LIST), 1);
            EXPECT_EQ(ui.ListRowCount(editor, IDC_PROFILE_FIELD_LIST), 0);
        });
    });
    EXPECT_EQ(editText, "");
    EXPECT_EQ(profilePath, "");
    EXPECT_EQ(host.sim.Requests().size(), 1u);
}

TEST_F(DefineProfileActionTest, EmptyEditAnsweredNoDoesNothingElse) {
    for (bool withCatalogue : {true, false}) {
        SCOPED_TRACE(withCatalogue ? "with catalogue" : "without catalogue");
        ScratchDirectory directory(withCatalogue);
        RunAction("", [&](UiDriver& ui, HWND window) {
            ShownMessageBox box = ui.WaitForMessageBox();
            if (!withCatalogue) {
                EXPECT_EQ(box.caption, "1-1");
                EXPECT_EQ(box.text, "1-15\n\n1-16");
            } else {
                EXPECT_EQ(box.text, Question(15, 16));
            }
            ui.Answer(box, IDNO);
            NoEditor(ui, window);
        });
        EXPECT_TRUE(host.sim.Requests().empty());
        EXPECT_EQ(editText, "");
        EXPECT_FALSE(FileExists(directory.File("exl\\rizeraru.tmp"))) << "no editor ran";
    }
}

TEST_F(DefineProfileActionTest, ATypedPathThatCannotBeOpenedForUpdateAsksAndYesOpensTheEditorWithoutSeed) {
    const std::string missing = scratch.File("exl\\fehlt.exl");
    // Tests run as root, so a read-only file would open: a directory in the file's
    // place cannot be opened for update either.
    const std::string folder = scratch.File("exl\\ordner.exl");
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    const std::string overlong = scratch.File("exl\\") + std::string(300, 'x') + ".exl";
    struct Case {
        const char* what;
        std::string typed;
        int answer;
        std::string taken;  // the profile path after the action
    };
    const Case cases[] = {
        {"missing file, Yes", missing, IDYES, missing},
        {"missing file, No", missing, IDNO, missing},
        {"folder, Yes", folder, IDYES, folder},
        {"folder, No", folder, IDNO, folder},
        {"read up to 254 characters", overlong, IDNO, overlong.substr(0, 254)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RunAction(c.typed, [&](UiDriver& ui, HWND window) {
            AnswerQuestion(ui, 17, 18, c.answer);
            if (c.answer == IDYES)
                InEditor(ui, [&](HWND editor) { EXPECT_EQ(ui.Text(editor, IDC_PROFILE_TABLE_COUNT), "1"); });
            else
                NoEditor(ui, window);
        });
        EXPECT_EQ(profilePath, c.taken) << "what the user typed counts without OK";
        EXPECT_EQ(editText, c.typed);
        EXPECT_FALSE(FileExists(missing)) << "no seed for a typed path";
        EXPECT_TRUE(host.sim.Requests().empty());
    }
}

TEST_F(DefineProfileActionTest, AnExistingWritableProfileOpensAtOnce) {
    const std::string path = scratch.File("exl\\da.exl");
    WriteFile(path, "[Datei]\r\nTabelle=2\r\nExcelvorlage=C:\\v.xls\r\n[Tabelle 1]\r\nAnzahl=0\r\n");
    RunAction(path, [&](UiDriver& ui, HWND) {
        HWND editor = ui.WaitForWindow(ProfileEditorTitle());
        for (HWND shown : ui.ThreadWindows())
            EXPECT_FALSE(IsWindowVisible(shown) && GetDlgItem(shown, 0xFFFF)) << "no question";
        EXPECT_EQ(ui.Text(editor, IDC_PROFILE_TABLE_COUNT), "2");
        EXPECT_EQ(ui.Text(editor, IDC_PROFILE_TEMPLATE_PATH), "C:\\v.xls");
        ui.Click(editor, IDOK);
        ui.WaitUntilGone(editor);
    });
    EXPECT_EQ(profilePath, path);
    EXPECT_EQ(IniValue(path, "Tabelle 1", "Startzeile"), "2") << "the editor worked on the profile";
}

}  // namespace
}  // namespace exl::test
