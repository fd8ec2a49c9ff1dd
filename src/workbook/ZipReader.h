#pragma once
// Reads the zip container of a workbook file from its bytes in memory: the central
// directory, checked entry by entry, and each entry's content on demand. Only what a
// workbook file may hold is taken: stored or deflated entries, one disk, no zip64,
// no encryption. Every count, size and offset is checked against the bytes, and no
// two entries may share bytes, so nothing is read twice or from outside the file.
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace exl::workbook {

enum class ZipProblem {
    None,
    NotZip,       // not a zip file at all
    Damaged,      // a zip file, but its structure or data is broken
    Encrypted,    // entries encrypted (a password)
    Unsupported,  // zip64, several disks, another compression, beyond the size limits
};

struct ZipEntryInfo {
    std::string name;
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

constexpr std::uint16_t kZipStored = 0;
constexpr std::uint16_t kZipDeflated = 8;
// A part of a workbook larger than this is refused: it could not be held in a
// 32-bit process alongside the rest.
constexpr std::uint32_t kMostZipEntryBytes = 512u << 20;

class ZipArchive {
public:
    // The bytes must outlive the archive. detail says what was wrong, for logs and tests.
    ZipProblem Open(std::string_view bytes, std::string& detail);

    const std::vector<ZipEntryInfo>& Entries() const { return entries_; }
    // Part names compare without regard to ASCII case, as the package format says.
    const ZipEntryInfo* Find(std::string_view name) const;
    // The entry's bytes as stored in the file.
    std::string_view PackedData(const ZipEntryInfo& entry) const;
    // The entry's content, checked against its size and CRC. false when damaged.
    bool Read(const ZipEntryInfo& entry, std::string& content) const;

private:
    ZipProblem ReadDirectory(std::size_t directory, std::size_t directoryEnd, std::uint32_t count,
                             std::string& detail);
    ZipProblem ReadEntry(std::size_t& at, std::size_t directoryEnd, std::string& detail);
    ZipProblem CheckLocalHeader(ZipEntryInfo& entry, std::size_t directory, std::string& detail) const;
    ZipProblem CheckNoOverlap(std::string& detail) const;

    std::string_view bytes_;
    std::vector<ZipEntryInfo> entries_;
    std::unordered_map<std::string, std::size_t> byFoldedName_;
};

// The ASCII lower case of a name.
std::string FoldAscii(std::string_view text);

}  // namespace exl::workbook
