#pragma once
// Text into XML: the characters markup would take for its own become references.
// Every part written starts with the same declaration.
#include <string>
#include <string_view>

namespace exl::workbook {

constexpr char kXmlDeclaration[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";

// Character data: "&", "<" and ">".
void AppendEscapedText(std::string& out, std::string_view utf8);
// An attribute value in double quotes: also the quote, and tab and line ends as
// character references, which survive the blanks an XML processor makes of them.
void AppendEscapedAttribute(std::string& out, std::string_view utf8);

}  // namespace exl::workbook
