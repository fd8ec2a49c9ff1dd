#pragma once
// Calling IDispatch members by DISPID from tests, with the argument shapes the
// plug-in uses, and holders that release what a call returns.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <vector>

#include "Variants.h"

namespace exl::test {

// Owns one IDispatch reference.
class DispatchPtr {
public:
    explicit DispatchPtr(IDispatch* dispatch = nullptr) : dispatch_(dispatch) {}
    ~DispatchPtr() { Reset(); }
    DispatchPtr(DispatchPtr&& other) noexcept : dispatch_(other.dispatch_) { other.dispatch_ = nullptr; }
    DispatchPtr& operator=(DispatchPtr&& other) noexcept;
    DispatchPtr(const DispatchPtr&) = delete;
    DispatchPtr& operator=(const DispatchPtr&) = delete;

    IDispatch* Get() const { return dispatch_; }
    explicit operator bool() const { return dispatch_ != nullptr; }
    void Reset();

private:
    IDispatch* dispatch_;
};

// What one Invoke answered; frees its variant and exception texts.
struct CallResult {
    HRESULT status = E_FAIL;
    VARIANT value;
    EXCEPINFO exception;

    CallResult();
    ~CallResult();
    CallResult(CallResult&& other) noexcept;
    CallResult(const CallResult&) = delete;
    CallResult& operator=(const CallResult&) = delete;

    std::wstring Description() const;
    std::wstring Source() const;
    // The returned object, owned by the caller (empty unless the value is VT_DISPATCH).
    DispatchPtr TakeObject();
};

// Invoke with IID_NULL and locale 0; a property put passes its value (the last of
// args) as the named argument DISPID_PROPERTYPUT. The args are cleared afterwards.
CallResult Invoke(IDispatch* object, DISPID id, WORD flags, std::vector<VARIANT> args = {});
// A property get or method that must succeed with an object.
DispatchPtr GetObject(IDispatch* object, DISPID id, std::vector<VARIANT> args = {}, WORD flags = DISPATCH_PROPERTYGET);

// Short names for the argument shapes, as tests spell them.
inline VARIANT Bstr(const std::wstring& text) { return standin::TextVariant(text); }
inline VARIANT I2(short value) { return standin::ShortVariant(value); }
inline VARIANT I4(long value) { return standin::LongVariant(value); }
inline VARIANT Bool(bool value) { return standin::BoolVariant(value); }
inline VARIANT Missing() { return standin::MissingVariant(); }

}  // namespace exl::test
