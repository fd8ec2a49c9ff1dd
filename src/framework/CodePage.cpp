#include "framework/CodePage.h"

#include <windows.h>

#include <vector>

namespace exl {

// CharToOemA and OemToCharA map byte for byte, so the output has the input's length.

std::string ConvertAnsiToOem(const std::string& ansi) {
    std::vector<char> buffer(ansi.size() + 1, '\0');
    CharToOemA(ansi.c_str(), buffer.data());
    return std::string(buffer.data(), ansi.size());
}

std::string ConvertOemToAnsi(const std::string& oem) {
    std::vector<char> buffer(oem.size() + 1, '\0');
    OemToCharA(oem.c_str(), buffer.data());
    return std::string(buffer.data(), oem.size());
}

std::wstring WideFromAnsi(const std::string& ansi) {
    if (ansi.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], length);
    return wide;
}

}  // namespace exl
