#include "framework/IniSnapshot.h"

#include <windows.h>

#include <cstdint>
#include <utility>

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

// Windows compares section and key names with the locale's case-insensitive
// compare, so every letter of the code page matches its other case ("\xC4rger"
// and "\xE4rger" are one key). Wine 8 folds only ASCII letters there; the
// platform that counts is Windows. A letter whose other case lies outside the
// code page (the micro sign) stays itself.
char FoldedByte(unsigned char byte) {
    char lower = static_cast<char>(byte);
    if (byte >= 0x80) {
        CharLowerBuffA(&lower, 1);
        return lower;
    }
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

// Room for the whole file at once: growing the text while reading would briefly
// hold it twice and keep up to half of it unused.
std::string ReadWholeFile(HANDLE file) {
    std::string content;
    LARGE_INTEGER size = {};
    if (GetFileSizeEx(file, &size) && static_cast<unsigned long long>(size.QuadPart) < content.max_size())
        content.reserve(static_cast<std::size_t>(size.QuadPart));
    char chunk[65536];
    DWORD read = 0;
    while (ReadFile(file, chunk, sizeof(chunk), &read, nullptr) && read > 0) content.append(chunk, read);
    return content;
}

// The platform reads a whole number as a string of at most this many characters.
constexpr int kNumberReadSize = 30;

int DigitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    return -1;
}

// The base a lowercase prefix after "0" chooses, 10 without one.
unsigned NumberBase(const std::string& text, std::size_t& at) {
    if (text.size() - at < 2 || text[at] != '0') return 10;
    const char mark = text[at + 1];
    const unsigned base = mark == 'x' ? 16 : mark == 'o' ? 8 : mark == 'b' ? 2 : 10;
    if (base != 10) at += 2;
    return base;
}

// Every byte up to the space counts as a blank here, control characters too.
int ProfileNumber(const std::string& text) {
    std::size_t at = 0;
    while (at < text.size() && static_cast<unsigned char>(text[at]) <= ' ') ++at;
    const bool negative = at < text.size() && text[at] == '-';
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const unsigned base = NumberBase(text, at);
    std::uint32_t magnitude = 0;
    for (; at < text.size(); ++at) {
        const int digit = DigitValue(text[at]);
        if (digit < 0 || static_cast<unsigned>(digit) >= base) break;
        magnitude = magnitude * base + static_cast<std::uint32_t>(digit);
    }
    return static_cast<int>(negative ? 0u - magnitude : magnitude);
}

}  // namespace

IniByteClasses ProfileByteClasses() {
    IniByteClasses classes;
    for (int byte = 0; byte < 256; ++byte) {
        classes.space[byte] = IsProfileSpace(static_cast<unsigned char>(byte));
        classes.fold[byte] = FoldedByte(static_cast<unsigned char>(byte));
    }
    return classes;
}

IniSnapshot::IniSnapshot(std::string path) : path_(std::move(path)) {
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
    std::string content = ReadWholeFile(file.get());
    if (HasByteOrderMark(content)) {
        platformOnly_ = true;
        return;
    }
    text_ = IniText(std::move(content), ProfileByteClasses());
}

std::string IniSnapshot::Get(const std::string& section, const std::string& key, const std::string& defaultValue,
                             int readSize) const {
    if (platformOnly_) return ReadIniString(path_, section, key, defaultValue, readSize);
    if (openFailed_) {
        if (readSize <= 0 || key.empty()) return std::string();
        return defaultValue.substr(0, static_cast<std::string::size_type>(readSize - 1));
    }
    return text_.Get(section, key, defaultValue, readSize);
}

int IniSnapshot::GetInt(const std::string& section, const std::string& key, int defaultValue) const {
    if (platformOnly_) return ReadIniInt(path_, section, key, defaultValue);
    const std::string text = Get(section, key, "", kNumberReadSize);
    return text.empty() ? defaultValue : ProfileNumber(text);
}

}  // namespace exl
