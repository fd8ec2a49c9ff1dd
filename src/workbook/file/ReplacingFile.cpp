#include "workbook/file/ReplacingFile.h"

#include "workbook/file/PathFolder.h"

namespace exl::workbook {

namespace {

constexpr const wchar_t* kTemporaryPrefix = L"exl";

}  // namespace

ReplacingFile::~ReplacingFile() { Discard(); }

bool ReplacingFile::Create(const std::wstring& target) {
    Discard();
    target_ = target;
    wchar_t name[MAX_PATH];
    // Makes the file under a name of its own; a second writer gets another name.
    if (!GetTempFileNameW(FolderOf(target).c_str(), kTemporaryPrefix, 0, name)) return false;
    temporary_ = name;
    file_.reset(CreateFileW(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file_.get() != INVALID_HANDLE_VALUE) return true;
    Discard();
    return false;
}

bool ReplacingFile::Commit() {
    if (temporary_.empty()) return false;
    // On the disk before it takes the target's name: after a power loss the target is
    // the old file or the whole new one, never an empty or partial one.
    if (!FlushFileBuffers(file_.get())) {
        Discard();
        return false;
    }
    file_.reset();
    const bool moved = MoveFileExW(temporary_.c_str(), target_.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
    if (moved) temporary_.clear();
    Discard();
    return moved;
}

void ReplacingFile::Discard() {
    file_.reset();
    if (!temporary_.empty()) DeleteFileW(temporary_.c_str());
    temporary_.clear();
}

}  // namespace exl::workbook
