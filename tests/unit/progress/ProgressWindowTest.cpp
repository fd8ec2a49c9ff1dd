// The progress window on its own: its texts at their longest, its owner kept from
// input, and a wait for a busy Excel that Abbrechen ends.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "RecordingUi.h"
#include "Scratch.h"
#include "Screenshot.h"
#include "UiScript.h"
#include "catalogue/MessageCatalogue.h"
#include "export/progress/ProgressDialog.h"
#include "export/progress/TransferProgress.h"
#include "framework/Dialog.h"
#include "framework/ServerWait.h"
#include "resource.h"

namespace exl::test {
namespace {

// A top-level window standing for the host's, counting what is dispatched to it.
class HostWindow {
public:
    HostWindow() {
        window_ = CreateWindowExA(0, "STATIC", "Orvanta", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 400, 300, nullptr,
                                  nullptr, nullptr, nullptr);
        previous_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&HostWindow::Proc)));
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        SetActiveWindow(window_);
    }
    ~HostWindow() { DestroyWindow(window_); }
    HWND Get() const { return window_; }
    int commands = 0;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<HostWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (message == WM_COMMAND) ++self->commands;
        return CallWindowProcA(self->previous_, window, message, wParam, lParam);
    }
    HWND window_;
    WNDPROC previous_;
};

std::string Entry(int section, int key) { return MessageCatalogue::Text(section, key); }

TEST(ProgressWindowTest, TheLongestTextsShowWhole) {
    ScratchDirectory scratch;
    const std::string widest = GroupedNumber(2147483647);
    const struct {
        const char* picture;
        std::string text;
    } cases[] = {
        {"progress-longest.bmp", FillPlaceholders(Entry(4, 3), {"32767", "32767", "32767", "32767", widest, widest})},
        {"progress-rows-longest.bmp", FillPlaceholders(Entry(4, 5), {"32767", "32767", widest, widest})},
        {"progress-busy.bmp", Entry(4, 4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.picture);
        ProgressDialog dialog;
        ASSERT_TRUE(dialog.Open());
        dialog.Show(c.text, ProgressDialog::kBarRange / 3);
        dialog.HandleAllMessages();
        HWND window = dialog.Hwnd();
        EXPECT_EQ(WindowText(window), ToAnsi("Übergabe nach Excel"));
        EXPECT_EQ(WindowText(GetDlgItem(window, IDCANCEL)), "Abbrechen");
        EXPECT_EQ(WindowText(GetDlgItem(window, IDC_PROGRESS_TEXT)), c.text);
        EXPECT_EQ(SendMessageA(GetDlgItem(window, IDC_PROGRESS_BAR), PBM_GETPOS, 0, 0), ProgressDialog::kBarRange / 3);
        EXPECT_TRUE(TitleShowsWhole(window));
        for (int id : {IDC_PROGRESS_TEXT, IDCANCEL}) EXPECT_TRUE(TextShowsWhole(GetDlgItem(window, id))) << id;
        EXPECT_TRUE(SaveWindowImage(window, ScreenshotDir() + "\\" + c.picture));
    }
}

TEST(ProgressWindowTest, TheHostIsKeptFromInputAndItsMessagesWaitUntilTheWindowIsGone) {
    ScratchDirectory scratch;
    HostWindow host;
    {
        ProgressDialog dialog;
        ASSERT_TRUE(dialog.Open());
        EXPECT_EQ(GetWindow(dialog.Hwnd(), GW_OWNER), host.Get());
        EXPECT_FALSE(IsWindowEnabled(host.Get()));
        PostMessageA(host.Get(), WM_COMMAND, 1, 0);
        dialog.HandleInput();
        dialog.HandleAllMessages();
        EXPECT_EQ(host.commands, 0) << "a host command ran while the window was up";
        EXPECT_FALSE(dialog.StopAsked());
    }
    EXPECT_TRUE(IsWindowEnabled(host.Get()));
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, host.Get(), WM_COMMAND, WM_COMMAND, PM_REMOVE)) << "the command stays queued";
    DispatchMessageA(&message);
    EXPECT_EQ(host.commands, 1);
}

// What the retry of a call Excel turned away does; the watcher is the transfer's.
TEST(ProgressWindowTest, ABusyWaitShowsTheNoticeAndAbbrechenEndsItAtOnce) {
    ScratchDirectory scratch;
    constexpr DWORD kLongWait = 60000;
    const std::string title = ToAnsi("Übergabe nach Excel");
    std::string shown;
    bool shownWhole = false;
    UiScript script([&](UiDriver& ui) {
        HWND window = ui.WaitForWindow(title);
        shown = ui.Text(window, IDC_PROGRESS_TEXT);
        shownWhole = TextShowsWhole(GetDlgItem(window, IDC_PROGRESS_TEXT));
        ui.Click(window, IDCANCEL);
    });
    TransferProgress progress(TransferProgress::Steps::ExcelCalls, 0);
    const DWORD start = GetTickCount();
    bool stopped = false;
    try {
        WaitForServer(kLongWait);
    } catch (const StoppedByUser&) {
        stopped = true;
    }
    const DWORD waited = GetTickCount() - start;
    script.Join();
    EXPECT_TRUE(stopped);
    EXPECT_LT(waited, kLongWait) << "the wait ran its whole length";
    EXPECT_EQ(shown, Entry(4, 4));
    EXPECT_TRUE(shownWhole);
}

// A file's rows on the clock of the UI seam, which the test moves: the window comes
// after kShowAfterMs, and its messages, Abbrechen among them, are taken at most every
// kFileMessagesMs, so that a million rows do not each pay for a look at the queue.
TEST(ProgressWindowTest, AFileWritingShowsTheWindowInTimeAndTakesAbbrechenAtTheNextRound) {
    ScratchDirectory scratch;
    RecordingUi ui;
    TransferProgress progress(TransferProgress::Steps::FileRows);
    WritePosition at;
    at.table = at.tables = 1;
    at.records = at.slotsTotal = 1000;
    auto row = [&](std::int64_t number, DWORD later) {
        ui.clock += later;
        at.record = at.slotsDone = number;
        progress.Advance(at);
    };
    const std::string title = ToAnsi("Übergabe nach Excel");
    row(1, 0);
    row(2, TransferProgress::kShowAfterMs - 1);
    EXPECT_EQ(FindWindowA(nullptr, title.c_str()), nullptr) << "the window came before its time";
    row(3, 1);
    HWND window = FindWindowA(nullptr, title.c_str());
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(WindowText(GetDlgItem(window, IDC_PROGRESS_TEXT)), FillPlaceholders(Entry(4, 5), {"1", "1", "3", "1.000"}));
    PostMessageA(GetDlgItem(window, IDCANCEL), BM_CLICK, 0, 0);
    row(4, TransferProgress::kFileMessagesMs - 1);
    EXPECT_THROW(row(5, 1), StoppedByUser);
    EXPECT_TRUE(ui.boxes.empty());
}

}  // namespace
}  // namespace exl::test
