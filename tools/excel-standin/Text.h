#pragma once
// Small text helpers of the stand-in. (UTF-8 comes from the workbook library, whose
// files it saves and loads.)
#include <windows.h>

#include <string>

namespace exl::standin {

// "0x800A03EC": eight upper-case hex digits.
std::wstring HexCode(HRESULT code);
// Case-insensitive comparison of ASCII-range texts (file names, member names).
bool EqualsNoCase(const std::wstring& left, const std::wstring& right);

}  // namespace exl::standin
