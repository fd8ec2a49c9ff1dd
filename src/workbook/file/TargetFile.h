#pragma once
// Whether a workbook can be saved at a path, asked before anything is written.
#include <string>

namespace exl::workbook {

enum class TargetState {
    Absent,         // a new file in an existing folder
    Present,        // a file that can be replaced
    FolderMissing,  // the folder does not exist
    NotAFile,       // a folder or device stands at the path
    ReadOnly,       // a file with the read-only attribute
    InUse,          // a file another program keeps open
};

TargetState ProbeTarget(const std::wstring& path);

// Whether two paths name the same file: the same full path without regard to case,
// or, when both exist, the same file on the same volume (another spelling of the path).
bool SameFile(const std::wstring& first, const std::wstring& second);

}  // namespace exl::workbook
