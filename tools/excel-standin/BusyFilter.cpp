#include "BusyFilter.h"

#include "DispatchObject.h"

namespace exl::standin {
namespace {

// IDispatch::Invoke's place in the interface (after the three of IUnknown,
// GetTypeInfoCount, GetTypeInfo and GetIDsOfNames). The method number may carry
// the RPC runtime's flag bit.
constexpr WORD kInvokeMethod = 6;
constexpr WORD kMethodNumberMask = 0x7FFF;

bool IsInvoke(const INTERFACEINFO& call) {
    return IsEqualIID(call.iid, IID_IDispatch) && (call.wMethod & kMethodNumberMask) == kInvokeMethod;
}

}  // namespace

STDMETHODIMP BusyFilter::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IMessageFilter)) {
        *object = static_cast<IMessageFilter*>(this);
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

STDMETHODIMP_(DWORD) BusyFilter::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO call) {
    if (!call || !IsInvoke(*call)) return SERVERCALL_ISHANDLED;
    const DispatchObject* object = state_.ExcelObjectAt(call->pUnk);
    if (!object) return SERVERCALL_ISHANDLED;
    // The call takes the number Invoke would have given it. Any other busy status is
    // Invoke's to answer, with the call's member in the log.
    CallLog& calls = state_.Calls();
    if (state_.Busy().Answer(calls.Count() + 1) != RPC_E_CALL_REJECTED) return SERVERCALL_ISHANDLED;
    calls.Next();
    // The arguments are not read yet: the line names the object only.
    calls.RecordTurnedAway(object->Kind(), RPC_E_CALL_REJECTED);
    return SERVERCALL_REJECTED;
}

STDMETHODIMP_(DWORD) BusyFilter::RetryRejectedCall(HTASK, DWORD, DWORD) { return static_cast<DWORD>(-1); }

STDMETHODIMP_(DWORD) BusyFilter::MessagePending(HTASK, DWORD, DWORD) { return PENDINGMSG_WAITDEFPROCESS; }

}  // namespace exl::standin
