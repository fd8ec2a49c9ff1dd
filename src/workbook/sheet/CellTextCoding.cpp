#include "workbook/sheet/CellTextCoding.h"

#include "workbook/xml/Utf8.h"

namespace exl::workbook {

namespace {

constexpr std::size_t kEscapeLength = 7;  // "_xHHHH_"

bool IsHexDigit(wchar_t c) {
    return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f');
}

int HexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    return c - L'A' + 10;
}

bool IsEscapeAt(std::wstring_view text, std::size_t at) {
    if (text.size() - at < kEscapeLength || text[at] != L'_' || text[at + 1] != L'x' || text[at + 6] != L'_')
        return false;
    for (std::size_t i = at + 2; i < at + 6; ++i)
        if (!IsHexDigit(text[i])) return false;
    return true;
}

bool IsSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDFFF; }

bool IsSurrogatePairAt(std::wstring_view text, std::size_t at) {
    return sizeof(wchar_t) == 2 && text[at] >= 0xD800 && text[at] <= 0xDBFF && at + 1 < text.size() &&
           text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF;
}

bool XmlCannotCarry(wchar_t c) {
    return (c < 0x20 && c != L'\t' && c != L'\n') || IsSurrogate(c) || c == 0xFFFE || c == 0xFFFF;
}

void AppendEscape(std::wstring& out, unsigned code) {
    static const wchar_t kDigits[] = L"0123456789ABCDEF";
    out += L"_x";
    for (int shift = 12; shift >= 0; shift -= 4) out += kDigits[(code >> shift) & 0xF];
    out += L'_';
}

}  // namespace

std::string EncodeCellText(std::wstring_view text) {
    // Most texts are plain ASCII without an underscore: their stored form is themselves.
    bool plain = true;
    for (wchar_t c : text) plain = plain && ((c >= 0x20 && c < 0x7F && c != L'_') || c == L'\t' || c == L'\n');
    if (plain) return std::string(text.begin(), text.end());
    std::wstring safe;
    safe.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        const wchar_t c = text[at];
        if (IsSurrogatePairAt(text, at)) {
            safe += c;
            safe += text[++at];
        } else if (XmlCannotCarry(c)) {
            AppendEscape(safe, static_cast<unsigned>(c) & 0xFFFF);
        } else if (IsEscapeAt(text, at)) {
            AppendEscape(safe, L'_');
        } else {
            safe += c;
        }
    }
    // Lone surrogates are escaped by now, so the conversion keeps every character.
    return Utf8FromWide(safe);
}

std::wstring DecodeCellText(std::string_view stored) {
    const std::wstring text = WideFromUtf8(stored);
    std::wstring out;
    out.reserve(text.size());
    for (std::size_t at = 0; at < text.size(); ++at) {
        if (!IsEscapeAt(text, at)) {
            out += text[at];
            continue;
        }
        unsigned code = 0;
        for (std::size_t i = at + 2; i < at + 6; ++i) code = code * 16 + static_cast<unsigned>(HexValue(text[i]));
        out += static_cast<wchar_t>(code);
        at += kEscapeLength - 1;
    }
    return out;
}

}  // namespace exl::workbook
