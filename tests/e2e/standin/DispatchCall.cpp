#include "DispatchCall.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace exl::test {

DispatchPtr& DispatchPtr::operator=(DispatchPtr&& other) noexcept {
    if (this != &other) {
        Reset();
        dispatch_ = other.dispatch_;
        other.dispatch_ = nullptr;
    }
    return *this;
}

void DispatchPtr::Reset() {
    if (dispatch_) dispatch_->Release();
    dispatch_ = nullptr;
}

CallResult::CallResult() : exception() { VariantInit(&value); }

CallResult::~CallResult() {
    VariantClear(&value);
    SysFreeString(exception.bstrSource);
    SysFreeString(exception.bstrDescription);
    SysFreeString(exception.bstrHelpFile);
}

CallResult::CallResult(CallResult&& other) noexcept
    : status(other.status), value(other.value), exception(other.exception) {
    VariantInit(&other.value);
    other.exception = EXCEPINFO();
}

std::wstring CallResult::Description() const { return exception.bstrDescription ? exception.bstrDescription : L""; }

std::wstring CallResult::Source() const { return exception.bstrSource ? exception.bstrSource : L""; }

DispatchPtr CallResult::TakeObject() {
    if (value.vt != VT_DISPATCH) return DispatchPtr();
    DispatchPtr object(value.pdispVal);
    VariantInit(&value);
    return object;
}

CallResult Invoke(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT> args) {
    CallResult result;
    std::reverse(args.begin(), args.end());  // rgvarg holds the last argument first
    DISPID put = DISPID_PROPERTYPUT;
    bool isPut = (flags & DISPATCH_PROPERTYPUT) != 0;
    DISPPARAMS params{args.empty() ? nullptr : args.data(), isPut ? &put : nullptr, static_cast<UINT>(args.size()),
                      isPut ? 1u : 0u};
    result.status = object->Invoke(id, IID_NULL, 0, flags, &params, &result.value, &result.exception, nullptr);
    for (VARIANT& arg : args) VariantClear(&arg);
    return result;
}

DispatchPtr GetObject(IDispatch* object, DISPID id, std::vector<VARIANT> args, WORD flags) {
    CallResult result = Invoke(object, id, flags, std::move(args));
    EXPECT_EQ(result.status, S_OK) << "DISPID " << id;
    EXPECT_EQ(result.value.vt, VT_DISPATCH) << "DISPID " << id;
    return result.TakeObject();
}

}  // namespace exl::test
