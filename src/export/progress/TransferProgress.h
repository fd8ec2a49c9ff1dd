#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "export/progress/ProgressDialog.h"
#include "export/progress/StoppedByUser.h"
#include "export/progress/WriteProgress.h"
#include "framework/ServerWait.h"

namespace exl {

// The progress of the transfer to Excel. The window appears once the writing, or a
// wait for a busy Excel, has taken showAfterMs, so short exports look as before;
// its text and bar follow at most every kRefreshMs. Its input is handled at every
// cell or block written, so Abbrechen stops the writing at the next one.
//
// Its clock is the UI seam's (framework/UiSeam.h), as the retry's is, so tests drive it.
//
// For its lifetime it is the thread's server-wait watcher: a wait for a busy Excel
// shows catalogue entry 4-4 and ends at once at Abbrechen. Both stops raise
// StoppedByUser.
class TransferProgress : public WriteProgress, public ServerWaitWatcher {
public:
    static constexpr DWORD kShowAfterMs = 500;
    // Five times a second: each change costs a few server round trips under Wine.
    static constexpr DWORD kRefreshMs = 200;
    // How often the window's messages are handled while a file is written.
    static constexpr DWORD kFileMessagesMs = 100;

    // What a step of the writer is.
    enum class Steps {
        // A call to Excel, in whose wait COM paints the window (an Excel in this
        // process has no wait: its window is painted at each refresh): its input is
        // handled at every step, so Abbrechen stops at the next cell.
        ExcelCalls,
        // A row of a file, made in microseconds without a wait: every message of the
        // window, paint included, is handled at most every kFileMessagesMs.
        FileRows,
    };

    explicit TransferProgress(Steps steps = Steps::ExcelCalls, DWORD showAfterMs = kShowAfterMs);

    void Advance(const WritePosition& at) override;
    void WaitForServer(DWORD milliseconds) override;
    void ServerAnswered() override;

private:
    // The clock runs from the first step written or waited.
    void StartClock();
    // Opens the window once its time has come; true while it is up.
    bool WindowUp();
    void Refresh();
    // Raises StoppedByUser once the user asked to stop.
    void StopIfAsked();
    std::string Text() const;
    int BarPosition() const;

    Steps steps_;
    DWORD showAfterMs_;
    ScopedServerWaitWatcher watching_;
    std::unique_ptr<ProgressDialog> dialog_;
    bool windowFailed_ = false;
    bool clockStarted_ = false;
    DWORD startedAt_ = 0;
    DWORD refreshedAt_ = 0;
    DWORD handledAt_ = 0;
    bool serverBusy_ = false;
    WritePosition at_;
    // Entries 4-3 (4-5 for rows), read when the window opens, and 4-4, at the first
    // wait: once, not at every refresh.
    std::string positionEntry_;
    std::string busyEntry_;
};

}  // namespace exl
