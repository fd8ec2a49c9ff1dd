// The export command linked in, so the flags of its message boxes and its help
// calls, which no window shows, can be seen through the UI seam.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "HostSimulator.h"
#include "RecordingUi.h"
#include "Scratch.h"
#include "StandinClient.h"
#include "UiScript.h"
#include "UserInput.h"
#include "export/AutomationErrorText.h"
#include "export/ExportCommand.h"
#include "framework/Application.h"
#include "host/ModuleState.h"
#include "resource.h"

namespace exl::test {
namespace {

// The files of the temporary directory, where the query's files would go.
std::vector<std::string> TemporaryDirectoryFiles() {
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    std::vector<std::string> files;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((std::string(directory) + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return files;
    do {
        files.push_back(found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return files;
}

class DriverTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(OleInitialize(nullptr), S_OK);
        ModuleState& state = TheModuleState();
        state.hostCallback = orvanta::HostSimulator::CallbackFunction();
        state.hostContext = host.Context();
        WriteFile(scratch.File("exl\\p.exl"),
                  "[Datei]\r\nTabelle=1\r\n[Tabelle 1]\r\nAnzahl=1\r\nFeld_1=Pos\r\nSpalte_1=A\r\n");
        WriteFile(scratch.File("exl\\rizeraru.ini"), "[Excel]\r\nVorlage=" + scratch.File("exl\\p.exl") + "\r\n");
    }
    void TearDown() override {
        TheModuleState() = ModuleState();
        OleUninitialize();
    }

    // Runs the command with the export dialog confirmed.
    void RunConfirmed() {
        UiScript script([](UiDriver& ui) { ui.Click(ui.WaitForWindow("Excel-Kopplung"), IDOK); });
        EXPECT_EQ(RunExportCommand("Excel-Kopplung", nullptr), 0);
        script.Join();
    }

    ScratchDirectory scratch;
    orvanta::HostSimulator host;
};

TEST_F(DriverTest, NoRecordMessageIsASystemBoxWithItsFlags) {
    host.SetInfoQueryHandler([](const std::string&, const std::string& result, std::uint8_t) { WriteFile(result, ""); });
    RecordingUi ui;
    RunConfirmed();
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_FALSE(ui.boxes[0].hasOwner);
    EXPECT_EQ(ui.boxes[0].flags, 0x10030u);
    EXPECT_EQ(ui.boxes[0].caption, "Excel-Kopplung");
}

TEST_F(DriverTest, AutomationErrorAndClosingMessageCarryTheirFlags) {
    host.SetInfoQueryHandler(
        [](const std::string&, const std::string& result, std::uint8_t) { WriteFile(result, "1\r\n"); });
    standin::StandinClient excel;
    ASSERT_TRUE(standin::StandinClient::Register({10}));
    ASSERT_TRUE(excel.HostInProcess(10));
    excel.ResetCalls();
    excel.FailCall(1, E_ACCESSDENIED);
    RecordingUi ui;
    RunConfirmed();
    excel.Quit();
    standin::StandinClient::Unregister();
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].text, "COleException. SCODE: 80070005.");
    EXPECT_EQ(ui.boxes[0].caption, "Fehler bei der Excel-Automatisierung");
    EXPECT_EQ(ui.boxes[0].flags, 0x10040u);
    EXPECT_FALSE(ui.boxes[0].hasOwner);
    EXPECT_EQ(ui.boxes[1].flags, 0x10030u);
}

// The window's clock is the UI seam's: here 50 ms pass at each reading, about one a
// cell, so the window comes after ten cells on any machine, long before the input.
class TickingUi : public RecordingUi {
public:
    DWORD TickCount() override { return clock += 50; }
};

// Abbrechen while an Excel in this process works on a call: no COM wait runs, so only
// the check after each cell or block can take it. The input is given as a user gives
// it, through the system's input queue, when call kInputCall arrives; a held click
// is let go one write later.
TEST_F(DriverTest, AbbrechenWithoutACOMWaitStopsAtTheNextCellOrBlockAndIsReportedFirst) {
    // By then the window has long been up.
    constexpr int kInputCall = 90;
    // A cell or a block is a Range and two puts.
    constexpr int kCallsPerWrite = 3;
    enum class Input { Click, ClickHeldOverAWrite, Escape };
    const struct {
        const char* name;
        bool blocks;
        Input input;
    } cases[] = {
        {"click, cell by cell", false, Input::Click},
        {"held click, cell by cell", false, Input::ClickHeldOverAWrite},
        {"Esc, cell by cell", false, Input::Escape},
        {"click, blocks", true, Input::Click},
        {"held click, blocks", true, Input::ClickHeldOverAWrite},
        {"Esc, blocks", true, Input::Escape},
    };
    // Every third object has no position, so blocks come in runs of two.
    std::string objects;
    for (int n = 1; n <= 300; ++n) objects += (n % 3 == 0 ? std::string() : std::to_string(n)) + "\r\n";
    host.SetInfoQueryHandler(
        [objects](const std::string&, const std::string& result, std::uint8_t) { WriteFile(result, objects); });
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WritePrivateProfileStringA("Datei", "Blockweise", c.blocks ? "1" : "0", scratch.File("exl\\p.exl").c_str());
        standin::StandinClient excel;
        ASSERT_TRUE(standin::StandinClient::Register({10}));
        ASSERT_TRUE(excel.HostInProcess(10));
        excel.SetCallDelay(20);
        excel.ResetCalls();
        bool abbrechenShown = false, given = false, released = c.input != Input::ClickHeldOverAWrite;
        ASSERT_TRUE(excel.RunAtCall(kInputCall, [&] {
            HWND abbrechen = GetDlgItem(FindWindowA(nullptr, ToAnsi("Übergabe nach Excel").c_str()), IDCANCEL);
            abbrechenShown = IsWindowVisible(abbrechen) && !GetUpdateRect(abbrechen, nullptr, FALSE);
            switch (c.input) {
            case Input::Click: given = ClickWithMouse(abbrechen); break;
            case Input::ClickHeldOverAWrite: given = PressMouseOn(abbrechen); break;
            case Input::Escape: given = PressKey(VK_ESCAPE); break;
            }
        }));
        const int lastInputCall = released ? kInputCall : kInputCall + kCallsPerWrite;
        if (!released) excel.RunAtCall(lastInputCall, [&] { released = ReleaseMouse(); });
        TickingUi ui;
        RunConfirmed();
        const std::vector<std::wstring> calls = excel.Calls();
        excel.Quit();
        standin::StandinClient::Unregister();
        EXPECT_TRUE(abbrechenShown) << "Abbrechen is painted, so the user can find it";
        EXPECT_TRUE(given && released);
        ASSERT_EQ(ui.boxes.size(), 2u);
        EXPECT_EQ(ui.boxes[0].text, ToAnsi("Die Übergabe nach Excel wurde abgebrochen. Was bis dahin übertragen "
                                           "wurde, bleibt in Excel stehen."));
        EXPECT_EQ(ui.boxes[0].caption, "Excel-Kopplung");
        EXPECT_EQ(ui.boxes[0].flags, 0x10030u);
        EXPECT_FALSE(ui.boxes[0].hasOwner);
        EXPECT_EQ(ui.boxes[1].text, ToAnsi("Die Übergabe nach Excel ist abgeschlossen."));
        // The write under way at the last input is finished, and nothing is begun after it.
        ASSERT_GE(calls.size(), static_cast<std::size_t>(lastInputCall));
        const auto finished = std::find_if(calls.begin() + (lastInputCall - 1), calls.end(), [](const std::wstring& call) {
            return call.rfind(L"Range.Value2 put", 0) == 0;
        });
        ASSERT_NE(finished, calls.end());
        EXPECT_EQ(finished + 1, calls.end()) << calls.size() << " calls, the last " << testing::PrintToString(calls.back());
        EXPECT_EQ(finished->find(L"array") != std::wstring::npos, c.blocks) << testing::PrintToString(*finished);
    }
}

TEST_F(DriverTest, HelpFileComesFromTheCatalogueAndF1AsksForItsContext) {
    std::string catalogue = ReadFile(scratch.File("string_exl.txt"));
    const std::string shipped = "Helpfile=.\\orva.hlp";
    ASSERT_NE(catalogue.find(shipped), std::string::npos);
    catalogue.replace(catalogue.find(shipped), shipped.size(), "Helpfile=C:\\hilfe\\orvanta.hlp");
    WriteFile(scratch.File("string_exl.txt"), catalogue);
    RecordingUi ui;
    UiScript script([](UiDriver& ui) {
        HWND dialog = ui.WaitForWindow("Excel-Kopplung");
        ui.PressF1(dialog, IDC_EXPORT_PROFILE_PATH);
        ui.Click(dialog, IDCANCEL);
    });
    RunExportCommand("Excel-Kopplung", nullptr);
    script.Join();
    EXPECT_EQ(Application::Instance().HelpFile(), "C:\\hilfe\\orvanta.hlp");
    ASSERT_EQ(ui.helpCalls.size(), 1u);
    EXPECT_EQ(ui.helpCalls[0].helpFile, "C:\\hilfe\\orvanta.hlp");
    EXPECT_EQ(ui.helpCalls[0].command, static_cast<unsigned>(HELP_CONTEXT));
    EXPECT_EQ(ui.helpCalls[0].data, 131206u);
}

TEST_F(DriverTest, F1InTheEditorOverTheExportDialogShowsOnlyTheEditorsTopic) {
    RecordingUi ui;
    UiScript script([](UiDriver& ui) {
        HWND dialog = ui.WaitForWindow("Excel-Kopplung");
        ui.Click(dialog, IDC_EXPORT_DEFINE_PROFILE);
        HWND editor = ui.WaitForWindow(ToAnsi("Übergabeprofil definieren"));
        ui.PressF1(editor);
        ui.Close(editor);
        ASSERT_TRUE(ui.WaitUntilGone(editor));
        ui.PressF1(dialog);
        ui.Click(dialog, IDCANCEL);
    });
    RunExportCommand("Excel-Kopplung", nullptr);
    script.Join();
    ASSERT_EQ(ui.helpCalls.size(), 2u);
    EXPECT_EQ(ui.helpCalls[0].data, 131207u) << "the editor's topic, not handed on to the export dialog";
    EXPECT_EQ(ui.helpCalls[1].data, 131206u);
}

TEST_F(DriverTest, DialogThatCannotBeShownEndsWithoutTouchingFiles) {
    Application& app = Application::Instance();
    HMODULE resources = app.ResourceModule();
    // A module without the dialog template: the modal run answers -1.
    app.Initialise(GetModuleHandleA("kernel32.dll"));
    std::string settingsBefore = ReadFile(scratch.File("exl\\rizeraru.ini"));
    WriteFile(scratch.File("rizeraru.tmp"), "x");
    std::vector<std::string> temporaryBefore = TemporaryDirectoryFiles();
    EXPECT_EQ(RunExportCommand("Excel-Kopplung", nullptr), 0);
    app.Initialise(resources);
    EXPECT_EQ(ReadFile(scratch.File("exl\\rizeraru.ini")), settingsBefore);
    EXPECT_EQ(TemporaryDirectoryFiles(), temporaryBefore) << "no query file made";
    EXPECT_TRUE(FileExists(scratch.File("rizeraru.tmp"))) << "nothing deleted";
    ASSERT_EQ(host.Requests().size(), 1u) << "the host text goes out whatever the answer";
    EXPECT_EQ(host.Requests()[0].code, kRequestHostText);
}

TEST(AutomationErrorTextTest, LongDescriptionIsCutInside1024Bytes) {
    COleDispatchException error;
    error.scode = static_cast<HRESULT>(0x800A03EC);
    error.description = std::string(2000, 'd');
    std::string text = AutomationErrorText(error);
    EXPECT_EQ(text.size(), 1023u);
    const std::string prefix = "COleDispatchException. SCODE: 800a03ec, Description: \"";
    EXPECT_EQ(text.compare(0, prefix.size(), prefix), 0);
    EXPECT_EQ(text.substr(text.size() - 3), "d\".");
    error.description = "kurz";
    EXPECT_EQ(AutomationErrorText(error), "COleDispatchException. SCODE: 800a03ec, Description: \"kurz\".");
    EXPECT_EQ(AutomationErrorText(COleException(E_FAIL)), "COleException. SCODE: 80004005.");
}

}  // namespace
}  // namespace exl::test
