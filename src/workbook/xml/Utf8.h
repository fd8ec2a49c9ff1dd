#pragma once
// UTF-8, the encoding of every XML part the workbook files hold, to and from UTF-16.
#include <string>
#include <string_view>

namespace exl::workbook {

// Appends the code point's UTF-8 bytes (the caller passes at most U+10FFFF).
void AppendUtf8(std::string& out, char32_t code);
// UTF-16 to UTF-8; a lone surrogate becomes U+FFFD.
std::string Utf8FromWide(std::wstring_view text);
// UTF-8 to UTF-16; every invalid sequence becomes U+FFFD.
std::wstring WideFromUtf8(std::string_view text);

}  // namespace exl::workbook
