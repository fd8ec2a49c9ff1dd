// The progress window in whole runs: a slow Excel shows it and Abbrechen stops the
// writing; a fast export never shows it.
#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <memory>

#include "Drawing.h"
#include "ExportFixture.h"
#include "Screenshot.h"
#include "UserInput.h"
#include "export/progress/TransferProgress.h"
#include "framework/Dialog.h"
#include "resource.h"

namespace exl::test {
namespace {

constexpr int kRecords = 300;
constexpr int kMsPerCall = 20;
// Long enough for the window to come up and move on between two pictures.
constexpr DWORD kBetweenPicturesMs = 700;

std::string ProgressTitle() { return ToAnsi("Übergabe nach Excel"); }
std::string StoppedText() {
    return ToAnsi("Die Übergabe nach Excel wurde abgebrochen. Was bis dahin übertragen wurde, bleibt in Excel stehen.");
}
std::string ClosingText() { return ToAnsi("Die Übergabe nach Excel ist abgeschlossen."); }

// When this thread's top-level windows are shown and destroyed while the holder lives.
class WindowEvents {
public:
    struct Event {
        DWORD tick;
        bool shown;  // else destroyed
        std::string title;
    };
    WindowEvents() : hook_(SetWindowsHookExA(WH_CALLWNDPROC, &Record, nullptr, GetCurrentThreadId())) {
        current_ = this;
    }
    ~WindowEvents() {
        UnhookWindowsHookEx(hook_);
        current_ = nullptr;
    }
    // The first or last event of the kind for the title; nullptr when there is none.
    const Event* First(bool shown, const std::string& title) const {
        auto found = std::find_if(events_.begin(), events_.end(),
                                  [&](const Event& e) { return e.shown == shown && e.title == title; });
        return found == events_.end() ? nullptr : &*found;
    }
    const Event* Last(bool shown, const std::string& title) const {
        auto found = std::find_if(events_.rbegin(), events_.rend(),
                                  [&](const Event& e) { return e.shown == shown && e.title == title; });
        return found == events_.rend() ? nullptr : &*found;
    }

private:
    static LRESULT CALLBACK Record(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
        const bool shown = call->message == WM_SHOWWINDOW && call->wParam;
        const bool topLevel = (GetWindowLongA(call->hwnd, GWL_STYLE) & WS_CHILD) == 0;
        if (code == HC_ACTION && current_ && topLevel && (shown || call->message == WM_DESTROY))
            current_->events_.push_back({GetTickCount(), shown, WindowText(call->hwnd)});
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline WindowEvents* current_ = nullptr;
    HHOOK hook_;
    std::vector<Event> events_;
};

// The window may show only once the writing has lasted half a second, and the
// writing starts after the export dialog is gone. Tick counts of one clock.
void ExpectShownNoSoonerThanTheDelay(const WindowEvents& events) {
    const WindowEvents::Event* dialogGone = events.First(false, kExportTitle);
    const WindowEvents::Event* progress = events.First(true, ProgressTitle());
    ASSERT_NE(dialogGone, nullptr);
    if (progress) {
        EXPECT_GE(progress->tick - dialogGone->tick, TransferProgress::kShowAfterMs);
    }
}

// The stand-in's own channel for the script's thread, which has an apartment of its own.
class ScriptExcel {
public:
    ScriptExcel() {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        client_ = std::make_unique<standin::StandinClient>();
    }
    ~ScriptExcel() {
        client_.reset();
        CoUninitialize();
    }
    standin::StandinClient& operator*() { return *client_; }

private:
    std::unique_ptr<standin::StandinClient> client_;
};

// What the window shows at one moment.
struct Seen {
    std::string text;
    int bar = -1;
    bool textWhole = false;
    bool titleWhole = false;
};

Seen Look(UiDriver& ui, HWND window, const std::string& picture) {
    Seen seen;
    seen.text = ui.Text(window, IDC_PROGRESS_TEXT);
    seen.bar = static_cast<int>(SendMessageA(GetDlgItem(window, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0));
    seen.textWhole = TextShowsWhole(GetDlgItem(window, IDC_PROGRESS_TEXT)) &&
                     TextShowsWhole(GetDlgItem(window, IDCANCEL));
    seen.titleWhole = TitleShowsWhole(window);
    EXPECT_TRUE(SaveWindowImage(window, ScreenshotDir() + "\\" + picture));
    return seen;
}

class ProgressTest : public ExportFixture {
protected:
    // One table: "Pos" in A and "Benennung" in B under headings from row 1; every
    // third object has neither, so blocks come in runs of two.
    void WriteSlowExport(bool blocks) {
        const std::string profile = scratch.File("exl\\lang.exl");
        WriteFile(profile, std::string("[Datei]\r\nTabelle=1\r\n") + (blocks ? "Blockweise=1\r\n" : "") +
                               "[Tabelle 1]\r\nBlatt=1\r\nKopfzeile=1\r\nStartzeile=2\r\nAnzahl=2\r\n"
                               "Feld_1=Pos\r\nSpalte_1=A\r\nSpaltenkopf_1=Pos\r\n"
                               "Feld_2=Benennung\r\nSpalte_2=B\r\nSpaltenkopf_2=Benennung\r\n");
        WriteSettings("[Excel]\r\nVorlage=" + profile + "\r\nVersion=10\r\n");
        std::string result;
        for (int n = 1; n <= kRecords; ++n)
            result += n % 3 == 0 ? "\r\n\r\n" : std::to_string(n) + "\r\nTeil " + std::to_string(n) + "\r\n";
        AnswerQueriesWith(result);
    }
    // Every cell in the order it is written, as the stand-in lists a cell.
    static std::vector<std::wstring> CellsInWritingOrder() {
        std::vector<std::wstring> cells;
        for (const wchar_t* column : {L"A", L"B"}) {
            const bool first = column[0] == L'A';
            cells.push_back(std::wstring(column) + L"1 text \"" + (first ? L"Pos" : L"Benennung") + L"\"");
            // Positions are whole numbers and stay numbers; names are texts.
            for (int n = 1; n <= kRecords; ++n)
                if (n % 3 != 0)
                    cells.push_back(std::wstring(column) + std::to_wstring(n + 1) +
                                    (first ? L" number " + std::to_wstring(n) : L" text \"Teil " + std::to_wstring(n) + L"\""));
        }
        return cells;
    }
};

TEST_F(ProgressTest, ASlowExcelShowsTheWindowAndAbbrechenStopsAtTheCellInProgress) {
    for (bool blocks : {false, true}) {
        SCOPED_TRACE(blocks ? "blocks" : "cell by cell");
        WriteSlowExport(blocks);
        ASSERT_TRUE(standin::StandinClient::Register({10}));
        ASSERT_TRUE(excel.StartRunning(10));
        excel.SetCallDelay(kMsPerCall);
        excel.ResetCalls();
        host.ClearRequests();
        const std::string mode = blocks ? "blocks" : "cells";
        Seen first, second;
        int callsAtStop = -1;
        std::vector<ShownMessageBox> boxes;
        WindowEvents events;
        const std::int16_t result = Run([&](UiDriver& ui) {
            ScriptExcel watcher;
            ui.Click(ui.WaitForWindow(kExportTitle), IDOK);
            HWND window = ui.WaitForWindow(ProgressTitle());
            first = Look(ui, window, "progress-" + mode + "-1.bmp");
            Sleep(kBetweenPicturesMs);
            second = Look(ui, window, "progress-" + mode + "-2.bmp");
            // A click through the input queue, which COM's wait for Excel leaves queued,
            // on Windows as here: only the check between cells can take it. Given, then
            // counted: the count is at least the calls made when it arrived.
            EXPECT_TRUE(ClickWithMouse(GetDlgItem(window, IDCANCEL)));
            callsAtStop = (*watcher).CallCount();
            for (int box = 0; box < 2; ++box) {
                boxes.push_back(ui.WaitForMessageBox());
                ui.Answer(boxes.back(), IDOK);
            }
        });
        EXPECT_EQ(result, 0);
        EXPECT_NE(events.First(true, ProgressTitle()), nullptr);
        ExpectShownNoSoonerThanTheDelay(events);
        EXPECT_EQ(FindWindowA(nullptr, ProgressTitle().c_str()), nullptr) << "the window is gone";

        EXPECT_TRUE(first.textWhole && second.textWhole && first.titleWhole);
        EXPECT_EQ(first.text.rfind("Tabelle 1 von 1, Feld ", 0), 0u) << first.text;
        EXPECT_NE(first.text, second.text);
        EXPECT_LT(first.bar, second.bar);
        EXPECT_GT(first.bar, 0);

        ASSERT_EQ(boxes.size(), 2u);
        EXPECT_EQ(boxes[0].text, StoppedText());
        EXPECT_EQ(boxes[0].caption, "Excel-Kopplung");
        EXPECT_EQ(boxes[1].text, ClosingText());

        excel.SetCallDelay(0);
        // The cell or block in progress is finished, and nothing is begun after it.
        const std::vector<std::wstring> calls = excel.Calls();
        ASSERT_FALSE(calls.empty());
        EXPECT_EQ(calls.back().rfind(L"Range.Value2 put", 0), 0u) << testing::PrintToString(calls.back());
        EXPECT_LE(excel.CallCount(), callsAtStop + 3);
        // What was written before stays: the first cells in writing order, exactly.
        std::vector<std::wstring> written = excel.SheetCells(1, 1);
        const std::vector<std::wstring> order = CellsInWritingOrder();
        ASSERT_GT(written.size(), 0u);
        ASSERT_LT(written.size(), order.size());
        std::vector<std::wstring> expected(order.begin(), order.begin() + static_cast<long>(written.size()));
        std::sort(written.begin(), written.end());
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(written, expected);
        EXPECT_EQ(excel.LiveObjects(), 0) << "every reference is released";

        const auto queries = host.RequestsWithCode(kRequestInfoQuery);
        ASSERT_EQ(queries.size(), 1u);
        EXPECT_FALSE(FileExists(queries[0].searchSpecPath)) << "the record file is deleted";
        EXPECT_EQ(TemporaryFiles(), temporaryBefore);
        excel.Quit();
    }
}

// Excel turns every call away from the middle of the writing on: the window says that
// Excel is busy, and Abbrechen ends the wait at once, long before the question that
// the silent period would bring.
TEST_F(ProgressTest, AbbrechenEndsTheWaitForABusyExcel) {
    WriteSlowExport(false);
    ASSERT_TRUE(standin::StandinClient::Register({10}));
    ASSERT_TRUE(excel.StartRunning(10));
    excel.SetCallDelay(kMsPerCall);
    const std::string busyText =
        ToAnsi("Excel ist beschäftigt und nimmt gerade nichts an. Die Übergabe wartet, bis Excel wieder bereit ist.");
    std::string shown;
    DWORD clickedAt = 0, stoppedShownAt = 0;
    std::vector<ShownMessageBox> boxes;
    const std::int16_t result = Run([&](UiDriver& ui) {
        ScriptExcel watcher;
        ui.Click(ui.WaitForWindow(kExportTitle), IDOK);
        HWND window = ui.WaitForWindow(ProgressTitle());
        (*watcher).BeBusy(0, standin::StandinClient::kUntilCalm, RPC_E_CALL_REJECTED);
        for (int poll = 0; poll < 100 && shown != busyText; ++poll, Sleep(50)) shown = ui.Text(window, IDC_PROGRESS_TEXT);
        clickedAt = GetTickCount();
        ui.Click(window, IDCANCEL);
        for (int box = 0; box < 2; ++box) {
            boxes.push_back(ui.WaitForMessageBox());
            if (box == 0) stoppedShownAt = GetTickCount();
            ui.Answer(boxes.back(), IDOK);
        }
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(shown, busyText);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].text, StoppedText()) << "no question after a silent period";
    EXPECT_EQ(boxes[1].text, ClosingText());
    std::printf("[ case ] Abbrechen during the busy wait: the wait ended within %lu ms\n", stoppedShownAt - clickedAt);
    excel.BeCalm();
    excel.SetCallDelay(0);
    EXPECT_EQ(excel.LiveObjects(), 0) << "every reference is released";
    excel.Quit();
}

// In blocks and into an Excel already running, so the writing is short here too:
// cell by cell Wine's COM takes 2 to 4 ms a call, which makes the sample's 63 cells
// (about 190 calls) last near the window's half second, and it then rightly shows.
TEST_F(ProgressTest, TheSampleInBlocksExportsWithoutTheWindow) {
    const std::string profile = scratch.File("exl\\stueckliste.exl");
    ASSERT_TRUE(CopyFileA((SourceDir() + "\\samples\\exl\\stueckliste.exl").c_str(), profile.c_str(), FALSE));
    ASSERT_TRUE(WritePrivateProfileStringA("Datei", "Blockweise", "1", profile.c_str()));
    WriteSettings("[Orvanta]\r\nBaugruppeninfo=1\r\nElementinfo=1\r\n[Excel]\r\nVorlage=" + profile + "\r\n");
    auto drawing = std::make_shared<orvanta::Drawing>();
    std::string error;
    ASSERT_TRUE(drawing->Load(SourceDir() + "\\samples\\zeichnung.txt", error)) << error;
    host.SetInfoQueryHandler(orvanta::DrawingAnswer(drawing));
    ASSERT_TRUE(standin::StandinClient::Register({10}));
    ASSERT_TRUE(excel.StartRunning(10));
    WindowEvents events;
    const std::vector<ShownMessageBox> boxes = RunConfirmed();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ClosingText());
    EXPECT_FALSE(excel.SheetCells(1, 1).empty()) << "the sample was written";
    // Only a machine too busy to write the sample within the delay may show the window,
    // and then no sooner than the delay.
    const WindowEvents::Event* dialogGone = events.First(false, kExportTitle);
    const WindowEvents::Event* closing = events.Last(true, kExportTitle);
    ASSERT_TRUE(dialogGone && closing);
    if (closing->tick - dialogGone->tick < TransferProgress::kShowAfterMs) {
        EXPECT_EQ(events.First(true, ProgressTitle()), nullptr);
    }
    ExpectShownNoSoonerThanTheDelay(events);
}

}  // namespace
}  // namespace exl::test
