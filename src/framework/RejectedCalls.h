#pragma once
// A busy automation server turns calls away without carrying them out, and expects
// the same call again later. The one place that invokes (Automation.cpp) retries
// such a call at a growing pace; after each silent period it asks whoever set the
// question whether to go on.
//
// COM would call a client's IMessageFilter::RetryRejectedCall instead, but Wine
// never does, and registering a filter would replace the host's for the length of
// the command: so the retry lives here, keyed on the statuses alone.
#include <windows.h>

#include <functional>

namespace exl {

// "Busy, the call was ignored", as Excel answers while it shows a dialog; the
// platform headers do not name it.
constexpr HRESULT kVbaIgnore = static_cast<HRESULT>(0x800AC472);

// RPC_E_CALL_REJECTED, RPC_E_SERVERCALL_RETRYLATER or kVbaIgnore: the server did not
// carry the call out and wants it again. Every other status is a failure.
bool IsRejectedCall(HRESULT status);

// The pace of the retries: the pause grows from the first to the longest, and
// after the silent period of a call being turned away the question is asked.
constexpr DWORD kFirstRetryPauseMs = 50;
constexpr DWORD kLongestRetryPauseMs = 500;
constexpr DWORD kSilentPeriodMs = 5000;

// Gets the last status a call was turned away with; answers true to retry for
// another silent period, false to give up.
using RejectedCallQuestion = std::function<bool(HRESULT lastStatus)>;

// Sets the question for the lifetime of the holder and puts the previous one back.
// With none set, a call gives up after its first silent period.
class ScopedRejectedCallQuestion {
public:
    explicit ScopedRejectedCallQuestion(RejectedCallQuestion question);
    ~ScopedRejectedCallQuestion();
    ScopedRejectedCallQuestion(const ScopedRejectedCallQuestion&) = delete;
    ScopedRejectedCallQuestion& operator=(const ScopedRejectedCallQuestion&) = delete;

private:
    RejectedCallQuestion question_;
    const RejectedCallQuestion* previous_;
};

// The retries of one call. Costs nothing until the first rejection.
class RejectedCallPacer {
public:
    // Waits before the next try of a call turned away with `status`, keeping windows
    // painted (through the UI seam). After each silent period it asks first, and
    // after "go on" the pause starts small again. false: the question said give up,
    // or none is set; nothing was waited.
    bool WaitBeforeRetry(HRESULT status);

private:
    bool rejectedBefore_ = false;
    DWORD periodStart_ = 0;
    DWORD pause_ = kFirstRetryPauseMs;
};

}  // namespace exl
