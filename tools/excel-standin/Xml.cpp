#include "Xml.h"

#include <cstdlib>
#include <cstring>

namespace exl::standin {
namespace {

std::string LocalName(const std::string& name) {
    size_t colon = name.find(':');
    return colon == std::string::npos ? name : name.substr(colon + 1);
}

void AppendUtf8(std::string& out, unsigned long code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

bool Unescape(const std::string& in, std::string& out) {
    out.clear();
    for (size_t at = 0; at < in.size(); ++at) {
        if (in[at] != '&') {
            out += in[at];
            continue;
        }
        size_t semicolon = in.find(';', at);
        if (semicolon == std::string::npos) return false;
        std::string entity = in.substr(at + 1, semicolon - at - 1);
        if (entity == "amp")
            out += '&';
        else if (entity == "lt")
            out += '<';
        else if (entity == "gt")
            out += '>';
        else if (entity == "quot")
            out += '"';
        else if (entity == "apos")
            out += '\'';
        else if (entity.size() > 1 && entity[0] == '#') {
            bool hex = entity[1] == 'x' || entity[1] == 'X';
            const char* digits = entity.c_str() + (hex ? 2 : 1);
            char* stop = nullptr;
            unsigned long code = std::strtoul(digits, &stop, hex ? 16 : 10);
            if (*digits == '\0' || *stop != '\0' || code > 0x10FFFF) return false;
            AppendUtf8(out, code);
        } else {
            return false;
        }
        at = semicolon;
    }
    return true;
}

class Parser {
public:
    explicit Parser(const std::string& text) : text_(text) {}

    std::unique_ptr<XmlNode> Document(std::string& error) {
        std::unique_ptr<XmlNode> root;
        while (SkipMarkup()) {
            if (at_ >= text_.size()) break;
            if (text_[at_] != '<') {
                ++at_;  // blanks between prolog and root
                continue;
            }
            if (root) return Fail(error, "content after the root element");
            root = Element(error);
            if (!root) return nullptr;
        }
        if (!root) return Fail(error, error_.empty() ? "no root element" : error_);
        return root;
    }

private:
    std::unique_ptr<XmlNode> Fail(std::string& error, const std::string& reason) {
        error = reason;
        return nullptr;
    }

    // Skips declarations, comments and doctype at the cursor; false on an unclosed one.
    bool SkipMarkup() {
        for (;;) {
            if (text_.compare(at_, 2, "<?") == 0) {
                if (!SkipPast("?>")) return false;
            } else if (text_.compare(at_, 4, "<!--") == 0) {
                if (!SkipPast("-->")) return false;
            } else if (text_.compare(at_, 9, "<!DOCTYPE") == 0) {
                if (!SkipPast(">")) return false;
            } else {
                return true;
            }
        }
    }

    bool SkipPast(const char* end) {
        size_t found = text_.find(end, at_);
        if (found == std::string::npos) {
            error_ = "unclosed markup";
            at_ = text_.size();
            return false;
        }
        at_ = found + std::strlen(end);
        return true;
    }

    static bool IsNameChar(char c) {
        return c != '>' && c != '/' && c != '=' && c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\0';
    }

    std::string Name() {
        size_t start = at_;
        while (at_ < text_.size() && IsNameChar(text_[at_])) ++at_;
        return text_.substr(start, at_ - start);
    }

    void SkipBlanks() {
        while (at_ < text_.size() &&
               (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\r' || text_[at_] == '\n'))
            ++at_;
    }

    std::unique_ptr<XmlNode> Element(std::string& error) {
        // Workbook parts nest a few levels; a deeper file is refused before the
        // recursion can exhaust the stack.
        if (++depth_ > kMaxDepth) return Fail(error, "elements nested too deeply");
        auto node = Open(error);
        --depth_;
        return node;
    }

    std::unique_ptr<XmlNode> Open(std::string& error) {
        auto node = std::make_unique<XmlNode>();
        ++at_;  // '<'
        std::string qualified = Name();
        if (qualified.empty()) return Fail(error, "element without a name");
        node->name = LocalName(qualified);
        for (;;) {
            SkipBlanks();
            if (at_ >= text_.size()) return Fail(error, "unclosed start tag <" + qualified + ">");
            if (text_.compare(at_, 2, "/>") == 0) {
                at_ += 2;
                return node;
            }
            if (text_[at_] == '>') {
                ++at_;
                break;
            }
            std::string attribute = Name();
            SkipBlanks();
            if (attribute.empty() || at_ >= text_.size() || text_[at_] != '=')
                return Fail(error, "broken attribute in <" + qualified + ">");
            ++at_;
            SkipBlanks();
            if (at_ >= text_.size() || (text_[at_] != '"' && text_[at_] != '\''))
                return Fail(error, "unquoted attribute in <" + qualified + ">");
            char quote = text_[at_++];
            size_t close = text_.find(quote, at_);
            if (close == std::string::npos) return Fail(error, "unclosed attribute in <" + qualified + ">");
            std::string value;
            if (!Unescape(text_.substr(at_, close - at_), value)) return Fail(error, "bad entity in an attribute");
            node->attributes.emplace_back(LocalName(attribute), value);
            at_ = close + 1;
        }
        return Content(std::move(node), qualified, error);
    }

    std::unique_ptr<XmlNode> Content(std::unique_ptr<XmlNode> node, const std::string& qualified, std::string& error) {
        for (;;) {
            size_t open = text_.find('<', at_);
            if (open == std::string::npos) return Fail(error, "unclosed element <" + qualified + ">");
            std::string piece;
            if (!Unescape(text_.substr(at_, open - at_), piece)) return Fail(error, "bad entity in text");
            node->text += piece;
            at_ = open;
            if (text_.compare(at_, 9, "<![CDATA[") == 0) {
                size_t end = text_.find("]]>", at_);
                if (end == std::string::npos) return Fail(error, "unclosed CDATA");
                node->text += text_.substr(at_ + 9, end - at_ - 9);
                at_ = end + 3;
            } else if (text_.compare(at_, 2, "</") == 0) {
                at_ += 2;
                std::string closing = Name();
                SkipBlanks();
                if (closing != qualified || at_ >= text_.size() || text_[at_] != '>')
                    return Fail(error, "mismatched end tag </" + closing + ">");
                ++at_;
                return node;
            } else if (text_.compare(at_, 2, "<?") == 0 || text_.compare(at_, 4, "<!--") == 0) {
                if (!SkipMarkup()) return Fail(error, error_);
            } else {
                auto child = Element(error);
                if (!child) return nullptr;
                node->children.push_back(std::move(child));
            }
        }
    }

    static constexpr int kMaxDepth = 64;
    const std::string& text_;
    size_t at_ = 0;
    int depth_ = 0;
    std::string error_;
};

}  // namespace

const std::string* XmlNode::Attribute(const std::string& localName) const {
    for (const auto& attribute : attributes)
        if (attribute.first == localName) return &attribute.second;
    return nullptr;
}

const XmlNode* XmlNode::Child(const std::string& localName) const {
    for (const auto& child : children)
        if (child->name == localName) return child.get();
    return nullptr;
}

std::vector<const XmlNode*> XmlNode::Children(const std::string& localName) const {
    std::vector<const XmlNode*> found;
    for (const auto& child : children)
        if (child->name == localName) found.push_back(child.get());
    return found;
}

std::string XmlNode::AllText() const {
    // Character data interleaved with children is not kept in order; the workbook
    // parts never mix the two.
    std::string all = text;
    for (const auto& child : children) all += child->AllText();
    return all;
}

std::unique_ptr<XmlNode> ParseXml(const std::string& text, std::string& error) { return Parser(text).Document(error); }

std::string EscapeXml(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c;
        }
    }
    return out;
}

}  // namespace exl::standin
