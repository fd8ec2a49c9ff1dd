#include "Registration.h"

#include <windows.h>
#include <objbase.h>

#include <algorithm>

#include "StandinIds.h"

namespace exl::standin {
namespace {

std::wstring ClsidText(const CLSID& clsid) {
    wchar_t text[40] = {};
    StringFromGUID2(clsid, text, 40);
    return text;
}

std::wstring ProgId(int version) { return L"Excel.Application." + std::to_wstring(version); }

bool SetValue(const std::wstring& key, const std::wstring& value) {
    HKEY handle = nullptr;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) !=
        ERROR_SUCCESS)
        return false;
    LONG status = RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                                 static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
    return status == ERROR_SUCCESS;
}

// RegDeleteTree needs Vista; the subkeys go first, one by one.
bool DeleteTree(HKEY parent, const std::wstring& key) {
    HKEY handle = nullptr;
    LONG status = RegOpenKeyExW(parent, key.c_str(), 0, KEY_READ | KEY_WRITE, &handle);
    if (status == ERROR_FILE_NOT_FOUND) return true;
    if (status != ERROR_SUCCESS) return false;
    wchar_t name[256];
    for (;;) {
        DWORD length = 256;
        if (RegEnumKeyExW(handle, 0, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        if (!DeleteTree(handle, name)) {
            RegCloseKey(handle);
            return false;
        }
    }
    RegCloseKey(handle);
    return RegDeleteKeyW(parent, key.c_str()) == ERROR_SUCCESS;
}

bool RegisterComClass(const std::wstring& progId, const CLSID& clsid, const std::wstring& title,
                      const std::wstring& command) {
    std::wstring classKey = L"CLSID\\" + ClsidText(clsid);
    return SetValue(progId, title) && SetValue(progId + L"\\CLSID", ClsidText(clsid)) && SetValue(classKey, title) &&
           SetValue(classKey + L"\\ProgID", progId) && SetValue(classKey + L"\\LocalServer32", command);
}

bool UnregisterComClass(const std::wstring& progId, const CLSID& clsid) {
    bool progIdGone = DeleteTree(HKEY_CLASSES_ROOT, progId);
    return DeleteTree(HKEY_CLASSES_ROOT, L"CLSID\\" + ClsidText(clsid)) && progIdGone;
}

std::wstring CurVerKey() { return std::wstring(kVersionIndependentProgId) + L"\\CurVer"; }

bool RegisterVersionIndependent(int newest) {
    const std::wstring key = kVersionIndependentProgId;
    if (newest == 0) return DeleteTree(HKEY_CLASSES_ROOT, key);
    return SetValue(key, L"Microsoft Excel Application") &&
           SetValue(key + L"\\CLSID", ClsidText(*ApplicationClsid(newest))) && SetValue(CurVerKey(), ProgId(newest));
}

}  // namespace

bool RegisterServer(const std::wstring& exePath, const std::vector<int>& versions, const std::wstring& serveOptions) {
    for (int version : versions)
        if (!ApplicationClsid(version)) return false;
    std::wstring quoted = L"\"" + exePath + L"\"";
    bool ok = RegisterComClass(kControlProgId, kClsidControl, L"Excel stand-in control", quoted + L" --control");
    for (int version = kFirstVersion; version <= kLastVersion; ++version) {
        bool wanted = std::find(versions.begin(), versions.end(), version) != versions.end();
        ok = (wanted ? RegisterComClass(ProgId(version), *ApplicationClsid(version), L"Microsoft Excel Application",
                                        quoted + L" --serve " + std::to_wstring(version) +
                                            (serveOptions.empty() ? L"" : L" " + serveOptions))
                     : UnregisterComClass(ProgId(version), *ApplicationClsid(version))) &&
             ok;
    }
    const int newest = versions.empty() ? 0 : *std::max_element(versions.begin(), versions.end());
    return RegisterVersionIndependent(newest) && ok;
}

bool UnregisterServer() {
    bool ok = DeleteTree(HKEY_CLASSES_ROOT, kVersionIndependentProgId);
    ok = UnregisterComClass(kControlProgId, kClsidControl) && ok;
    for (int version = kFirstVersion; version <= kLastVersion; ++version)
        ok = UnregisterComClass(ProgId(version), *ApplicationClsid(version)) && ok;
    return ok;
}

bool WriteCurrentVersion(const std::optional<std::wstring>& value) {
    return value ? SetValue(CurVerKey(), *value) : DeleteTree(HKEY_CLASSES_ROOT, CurVerKey());
}

}  // namespace exl::standin
