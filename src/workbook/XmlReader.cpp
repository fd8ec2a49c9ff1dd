#include "workbook/XmlReader.h"

#include <cstring>

#include "workbook/Utf8.h"

namespace exl::workbook {

namespace {

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
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

}  // namespace

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
    if (endPending_) {
        endPending_ = false;
        depth_ = open_.size();
        name_ = open_.back();
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
    open_.push_back(name_);
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
