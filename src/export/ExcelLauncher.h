#pragma once
// The platform steps that reach an Excel Application object and raise Excel's
// window. ExcelConnection uses the platform's; unit tests put in-process fakes here.
#include <windows.h>
#include <oaidl.h>

#include <string>

namespace exl {

class ExcelLauncher {
public:
    virtual ~ExcelLauncher() = default;

    // The instance of the ProgID's class registered in the running-object table,
    // queried for IDispatch (owned by the caller). nullptr when the class lookup fails,
    // none runs, or the running object does not answer the IDispatch query.
    virtual IDispatch* AttachRunning(const std::wstring& progId);
    // A new instance from the ANSI ProgID: class lookup, CoCreateInstance for IUnknown
    // with the in-process, handler, local and remote contexts (once more without the
    // remote context when that answers E_INVALIDARG), OleRun, the IDispatch query.
    // The IDispatch (owned by the caller) when all of them succeed, else nullptr.
    virtual IDispatch* StartNew(const std::string& progId);
    // The top-level window of class "XLMAIN", if any: shown normally, updated and
    // brought to the top.
    virtual void RaiseMainWindow();

    static ExcelLauncher& Platform();

protected:
    // The two COM calls underneath, so tests can see the contexts asked for and put
    // in objects of their own: GetActiveObject and CoCreateInstance for IUnknown.
    virtual HRESULT GetActive(const CLSID& clsid, IUnknown** running);
    virtual HRESULT CreateInstance(const CLSID& clsid, DWORD context, IUnknown** created);
};

}  // namespace exl
