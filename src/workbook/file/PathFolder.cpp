#include "workbook/file/PathFolder.h"

namespace exl::workbook {

std::wstring FolderOf(const std::wstring& path) {
    const std::size_t end = path.find_last_of(L"\\/");
    return end == std::wstring::npos ? std::wstring(L".") : path.substr(0, end + 1);
}

}  // namespace exl::workbook
