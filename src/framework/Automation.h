#pragma once
// Automation of an out-of-process server by fixed dispatch identifiers, and the
// two automation errors of the system.
#include <windows.h>
#include <oleauto.h>

#include <string>

namespace exl {

// Invoke failed with an HRESULT, or a result could not be coerced.
class COleException {
public:
    explicit COleException(HRESULT status) : scode(status) {}
    HRESULT scode;
};

// Invoke failed with DISP_E_EXCEPTION: the exception information the server filled in.
class COleDispatchException {
public:
    HRESULT scode = 0;
    std::string description;  // ANSI
    std::string source;
    std::string helpFile;
    DWORD helpContext = 0;
};

// Holds one IDispatch pointer or none; attaching releases the pointer held.
class AutomationRef {
public:
    AutomationRef() = default;
    ~AutomationRef() { Release(); }
    AutomationRef(const AutomationRef&) = delete;
    AutomationRef& operator=(const AutomationRef&) = delete;

    void Attach(IDispatch* dispatch, bool autoRelease = true);
    void Release();
    IDispatch* Get() const { return dispatch_; }
    bool Empty() const { return dispatch_ == nullptr; }

private:
    IDispatch* dispatch_ = nullptr;
    bool autoRelease_ = false;
};

}  // namespace exl
