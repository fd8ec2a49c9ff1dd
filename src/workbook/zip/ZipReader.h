#pragma once
// Reads the zip container of a workbook file from its bytes in memory: the central
// directory, checked entry by entry, and each entry's content on demand. What zip
// writers put into workbook files is taken: stored or deflated entries, zip64
// records, data descriptors (the central directory holds the same values, so they
// are not read), names in UTF-8 or code page 437. One disk only, no encryption.
// Every count, size and offset is checked against the bytes, and no two entries
// may share bytes, so nothing is read twice or from outside the file.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "workbook/zip/ZipFormat.h"

namespace exl::workbook {

enum class ZipProblem {
    None,
    NotZip,       // not a zip file at all
    Damaged,      // a zip file, but its structure or data is broken, or spread over several disks
    Encrypted,    // entries encrypted (a password)
    Unsupported,  // an entry packed by another method than stored or deflated
    TooLarge,     // an entry that unpacks to 4 GB or more, which no workbook part needs
};

struct ZipEntryInfo {
    std::string name;  // UTF-8, whatever the file stores
    std::uint16_t flags = 0;
    std::uint16_t method = 0;  // 0 stored, 8 deflated
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    std::uint32_t crc = 0;
    std::uint32_t packedSize = 0;
    std::uint32_t size = 0;
    std::uint32_t localOffset = 0;
    std::size_t dataOffset = 0;  // where the packed data starts
};

// An entry that Open refused: its name, method and unpacked size as the directory states them.
struct ZipRefusal {
    std::string name;
    std::uint16_t method = 0;
    std::uint64_t size = 0;
};

// The unpacked size of one part that is read whole (a sheet's XML, say): it is held
// in memory while it is patched, beside the template's bytes and the list, in a
// 32-bit process. Larger parts are copied untouched, never unpacked.
constexpr std::uint32_t kMostPartBytes = 128u << 20;

class ZipArchive {
public:
    // The bytes must outlive the archive. detail says what was wrong, for logs and tests.
    ZipProblem Open(std::string_view bytes, std::string& detail);

    const std::vector<ZipEntryInfo>& Entries() const { return entries_; }
    // Part names compare without regard to ASCII case, as the package format says.
    const ZipEntryInfo* Find(std::string_view name) const;
    // The entry's bytes as stored in the file.
    std::string_view PackedData(const ZipEntryInfo& entry) const;
    // The entry's content, checked against its size and CRC. false when damaged, or
    // when it unpacks to more than kMostPartBytes.
    bool Read(const ZipEntryInfo& entry, std::string& content) const;
    // After Open refused an entry (Encrypted, Unsupported, TooLarge): which, and why.
    const ZipRefusal& Refused() const { return refused_; }
    // How often Read unpacked the entry of that name: a 32-bit process holds the
    // largest sheets once, so the writers read each part at most once.
    std::uint32_t TimesRead(std::string_view name) const;

private:
    ZipProblem ReadDirectory(std::size_t directory, std::size_t directoryEnd, std::uint64_t count,
                             std::string& detail);
    ZipProblem ReadEntry(std::size_t& at, std::size_t directoryEnd, std::string& detail);
    ZipProblem CheckLocalHeader(ZipEntryInfo& entry, std::size_t directory, std::string& detail) const;
    ZipProblem CheckNoOverlap(std::string& detail) const;
    ZipProblem Refuse(ZipProblem problem, const ZipRefusal& refusal, std::string& detail, const std::string& reason);

    std::string_view bytes_;
    std::vector<ZipEntryInfo> entries_;
    std::unordered_map<std::string, std::size_t> byFoldedName_;
    ZipRefusal refused_;
    mutable std::vector<std::uint32_t> reads_;  // by entry
};

// The ASCII lower case of a name.
std::string FoldAscii(std::string_view text);
// A name as zip stores it without the UTF-8 flag: code page 437, the code page of
// MS-DOS, which the format names for that case.
std::string Utf8FromCodePage437(std::string_view name);

}  // namespace exl::workbook
