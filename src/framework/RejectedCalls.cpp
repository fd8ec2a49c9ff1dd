#include "framework/RejectedCalls.h"

#include <algorithm>

#include "framework/Application.h"
#include "framework/ServerWait.h"
#include "framework/UiSeam.h"

namespace exl {

namespace {

bool AskToGoOn(HRESULT lastStatus) {
    const RejectedCallQuestion* question = Application::Instance().RetryQuestion();
    return question && *question && (*question)(lastStatus);
}

}  // namespace

bool IsRejectedCall(HRESULT status) {
    return status == RPC_E_CALL_REJECTED || status == RPC_E_SERVERCALL_RETRYLATER || status == kVbaIgnore;
}

ScopedRejectedCallQuestion::ScopedRejectedCallQuestion(RejectedCallQuestion question)
    : question_(std::move(question)), previous_(Application::Instance().ReplaceRetryQuestion(&question_)) {}

ScopedRejectedCallQuestion::~ScopedRejectedCallQuestion() { Application::Instance().ReplaceRetryQuestion(previous_); }

bool RejectedCallPacer::WaitBeforeRetry(HRESULT status) {
    UiSeam& ui = Application::Instance().Ui();
    if (!rejectedBefore_) {
        rejectedBefore_ = true;
        periodStart_ = ui.TickCount();
    } else if (ui.TickCount() - periodStart_ >= kSilentPeriodMs) {
        if (!AskToGoOn(status)) return false;
        // The user has just finished typing or closed the dialog: try again soon.
        periodStart_ = ui.TickCount();
        pause_ = kFirstRetryPauseMs;
    }
    // The application's watcher shows the wait and may stop it (StoppedByUser); its
    // window's clicks are taken here, between the pauses, so a stop waits one pause at most.
    WaitForServer(0);
    ui.PauseKeepingWindowsPainted(pause_);
    pause_ = std::min(pause_ * 2, kLongestRetryPauseMs);
    return true;
}

}  // namespace exl
