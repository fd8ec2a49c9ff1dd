#include "Text.h"

#include <cwchar>
#include <wchar.h>

namespace exl::standin {

std::wstring HexCode(HRESULT code) {
    wchar_t buffer[16];
    std::swprintf(buffer, 16, L"0x%08lX", static_cast<unsigned long>(code));
    return buffer;
}

bool EqualsNoCase(const std::wstring& left, const std::wstring& right) {
    return left.size() == right.size() && _wcsicmp(left.c_str(), right.c_str()) == 0;
}

}  // namespace exl::standin
