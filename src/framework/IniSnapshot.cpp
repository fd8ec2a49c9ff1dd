#include "framework/IniSnapshot.h"

#include <windows.h>

#include "framework/Raii.h"

namespace exl {

namespace {

// What the platform counts as a blank: the Unicode space class without the
// no-break spaces, and ^Z.
bool IsProfileSpace(unsigned char byte) {
    char text = static_cast<char>(byte);
    wchar_t wide = 0;
    if (MultiByteToWideChar(CP_ACP, 0, &text, 1, &wide, 1) != 1) return false;
    if (wide == 0x1a) return true;
    if (wide == 0x00a0 || wide == 0x2007 || wide == 0x202f) return false;
    WORD type = 0;
    GetStringTypeW(CT_CTYPE1, &wide, 1, &type);
    return (type & C1_SPACE) != 0;
}

// The platform matches names without regard to the case of ASCII letters only:
// "\xC4rger" and "\xE4rger" are different keys.
char LowerCase(unsigned char byte) {
    return static_cast<char>(byte >= 'A' && byte <= 'Z' ? byte - 'A' + 'a' : byte);
}

bool AnsiIsSingleByte() {
    CPINFO info = {};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
}

// UTF-8 and UTF-16 files are recognised by their byte-order marks only.
bool HasByteOrderMark(const std::string& content) {
    if (content.compare(0, 3, "\xEF\xBB\xBF") == 0) return true;
    return content.size() >= 2 && ((content[0] == '\xFF' && content[1] == '\xFE') ||
                                   (content[0] == '\xFE' && content[1] == '\xFF'));
}

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

IniSnapshot::IniSnapshot(std::string path) : path_(std::move(path)) {
    for (int byte = 0; byte < 256; ++byte) {
        space_[byte] = IsProfileSpace(static_cast<unsigned char>(byte));
        lower_[byte] = LowerCase(static_cast<unsigned char>(byte));
    }
    if (!AnsiIsSingleByte()) {
        platformOnly_ = true;
        return;
    }
    UniqueHandle file(CreateFileA(path_.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.get() == INVALID_HANDLE_VALUE) {
        // Only a file that is simply absent reads like an empty file; any other
        // failure makes the platform copy the default without removing quotes.
        openFailed_ = GetLastError() != ERROR_FILE_NOT_FOUND;
        return;
    }
    std::string content;
    char chunk[65536];
    DWORD read = 0;
    while (ReadFile(file.get(), chunk, sizeof(chunk), &read, nullptr) && read > 0) content.append(chunk, read);
    if (HasByteOrderMark(content)) {
        platformOnly_ = true;
        return;
    }
    Parse(content);
}

bool IniSnapshot::IsSpace(char c) const { return space_[static_cast<unsigned char>(c)]; }

std::string IniSnapshot::Fold(const std::string& name) const {
    std::string folded = name;
    for (char& c : folded) c = lower_[static_cast<unsigned char>(c)];
    return folded;
}

std::string IniSnapshot::Trim(const std::string& name) const {
    std::string::size_type begin = 0;
    std::string::size_type end = name.size();
    while (begin < end && IsSpace(name[begin])) ++begin;
    while (end > begin && IsSpace(name[end - 1])) --end;
    return name.substr(begin, end - begin);
}

void IniSnapshot::Parse(const std::string& content) {
    // Keys before the first section belong to a section without name; keys of a
    // repeated section are never found.
    Section* current = &sections_[std::string()];
    std::string::size_type next = 0;
    while (next < content.size()) {
        std::string::size_type start = next;
        std::string::size_type newline = content.find_first_of("\r\n", start);
        next = newline == std::string::npos ? content.size() : newline + 1;
        std::string::size_type end = next;
        while (start < end && IsSpace(content[start])) ++start;
        while (end > start && (content[end - 1] == '\n' || IsSpace(content[end - 1]))) --end;
        if (start >= end) continue;

        if (content[start] == '[') {
            std::string::size_type close = content.rfind(']', end - 1);
            if (close != std::string::npos && close > start) {
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

const IniSnapshot::Key* IniSnapshot::Find(const std::string& section, const std::string& key) const {
    auto foundSection = sections_.find(Fold(Trim(section)));
    if (foundSection == sections_.end()) return nullptr;
    auto foundKey = foundSection->second.find(Fold(Trim(key)));
    return foundKey == foundSection->second.end() ? nullptr : &foundKey->second;
}

std::string IniSnapshot::Get(const std::string& section, const std::string& key, const std::string& defaultValue,
                             int readSize) const {
    if (platformOnly_) return ReadIniString(path_, section, key, defaultValue, readSize);
    if (readSize <= 0 || key.empty()) return std::string();
    if (openFailed_) return defaultValue.substr(0, static_cast<std::string::size_type>(readSize - 1));
    const Key* found = Find(section, key);
    return CopyEntry(found && found->hasValue ? found->value : defaultValue, readSize);
}

}  // namespace exl
