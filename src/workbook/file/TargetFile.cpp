#include "workbook/file/TargetFile.h"

#include <windows.h>

#include <cwchar>
#include <vector>

#include "framework/Raii.h"
#include "workbook/file/PathFolder.h"

namespace exl::workbook {

namespace {

std::wstring FullPath(const std::wstring& path) {
    const DWORD length = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
    if (length == 0) return path;
    std::vector<wchar_t> full(length);
    const DWORD written = GetFullPathNameW(path.c_str(), length, full.data(), nullptr);
    return written == 0 || written >= length ? path : std::wstring(full.data(), written);
}

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileIdentity(const std::wstring& path, BY_HANDLE_FILE_INFORMATION& information) {
    UniqueHandle file(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.get() != INVALID_HANDLE_VALUE && GetFileInformationByHandle(file.get(), &information);
}

}  // namespace

TargetState ProbeTarget(const std::wstring& path) {
    const std::wstring full = FullPath(path);
    if (!IsFolder(FolderOf(full))) return TargetState::FolderMissing;
    const DWORD attributes = GetFileAttributesW(full.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return TargetState::Absent;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return TargetState::NotAFile;
    // Checked by the attribute: an administrator may write such a file, and under
    // Wine root may, yet the user has marked it as not to be changed.
    if (attributes & FILE_ATTRIBUTE_READONLY) return TargetState::ReadOnly;
    // Opened for writing without sharing: fails while any other program has it open.
    UniqueHandle file(CreateFileW(full.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() != INVALID_HANDLE_VALUE) return TargetState::Present;
    const DWORD error = GetLastError();
    if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) return TargetState::InUse;
    return error == ERROR_ACCESS_DENIED ? TargetState::ReadOnly : TargetState::NotAFile;
}

bool SameFile(const std::wstring& first, const std::wstring& second) {
    if (_wcsicmp(FullPath(first).c_str(), FullPath(second).c_str()) == 0) return true;
    BY_HANDLE_FILE_INFORMATION one{}, other{};
    return FileIdentity(first, one) && FileIdentity(second, other) &&
           one.dwVolumeSerialNumber == other.dwVolumeSerialNumber && one.nFileIndexHigh == other.nFileIndexHigh &&
           one.nFileIndexLow == other.nFileIndexLow;
}

}  // namespace exl::workbook
