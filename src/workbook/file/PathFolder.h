#pragma once
// The folder part of a Windows path.
#include <string>

namespace exl::workbook {

// Everything up to the last "\" or "/", that one included, so a root ("C:\") stays a
// root; "." for a bare file name. The existence checks and GetTempFileName take it alike.
std::wstring FolderOf(const std::wstring& path);

}  // namespace exl::workbook
