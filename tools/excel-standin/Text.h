#pragma once
// Small text helpers of the stand-in: UTF-8 for the files it writes, UTF-16 inside.
#include <windows.h>

#include <string>

namespace exl::standin {

// Lone surrogates become U+FFFD; callers that must keep every code unit escape
// them first (see the workbook file writer).
std::string ToUtf8(const std::wstring& text);
// Invalid sequences become U+FFFD.
std::wstring FromUtf8(const std::string& text);
// "0x800A03EC": eight upper-case hex digits.
std::wstring HexCode(HRESULT code);
// Case-insensitive comparison of ASCII-range texts (file names, member names).
bool EqualsNoCase(const std::wstring& left, const std::wstring& right);

}  // namespace exl::standin
