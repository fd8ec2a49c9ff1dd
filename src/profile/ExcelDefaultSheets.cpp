#include "profile/ExcelDefaultSheets.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "framework/Ini.h"
#include "framework/Raii.h"

namespace exl {

namespace {

constexpr const char* kValueName = "DefSheets";
// A longer name cannot be "DefSheets"; the enumeration reports it as too long and goes on.
constexpr DWORD kValueNameBufferSize = 64;
// Value data beyond this is not Excel's; reading stops at it instead of growing a buffer.
constexpr DWORD kMaxValueData = 4096;

bool OptionsKeyOf(std::int16_t version, std::string& key) {
    if (version != 8 && version != 9 && version != 10) return false;
    key = Format("Software\\Microsoft\\Office\\%i.0\\Excel\\Options", version);
    return true;
}

// The data of value `index` as a little-endian 32-bit number (shorter data is padded
// with zeros), or false when it cannot be read.
bool ValueDataAsNumber(HKEY key, DWORD index, std::uint32_t& number) {
    char name[kValueNameBufferSize];
    DWORD nameSize = kValueNameBufferSize;
    DWORD dataSize = 0;
    if (RegEnumValueA(key, index, name, &nameSize, nullptr, nullptr, nullptr, &dataSize) != ERROR_SUCCESS)
        return false;
    if (dataSize > kMaxValueData) return false;
    std::vector<BYTE> data(dataSize > sizeof(number) ? dataSize : sizeof(number), 0);
    nameSize = kValueNameBufferSize;
    DWORD readSize = dataSize;
    if (RegEnumValueA(key, index, name, &nameSize, nullptr, nullptr, data.data(), &readSize) != ERROR_SUCCESS)
        return false;
    number = static_cast<std::uint32_t>(data[0]) | static_cast<std::uint32_t>(data[1]) << 8 |
             static_cast<std::uint32_t>(data[2]) << 16 | static_cast<std::uint32_t>(data[3]) << 24;
    return true;
}

}  // namespace

int ReadExcelDefaultSheets(std::int16_t excelVersion) {
    std::string path;
    if (!OptionsKeyOf(excelVersion, path)) return 0;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS) return 0;
    UniqueRegKey key(opened);
    for (DWORD index = 0;; ++index) {
        char name[kValueNameBufferSize];
        DWORD nameSize = kValueNameBufferSize;
        LONG result = RegEnumValueA(key.get(), index, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA) continue;  // a name too long to be the one sought
        if (result != ERROR_SUCCESS) return 0;    // the end of the values, or a key that fails
        // Exactly as Excel writes it: upper and lower case count.
        if (std::strcmp(name, kValueName) != 0) continue;
        std::uint32_t number = 0;
        if (!ValueDataAsNumber(key.get(), index, number)) return 0;
        return static_cast<int>(number & 0xFFu);
    }
}

}  // namespace exl
