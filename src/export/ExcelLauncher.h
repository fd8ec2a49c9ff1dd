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
    // false only when the class lookup finds no such ProgID; any other failure of
    // the lookup is left to the attach and start steps.
    virtual bool IsRegistered(const std::wstring& progId);
    // The default value of HKEY_CLASSES_ROOT\Excel.Application\CurVer, where every
    // Excel since 2003 names its versioned ProgID ("Excel.Application.16"). "" when
    // the key or value is missing, is no text, or is longer than a ProgID may be.
    virtual std::string CurrentExcelProgId();

    static ExcelLauncher& Platform();

protected:
    // The two COM calls underneath, so tests can see the contexts asked for and put
    // in objects of their own: GetActiveObject and CoCreateInstance for IUnknown.
    virtual HRESULT GetActive(const CLSID& clsid, IUnknown** running);
    virtual HRESULT CreateInstance(const CLSID& clsid, DWORD context, IUnknown** created);
};

}  // namespace exl
