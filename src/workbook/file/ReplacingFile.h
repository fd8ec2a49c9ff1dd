#pragma once
// A file written under a temporary name in the target's folder and moved over the
// target only when it is complete, so a failure at any point leaves the target as
// it was. The temporary file goes with the object unless it has been committed.
#include <windows.h>

#include <string>

#include "framework/Raii.h"

namespace exl::workbook {

class ReplacingFile {
public:
    ReplacingFile() = default;
    ~ReplacingFile();
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Makes the temporary file beside `target`, open for writing. false when the
    // folder takes no new file.
    bool Create(const std::wstring& target);
    HANDLE Handle() const { return file_.get(); }
    // Flushes the temporary file to the disk, closes it and moves it over the target.
    // false when it cannot be flushed or the target cannot be replaced; the temporary
    // file is gone either way.
    bool Commit();

private:
    void Discard();

    std::wstring target_;
    std::wstring temporary_;
    UniqueHandle file_;
};

}  // namespace exl::workbook
