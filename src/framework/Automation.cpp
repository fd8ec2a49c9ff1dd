#include "framework/Automation.h"

#include <vector>

#include "framework/RejectedCalls.h"
#include "framework/ServerWait.h"

namespace exl {

void AutomationRef::Attach(IDispatch* dispatch, bool autoRelease) {
    Release();
    dispatch_ = dispatch;
    autoRelease_ = autoRelease;
}

void AutomationRef::Release() {
    IDispatch* held = dispatch_;
    // Emptied first: a Release that calls back into the plug-in must not see the pointer.
    dispatch_ = nullptr;
    if (held && autoRelease_) held->Release();
    autoRelease_ = false;
}

namespace {

// The exception information of one Invoke; frees its texts on every path, also when
// a failure other than DISP_E_EXCEPTION came with texts.
struct ExceptionInfo {
    EXCEPINFO info = {};
    ExceptionInfo() = default;
    ExceptionInfo(const ExceptionInfo&) = delete;
    ExceptionInfo& operator=(const ExceptionInfo&) = delete;
    ~ExceptionInfo() { Clear(); }
    void Clear() {
        SysFreeString(info.bstrDescription);
        SysFreeString(info.bstrSource);
        SysFreeString(info.bstrHelpFile);
        info = EXCEPINFO{};
    }
};

[[noreturn]] void RaiseDispatchException(ExceptionInfo& exception) {
    EXCEPINFO& info = exception.info;
    if (info.pfnDeferredFillIn) {
        // The server defers the texts until someone asks for them; asking is our job.
        info.pfnDeferredFillIn(&info);
        info.pfnDeferredFillIn = nullptr;
    }
    COleDispatchException error;
    error.scode = info.scode;
    if (error.scode == 0 && info.wCode != 0) error.scode = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_CONTROL, info.wCode);
    error.description = BstrToAnsi(info.bstrDescription);
    error.source = BstrToAnsi(info.bstrSource);
    error.helpFile = BstrToAnsi(info.bstrHelpFile);
    error.helpContext = info.dwHelpContext;
    throw error;
}

// One call of IDispatch::Invoke; result and exception start empty.
HRESULT InvokeOnce(IDispatch& dispatch, DISPID member, WORD kind, DISPPARAMS& parameters, Variant& result,
                   ExceptionInfo& exception) {
    exception.Clear();
    UINT argumentError = 0;
    return dispatch.Invoke(member, IID_NULL, 0, kind, &parameters, result.Put(), &exception.info, &argumentError);
}

Variant Invoke(const AutomationRef& target, DISPID member, WORD kind, VARTYPE resultType, Arguments arguments,
               const Variant* putValue) {
    IDispatch* dispatch = target.Get();
    if (!dispatch) throw COleException(E_POINTER);

    // DISPPARAMS wants the last argument first; a put's value is the named argument
    // and sits in front of them all. The VARIANTs are shallow copies the server only reads.
    std::vector<VARIANTARG> values;
    values.reserve(arguments.size() + 1);
    if (putValue) values.push_back(putValue->Get());
    for (auto at = arguments.end(); at != arguments.begin();) values.push_back((*--at)->Get());
    DISPID namedPut = DISPID_PROPERTYPUT;
    DISPPARAMS parameters = {};
    parameters.rgvarg = values.empty() ? nullptr : values.data();
    parameters.cArgs = static_cast<UINT>(values.size());
    if (putValue) {
        parameters.rgdispidNamedArgs = &namedPut;
        parameters.cNamedArgs = 1;
    }

    Variant result;
    ExceptionInfo exception;
    HRESULT status = InvokeOnce(*dispatch, member, kind, parameters, result, exception);
    // A busy server did not carry the call out: the same call again, later.
    RejectedCallPacer pacer;
    const bool turnedAway = IsRejectedCall(status);
    while (IsRejectedCall(status)) {
        if (!pacer.WaitBeforeRetry(status)) throw COleException(status);
        status = InvokeOnce(*dispatch, member, kind, parameters, result, exception);
    }
    if (turnedAway) ServerAnswered();
    if (status == DISP_E_EXCEPTION) RaiseDispatchException(exception);
    if (FAILED(status)) throw COleException(status);
    if (resultType != VT_EMPTY) {
        HRESULT coerced = result.ChangeType(resultType);
        if (FAILED(coerced)) throw COleException(coerced);
    }
    return result;
}

}  // namespace

Variant GetProperty(const AutomationRef& target, DISPID member, VARTYPE resultType, Arguments arguments) {
    return Invoke(target, member, DISPATCH_PROPERTYGET, resultType, arguments, nullptr);
}

IDispatch* GetDispatchProperty(const AutomationRef& target, DISPID member, Arguments arguments) {
    return GetProperty(target, member, VT_DISPATCH, arguments).DetachDispatch();
}

std::int32_t GetInt32Property(const AutomationRef& target, DISPID member) {
    return GetProperty(target, member, VT_I4).Get().lVal;
}

void PutProperty(const AutomationRef& target, DISPID member, const Variant& value) {
    Invoke(target, member, DISPATCH_PROPERTYPUT, VT_EMPTY, {}, &value);
}

void CallMethod(const AutomationRef& target, DISPID member, Arguments arguments) {
    Invoke(target, member, DISPATCH_METHOD, VT_EMPTY, arguments, nullptr);
}

IDispatch* CallDispatchMethod(const AutomationRef& target, DISPID member, Arguments arguments) {
    return Invoke(target, member, DISPATCH_METHOD, VT_DISPATCH, arguments, nullptr).DetachDispatch();
}

IDispatch* RequireObject(IDispatch* dispatch) {
    if (!dispatch) throw COleException(E_POINTER);
    return dispatch;
}

}  // namespace exl
