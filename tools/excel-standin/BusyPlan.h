#pragma once
// When the stand-in turns the calls to its Excel objects away, as Excel does while
// it starts, while the user types in a cell and while it shows a dialog of its own.
// A turned-away call is not carried out; the client is expected to try it again.
#include <windows.h>

// What Excel answers while it is busy: RPC_E_CALL_REJECTED (its message filter
// refuses the call; the stand-in's does the same), RPC_E_SERVERCALL_RETRYLATER, or
// kVbaIgnore from Invoke: the statuses the plug-in's retry knows.
#include "framework/RejectedCalls.h"

namespace exl::standin {

class BusyPlan {
public:
    // A busy time without end: until Calm.
    static constexpr DWORD kUntilCalm = INFINITE;

    // Busy from now for `milliseconds`, turning calls away with `status`.
    void BusyFor(DWORD milliseconds, HRESULT status);
    // Busy for `milliseconds` from the arrival of call `call` (numbered as the call
    // log numbers them), that call included.
    void BusyFromCall(int call, DWORD milliseconds, HRESULT status);
    // Takes every call again; a planned busy time is dropped.
    void Calm() { state_ = State::Calm; }

    // The status that turns call number `call` away now, S_OK when it is taken.
    // Asking for the call a busy time waits for starts that time.
    HRESULT Answer(int call);

private:
    enum class State { Calm, WaitingForCall, Busy };
    void Start(DWORD milliseconds, HRESULT status);

    State state_ = State::Calm;
    int fromCall_ = 0;
    DWORD since_ = 0;
    DWORD milliseconds_ = 0;
    HRESULT status_ = RPC_E_CALL_REJECTED;
};

}  // namespace exl::standin
