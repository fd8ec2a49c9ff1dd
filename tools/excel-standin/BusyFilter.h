#pragma once
// The stand-in's message filter, which COM asks before it runs any incoming call.
// While the busy plan turns calls away with RPC_E_CALL_REJECTED it refuses the
// Invokes on Excel objects, as Excel's own filter does: the client gets
// RPC_E_CALL_REJECTED and the call never runs. The calls that attach a client and
// count its references (IRemUnknown) and the control's calls always pass.
// Owned by its host, not by COM; the host registers it for a server process only.
#include <windows.h>
#include <objidl.h>

#include "StandinState.h"

namespace exl::standin {

class BusyFilter : public IMessageFilter {
public:
    explicit BusyFilter(StandinState& state) : state_(state) {}

    STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
    STDMETHODIMP_(ULONG) AddRef() override { return 2; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP_(DWORD) HandleInComingCall(DWORD callType, HTASK caller, DWORD tickCount,
                                            LPINTERFACEINFO call) override;
    // The server never calls out, so these are never asked; the platform's defaults.
    STDMETHODIMP_(DWORD) RetryRejectedCall(HTASK callee, DWORD tickCount, DWORD rejectType) override;
    STDMETHODIMP_(DWORD) MessagePending(HTASK callee, DWORD tickCount, DWORD pendingType) override;

private:
    StandinState& state_;
};

}  // namespace exl::standin
