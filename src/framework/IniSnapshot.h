#pragma once
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/Ini.h"

namespace exl {

// An INI file read once and answered from memory. The platform's profile reader
// walks the file for every key, so reading n keys of a file of n lines costs n^2;
// this reader gives the values GetPrivateProfileStringA gives (checked against it
// under Wine): lines split at CR or LF, blanks and ^Z (not the no-break space)
// trimmed around names and values and inside "[...]", section names taken between
// "[" and the last "]", keys before the first section in a section without name,
// names matched without regard to the case of ASCII letters only, the first
// duplicate section and key winning, a line without "=" being a key without
// value, one pair of matching surrounding quotes removed, at most readSize - 1
// characters returned. Files in UTF-8 or UTF-16 (with a byte-order mark) and
// multi-byte ANSI code pages are left to the platform: then every Get asks
// GetPrivateProfileStringA.
class IniSnapshot {
public:
    // Reads the file now; a missing or unreadable file answers every key with its default.
    explicit IniSnapshot(std::string path);

    std::string Get(const std::string& section, const std::string& key, const std::string& defaultValue,
                    int readSize = kIniReadSize) const;

private:
    struct Key {
        std::string value;
        bool hasValue = false;
    };
    using Section = std::unordered_map<std::string, Key>;

    void Parse(const std::string& content);
    const Key* Find(const std::string& section, const std::string& key) const;
    bool IsSpace(char c) const;
    std::string Fold(const std::string& name) const;
    std::string Trim(const std::string& name) const;

    std::string path_;
    bool platformOnly_ = false;
    bool openFailed_ = false;
    bool space_[256] = {};
    char lower_[256] = {};
    std::unordered_map<std::string, Section> sections_;
};

}  // namespace exl
