#include "framework/Automation.h"

#include <utility>
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

AutomationRef::AutomationRef(AutomationRef&& other) noexcept
    : dispatch_(other.dispatch_), autoRelease_(other.autoRelease_) {
    other.dispatch_ = nullptr;
    other.autoRelease_ = false;
}

AutomationRef& AutomationRef::operator=(AutomationRef&& other) noexcept {
    if (this != &other) {
        Release();
        dispatch_ = other.dispatch_;
        autoRelease_ = other.autoRelease_;
        other.dispatch_ = nullptr;
        other.autoRelease_ = false;
    }
    return *this;
}

ExceptionInfo::ExceptionInfo(ExceptionInfo&& other) noexcept : info(other.info) { other.info = EXCEPINFO{}; }

ExceptionInfo& ExceptionInfo::operator=(ExceptionInfo&& other) noexcept {
    if (this != &other) {
        Clear();
        info = other.info;
        other.info = EXCEPINFO{};
    }
    return *this;
}

void ExceptionInfo::Clear() {
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrHelpFile);
    info = EXCEPINFO{};
}

InvokeAnswer InvokeOnce(const AutomationRef& target, DISPID member, WORD kind, Arguments arguments,
                        const Variant* putValue) {
    InvokeAnswer answer;
    IDispatch* dispatch = target.Get();
    if (!dispatch) return answer;
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
    UINT argumentError = 0;
    answer.status = dispatch->Invoke(member, IID_NULL, 0, kind, &parameters, answer.result.Put(),
                                     &answer.exception.info, &argumentError);
    return answer;
}

namespace {

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

Variant Invoke(const AutomationRef& target, DISPID member, WORD kind, VARTYPE resultType, Arguments arguments,
               const Variant* putValue) {
    if (target.Empty()) throw COleException(E_POINTER);
    InvokeAnswer answer = InvokeOnce(target, member, kind, arguments, putValue);
    // A busy server did not carry the call out: the same call again, later.
    RejectedCallPacer pacer;
    const bool turnedAway = IsRejectedCall(answer.status);
    while (IsRejectedCall(answer.status)) {
        if (!pacer.WaitBeforeRetry(answer.status)) throw COleException(answer.status);
        answer = InvokeOnce(target, member, kind, arguments, putValue);
    }
    if (turnedAway) ServerAnswered();
    if (answer.status == DISP_E_EXCEPTION) RaiseDispatchException(answer.exception);
    if (FAILED(answer.status)) throw COleException(answer.status);
    if (resultType != VT_EMPTY) {
        HRESULT coerced = answer.result.ChangeType(resultType);
        if (FAILED(coerced)) throw COleException(coerced);
    }
    return std::move(answer.result);
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

Variant CallMethod(const AutomationRef& target, DISPID member, Arguments arguments) {
    return Invoke(target, member, DISPATCH_METHOD, VT_EMPTY, arguments, nullptr);
}

IDispatch* CallDispatchMethod(const AutomationRef& target, DISPID member, Arguments arguments) {
    return Invoke(target, member, DISPATCH_METHOD, VT_DISPATCH, arguments, nullptr).DetachDispatch();
}

DISPID MemberId(const AutomationRef& target, const std::string& name) {
    IDispatch* dispatch = target.Get();
    if (!dispatch) throw COleException(E_POINTER);
    Bstr wide(AnsiToBstr(name));
    LPOLESTR names[] = {wide.Get()};
    DISPID member = DISPID_UNKNOWN;
    const HRESULT status = dispatch->GetIDsOfNames(IID_NULL, names, 1, 0, &member);
    if (FAILED(status)) throw COleException(status);
    return member;
}

IDispatch* RequireObject(IDispatch* dispatch) {
    if (!dispatch) throw COleException(E_POINTER);
    return dispatch;
}

}  // namespace exl
