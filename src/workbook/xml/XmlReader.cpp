#include "workbook/xml/XmlReader.h"

#include <cctype>
#include <cstring>

#include "workbook/xml/Utf8.h"

namespace exl::workbook {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kXmlNamespace = "http://www.w3.org/XML/1998/namespace";
constexpr std::string_view kXmlnsNamespace = "http://www.w3.org/2000/xmlns/";
// The longest reference worth looking at: "&#x10FFFF;" and a few leading zeros.
constexpr std::size_t kMostReferenceLength = 16;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool IsNameStart(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || byte >= 0x80;
}

bool IsNameChar(char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.'; }

// Characters XML 1.0 allows.
bool IsXmlChar(char32_t code) {
    return code == 0x9 || code == 0xA || code == 0xD || (code >= 0x20 && code <= 0xD7FF) ||
           (code >= 0xE000 && code <= 0xFFFD) || (code >= 0x10000 && code <= 0x10FFFF);
}

// The character of the reference "&...;" at the start of `text`, and its length.
bool DecodeReference(std::string_view text, char32_t& code, std::size_t& length) {
    const std::size_t semicolon = text.substr(0, kMostReferenceLength).find(';');
    if (semicolon == std::string_view::npos) return false;
    const std::string_view name = text.substr(1, semicolon - 1);
    length = semicolon + 1;
    if (name == "amp") code = '&';
    else if (name == "lt") code = '<';
    else if (name == "gt") code = '>';
    else if (name == "quot") code = '"';
    else if (name == "apos") code = '\'';
    else if (name.size() < 2 || name[0] != '#') return false;
    else {
        const bool hex = name[1] == 'x';
        const std::string_view digits = name.substr(hex ? 2 : 1);
        if (digits.empty()) return false;
        code = 0;
        for (char c : digits) {
            int digit = -1;
            if (c >= '0' && c <= '9') digit = c - '0';
            else if (hex && c >= 'a' && c <= 'f') digit = c - 'a' + 10;
            else if (hex && c >= 'A' && c <= 'F') digit = c - 'A' + 10;
            if (digit < 0) return false;
            code = code * (hex ? 16 : 10) + static_cast<char32_t>(digit);
            if (code > 0x10FFFF) return false;
        }
        return IsXmlChar(code);
    }
    return true;
}

bool ReferencesAreKnown(std::string_view raw) {
    for (std::size_t at = raw.find('&'); at != std::string_view::npos; at = raw.find('&', at)) {
        char32_t code = 0;
        std::size_t length = 0;
        if (!DecodeReference(raw.substr(at), code, length)) return false;
        at += length;
    }
    return true;
}

std::string_view TrimBlanks(std::string_view text) {
    while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
    return text;
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
    return true;
}

// What an XML declaration states; a value not stated stays empty.
struct XmlDeclaration {
    std::string_view version;
    std::string_view encoding;
    std::string_view standalone;
};

// One pseudo-attribute of the declaration ("name='value'" after at least one blank),
// taken from the front of `rest`.
bool TakePseudoAttribute(std::string_view& rest, std::string_view& name, std::string_view& value) {
    if (rest.empty() || !IsBlank(rest[0])) return false;
    std::size_t at = 0;
    while (at < rest.size() && IsBlank(rest[at])) ++at;
    const std::size_t nameStart = at;
    while (at < rest.size() && std::isalpha(static_cast<unsigned char>(rest[at]))) ++at;
    name = rest.substr(nameStart, at - nameStart);
    while (at < rest.size() && IsBlank(rest[at])) ++at;
    if (name.empty() || at >= rest.size() || rest[at] != '=') return false;
    ++at;
    while (at < rest.size() && IsBlank(rest[at])) ++at;
    if (at >= rest.size() || (rest[at] != '"' && rest[at] != '\'')) return false;
    const std::size_t close = rest.find(rest[at], at + 1);
    if (close == std::string_view::npos) return false;
    value = rest.substr(at + 1, close - at - 1);
    rest.remove_prefix(close + 1);
    return true;
}

// The pseudo-attributes between "<?xml" and "?>": version, then encoding and
// standalone if stated, in this order. false when they are not so.
bool ParseDeclaration(std::string_view inside, XmlDeclaration& declaration) {
    std::string_view name, value;
    if (!TakePseudoAttribute(inside, name, value) || name != "version") return false;
    declaration.version = value;
    std::string_view* const later[] = {&declaration.encoding, &declaration.standalone};
    const char* const laterNames[] = {"encoding", "standalone"};
    for (std::size_t i = 0; i < 2 && !TrimBlanks(inside).empty();) {
        std::string_view rest = inside;
        if (!TakePseudoAttribute(rest, name, value)) return false;
        while (i < 2 && name != laterNames[i]) ++i;
        if (i == 2) return false;
        *later[i++] = value;
        inside = rest;
    }
    return TrimBlanks(inside).empty();
}

// The declaration's content when the document starts with one ("<?xml" and a blank).
bool FindDeclaration(std::string_view document, std::string_view& inside) {
    if (document.substr(0, kUtf8Bom.size()) == kUtf8Bom) document.remove_prefix(kUtf8Bom.size());
    if (document.substr(0, 5) != "<?xml" || document.size() < 6 || !IsBlank(document[5])) return false;
    const std::size_t close = document.find("?>");
    inside = document.substr(5, close == std::string_view::npos ? document.size() : close - 5);
    return true;
}

}  // namespace

std::string DeclaredEncoding(std::string_view document) {
    if (document.substr(0, 2) == "\xFF\xFE" || document.substr(0, 2) == "\xFE\xFF") return "UTF-16";
    std::string_view inside;
    XmlDeclaration declaration;
    if (!FindDeclaration(document, inside) || !ParseDeclaration(inside, declaration)) return {};
    return std::string(declaration.encoding);
}

bool IsUtf8Name(std::string_view encoding) {
    return SameIgnoringCase(encoding, "UTF-8") || SameIgnoringCase(encoding, "UTF8");
}

bool IsXsdTrue(std::string_view value) {
    value = TrimBlanks(value);
    return value == "true" || value == "1";
}

std::string_view XmlAttribute::LocalName() const {
    const std::size_t colon = qualifiedName.rfind(':');
    return colon == std::string_view::npos ? qualifiedName : qualifiedName.substr(colon + 1);
}

std::string_view XmlAttribute::Prefix() const {
    const std::size_t colon = qualifiedName.rfind(':');
    return colon == std::string_view::npos ? std::string_view() : qualifiedName.substr(0, colon);
}

XmlReader::XmlReader(std::string_view document) : document_(document) {}

std::string_view XmlReader::LocalName() const {
    const std::size_t colon = name_.rfind(':');
    return colon == std::string_view::npos ? name_ : name_.substr(colon + 1);
}

std::string_view XmlReader::Prefix() const {
    const std::size_t colon = name_.rfind(':');
    return colon == std::string_view::npos ? std::string_view() : name_.substr(0, colon);
}

std::string_view XmlReader::Resolve(std::string_view prefix) const {
    if (prefix == "xml") return kXmlNamespace;
    if (prefix == "xmlns") return kXmlnsNamespace;
    for (auto binding = bindings_.rbegin(); binding != bindings_.rend(); ++binding)
        if (binding->prefix == prefix) return binding->uri;
    return {};
}

std::string_view XmlReader::NamespaceOf(const XmlAttribute& attribute) const {
    const std::string_view prefix = attribute.Prefix();
    return prefix.empty() ? std::string_view() : Resolve(prefix);
}

// The start tag's namespace declarations, bound until its element ends.
bool XmlReader::BindNamespaces() {
    for (const XmlAttribute& attribute : attributes_) {
        const bool isDefault = attribute.qualifiedName == "xmlns";
        if (!isDefault && attribute.Prefix() != "xmlns") continue;
        std::string uri;
        if (!UnescapeXml(attribute.rawValue, true, uri)) return Refuse("broken namespace");
        bindings_.push_back({isDefault ? std::string_view() : attribute.LocalName(), std::move(uri), open_.size() + 1});
    }
    return true;
}

const XmlAttribute* XmlReader::FindAttribute(std::string_view localName) const {
    for (const XmlAttribute& attribute : attributes_)
        if (attribute.LocalName() == localName) return &attribute;
    return nullptr;
}

std::string_view XmlReader::CDataContent() const {
    constexpr std::size_t kOpening = 9, kClosing = 3;  // "<![CDATA[" and "]]>"
    return cdata_ ? document_.substr(begin_ + kOpening, pos_ - begin_ - kOpening - kClosing) : std::string_view();
}

XmlToken XmlReader::Fail(const std::string& reason) {
    if (error_.empty()) error_ = reason + " at byte " + std::to_string(pos_);
    done_ = true;
    return XmlToken::Error;
}

bool XmlReader::Refuse(const std::string& reason) {
    Fail(reason);
    return false;
}

XmlToken XmlReader::Next() {
    if (done_) return error_.empty() ? XmlToken::End : XmlToken::Error;
    begin_ = pos_;
    empty_ = false;
    cdata_ = false;
    attributes_.clear();
    // The bindings of an element that ended with the last token go now, and with
    // them the URI that may point into one.
    namespaceUri_ = {};
    while (!bindings_.empty() && bindings_.back().depth > open_.size()) bindings_.pop_back();
    if (endPending_) {
        endPending_ = false;
        depth_ = open_.size();
        name_ = open_.back();
        namespaceUri_ = Resolve(Prefix());
        open_.pop_back();
        return XmlToken::EndElement;
    }
    depth_ = open_.size();
    if (pos_ == document_.size()) {
        if (!open_.empty()) return Fail("unclosed element <" + std::string(open_.back()) + ">");
        if (!sawRoot_) return Fail("no root element");
        done_ = true;
        return XmlToken::End;
    }
    if (pos_ == 0 && StartsWith(kUtf8Bom)) {
        pos_ = kUtf8Bom.size();
        return XmlToken::Markup;
    }
    if (pos_ == 0 && (StartsWith("\xFF\xFE") || StartsWith("\xFE\xFF"))) return Fail("UTF-16 text");
    if (document_[pos_] != '<') return CharacterData();
    if (StartsWith("<?xml") && (pos_ == 0 || pos_ == kUtf8Bom.size())) return Declaration();
    if (StartsWith("<?")) return SkipPast("<?", "?>", XmlToken::Markup);
    if (StartsWith("<!--")) return SkipPast("<!--", "-->", XmlToken::Markup);
    if (StartsWith("<![CDATA[")) {
        if (open_.empty()) return Fail("CDATA outside the root element");
        cdata_ = true;
        return SkipPast("<![CDATA[", "]]>", XmlToken::Text);
    }
    if (StartsWith("<!")) return Fail("document type declaration");
    if (StartsWith("</")) return EndTag();
    return StartTag();
}

XmlToken XmlReader::Declaration() {
    std::string_view inside;
    if (!FindDeclaration(document_.substr(pos_), inside)) return SkipPast("<?", "?>", XmlToken::Markup);  // "<?xml-..."
    if (pos_ + 5 + inside.size() >= document_.size()) return Fail("unclosed <?");
    XmlDeclaration declaration;
    if (!ParseDeclaration(inside, declaration) || declaration.version.substr(0, 2) != "1." ||
        (!declaration.standalone.empty() && declaration.standalone != "yes" && declaration.standalone != "no"))
        return Fail("broken XML declaration");
    if (!declaration.encoding.empty() && !IsUtf8Name(declaration.encoding))
        return Fail("text in the encoding " + std::string(declaration.encoding));
    pos_ += 5 + inside.size() + 2;
    return XmlToken::Markup;
}

XmlToken XmlReader::SkipPast(std::string_view opening, std::string_view closing, XmlToken token) {
    const std::size_t found = document_.find(closing, pos_ + opening.size());
    if (found == std::string_view::npos) return Fail("unclosed " + std::string(opening));
    pos_ = found + closing.size();
    return token;
}

XmlToken XmlReader::CharacterData() {
    const std::size_t next = document_.find('<', pos_);
    const std::string_view raw = document_.substr(pos_, next == std::string_view::npos ? next : next - pos_);
    if (open_.empty()) {
        for (char c : raw)
            if (!IsBlank(c)) return Fail("text outside the root element");
        pos_ += raw.size();
        return XmlToken::Markup;
    }
    if (!ReferencesAreKnown(raw)) return Fail("unknown or broken reference");
    pos_ += raw.size();
    return XmlToken::Text;
}

std::string_view XmlReader::ReadName() {
    const std::size_t start = pos_;
    if (pos_ < document_.size() && IsNameStart(document_[pos_])) {
        ++pos_;
        while (pos_ < document_.size() && IsNameChar(document_[pos_])) ++pos_;
    }
    return document_.substr(start, pos_ - start);
}

bool XmlReader::SkipBlanks() {
    const std::size_t start = pos_;
    while (pos_ < document_.size() && IsBlank(document_[pos_])) ++pos_;
    return pos_ != start;
}

XmlToken XmlReader::StartTag() {
    ++pos_;  // '<'
    name_ = ReadName();
    if (name_.empty()) return Fail("element without a name");
    if (open_.empty() && sawRoot_) return Fail("a second root element");
    for (;;) {
        const bool separated = SkipBlanks();
        if (pos_ >= document_.size()) return Fail("unclosed start tag");
        if (document_[pos_] == '>') {
            ++pos_;
            break;
        }
        if (StartsWith("/>")) {
            pos_ += 2;
            empty_ = true;
            break;
        }
        if (!separated) return Fail("attributes run together");
        if (!ReadAttribute()) return XmlToken::Error;
    }
    if (open_.size() >= kMostDepth) return Fail("elements nested too deeply");
    if (!BindNamespaces()) return XmlToken::Error;
    open_.push_back(name_);
    namespaceUri_ = Resolve(Prefix());
    depth_ = open_.size();
    sawRoot_ = true;
    endPending_ = empty_;
    return XmlToken::StartElement;
}

bool XmlReader::ReadAttribute() {
    XmlAttribute attribute;
    attribute.begin = pos_;
    attribute.qualifiedName = ReadName();
    if (attribute.qualifiedName.empty()) return Refuse("broken attribute");
    SkipBlanks();
    if (pos_ >= document_.size() || document_[pos_] != '=') return Refuse("attribute without a value");
    ++pos_;
    SkipBlanks();
    if (pos_ >= document_.size() || (document_[pos_] != '"' && document_[pos_] != '\''))
        return Refuse("unquoted attribute value");
    const char quote = document_[pos_++];
    const std::size_t close = document_.find(quote, pos_);
    if (close == std::string_view::npos) return Refuse("unclosed attribute value");
    attribute.rawValue = document_.substr(pos_, close - pos_);
    if (attribute.rawValue.find('<') != std::string_view::npos || !ReferencesAreKnown(attribute.rawValue))
        return Refuse("broken attribute value");
    pos_ = close + 1;
    attribute.end = pos_;
    if (attributes_.size() >= kMostAttributes) return Refuse("too many attributes");
    for (const XmlAttribute& other : attributes_)
        if (other.qualifiedName == attribute.qualifiedName) return Refuse("attribute twice");
    attributes_.push_back(attribute);
    return true;
}

XmlToken XmlReader::EndTag() {
    pos_ += 2;  // "</"
    name_ = ReadName();
    SkipBlanks();
    if (pos_ >= document_.size() || document_[pos_] != '>') return Fail("broken end tag");
    ++pos_;
    if (open_.empty() || open_.back() != name_) return Fail("end tag </" + std::string(name_) + "> does not match");
    depth_ = open_.size();
    namespaceUri_ = Resolve(Prefix());
    open_.pop_back();
    return XmlToken::EndElement;
}

bool UnescapeXml(std::string_view raw, bool attributeValue, std::string& out) {
    out.clear();
    out.reserve(raw.size());
    for (std::size_t at = 0; at < raw.size(); ++at) {
        const char c = raw[at];
        if (c == '&') {
            char32_t code = 0;
            std::size_t length = 0;
            if (!DecodeReference(raw.substr(at), code, length)) return false;
            AppendUtf8(out, code);
            at += length - 1;
        } else if (c == '\r') {
            // CR LF and a lone CR are one line end.
            if (at + 1 < raw.size() && raw[at + 1] == '\n') ++at;
            out += attributeValue ? ' ' : '\n';
        } else if (attributeValue && (c == '\n' || c == '\t')) {
            out += ' ';
        } else {
            out += c;
        }
    }
    return true;
}

bool TokenText(const XmlReader& reader, std::string& out) {
    if (!reader.IsCData()) return UnescapeXml(reader.TokenBytes(), false, out);
    out.assign(reader.CDataContent());
    return true;
}

std::string AttributeValue(const XmlReader& reader, std::string_view localName, std::string_view fallback) {
    std::string value;
    const XmlAttribute* attribute = reader.FindAttribute(localName);
    if (!attribute || !UnescapeXml(attribute->rawValue, true, value)) return std::string(fallback);
    return value;
}

}  // namespace exl::workbook
