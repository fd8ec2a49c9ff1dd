#pragma once
#include <string>

#include "framework/Ini.h"
#include "framework/IniText.h"

namespace exl {

// An INI file read once and answered from memory. The platform's profile reader
// walks the file for every key, so reading n keys of a file of n lines costs n^2;
// this reader gives the values GetPrivateProfileStringA gives (see IniText for the
// syntax; checked against the platform under Wine). Blanks are the code page's
// white space and ^Z, not the no-break space; names are compared without regard
// to case for every letter of the ANSI code page, as Windows compares them. Files
// in UTF-8 or UTF-16 (with a byte-order mark) and multi-byte ANSI code pages are
// left to the platform: then every Get asks GetPrivateProfileStringA.
class IniSnapshot {
public:
    // Reads the file now; a missing or unreadable file answers every key with its default.
    explicit IniSnapshot(std::string path);

    std::string Get(const std::string& section, const std::string& key, const std::string& defaultValue,
                    int readSize = kIniReadSize) const;
    // The whole number as ReadIniInt reads it: the default when the key is missing or
    // empty; else the leading number after blanks and a sign, decimal unless "0x",
    // "0o" or "0b" chooses the base, 0 without digits, wrapped to 32 bits.
    int GetInt(const std::string& section, const std::string& key, int defaultValue) const;

private:
    std::string path_;
    bool platformOnly_ = false;
    bool openFailed_ = false;
    IniText text_;
};

// How the bytes of the ANSI code page behave in the platform's profile reader.
IniByteClasses ProfileByteClasses();

}  // namespace exl
