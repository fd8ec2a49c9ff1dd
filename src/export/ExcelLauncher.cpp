#include "export/ExcelLauncher.h"

#include <algorithm>

#include "export/ExcelMembers.h"
#include "framework/Raii.h"
#include "framework/Variant.h"

namespace exl {

namespace {

constexpr const char* kCurrentVersionKey = "Excel.Application\\CurVer";
// COM allows a ProgID at most 39 characters; room for them and the end mark.
constexpr DWORD kProgIdBufferSize = 40;

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
    const HRESULT status = GetActive(clsid, &raw);
    // Held at once: a stray object beside a failure is released all the same.
    const UniqueCom<IUnknown> running(raw);
    if (status != S_OK || !running) return nullptr;
    return QueryDispatch(running.get());
}

IDispatch* ExcelLauncher::StartNew(const std::string& progId) {
    Bstr wideProgId(AnsiToBstr(progId));
    CLSID clsid = CLSID_NULL;
    if (FAILED(CLSIDFromProgID(wideProgId.Get(), &clsid))) return nullptr;

    HRESULT status = S_OK;
    // Held at once: a stray object beside a failure is released all the same.
    auto create = [&](DWORD context) {
        IUnknown* raw = nullptr;
        status = CreateInstance(clsid, context, &raw);
        return UniqueCom<IUnknown>(raw);
    };
    UniqueCom<IUnknown> created = create(CLSCTX_ALL);
    if (status == E_INVALIDARG) {
        // Systems without DCOM refuse the remote context as an invalid argument.
        created.reset();
        created = create(CLSCTX_ALL & ~CLSCTX_REMOTE_SERVER);
    }
    if (FAILED(status) || !created) return nullptr;
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

bool ExcelLauncher::IsRegistered(const std::wstring& progId) {
    CLSID clsid = CLSID_NULL;
    const HRESULT status = CLSIDFromProgID(progId.c_str(), &clsid);
    return status != CO_E_CLASSSTRING && status != REGDB_E_CLASSNOTREG;
}

std::string ExcelLauncher::CurrentExcelProgId() {
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, kCurrentVersionKey, 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return {};
    UniqueRegKey key(opened);
    char value[kProgIdBufferSize] = {};
    DWORD type = REG_NONE;
    DWORD size = kProgIdBufferSize;
    // A longer value answers ERROR_MORE_DATA and counts as none.
    if (RegQueryValueExA(key.get(), nullptr, nullptr, &type, reinterpret_cast<BYTE*>(value), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ)
        return {};
    // The stored text need not end in a NUL: only the bytes read count, up to the first NUL.
    const std::string text(value, std::min(size, kProgIdBufferSize));
    return text.substr(0, text.find('\0'));
}

HRESULT ExcelLauncher::GetActive(const CLSID& clsid, IUnknown** running) {
    return GetActiveObject(clsid, nullptr, running);
}

HRESULT ExcelLauncher::CreateInstance(const CLSID& clsid, DWORD context, IUnknown** created) {
    return CoCreateInstance(clsid, nullptr, context, IID_IUnknown, reinterpret_cast<void**>(created));
}

ExcelLauncher& ExcelLauncher::Platform() {
    static ExcelLauncher platform;
    return platform;
}

}  // namespace exl
