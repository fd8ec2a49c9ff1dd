#include "framework/Ini.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace exl {

std::string ReadIniString(const std::string& file, const std::string& section, const std::string& key,
                          const std::string& defaultValue, int readSize) {
    if (file.empty()) return defaultValue.substr(0, readSize > 0 ? readSize - 1 : 0);
    std::vector<char> buffer(readSize + 1, '\0');
    DWORD length = GetPrivateProfileStringA(section.c_str(), key.c_str(), defaultValue.c_str(), buffer.data(),
                                            static_cast<DWORD>(readSize), file.c_str());
    return std::string(buffer.data(), length);
}

int ReadIniInt(const std::string& file, const std::string& section, const std::string& key, int defaultValue) {
    if (file.empty()) return defaultValue;
    return static_cast<int>(GetPrivateProfileIntA(section.c_str(), key.c_str(), defaultValue, file.c_str()));
}

bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value) {
    if (file.empty()) return false;
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), value.c_str(), file.c_str()) != FALSE;
}

bool WriteIniInt(const std::string& file, const std::string& section, const std::string& key, int value) {
    return WriteIniString(file, section, key, Format("%i", value));
}

bool DeleteIniKey(const std::string& file, const std::string& section, const std::string& key) {
    if (file.empty()) return false;
    return WritePrivateProfileStringA(section.c_str(), key.c_str(), nullptr, file.c_str()) != FALSE;
}

std::string Format(const char* format, ...) {
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? length : 0, '\0');
    if (length > 0) std::vsnprintf(&text[0], text.size() + 1, format, args);
    va_end(args);
    return text;
}

}  // namespace exl
