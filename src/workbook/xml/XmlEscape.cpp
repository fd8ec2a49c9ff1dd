#include "workbook/xml/XmlEscape.h"

namespace exl::workbook {

namespace {

void AppendEscaped(std::string& out, std::string_view utf8, bool attribute) {
    std::size_t plain = 0;
    for (std::size_t at = 0; at < utf8.size(); ++at) {
        const char* reference = nullptr;
        switch (utf8[at]) {
        case '&': reference = "&amp;"; break;
        case '<': reference = "&lt;"; break;
        case '>': reference = "&gt;"; break;
        case '"': reference = attribute ? "&quot;" : nullptr; break;
        case '\t': reference = attribute ? "&#9;" : nullptr; break;
        case '\n': reference = attribute ? "&#10;" : nullptr; break;
        case '\r': reference = attribute ? "&#13;" : nullptr; break;
        default: break;
        }
        if (!reference) continue;
        out.append(utf8.substr(plain, at - plain)).append(reference);
        plain = at + 1;
    }
    out.append(utf8.substr(plain));
}

}  // namespace

void AppendEscapedText(std::string& out, std::string_view utf8) { AppendEscaped(out, utf8, false); }

void AppendEscapedAttribute(std::string& out, std::string_view utf8) { AppendEscaped(out, utf8, true); }

}  // namespace exl::workbook
