#include "framework/IniText.h"

namespace exl {

namespace {

// Names and values end at a NUL, as C strings do inside the platform.
std::string UpToNul(std::string text) {
    std::string::size_type nul = text.find('\0');
    if (nul != std::string::npos) text.erase(nul);
    return text;
}

// The platform's copy of a value into a buffer of readSize characters: one pair of
// matching surrounding quotes goes, and when the quoted text fills the buffer
// exactly, the platform drops the last character it kept as if it were the quote.
std::string CopyEntry(const std::string& value, int readSize) {
    std::string::size_type begin = 0;
    bool quoted = value.size() > 1 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0];
    if (quoted) begin = 1;
    const std::string::size_type rest = value.size() - begin;
    std::string copy = value.substr(begin, static_cast<std::string::size_type>(readSize - 1));
    if (quoted && static_cast<std::string::size_type>(readSize) >= rest && !copy.empty()) copy.pop_back();
    return copy;
}

}  // namespace

IniText::IniText(const std::string& content, const IniByteClasses& classes) : classes_(classes) { Parse(content); }

std::string IniText::Fold(const std::string& name) const {
    std::string folded = name;
    for (char& c : folded) c = classes_.fold[static_cast<unsigned char>(c)];
    return folded;
}

std::string IniText::Trim(const std::string& name) const {
    std::string::size_type begin = 0;
    std::string::size_type end = name.size();
    while (begin < end && IsSpace(name[begin])) ++begin;
    while (end > begin && IsSpace(name[end - 1])) --end;
    return name.substr(begin, end - begin);
}

void IniText::Parse(const std::string& content) {
    // Keys of a repeated section are never found.
    Section* current = &sections_[std::string()];
    std::string::size_type next = 0;
    while (next < content.size()) {
        std::string::size_type start = next;
        std::string::size_type newline = content.find_first_of("\r\n", start);
        next = newline == std::string::npos ? content.size() : newline + 1;
        std::string::size_type end = next;
        while (start < end && IsSpace(content[start])) ++start;
        while (end > start && (content[end - 1] == '\n' || content[end - 1] == '\r' || IsSpace(content[end - 1])))
            --end;
        if (start >= end) continue;

        if (content[start] == '[') {
            // The last "]" of this line only: searching back through the whole file
            // made a file of many unclosed "[" lines take quadratic time.
            std::string::size_type close = end - 1;
            while (close > start && content[close] != ']') --close;
            if (close > start) {
                std::string name = Fold(Trim(UpToNul(content.substr(start + 1, close - start - 1))));
                bool first = sections_.find(name) == sections_.end();
                current = first ? &sections_[name] : nullptr;
                continue;
            }
            // A "[" line without "]" is an ordinary line.
        }

        std::string::size_type nameEnd = end;
        std::string::size_type equals = content.find('=', start);
        bool hasValue = equals != std::string::npos && equals < end;
        std::string value;
        if (hasValue) {
            nameEnd = equals;
            while (nameEnd > start && IsSpace(content[nameEnd - 1])) --nameEnd;
            std::string::size_type valueStart = equals + 1;
            while (valueStart < end && IsSpace(content[valueStart])) ++valueStart;
            value = UpToNul(content.substr(valueStart, end - valueStart));
        }
        if (!current) continue;
        std::string name = Fold(UpToNul(content.substr(start, nameEnd - start)));
        if (current->find(name) == current->end()) (*current)[name] = Key{value, hasValue};
    }
}

const IniText::Key* IniText::Find(const std::string& section, const std::string& key) const {
    auto foundSection = sections_.find(Fold(Trim(section)));
    if (foundSection == sections_.end()) return nullptr;
    auto foundKey = foundSection->second.find(Fold(Trim(key)));
    return foundKey == foundSection->second.end() ? nullptr : &foundKey->second;
}

std::string IniText::Get(const std::string& section, const std::string& key, const std::string& defaultValue,
                         int readSize) const {
    // The platform sees every argument as a C string.
    const std::string keyName = UpToNul(key);
    if (readSize <= 0 || keyName.empty()) return std::string();
    const Key* found = Find(UpToNul(section), keyName);
    return CopyEntry(found && found->hasValue ? found->value : UpToNul(defaultValue), readSize);
}

}  // namespace exl
