#pragma once
// A pull reader for the XML parts of a workbook file. It reads a document held in
// memory token by token and tells where each token's bytes are, so a part can be
// copied with only chosen pieces changed: the tokens, in order, cover every byte of
// the document exactly once.
//
// It checks what a workbook part needs: element and attribute syntax, matching end
// tags, one root element, quoted attribute values without "<", known entity and
// character references, the XML declaration. A document type declaration is refused
// (workbook parts have none, and its entities could expand without end), and so is
// text in any encoding but UTF-8. Elements' namespaces are resolved, so a part is
// read alike whatever prefixes its writer chose.
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace exl::workbook {

enum class XmlToken {
    StartElement,
    EndElement,  // also after an empty element "<a/>", then without bytes of its own
    Text,        // character data, or a CDATA section
    Markup,      // declaration, comment, processing instruction, byte-order mark, blanks outside the root
    End,         // the document is complete
    Error,       // it is not well-formed; see Error()
};

struct XmlAttribute {
    std::string_view qualifiedName;
    std::string_view rawValue;  // between the quotes, references not yet replaced
    std::size_t begin = 0;      // the attribute's bytes in the document: name to closing quote
    std::size_t end = 0;

    std::string_view LocalName() const;
    std::string_view Prefix() const;
};

class XmlReader {
public:
    // Limits that keep a hostile document from costing more than its size.
    static constexpr std::size_t kMostDepth = 256;
    static constexpr std::size_t kMostAttributes = 256;

    explicit XmlReader(std::string_view document);

    // The next token. After End or Error, the same again.
    XmlToken Next();

    std::size_t TokenBegin() const { return begin_; }
    std::size_t TokenEnd() const { return pos_; }
    std::string_view TokenBytes() const { return document_.substr(begin_, pos_ - begin_); }

    // Of a start or end tag.
    std::string_view QualifiedName() const { return name_; }
    std::string_view LocalName() const;
    std::string_view Prefix() const;
    // A start tag that closes itself; its EndElement comes next.
    bool IsEmptyElement() const { return empty_; }
    // Of a start tag, in document order.
    const std::vector<XmlAttribute>& Attributes() const { return attributes_; }
    // The first attribute with this local name, whatever its prefix; nullptr if none.
    const XmlAttribute* FindAttribute(std::string_view localName) const;
    // Of a start or end tag: the element's namespace URI ("" for none).
    std::string_view NamespaceUri() const { return namespaceUri_; }
    // The namespace URI of an attribute of the start tag: its prefix's, or "" without one.
    std::string_view NamespaceOf(const XmlAttribute& attribute) const;
    // Of a Text token: the content between "<![CDATA[" and "]]>", taken as it is.
    bool IsCData() const { return cdata_; }
    std::string_view CDataContent() const;
    // Start and end tags: the element's depth, the root being 1. Other tokens: the
    // number of elements open around them.
    std::size_t Depth() const { return depth_; }

    const std::string& Error() const { return error_; }

private:
    XmlToken Fail(const std::string& reason);
    bool Refuse(const std::string& reason);
    XmlToken StartTag();
    XmlToken EndTag();
    XmlToken CharacterData();
    XmlToken SkipPast(std::string_view opening, std::string_view closing, XmlToken token);
    bool ReadAttribute();
    std::string_view ReadName();
    bool SkipBlanks();
    XmlToken Declaration();
    bool BindNamespaces();
    std::string_view Resolve(std::string_view prefix) const;
    bool StartsWith(std::string_view text) const { return document_.compare(pos_, text.size(), text) == 0; }

    std::string_view document_;
    std::size_t pos_ = 0;
    std::size_t begin_ = 0;
    std::vector<std::string_view> open_;
    std::vector<XmlAttribute> attributes_;
    std::string_view name_;
    // The prefixes bound by the open elements, innermost last; a deque keeps each
    // URI where it is while others come and go.
    struct Binding {
        std::string_view prefix;
        std::string uri;
        std::size_t depth;
    };
    std::deque<Binding> bindings_;
    std::string_view namespaceUri_;
    std::size_t depth_ = 0;
    bool empty_ = false;
    bool endPending_ = false;
    bool cdata_ = false;
    bool sawRoot_ = false;
    bool done_ = false;
    std::string error_;
};

// The encoding a document states: "UTF-16" for a UTF-16 byte-order mark, else the
// encoding of its XML declaration as written, "" when it states none (UTF-8 then).
std::string DeclaredEncoding(std::string_view document);
// Whether an encoding name is UTF-8's (names compare without regard to case).
bool IsUtf8Name(std::string_view encoding);
// An xsd:boolean attribute value: "true" or "1" (blanks around allowed). Anything
// else, "false" and "0" among it, is false.
bool IsXsdTrue(std::string_view value);

// Replaces the references of raw character data or an attribute value. An
// attribute's line ends and tabs become blanks, character data's line ends "\n",
// as an XML processor hands them on. false on a broken or unknown reference.
bool UnescapeXml(std::string_view raw, bool attributeValue, std::string& out);
// The text of a Text token: unescaped, or a CDATA section's content as it is.
bool TokenText(const XmlReader& reader, std::string& out);
// An attribute's value unescaped, or `fallback` when the element has no such attribute
// or the value is broken.
std::string AttributeValue(const XmlReader& reader, std::string_view localName, std::string_view fallback = "");

}  // namespace exl::workbook
