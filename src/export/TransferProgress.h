#pragma once
#include <windows.h>

#include <memory>
#include <string>

#include "export/ProgressDialog.h"
#include "export/WriteProgress.h"
#include "framework/ServerWait.h"

namespace exl {

// The progress of the transfer to Excel. The window appears once the writing, or a
// wait for a busy Excel, has taken showAfterMs, so short exports look as before;
// its text and bar follow at most every kRefreshMs. Its messages are handled at
// every cell or block written, so Abbrechen stops the writing at the next one.
//
// For its lifetime it is the thread's server-wait watcher: a wait for a busy Excel
// shows catalogue entry 4-4 and ends at once at Abbrechen. Both stops raise
// StoppedByUser.
class TransferProgress : public WriteProgress, public ServerWaitWatcher {
public:
    static constexpr DWORD kShowAfterMs = 500;
    static constexpr DWORD kRefreshMs = 100;

    explicit TransferProgress(DWORD showAfterMs = kShowAfterMs);

    void Advance(const WritePosition& at) override;
    void WaitForServer(DWORD milliseconds) override;
    void ServerAnswered() override;

private:
    // The clock runs from the first step written or waited.
    void StartClock();
    // Opens the window once its time has come; true while it is up.
    bool WindowUp();
    void Refresh();
    // Handles the window's messages; raises StoppedByUser once the user asked to stop.
    void HandleMessages(bool paintOthers);
    std::string Text() const;
    int BarPosition() const;

    DWORD showAfterMs_;
    ScopedServerWaitWatcher watching_;
    std::unique_ptr<ProgressDialog> dialog_;
    bool windowFailed_ = false;
    bool clockStarted_ = false;
    DWORD startedAt_ = 0;
    DWORD refreshedAt_ = 0;
    bool serverBusy_ = false;
    WritePosition at_;
    // Entries 4-3 and 4-4, read when the window opens rather than ten times a second.
    std::string positionEntry_;
    std::string busyEntry_;
};

}  // namespace exl
