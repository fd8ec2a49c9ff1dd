#pragma once
// A small XML reader for the parts of a workbook file, and text escaping for the
// writer. Names are kept without their namespace prefix ("r:id" -> "id").
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace exl::standin {

struct XmlNode {
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;  // values unescaped, UTF-8
    std::vector<std::unique_ptr<XmlNode>> children;
    std::string text;  // the node's own character data, unescaped, UTF-8

    const std::string* Attribute(const std::string& localName) const;
    const XmlNode* Child(const std::string& localName) const;
    std::vector<const XmlNode*> Children(const std::string& localName) const;
    // The character data of the node and all its descendants, in document order.
    std::string AllText() const;
};

// The document's root element, or nullptr with a reason when the text is not
// well-formed enough to read.
std::unique_ptr<XmlNode> ParseXml(const std::string& text, std::string& error);
// &, <, >, " as entities; the text is UTF-8.
std::string EscapeXml(const std::string& text);

}  // namespace exl::standin
