// A busy Excel during an export, through the real DLL: the stand-in turns calls
// away for a while or until told otherwise, and the plug-in tries each call again;
// after a silent period of that it asks with catalogue entry 0-16. Every case runs
// in a fresh stand-in and is held against the cells and puts of a calm export.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <set>

#include "ExportFixture.h"
#include "HangGuard.h"
#include "framework/RejectedCalls.h"

namespace exl::test {
namespace {

using standin::StandinClient;
using Lines = std::vector<std::wstring>;
using Texts = std::vector<std::string>;

constexpr int kRecords = 6;  // two fields: twelve cells
constexpr std::size_t kBusyFromCell = 10;
// The longest a case may take before the program ends itself: a silent period and
// a few seconds of busy time, with starting Excel and the dialog around them.
constexpr std::chrono::seconds kHangBound{60};
// GetTickCount advances in steps of up to 16 ms.
constexpr int kTickStepMs = 16;
constexpr HRESULT kRejected = RPC_E_CALL_REJECTED;
constexpr HRESULT kRetryLater = RPC_E_SERVERCALL_RETRYLATER;
constexpr HRESULT kDisconnected = RPC_E_DISCONNECTED;

const std::string kCaption = "Excel-Kopplung";
const std::string kBusyText = ToAnsi(
    "Excel nimmt gerade keine Daten an. Beenden Sie die Eingabe in der Zelle oder schließen Sie das "
    "Dialogfeld in Excel, und wählen Sie dann Wiederholen.");
const std::string kAutomationErrorCaption = "Fehler bei der Excel-Automatisierung";
const std::string kClosingText = ToAnsi("Die Übergabe nach Excel ist abgeschlossen.");

std::string AutomationErrorMessage(HRESULT status) {
    char text[64];
    std::snprintf(text, sizeof text, "COleException. SCODE: %08lx.", static_cast<unsigned long>(status));
    return text;
}

bool Contains(const std::wstring& line, const wchar_t* part) { return line.find(part) != std::wstring::npos; }

std::size_t TurnedAwayCount(const Lines& calls) {
    return static_cast<std::size_t>(
        std::count_if(calls.begin(), calls.end(), [](const std::wstring& line) { return Contains(line, L" turned away"); }));
}

// Call numbers (from 1) of the lines that start with `prefix`.
std::vector<int> CallsStartingWith(const Lines& calls, const wchar_t* prefix) {
    std::vector<int> numbers;
    for (std::size_t i = 0; i < calls.size(); ++i)
        if (calls[i].rfind(prefix, 0) == 0) numbers.push_back(static_cast<int>(i) + 1);
    return numbers;
}

// "B5" of `Worksheet.Range get "B5" "B5"`.
std::wstring FirstQuoted(const std::wstring& line) {
    const std::size_t open = line.find(L'"');
    return line.substr(open + 1, line.find(L'"', open + 1) - open - 1);
}

// The cell a line of the stand-in's SheetCells names first ("B5 ...").
std::wstring AddressOf(const std::wstring& cellLine) { return cellLine.substr(0, cellLine.find(L' ')); }

// What a calm export leaves: its calls, the sheet's cells and the puts carried out.
struct CalmExport {
    Lines calls;
    Lines cells;
    int puts = 0;
    std::vector<int> valuePuts;  // call numbers of the Range.Value puts
};

// What the stand-in does to the export.
enum class Trouble {
    BusyFromStart,  // started by the plug-in with startOptions
    BusyFromCell,   // from the Value put that writes the 10th cell, for `milliseconds`
    FailAtCell,     // that put fails once with `status`, as a broken Excel's would
};

enum class Answer { Abbrechen, WiederholenOnceCalm };

enum class Ending {
    Completed,  // every cell as in the calm export, each put once
    GivenUp,    // 0-16, then the automation error with the status, then the closing steps
    Failed,     // the automation error at once, then the closing steps
};

struct BusyCase {
    const char* name;
    Trouble trouble;
    const wchar_t* startOptions;
    HRESULT status;
    int milliseconds;  // StandinClient::kUntilCalm: until told otherwise
    bool blocks;
    Answer answer;     // to 0-16
    Texts messages;    // the texts shown, in order
    Ending ending;
};

class ExcelBusyTest : public ExportFixture {
protected:
    void SetUp() override {
        ExportFixture::SetUp();
        WriteSettings("[Excel]\r\nVorlage=" + profile + "\r\nVersion=10\r\nneue Mappe=1\r\n");
        std::string result;
        for (int n = 1; n <= kRecords; ++n) result += std::to_string(n) + "\r\nTeil " + std::to_string(n) + "\r\n";
        AnswerQueriesWith(result);
        ASSERT_TRUE(StandinClient::Register({10}));
    }

    void WriteProfile(bool blocks) {
        WriteFile(profile, std::string("[Datei]\r\nTabelle=1\r\n") + (blocks ? "Blockweise=1\r\n" : "") +
                               "[Tabelle 1]\r\nBlatt=1\r\nAnzahl=2\r\nFeld_1=Pos\r\nSpalte_1=A\r\n"
                               "Feld_2=Name\r\nSpalte_2=B\r\n");
    }

    // A running stand-in, calm, with its calls counted from the export's first.
    void FreshExcel() {
        excel.Quit();
        ASSERT_TRUE(excel.StartRunning(10, 0));
        excel.ResetCalls();
    }

    CalmExport Calm(bool blocks) {
        WriteProfile(blocks);
        FreshExcel();
        CalmExport calm;
        EXPECT_EQ(RunConfirmed().size(), 1u);
        calm.calls = excel.Calls();
        calm.cells = excel.SheetCells(1, 1);
        calm.puts = excel.CarriedOutPuts();
        calm.valuePuts = CallsStartingWith(calm.calls, L"Range.Value put");
        EXPECT_EQ(calm.cells.size(), 2u * kRecords);
        EXPECT_EQ(TurnedAwayCount(calm.calls), 0u);
        return calm;
    }

    std::vector<ShownMessageBox> GuardedRun(const char* what, Answer answer) {
        HangGuard guard(what, kHangBound);
        return RunConfirmed({}, [answer](const ShownMessageBox& box) {
            if (box.text != kBusyText) return box.buttons.empty() ? IDOK : box.buttons.front();
            if (answer == Answer::WiederholenOnceCalm) TellExcelToTakeCalls();
            return answer == Answer::Abbrechen ? IDCANCEL : IDRETRY;
        });
    }

    // From the script's thread, which reaches the stand-in through an apartment of its own.
    static void TellExcelToTakeCalls() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            StandinClient control;
            control.BeCalm();
        }
        CoUninitialize();
    }

    void ExpectRecordFileDeleted() {
        auto queries = host.RequestsWithCode(kRequestInfoQuery);
        ASSERT_FALSE(queries.empty());
        EXPECT_FALSE(FileExists(queries.back().searchSpecPath)) << "the closing steps delete the record file";
    }

    std::string profile = scratch.File("exl\\busy.exl");
};

// The most tries a call can have in one silent period: one at once, then one after
// each pause of the growing pace until the period is over, were every try free.
int MostTriesInOneSilentPeriod() {
    int tries = 1;
    for (DWORD waited = 0, pause = kFirstRetryPauseMs; waited < kSilentPeriodMs;
         waited += pause, pause = std::min(pause * 2, kLongestRetryPauseMs))
        ++tries;
    return tries;
}

// The calm export's cells that were written through a Range fetched before the one
// call number `busyCall` writes through.
Lines CellsWrittenBefore(const CalmExport& calm, int busyCall) {
    std::set<std::wstring> written;
    const std::vector<int> fetches = CallsStartingWith(calm.calls, L"Worksheet.Range get");
    for (std::size_t i = 0; i + 1 < fetches.size() && fetches[i + 1] < busyCall; ++i)
        written.insert(FirstQuoted(calm.calls[static_cast<std::size_t>(fetches[i]) - 1]));
    Lines cells;
    for (const std::wstring& cell : calm.cells)
        if (written.count(AddressOf(cell))) cells.push_back(cell);
    return cells;
}

TEST_F(ExcelBusyTest, TheExportWaitsForABusyExcelAndAsksAfterASilentPeriod) {
    const CalmExport calmCells = Calm(false);
    const CalmExport calmBlocks = Calm(true);
    ASSERT_EQ(calmCells.valuePuts.size(), 2u * kRecords);
    ASSERT_EQ(calmBlocks.valuePuts.size(), 2u) << "one block a field";

    const Texts completed = {kClosingText};
    const Texts askedThenCompleted = {kBusyText, kClosingText};
    const Texts givenUp = {kBusyText, AutomationErrorMessage(kRejected), kClosingText};
    const Texts failed = {AutomationErrorMessage(kDisconnected), kClosingText};
    const int untilCalm = StandinClient::kUntilCalm;
    const BusyCase cases[] = {
        // Counted from the first call rather than from the start, which a loaded machine
        // may take longer than that to reach.
        {"busy for 2 s from the first call, as while it starts", Trouble::BusyFromStart,
         L"--busy 2000 --busy-from-call 1", kRejected, 0, false,
         Answer::Abbrechen, completed, Ending::Completed},
        {"rejected for 3 s from the 10th cell", Trouble::BusyFromCell, nullptr, kRejected, 3000, false,
         Answer::Abbrechen, completed, Ending::Completed},
        {"retry later for 3 s from the 10th cell", Trouble::BusyFromCell, nullptr, kRetryLater, 3000, false,
         Answer::Abbrechen, completed, Ending::Completed},
        {"ignored for 3 s from the 10th cell", Trouble::BusyFromCell, nullptr, kVbaIgnore, 3000, false,
         Answer::Abbrechen, completed, Ending::Completed},
        {"blocks: rejected for 3 s from the block of the 10th cell", Trouble::BusyFromCell, nullptr, kRejected, 3000,
         true, Answer::Abbrechen, completed, Ending::Completed},
        {"busy for good, Abbrechen", Trouble::BusyFromCell, nullptr, kRejected, untilCalm, false, Answer::Abbrechen,
         givenUp, Ending::GivenUp},
        {"busy for good, Wiederholen once calm", Trouble::BusyFromCell, nullptr, kRejected, untilCalm, false,
         Answer::WiederholenOnceCalm, askedThenCompleted, Ending::Completed},
        {"disconnected at the 10th cell: not tried again", Trouble::FailAtCell, nullptr, kDisconnected, 0, false,
         Answer::Abbrechen, failed, Ending::Failed},
    };
    for (const BusyCase& c : cases) {
        SCOPED_TRACE(c.name);
        const CalmExport& calm = c.blocks ? calmBlocks : calmCells;
        WriteProfile(c.blocks);
        // The Value put that writes the 10th cell: its own, or its block's.
        const int busyCall = calm.valuePuts[c.blocks ? 1 : kBusyFromCell - 1];
        if (c.trouble == Trouble::BusyFromStart) {
            excel.Quit();
            ASSERT_TRUE(StandinClient::Register({10}, c.startOptions));
        } else {
            FreshExcel();
        }
        if (c.trouble == Trouble::BusyFromCell) excel.BeBusy(busyCall, c.milliseconds, c.status);
        if (c.trouble == Trouble::FailAtCell) excel.FailCall(busyCall, c.status);

        const std::vector<ShownMessageBox> boxes = GuardedRun(c.name, c.answer);

        Texts shown;
        for (const ShownMessageBox& box : boxes) shown.push_back(box.text);
        EXPECT_EQ(shown, c.messages);
        for (const ShownMessageBox& box : boxes) {
            if (box.text == kBusyText) {
                EXPECT_EQ(box.caption, kCaption);
                EXPECT_EQ(box.buttons, (std::vector<int>{IDCANCEL, IDRETRY}));
            }
            if (box.text.rfind("COleException", 0) == 0) {
                EXPECT_EQ(box.caption, kAutomationErrorCaption);
            }
        }
        ExpectRecordFileDeleted();
        ASSERT_TRUE(excel.Connect());
        const Lines calls = excel.Calls();
        EXPECT_EQ(excel.LiveObjects(), 0) << "every reference is released";

        switch (c.ending) {
        case Ending::Completed:
            EXPECT_EQ(excel.SheetCells(1, 1), calm.cells);
            EXPECT_EQ(excel.CarriedOutPuts(), calm.puts) << "each cell put exactly once";
            EXPECT_GT(TurnedAwayCount(calls), 0u) << "Excel was busy";
            break;
        case Ending::GivenUp:
            EXPECT_EQ(excel.SheetCells(1, 1), CellsWrittenBefore(calm, busyCall)) << "the cells before stay";
            EXPECT_GT(TurnedAwayCount(calls), 0u);
            break;
        case Ending::Failed:
            EXPECT_EQ(excel.SheetCells(1, 1), CellsWrittenBefore(calm, busyCall));
            ASSERT_EQ(calls.size(), static_cast<std::size_t>(busyCall)) << "no call after the failed one";
            EXPECT_TRUE(Contains(calls.back(), L"Range.Value put")) << "nor the same again";
            EXPECT_EQ(TurnedAwayCount(calls), 0u);
            break;
        }
        if (c.trouble == Trouble::BusyFromStart) {
            // The connection's first call was turned away and tried again.
            ASSERT_FALSE(calls.empty());
            EXPECT_EQ(calls.front(), L"Application turned away -> 0x80010001");
            const auto firstTaken = std::find_if(calls.begin(), calls.end(),
                                                 [](const std::wstring& line) { return !Contains(line, L"turned away"); });
            ASSERT_NE(firstTaken, calls.end());
            EXPECT_EQ(*firstTaken, L"Application.Visible put true");
            ASSERT_TRUE(StandinClient::Register({10}));
        } else if (c.trouble == Trouble::BusyFromCell) {
            // Nothing was turned away before the busy time began.
            ASSERT_GE(calls.size(), static_cast<std::size_t>(busyCall));
            EXPECT_EQ(TurnedAwayCount(Lines(calls.begin(), calls.begin() + (busyCall - 1))), 0u);
            EXPECT_TRUE(Contains(calls[static_cast<std::size_t>(busyCall) - 1], L"turned away"));
        }
    }
}

TEST_F(ExcelBusyTest, AnExcelTurningAwayEveryCallEndsTheCommandAfterOneSilentPeriodAndOneAnswer) {
    WriteProfile(false);
    excel.Quit();
    ASSERT_TRUE(StandinClient::Register({10}, L"--busy forever"));
    std::vector<ShownMessageBox> boxes = GuardedRun("turned away for ever", Answer::Abbrechen);

    // One question, after one silent period of tries: Abbrechen ends the tries.
    Texts shown;
    for (const ShownMessageBox& box : boxes) shown.push_back(box.text);
    EXPECT_EQ(shown, (Texts{kBusyText, AutomationErrorMessage(kRejected), kClosingText}));
    ExpectRecordFileDeleted();
    ASSERT_TRUE(excel.Connect());
    const Lines calls = excel.Calls();
    EXPECT_EQ(TurnedAwayCount(calls), calls.size()) << "the first call, tried again until Abbrechen";
    EXPECT_GE(static_cast<int>(calls.size()), 2);
    EXPECT_LE(static_cast<int>(calls.size()), MostTriesInOneSilentPeriod());
    const int span = excel.TurnedAwaySpanMs();
    EXPECT_GE(span, static_cast<int>(kSilentPeriodMs) - kTickStepMs) << "asked only after the silent period";
    EXPECT_LT(span, static_cast<int>(2 * kSilentPeriodMs)) << "asked after the first silent period, not a later one";
    EXPECT_EQ(excel.WorkbookCount(), 0);
    EXPECT_EQ(excel.LiveObjects(), 0);

    // The same host process exports again once Excel takes calls.
    excel.BeCalm();
    excel.ResetCalls();
    boxes = GuardedRun("export after Excel took calls again", Answer::Abbrechen);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kClosingText);
    EXPECT_EQ(excel.SheetCells(1, 1).size(), 2u * kRecords);
    EXPECT_EQ(excel.Cell(1, 1, L"B6"), L"Teil 6");
    EXPECT_EQ(TurnedAwayCount(excel.Calls()), 0u);
    EXPECT_EQ(excel.LiveObjects(), 0);
}

}  // namespace
}  // namespace exl::test
