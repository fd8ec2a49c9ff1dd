// Excel going away in the middle of an export, through the real DLL: the stand-in
// process killed, or the workbook closed by the user, while the cells are written.
// The command reports the automation error, runs its closing steps, returns within
// kHangBound, and the same host process exports again afterwards.
#include <chrono>
#include <cstdio>

#include "ExportFixture.h"
#include "HangGuard.h"
#include "ProcessCounters.h"

namespace exl::test {
namespace {

using Calls = std::vector<std::wstring>;

// The longest a command may take with Excel gone; beyond it the program ends
// itself instead of hanging until the ctest timeout.
constexpr std::chrono::seconds kHangBound{30};
constexpr int kRecords = 6;
constexpr HRESULT kDisconnected = RPC_E_DISCONNECTED;                         // 0x80010108
constexpr HRESULT kCallFailed = HRESULT_FROM_WIN32(RPC_S_CALL_FAILED);       // 0x800706be

const std::string kAutomationErrorCaption = "Fehler bei der Excel-Automatisierung";
const std::string kClosingText = ToAnsi("Die Übergabe nach Excel ist abgeschlossen.");

bool StartsWith(const std::wstring& line, const wchar_t* prefix) { return line.rfind(prefix, 0) == 0; }

// Call numbers (from 1) of the lines that start with `prefix`.
std::vector<int> CallsStartingWith(const Calls& calls, const wchar_t* prefix) {
    std::vector<int> numbers;
    for (std::size_t i = 0; i < calls.size(); ++i)
        if (StartsWith(calls[i], prefix)) numbers.push_back(static_cast<int>(i) + 1);
    return numbers;
}

class ExcelGoneTest : public ExportFixture {
protected:
    void SetUp() override {
        ExportFixture::SetUp();
        const std::string profile = scratch.File("exl\\pos.exl");
        WriteFile(profile, "[Datei]\r\nTabelle=1\r\n[Tabelle 1]\r\nBlatt=1\r\nAnzahl=1\r\nFeld_1=Pos\r\nSpalte_1=A\r\n");
        WriteSettings("[Excel]\r\nVorlage=" + profile + "\r\nVersion=10\r\nneue Mappe=1\r\n");
        std::string result;
        for (int n = 1; n <= kRecords; ++n) result += std::to_string(n) + "\r\n";
        AnswerQueriesWith(result);
        ASSERT_TRUE(standin::StandinClient::Register({10}));
    }

    // A running stand-in with its calls counted from the export's first.
    void FreshExcel() {
        excel.Quit();
        ASSERT_TRUE(excel.StartRunning(10, 0));
        excel.ResetCalls();
    }

    std::vector<ShownMessageBox> TimedRun(const char* what, double& seconds) {
        HangGuard guard(what, kHangBound);
        const auto start = std::chrono::steady_clock::now();
        std::vector<ShownMessageBox> boxes = RunConfirmed();
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return boxes;
    }

    // A whole export into a fresh stand-in that the plug-in starts: every cell
    // written, nothing held.
    void ExpectAnotherExportSucceeds(const char* after) {
        SCOPED_TRACE(after);
        excel.Quit();
        double seconds = 0;
        std::vector<ShownMessageBox> boxes = TimedRun("second export", seconds);
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].text, kClosingText);
        ASSERT_TRUE(excel.Connect());
        for (int n = 1; n <= kRecords; ++n)
            EXPECT_EQ(excel.Cell(1, 1, L"A" + std::to_wstring(n)), std::to_wstring(n));
        EXPECT_EQ(excel.LiveObjects(), 0);
    }
};

struct GoneCase {
    const char* name;
    bool kill;         // else the workbook is closed
    int strikeAtCell;  // the cell (1 to kRecords) whose writing the event meets
    bool atRangeFetch; // at the Range fetch of that cell, else at its first put
    HRESULT status;    // shown in the automation error
};

TEST_F(ExcelGoneTest, TheCommandReportsItClosesAndTheHostExportsAgain) {
    // The calls of an undisturbed export tell where each cell is written.
    FreshExcel();
    ASSERT_EQ(RunConfirmed().size(), 1u);
    const Calls calls = excel.Calls();
    const std::vector<int> fetches = CallsStartingWith(calls, L"Worksheet.Range get");
    const std::vector<int> puts = CallsStartingWith(calls, L"Range.Value put");
    ASSERT_EQ(fetches.size(), static_cast<std::size_t>(kRecords));
    ASSERT_EQ(puts.size(), static_cast<std::size_t>(kRecords));

    const GoneCase cases[] = {
        {"killed after the first cell", true, 2, true, kCallFailed},
        {"killed after a cell in the middle", true, kRecords / 2 + 1, true, kCallFailed},
        {"killed at the last cell", true, kRecords, false, kCallFailed},
        {"workbook closed in the middle", false, kRecords / 2 + 1, true, kDisconnected},
        {"workbook closed at the last cell", false, kRecords, false, kDisconnected},
    };
    for (const GoneCase& c : cases) {
        SCOPED_TRACE(c.name);
        FreshExcel();
        const int strike = (c.atRangeFetch ? fetches : puts)[static_cast<std::size_t>(c.strikeAtCell) - 1];
        if (c.kill)
            excel.EndProcessAtCall(strike);
        else
            excel.CloseWorkbookAtCall(strike, 1);
        double seconds = 0;
        std::vector<ShownMessageBox> boxes = TimedRun(c.name, seconds);
        std::printf("[ case ] %-36s returned after %.2f s; %s\n", c.name, seconds,
                    ProcessCounters::Now().Describe().c_str());
        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].caption, kAutomationErrorCaption);
        char expected[64];
        std::snprintf(expected, sizeof expected, "COleException. SCODE: %08lx.", static_cast<unsigned long>(c.status));
        EXPECT_EQ(boxes[0].text, expected);
        EXPECT_EQ(boxes[1].text, kClosingText);
        auto queries = host.RequestsWithCode(kRequestInfoQuery);
        ASSERT_FALSE(queries.empty());
        EXPECT_FALSE(FileExists(queries.back().searchSpecPath)) << "the closing steps delete the record file";
        if (!c.kill) {
            ASSERT_TRUE(excel.Connect());
            EXPECT_EQ(excel.WorkbookCount(), 0) << "the workbook is closed";
            EXPECT_EQ(excel.LiveObjects(), 0) << "every reference the plug-in still held is released";
        }
        ExpectAnotherExportSucceeds(c.name);
    }
}

}  // namespace
}  // namespace exl::test
