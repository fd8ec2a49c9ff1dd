#include <gtest/gtest.h>

#include <algorithm>

#include "ExcelExport.h"
#include "FakeExcel.h"
#include "RecordingUi.h"
#include "Scratch.h"
#include "catalogue/MessageCatalogue.h"
#include "export/ExcelConnection.h"
#include "export/ExcelMembers.h"
#include "export/SheetWriter.h"
#include "framework/Application.h"
#include "framework/Ini.h"
#include "framework/MessageBoxes.h"
#include "framework/RejectedCalls.h"

namespace exl::test {
namespace {

using Strings = std::vector<std::string>;

class ExcelConnectionTest : public ::testing::Test {
protected:
    ScratchDirectory scratch;
    RecordingUi ui;
    FakeExcel excel;
    FakeLauncher launcher{excel};
    ExportSettings settings;
    std::string profile = scratch.File("exl\\test.exl");
    std::string records = scratch.File("records.tmp");

    ExcelConnectionTest() {
        settings.profilePath = profile;
        launcher.startable = {8, 9, 10};
        WriteFile(profile, "[Datei]\r\nTabelle=1\r\n[Tabelle 1]\r\nBlatt=1\r\nKopfzeile=1\r\nStartzeile=2\r\n"
                           "Anzahl=1\r\nFeld_1=Name\r\nSpalte_1=B\r\nSpaltenkopf_1=Kopf\r\n");
        WriteRecordFile(records, {{{"Name", "eins"}}, {{"Name", "zwei"}}});
    }

    // Two tables on two sheets of a template, two records: a run of every kind of call.
    void WriteTwoTablesFromATemplate() {
        WriteFile(profile, "[Datei]\r\nTabelle=2\r\nExcelvorlage=C:\\t.xlsx\r\n"
                           "[Tabelle 1]\r\nBlatt=1\r\nKopfzeile=1\r\nStartzeile=2\r\nAnzahl=2\r\n"
                           "Feld_1=Name\r\nSpalte_1=A\r\nSpaltenkopf_1=Name\r\nFeld_2=Nr\r\nSpalte_2=B\r\n"
                           "[Tabelle 2]\r\nBlatt=2\r\nAnzahl=1\r\nFeld_1=Nr\r\nSpalte_1=C\r\n");
        WriteRecordFile(records, {{{"Name", "eins"}, {"Nr", "1"}}, {{"Nr", "2"}}});
    }

    Strings Texts() {
        Strings texts;
        for (const auto& box : ui.boxes) texts.push_back(box.text);
        return texts;
    }
    // The members invoked, in order, as "Kind.member".
    Strings Calls() {
        Strings calls;
        for (const auto& call : excel.world.calls) calls.push_back(call.object + "." + std::to_string(call.member));
        return calls;
    }
};

std::string Entry(int key) { return MessageCatalogue::Text(0, key); }

TEST_F(ExcelConnectionTest, VersionsFallBackDownwardsWritingEachBeforeItsTry) {
    struct Case {
        const char* name;
        std::int16_t stored;
        std::set<int> running;
        std::set<int> startable;
        Strings attempts;
        Strings messages;
        std::string storedAfter;
        TransferOutcome ending;
    };
    const Case cases[] = {
        {"only 9 registered", 10, {}, {9},
         {"curver", "attach 10 (Version=10)", "start 10 (Version=10)", "attach 9 (Version=9)", "start 9 (Version=9)",
          "raise"},
         {Entry(6)}, "9", TransferOutcome::Finished},
        {"nothing registered", 10, {}, {},
         {"curver", "attach 10 (Version=10)", "start 10 (Version=10)", "attach 9 (Version=9)", "start 9 (Version=9)",
          "attach 8 (Version=8)", "start 8 (Version=8)"},
         {Entry(6), Entry(7), Entry(8)}, "8", TransferOutcome::NoExcel},
        {"stored 8 tries only 8", 8, {10, 9}, {10, 9}, {"attach 8 (Version=8)", "start 8 (Version=8)"}, {Entry(8)},
         "8", TransferOutcome::NoExcel},
        {"stored 9 never tries 10", 9, {10}, {10, 8},
         {"attach 9 (Version=9)", "start 9 (Version=9)", "attach 8 (Version=8)", "start 8 (Version=8)", "raise"},
         {Entry(7)}, "8", TransferOutcome::Finished},
        {"running 10 is attached", 10, {10}, {}, {"attach 10 (Version=10)", "raise"}, {}, "10",
         TransferOutcome::Finished},
        {"running without IDispatch counts as not running", 10, {10}, {10},
         {"attach 10 (Version=10)", "start 10 (Version=10)", "raise"}, {}, "10", TransferOutcome::Finished},
        {"unknown version 11", 11, {10}, {10, 9, 8}, {}, {Entry(15)}, "(none)", TransferOutcome::EndedEarly},
        {"unknown version 7", 7, {}, {8}, {}, {Entry(15)}, "(none)", TransferOutcome::EndedEarly},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DeleteFileA(kSettingsFile);
        ui.boxes.clear();
        launcher.log.clear();
        launcher.running = c.running;
        launcher.startable = c.startable;
        launcher.runningAnswersDispatch = std::string(c.name).find("IDispatch") == std::string::npos;
        settings.excelVersion = c.stored;
        const TransferResult result = TransferToExcel(settings, records, launcher);
        EXPECT_EQ(result.outcome, c.ending);
        EXPECT_EQ(launcher.log, c.attempts);
        EXPECT_EQ(Texts(), c.messages);
        for (const auto& box : ui.boxes) {
            EXPECT_EQ(box.flags, static_cast<unsigned>(MB_OK | MB_ICONEXCLAMATION)) << "framework message box";
            EXPECT_EQ(box.caption, Application::Instance().Title());
        }
        EXPECT_EQ(StoredVersion(), c.storedAfter);
        if (c.storedAfter != "(none)") {
            EXPECT_EQ(std::to_string(settings.excelVersion), c.storedAfter);
        }
        EXPECT_EQ(excel.world.liveObjects, 0);
    }
}

TEST_F(ExcelConnectionTest, OnlyAnUnregisteredXpGivesWayToTheNewerExcelThatCurVerNamesExactly) {
    struct Case {
        const char* curVer;
        std::set<int> broken;
        Strings attempts;
    };
    const Strings oldPath = {"curver", "attach 10 (Version=10)", "start 10 (Version=10)", "attach 9 (Version=9)",
                             "start 9 (Version=9)", "raise"};
    const Case cases[] = {
        {"Excel.Application.16", {}, {"curver", "attach 16 (Version=10)", "start 16 (Version=10)", "raise"}},
        {"excel.application.11", {}, {"curver", "attach 11 (Version=10)", "start 11 (Version=10)", "raise"}},
        {"Excel.Application.16", {10}, Strings(oldPath.begin() + 1, oldPath.end())},
        {"Excel.Application.99999999999999999999", {}, {"curver", "attach 2147483647 (Version=10)",
          "start 2147483647 (Version=10)", "attach 9 (Version=9)", "start 9 (Version=9)", "raise"}},
        {"Excel.Application.010", {}, oldPath},
        {"Excel.Application.16 ", {}, oldPath},
        {"Excel.Application.+16", {}, oldPath},
        {"Excel.Application.", {}, oldPath},
        {"Excel.Applications.16", {}, oldPath},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.curVer + "\"" + (c.broken.empty() ? "" : ", 10 registered"));
        DeleteFileA(kSettingsFile);
        ui.boxes.clear();
        launcher.log.clear();
        launcher.startable = {9, 11, 16};
        launcher.broken = c.broken;
        launcher.curVer = c.curVer;
        settings.excelVersion = 10;
        EXPECT_EQ(TransferToExcel(settings, records, launcher).outcome, TransferOutcome::Finished);
        EXPECT_EQ(launcher.log, c.attempts);
        const bool newer = c.attempts.size() == 4;
        EXPECT_EQ(Texts(), newer ? Strings{} : Strings{Entry(6)});
        EXPECT_EQ(StoredVersion(), newer ? "10" : "9");
        EXPECT_EQ(excel.world.liveObjects, 0);
    }
}

TEST_F(ExcelConnectionTest, TheWorkbookIsChosenByTheFirstRuleThatApplies) {
    struct Case {
        const char* name;
        const char* excelTemplate;
        std::int32_t newWorkbook;
        int workbooks;
        bool active;
        Strings calls;  // after Visible and Workbooks, up to Sheets
    };
    const std::string open = "Workbooks.682", add = "Workbooks.181", count = "Workbooks.118",
                      active = "Application.308";
    // Open's arguments, the path and twelve missing ones, are held against the stand-in's
    // log (ExcelExportTest.ATemplateWinsOverTheNewWorkbookFlag).
    const Case cases[] = {
        {"template wins over the flag", "C:\\Vorlagen\\Liste.xlsx", 1, 2, true, {open}},
        {"flag 1 adds", "", 1, 2, true, {add}},
        {"flag 2 counts as off", "", 2, 2, true, {count, active}},
        {"active workbook of a running Excel", "", 0, 1, true, {count, active}},
        {"no workbook open", "", 0, 0, true, {count, add}},
        {"workbooks but none active", "", 0, 2, false, {count, active, add}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        excel.world.calls.clear();
        excel.workbooks = c.workbooks;
        excel.hasActiveWorkbook = c.active;
        WriteIniString(profile, "Datei", "Excelvorlage", c.excelTemplate);
        settings.newWorkbook = c.newWorkbook;
        ExcelConnection connection(settings, profile, launcher);
        ASSERT_EQ(connection.Connect(), ExcelConnection::Outcome::Ready);
        Strings expected = {"Application.558", "Application.572"};
        expected.insert(expected.end(), c.calls.begin(), c.calls.end());
        expected.insert(expected.end(), {"Workbook.485", "Sheets.118"});
        EXPECT_EQ(Calls(), expected);
        EXPECT_TRUE(excel.visible);
        EXPECT_TRUE(connection.Worksheet().Empty());
        EXPECT_TRUE(connection.CellRange().Empty());
        EXPECT_FALSE(connection.SheetCollection().Empty());
        connection.Release();
        EXPECT_EQ(excel.world.liveObjects, 0);
    }
}

// Three and four tables on three sheets go against the stand-in (ExcelExportTest);
// workbooks without sheets only this fake has.
TEST_F(ExcelConnectionTest, TooFewSheetsEndEarlyWithTheNoticeAndWriteNothing) {
    excel.sheets = 0;
    EXPECT_EQ(TransferToExcel(settings, records, launcher).outcome, TransferOutcome::EndedEarly);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, Entry(9));
    EXPECT_EQ(ui.boxes[0].caption, Entry(10));
    EXPECT_EQ(ui.boxes[0].flags, 0x10040u);
    EXPECT_FALSE(ui.boxes[0].hasOwner);
    EXPECT_TRUE(excel.cells.empty());
    EXPECT_EQ(excel.world.liveObjects, 0);

    // An absent table count is checked as 0: the check passes and the writer reaches
    // Excel, where sheet 0 does not exist. (Its own default of one table would need a sheet.)
    DeleteIniKey(profile, "Datei", "Tabelle");
    WriteIniString(profile, "Tabelle 1", "Anzahl", "0");
    WriteIniString(profile, "Tabelle 1", "Blatt", "0");
    const TransferResult result = TransferToExcel(settings, records, launcher);
    EXPECT_EQ(result.outcome, TransferOutcome::AutomationError);
    EXPECT_EQ(result.Scode(), DISP_E_BADINDEX);
}

TEST_F(ExcelConnectionTest, ReleaseOrdersFollowTheOutcome) {
    // Finished: cell range, worksheet, workbook collection, workbook, application, sheets.
    {
        ExcelConnection connection(settings, profile, launcher);
        ASSERT_EQ(connection.Connect(), ExcelConnection::Outcome::Ready);
        SheetWriter(connection.SheetCollection(), connection.Worksheet(), connection.CellRange())
            .Write(profile, records);
        excel.world.finalReleases.clear();
        connection.Release();
        EXPECT_EQ(excel.world.finalReleases,
                  (Strings{"Range", "Worksheet", "Workbooks", "Workbook", "Application", "Sheets"}));
    }
    // Automation error in the writer: the latest created first.
    {
        excel.failAt = 0;
        excel.world.calls.clear();
        ExcelConnection connection(settings, profile, launcher);
        ASSERT_EQ(connection.Connect(), ExcelConnection::Outcome::Ready);
        excel.failAt = excel.Invokes() + 4;  // Item, Select, Range, then the first Value put
        excel.world.finalReleases.clear();
        try {
            ExcelConnection& inner = connection;
            SheetWriter(inner.SheetCollection(), inner.Worksheet(), inner.CellRange()).Write(profile, records);
            ADD_FAILURE() << "no error raised";
        } catch (const COleException& error) {
            EXPECT_EQ(error.scode, E_FAIL);
        }
        EXPECT_TRUE(excel.world.finalReleases.empty()) << "the writer keeps its references";
    }
    EXPECT_EQ(excel.world.finalReleases,
              (Strings{"Range", "Sheets", "Workbooks", "Worksheet", "Workbook", "Application"}));
    EXPECT_EQ(excel.world.liveObjects, 0);
}

TEST_F(ExcelConnectionTest, AnOperationAnsweringNoObjectRaisesInsteadOfCallingThroughIt) {
    const DISPID members[] = {excel::kWorkbooks, excel::kAdd, excel::kSheets, excel::kItem, excel::kRange};
    settings.newWorkbook = 1;
    for (DISPID member : members) {
        SCOPED_TRACE(member);
        excel.answersNothing = {member};
        excel.world.calls.clear();
        const TransferResult result = TransferToExcel(settings, records, launcher);
        EXPECT_EQ(result.outcome, TransferOutcome::AutomationError);
        EXPECT_EQ(result.Scode(), E_POINTER);
        ASSERT_FALSE(excel.world.calls.empty());
        EXPECT_EQ(excel.world.calls.back().member, member) << "nothing is called after the empty answer";
        EXPECT_EQ(excel.world.liveObjects, 0);
    }
}

TEST_F(ExcelConnectionTest, AFailureAtEveryCallReleasesEverythingAndCarriesItsKind) {
    WriteTwoTablesFromATemplate();
    ASSERT_EQ(TransferToExcel(settings, records, launcher).outcome, TransferOutcome::Finished);
    const int calls = excel.Invokes();
    ASSERT_GT(calls, 20);
    for (HRESULT status : {static_cast<HRESULT>(RPC_E_DISCONNECTED), static_cast<HRESULT>(DISP_E_EXCEPTION)}) {
        for (int n = 1; n <= calls; ++n) {
            SCOPED_TRACE(std::to_string(n) + " of " + std::to_string(calls));
            excel.world.calls.clear();
            excel.failAt = n;
            excel.failWith = status;
            const TransferResult result = TransferToExcel(settings, records, launcher);
            EXPECT_EQ(excel.Invokes(), n) << "no call after the failure";
            if (status == DISP_E_EXCEPTION) {
                EXPECT_EQ(result.outcome, TransferOutcome::DispatchError);
                EXPECT_EQ(result.Scode(), static_cast<HRESULT>(0x800A03EC));
                EXPECT_EQ(result.dispatchError.description, "Fehler");
            } else {
                EXPECT_EQ(result.outcome, TransferOutcome::AutomationError);
                EXPECT_EQ(result.Scode(), status);
            }
            EXPECT_EQ(excel.world.liveObjects, 0);
        }
    }
}

TEST_F(ExcelConnectionTest, EveryCallExcelTurnsAwayOnceIsTriedAgainAndTheExportEndsAsACalmOne) {
    WriteTwoTablesFromATemplate();
    ASSERT_EQ(TransferToExcel(settings, records, launcher).outcome, TransferOutcome::Finished);
    const Strings calmCalls = Calls();
    const std::vector<std::wstring> calmPuts = excel.valuePuts;
    const int calls = excel.Invokes();
    for (HRESULT status : {RPC_E_CALL_REJECTED, RPC_E_SERVERCALL_RETRYLATER, kVbaIgnore}) {
        for (int n = 1; n <= calls; ++n) {
            SCOPED_TRACE(std::to_string(n) + " of " + std::to_string(calls) + " turned away with " +
                         std::to_string(status));
            excel.world.calls.clear();
            excel.valuePuts.clear();
            ui.pauses.clear();
            excel.failAt = n;
            excel.failWith = status;
            const TransferResult result = TransferToExcel(settings, records, launcher);
            EXPECT_EQ(result.outcome, TransferOutcome::Finished);
            Strings expected = calmCalls;
            expected.insert(expected.begin() + (n - 1), calmCalls[static_cast<std::size_t>(n) - 1]);
            EXPECT_EQ(Calls(), expected) << "the call turned away, then the same call again";
            EXPECT_EQ(excel.valuePuts, calmPuts);
            EXPECT_EQ(ui.pauses, std::vector<DWORD>{kFirstRetryPauseMs});
            EXPECT_EQ(excel.world.liveObjects, 0);
        }
    }
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(ExcelConnectionTest, ACallExcelKeepsTurningAwayAsksAfterASilentPeriodAndFollowsTheAnswer) {
    struct Case {
        const char* name;
        bool blocks;
        int turnedAway;  // calls from the first Value put on; -1: all of them
        std::vector<int> answers;
        TransferOutcome outcome;
    };
    // 14 rejections of one call outlast the silent period (see RejectedCalls.h).
    const Case cases[] = {
        {"Abbrechen", false, -1, {IDCANCEL}, TransferOutcome::AutomationError},
        {"Wiederholen, then taken", false, 20, {IDRETRY}, TransferOutcome::Finished},
        {"Wiederholen twice, then Abbrechen", false, -1, {IDRETRY, IDRETRY, IDCANCEL},
         TransferOutcome::AutomationError},
        // A block given up on is not written again cell by cell: that would only ask again.
        {"Abbrechen with blocks", true, -1, {IDCANCEL}, TransferOutcome::AutomationError},
        {"Wiederholen with blocks", true, 20, {IDRETRY}, TransferOutcome::Finished},
    };
    // No heading row: with blocks the first Value put is the block's.
    WriteFile(profile, "[Datei]\r\nTabelle=1\r\n[Tabelle 1]\r\nBlatt=1\r\nKopfzeile=0\r\nStartzeile=2\r\n"
                       "Anzahl=1\r\nFeld_1=Name\r\nSpalte_1=B\r\n");
    WriteRecordFile(records, {{{"Name", "eins"}}, {{"Name", "zwei"}}, {{"Name", "drei"}}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteIniString(profile, "Datei", "Blockweise", c.blocks ? "1" : "0");
        excel.failAt = 0;
        excel.world.calls.clear();
        excel.valuePuts.clear();
        ASSERT_EQ(TransferToExcel(settings, records, launcher).outcome, TransferOutcome::Finished);
        const std::vector<std::wstring> calmPuts = excel.valuePuts;
        const Strings calmCalls = Calls();
        // The calls before the first Value put (fetches of the sheet and the range) stay calm.
        const auto firstPut = std::find(calmCalls.begin(), calmCalls.end(), "Range.6");
        ASSERT_NE(firstPut, calmCalls.end());

        excel.world.calls.clear();
        excel.valuePuts.clear();
        ui.boxes.clear();
        excel.failAt = static_cast<int>(firstPut - calmCalls.begin()) + 1;
        excel.failWith = RPC_E_CALL_REJECTED;
        excel.failTimes = c.turnedAway;
        for (int answer : c.answers) ui.QueueAnswer(answer);
        const TransferResult result = TransferToExcel(settings, records, launcher);

        EXPECT_EQ(result.outcome, c.outcome);
        ASSERT_EQ(ui.boxes.size(), c.answers.size());
        for (const RecordedMessageBox& box : ui.boxes) {
            EXPECT_EQ(box.text, Entry(16));
            EXPECT_EQ(box.caption, Entry(0));
            EXPECT_EQ(box.flags, kRetryQuestionFlags);
            EXPECT_FALSE(box.hasOwner);
        }
        if (c.outcome == TransferOutcome::Finished) {
            EXPECT_EQ(excel.valuePuts, calmPuts);
        } else {
            EXPECT_EQ(result.Scode(), RPC_E_CALL_REJECTED);
            EXPECT_TRUE(excel.valuePuts.empty());
            EXPECT_EQ(excel.world.calls.back().member, excel::kValue) << "nothing is called after Abbrechen";
        }
        EXPECT_EQ(excel.world.liveObjects, 0);
    }
}

}  // namespace
}  // namespace exl::test
