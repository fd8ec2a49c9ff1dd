// The export dialog as the command shows it, through the real DLL.
#include "ExportFixture.h"
#include "Screenshot.h"
#include "resource.h"

namespace exl::test {
namespace {

class ExportDialogTest : public ExportFixture {
protected:
    // Presses the browse button (the host answers from its queue) and returns what
    // the profile edit shows afterwards.
    std::string BrowseThenCancel() {
        std::string shown;
        Run([&](UiDriver& ui) {
            HWND dialog = ui.WaitForWindow(kExportTitle);
            ui.ClickAndWait(dialog, IDC_EXPORT_BROWSE);
            shown = ui.Text(dialog, IDC_EXPORT_PROFILE_PATH);
            ui.Click(dialog, IDCANCEL);
        });
        return shown;
    }
};

struct DialogState {
    int assembly = -1, element = -1, levelZero = -1, newWorkbook = -1;
    int excel97 = -1, excel2000 = -1, excelXp = -1, file = -1;
    std::string path;
};

DialogState ReadState(UiDriver& ui, HWND dialog) {
    DialogState state;
    state.assembly = ui.CheckState(dialog, IDC_EXPORT_ASSEMBLY_INFO);
    state.element = ui.CheckState(dialog, IDC_EXPORT_ELEMENT_INFO);
    state.levelZero = ui.CheckState(dialog, IDC_EXPORT_LEVEL_ZERO);
    state.newWorkbook = ui.CheckState(dialog, IDC_EXPORT_NEW_WORKBOOK);
    state.excel97 = ui.CheckState(dialog, IDC_EXPORT_EXCEL_97);
    state.excel2000 = ui.CheckState(dialog, IDC_EXPORT_EXCEL_2000);
    state.excelXp = ui.CheckState(dialog, IDC_EXPORT_EXCEL_XP);
    state.file = ui.CheckState(dialog, IDC_EXPORT_FILE);
    state.path = ui.Text(dialog, IDC_EXPORT_PROFILE_PATH);
    return state;
}

TEST_F(ExportDialogTest, CancelSendsTheHostTextAndWritesNothing) {
    std::int16_t result = Run([](UiDriver& ui) { ui.Click(ui.WaitForWindow(kExportTitle), IDCANCEL); });
    EXPECT_EQ(result, 0);
    ASSERT_EQ(host.Requests().size(), 1u);
    EXPECT_EQ(host.Requests()[0].code, kRequestHostText);
    EXPECT_EQ(host.Requests()[0].text, "Excel-Kopplung beendet.");
    EXPECT_FALSE(FileExists(scratch.File("exl\\rizeraru.ini")));
    EXPECT_EQ(TemporaryFiles(), temporaryBefore);
}

TEST_F(ExportDialogTest, VersionClickedBeforeCancelStaysWritten) {
    Run([](UiDriver& ui) {
        HWND dialog = ui.WaitForWindow(kExportTitle);
        ui.Click(dialog, IDC_EXPORT_EXCEL_97);
        ui.Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(Settings(), "[Excel]\r\nVersion=8\r\n");
}

TEST_F(ExportDialogTest, EveryVersionClickWritesAtOnce) {
    WriteSettings("[Excel]\r\nVersion=9\r\n");
    std::vector<std::string> seen;
    Run([&](UiDriver& ui) {
        HWND dialog = ui.WaitForWindow(kExportTitle);
        ui.ClickAndWait(dialog, IDC_EXPORT_EXCEL_XP);
        seen.push_back(SettingsValue("Excel", "Version"));
        WriteSettings("[Excel]\r\nVersion=3\r\n");
        ui.ClickAndWait(dialog, IDC_EXPORT_EXCEL_XP);  // the button already checked writes again
        seen.push_back(SettingsValue("Excel", "Version"));
        ui.ClickAndWait(dialog, IDC_EXPORT_EXCEL_2000);
        seen.push_back(SettingsValue("Excel", "Version"));
        EXPECT_EQ(ui.CheckState(dialog, IDC_EXPORT_EXCEL_XP), BST_UNCHECKED);
        ui.ClickAndWait(dialog, IDC_EXPORT_FILE);
        seen.push_back(SettingsValue("Excel", "Version"));
        EXPECT_EQ(ui.CheckState(dialog, IDC_EXPORT_EXCEL_2000), BST_UNCHECKED);
        ui.Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(seen, (std::vector<std::string>{"10", "10", "9", "0"}));
}

TEST_F(ExportDialogTest, VersionZeroChecksTheFileButton) {
    WriteSettings("[Excel]\r\nVersion=0\r\n");
    DialogState opened;
    std::string text;
    Run([&](UiDriver& ui) {
        HWND dialog = ui.WaitForWindow(kExportTitle);
        opened = ReadState(ui, dialog);
        text = ui.Text(dialog, IDC_EXPORT_FILE);
        EXPECT_TRUE(SaveWindowImage(dialog, ScreenshotDir() + "\\export-dialog-file.bmp"));
        ui.Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(opened.file, BST_CHECKED);
    EXPECT_EQ(opened.excel97 + opened.excel2000 + opened.excelXp, 0);
    EXPECT_EQ(text, "als Datei (.xlsx)");
}

TEST_F(ExportDialogTest, OkWithEmptyPathSavesFiveKeysAndEndsSilently) {
    DialogState opened;
    Run([&](UiDriver& ui) {
        HWND dialog = ui.WaitForWindow(kExportTitle);
        opened = ReadState(ui, dialog);
        ui.Click(dialog, IDC_EXPORT_ELEMENT_INFO);
        ui.Click(dialog, IDOK);
    });
    // No settings file: assembly info on, the rest off, "Excel XP", empty path.
    EXPECT_EQ(opened.assembly, BST_CHECKED);
    EXPECT_EQ(opened.element, BST_UNCHECKED);
    EXPECT_EQ(opened.levelZero, BST_UNCHECKED);
    EXPECT_EQ(opened.newWorkbook, BST_UNCHECKED);
    EXPECT_EQ(opened.excelXp, BST_CHECKED);
    EXPECT_EQ(opened.excel97 + opened.excel2000, 0);
    EXPECT_EQ(opened.path, "");
    EXPECT_EQ(Settings(),
              "[Orvanta]\r\nBaugruppeninfo=1\r\nBaugruppen-Level=0\r\nElementinfo=1\r\n"
              "[Excel]\r\nVorlage=\r\nneue Mappe=0\r\n");
    ASSERT_EQ(host.Requests().size(), 1u);
    EXPECT_EQ(host.Requests()[0].code, kRequestHostText);
}

TEST_F(ExportDialogTest, UnknownVersionChecksNoButtonAndSurvivesOk) {
    WriteSettings("[Excel]\r\nVersion=7\r\n[Orvanta]\r\nBaugruppeninfo=5\r\nElementinfo=2\r\nBaugruppen-Level=-1\r\n");
    DialogState opened;
    Run([&](UiDriver& ui) {
        HWND dialog = ui.WaitForWindow(kExportTitle);
        opened = ReadState(ui, dialog);
        ui.Click(dialog, IDOK);
    });
    EXPECT_EQ(opened.excel97 + opened.excel2000 + opened.excelXp + opened.file, 0);
    EXPECT_EQ(opened.assembly, BST_UNCHECKED) << "a check value of 5 opens unchecked";
    EXPECT_TRUE(opened.element == BST_CHECKED || opened.element == BST_INDETERMINATE)
        << "a 2 goes to the box as the platform shows it";
    EXPECT_EQ(SettingsValue("Orvanta", "Elementinfo"), "1") << "a two-state box answers checked, never 2";
    EXPECT_EQ(opened.levelZero, BST_UNCHECKED);
    EXPECT_EQ(SettingsValue("Excel", "Version"), "7");
    EXPECT_EQ(SettingsValue("Orvanta", "Baugruppeninfo"), "0");
    EXPECT_EQ(SettingsValue("Orvanta", "Baugruppen-Level"), "0");
}

TEST_F(ExportDialogTest, BrowseTakesTheHostsOemPathAsAnsi) {
    const std::string chosen = "C:\\Profile\\Stückliste §1.exl";
    host.QueueFileSelection(orvanta::FileSelectionAnswer::Choose(ToOem(chosen)));
    WriteFile(scratch.File("orvanta.ini"), "[Dateien]\r\nEXL= .\\profile\\*.exl / Profile\r\n");
    std::string shown = BrowseThenCancel();
    EXPECT_EQ(shown, ToAnsi(chosen));
    auto selections = host.RequestsWithCode(kRequestFileSelection);
    ASSERT_EQ(selections.size(), 1u);
    EXPECT_EQ(selections[0].prompt, ToAnsi("Übergabe-Profil auswählen"));
    EXPECT_EQ(selections[0].pathOffered, ".\\profile\\*.exl");
}

TEST_F(ExportDialogTest, BrowseWithoutChoiceChangesNothing) {
    WriteSettings("[Excel]\r\nVorlage=C:\\alt.exl\r\n");
    host.QueueFileSelection(orvanta::FileSelectionAnswer::NoChoice());
    std::string shown = BrowseThenCancel();
    EXPECT_EQ(shown, "C:\\alt.exl");
    ASSERT_EQ(host.RequestsWithCode(kRequestFileSelection).size(), 1u);
    EXPECT_EQ(host.RequestsWithCode(kRequestFileSelection)[0].pathOffered, ".\\exl\\*.exl");
}

TEST_F(ExportDialogTest, PathTypedForTheEditorIsNotSavedOnCancel) {
    const std::string profile = scratch.File("exl\\neu.exl");
    WriteFile(profile, "[Datei]\r\nTabelle=1\r\n");
    Run([&](UiDriver& ui) {
        HWND dialog = ui.WaitForWindow(kExportTitle);
        ui.SetText(dialog, IDC_EXPORT_PROFILE_PATH, profile);
        ui.Click(dialog, IDC_EXPORT_DEFINE_PROFILE);
        // An existing, writable profile opens the editor at once, without a question.
        HWND editor = ui.WaitForWindow(ToAnsi("Übergabeprofil definieren"));
        ui.Close(editor);
        if (!ui.WaitUntilGone(editor)) throw UiTimeout("the editor stays open");
        ui.Click(dialog, IDCANCEL);
    });
    EXPECT_FALSE(FileExists(scratch.File("exl\\rizeraru.ini"))) << "the driver saves nothing on Cancel";
    ASSERT_EQ(host.Requests().size(), 1u);
    EXPECT_EQ(host.Requests()[0].code, kRequestHostText);
}

TEST_F(ExportDialogTest, TemplateTextsCarryTheirUmlauts) {
    std::vector<std::string> texts;
    Run([&](UiDriver& ui) {
        HWND dialog = ui.WaitForWindow(kExportTitle);
        texts = {ui.Text(dialog, IDC_EXPORT_TRANSFER_GROUP), ui.Text(dialog, IDC_EXPORT_DEFINE_PROFILE),
                 ui.Text(dialog, IDC_EXPORT_NEW_WORKBOOK), ui.Text(dialog, IDC_EXPORT_ALL)};
        EXPECT_FALSE(ui.IsVisible(dialog, IDC_EXPORT_ALL));
        EXPECT_FALSE(ui.IsEnabled(dialog, IDC_EXPORT_SINGLE));
        ui.Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(texts, (std::vector<std::string>{ToAnsi("Excel-Übergabe"), ToAnsi("Übergabe - Profil definieren"),
                                               "neue Mappe erzeugen", "alle"}));
}

class ExportDialogWithoutCatalogueTest : public ExportFixture {
protected:
    ExportDialogWithoutCatalogueTest() : ExportFixture(false) {}
};

TEST_F(ExportDialogWithoutCatalogueTest, ShowsTheEntryNames) {
    std::vector<std::string> texts;
    Run([&](UiDriver& ui) {
        HWND dialog = ui.WaitForWindow("1-1");
        texts = {ui.Text(dialog, IDOK), ui.Text(dialog, IDCANCEL), ui.Text(dialog, IDC_EXPORT_LEVEL_ZERO),
                 ui.Text(dialog, IDC_EXPORT_EXCEL_XP), ui.Text(dialog, IDC_EXPORT_FILE),
                 ui.Text(dialog, IDC_EXPORT_NEW_WORKBOOK)};
        ui.Click(dialog, IDCANCEL);
    });
    EXPECT_EQ(texts, (std::vector<std::string>{"1-12", "1-13", "1-19", "1-11", "1-20", "neue Mappe erzeugen"}));
    ASSERT_EQ(host.Requests().size(), 1u);
    EXPECT_EQ(host.Requests()[0].text, "0-2");
}

}  // namespace
}  // namespace exl::test
