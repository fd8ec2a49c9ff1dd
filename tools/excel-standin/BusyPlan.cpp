#include "BusyPlan.h"

namespace exl::standin {

void BusyPlan::BusyFor(DWORD milliseconds, HRESULT status) { Start(milliseconds, status); }

void BusyPlan::BusyFromCall(int call, DWORD milliseconds, HRESULT status) {
    state_ = State::WaitingForCall;
    fromCall_ = call;
    milliseconds_ = milliseconds;
    status_ = status;
}

void BusyPlan::Start(DWORD milliseconds, HRESULT status) {
    state_ = State::Busy;
    since_ = GetTickCount();
    milliseconds_ = milliseconds;
    status_ = status;
}

HRESULT BusyPlan::Answer(int call) {
    if (state_ == State::WaitingForCall && call >= fromCall_) Start(milliseconds_, status_);
    if (state_ != State::Busy) return S_OK;
    if (milliseconds_ != kUntilCalm && GetTickCount() - since_ >= milliseconds_) {
        state_ = State::Calm;
        return S_OK;
    }
    return status_;
}

}  // namespace exl::standin
