#include "export/ExcelLauncher.h"

#include <memory>

#include "export/ExcelMembers.h"
#include "framework/Variant.h"

namespace exl {

namespace {

struct UnknownReleaser {
    void operator()(IUnknown* unknown) const {
        if (unknown) unknown->Release();
    }
};
using UniqueUnknown = std::unique_ptr<IUnknown, UnknownReleaser>;

IDispatch* QueryDispatch(IUnknown* unknown) {
    IDispatch* dispatch = nullptr;
    if (FAILED(unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) return nullptr;
    return dispatch;
}

}  // namespace

IDispatch* ExcelLauncher::AttachRunning(const std::wstring& progId) {
    CLSID clsid = CLSID_NULL;
    if (FAILED(CLSIDFromProgID(progId.c_str(), &clsid))) return nullptr;
    IUnknown* raw = nullptr;
    if (GetActiveObject(clsid, nullptr, &raw) != S_OK) {
        if (raw) raw->Release();
        return nullptr;
    }
    UniqueUnknown running(raw);
    return running ? QueryDispatch(running.get()) : nullptr;
}

IDispatch* ExcelLauncher::StartNew(const std::string& progId) {
    Bstr wideProgId(AnsiToBstr(progId));
    CLSID clsid = CLSID_NULL;
    if (FAILED(CLSIDFromProgID(wideProgId.Get(), &clsid))) return nullptr;

    IUnknown* raw = nullptr;
    HRESULT status = CoCreateInstance(clsid, nullptr, CLSCTX_ALL, IID_IUnknown, reinterpret_cast<void**>(&raw));
    if (status == E_INVALIDARG) {
        // Systems without DCOM refuse the remote context as an invalid argument.
        status = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                                  IID_IUnknown, reinterpret_cast<void**>(&raw));
    }
    UniqueUnknown created(SUCCEEDED(status) ? raw : nullptr);
    if (!created) return nullptr;
    if (FAILED(OleRun(created.get()))) return nullptr;
    return QueryDispatch(created.get());
}

void ExcelLauncher::RaiseMainWindow() {
    HWND window = FindWindowA(excel::kMainWindowClass, nullptr);
    if (!window) return;
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    BringWindowToTop(window);
}

ExcelLauncher& ExcelLauncher::Platform() {
    static ExcelLauncher platform;
    return platform;
}

}  // namespace exl
