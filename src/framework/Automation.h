#pragma once
// Automation of an out-of-process server by fixed dispatch identifiers, and the
// two automation errors of the system.
#include <windows.h>
#include <oleauto.h>

#include <cstdint>
#include <initializer_list>
#include <string>

#include "framework/Variant.h"

namespace exl {

// Invoke failed with an HRESULT other than DISP_E_EXCEPTION, a result could not be
// coerced to the type asked for, or an operation was asked of an empty reference.
class COleException {
public:
    explicit COleException(HRESULT status) : scode(status) {}
    HRESULT scode;
};

// Invoke failed with DISP_E_EXCEPTION: the exception information the server filled in,
// with its texts in ANSI.
class COleDispatchException {
public:
    HRESULT scode = 0;
    std::string description;
    std::string source;
    std::string helpFile;
    DWORD helpContext = 0;
};

// Holds one IDispatch pointer or none. With the auto-release flag the holder owns the
// pointer: releasing, attaching another pointer and destruction call Release on it.
class AutomationRef {
public:
    AutomationRef() = default;
    ~AutomationRef() { Release(); }
    AutomationRef(const AutomationRef&) = delete;
    AutomationRef& operator=(const AutomationRef&) = delete;

    // Releases the pointer held, then takes this one (nullptr leaves the holder empty).
    void Attach(IDispatch* dispatch, bool autoRelease = true);
    // Calls Release on the held pointer when the flag is set, and empties the holder.
    void Release();
    IDispatch* Get() const { return dispatch_; }
    bool Empty() const { return dispatch_ == nullptr; }

private:
    IDispatch* dispatch_ = nullptr;
    bool autoRelease_ = false;
};

// The arguments of an operation in the order the server names them (Cell1 before
// Cell2); they reach DISPPARAMS in reverse, as IDispatch wants. The values stay the
// caller's.
using Arguments = std::initializer_list<const Variant*>;

// Every helper calls IDispatch::Invoke once, with IID_NULL and locale 0, on the held
// pointer, and again with the same arguments while a busy server turns the call away
// (see RejectedCalls.h); a call given up raises COleException with the last of those
// statuses. Failures raise:
// - COleDispatchException for DISP_E_EXCEPTION, after the server's deferred fill-in
//   has run; an scode of 0 beside a nonzero wCode becomes the FACILITY_CONTROL code
//   of that wCode, so the error never reads as success;
// - COleException with the HRESULT for any other failure, and with the coercion's
//   status when the result does not convert to the type asked for;
// - COleException(E_POINTER) for an empty reference, without any call.

// Property get whose result is coerced to resultType (VT_EMPTY: the result as it came).
Variant GetProperty(const AutomationRef& target, DISPID member, VARTYPE resultType, Arguments arguments = {});
// Property get of an object: the IDispatch, owned by the caller, or nullptr when the
// server answered with no object.
IDispatch* GetDispatchProperty(const AutomationRef& target, DISPID member, Arguments arguments = {});
// Property get of a 32-bit signed number (VT_I4).
std::int32_t GetInt32Property(const AutomationRef& target, DISPID member);
// Property put: the value goes as the single named argument DISPID_PROPERTYPUT.
void PutProperty(const AutomationRef& target, DISPID member, const Variant& value);
// Method call whose result, if any, is discarded.
void CallMethod(const AutomationRef& target, DISPID member, Arguments arguments = {});
// Method call that answers an object: owned by the caller, nullptr for no object.
IDispatch* CallDispatchMethod(const AutomationRef& target, DISPID member, Arguments arguments = {});

// For operations that must answer an object: the pointer itself, or COleException(E_POINTER)
// when the server answered with no object.
IDispatch* RequireObject(IDispatch* dispatch);

}  // namespace exl
