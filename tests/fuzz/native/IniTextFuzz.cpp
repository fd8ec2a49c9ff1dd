// libFuzzer target: the INI parse behind the record reader. The first bytes of an
// input choose the probe, the rest is the file. Blanks and case follow code page
// 1252 as the platform's tables give them under a German Windows.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "framework/IniText.h"

namespace {

exl::IniByteClasses Windows1252() {
    exl::IniByteClasses classes;
    for (int byte = 0; byte < 256; ++byte) classes.fold[byte] = static_cast<char>(byte);
    for (int byte : {0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x20, 0x1A}) classes.space[byte] = true;
    for (int byte = 'A'; byte <= 'Z'; ++byte) classes.fold[byte] = static_cast<char>(byte + 0x20);
    for (int byte = 0xC0; byte <= 0xDE; ++byte)
        if (byte != 0xD7) classes.fold[byte] = static_cast<char>(byte + 0x20);
    for (int byte : {0x8A, 0x8C, 0x8E}) classes.fold[byte] = static_cast<char>(byte + 0x10);
    classes.fold[0x9F] = static_cast<char>(0xFF);
    return classes;
}

// The other case of every letter the fold lowers.
std::string Raised(const std::string& text, const exl::IniByteClasses& classes) {
    std::string raised = text;
    for (char& c : raised)
        for (int byte = 0; byte < 256; ++byte)
            if (classes.fold[byte] == c && byte != static_cast<unsigned char>(c)) c = static_cast<char>(byte);
    return raised;
}

void Finding(const char* what) {
    std::fprintf(stderr, "finding [ini-text] %s\n", what);
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const exl::IniByteClasses classes = Windows1252();
    if (size < 3) return 0;
    const std::string content(reinterpret_cast<const char*>(data) + 3, size - 3);
    // Probe names cut from the file itself, so they hit sections and keys.
    auto slice = [&](std::uint8_t at, std::uint8_t length) {
        std::size_t from = content.empty() ? 0 : at % content.size();
        return content.substr(from, length % 24);
    };
    const std::string section = slice(data[0], data[1]);
    const std::string key = slice(data[1], data[2]);
    const int readSize = 1 + data[2] % 300;
    const exl::IniText text(content, classes);
    std::string value = text.Get(section, key, "-", readSize);
    if (value.size() > static_cast<std::size_t>(readSize - 1)) Finding("a value longer than the read size allows");
    if (text.Get(Raised(section, classes), Raised(key, classes), "-", readSize) != value)
        Finding("names matched with regard to case");
    return 0;
}
