#include "workbook/ZipReader.h"

#include <algorithm>

#include "workbook/LittleEndian.h"
#include "workbook/Zlib.h"

namespace exl::workbook {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kMostCommentBytes = 0xFFFF;
// Values that stand for "see the zip64 record".
constexpr std::uint16_t kZip64Count = 0xFFFF;
constexpr std::uint32_t kZip64Size = 0xFFFFFFFF;
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagStrongEncryption = 0x0040;
constexpr std::uint16_t kMethodAesEncrypted = 99;
// Deflate packs at most about 1:1032; a larger claimed size is a broken header
// (and must not become a large allocation).
constexpr std::uint64_t kMostDeflateRatio = 1032;
constexpr std::uint64_t kDeflateSlack = 64;

ZipProblem Fail(ZipProblem problem, std::string& detail, const std::string& reason) {
    detail = reason;
    return problem;
}

bool IsLocalHeaderAt(std::string_view bytes, std::size_t at) {
    return bytes.size() >= at + 4 && Read32(bytes, at) == kLocalSignature;
}

// The end record: the last signature whose comment reaches exactly to the end.
std::size_t FindEndRecord(std::string_view bytes) {
    if (bytes.size() < kEndSize) return std::string_view::npos;
    const std::size_t lowest = bytes.size() > kEndSize + kMostCommentBytes ? bytes.size() - kEndSize - kMostCommentBytes : 0;
    for (std::size_t at = bytes.size() - kEndSize + 1; at-- > lowest;) {
        if (Read32(bytes, at) == kEndSignature && at + kEndSize + Read16(bytes, at + 20) == bytes.size()) return at;
    }
    return std::string_view::npos;
}

}  // namespace

std::string FoldAscii(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

ZipProblem ZipArchive::Open(std::string_view bytes, std::string& detail) {
    bytes_ = bytes;
    entries_.clear();
    byFoldedName_.clear();
    const std::size_t end = FindEndRecord(bytes);
    if (end == std::string_view::npos) {
        return IsLocalHeaderAt(bytes, 0) ? Fail(ZipProblem::Damaged, detail, "no end of the central directory")
                                         : Fail(ZipProblem::NotZip, detail, "not a zip file");
    }
    if (end >= kZip64LocatorSize && Read32(bytes, end - kZip64LocatorSize) == kZip64LocatorSignature)
        return Fail(ZipProblem::Unsupported, detail, "zip64");
    if (Read16(bytes, end + 4) != 0 || Read16(bytes, end + 6) != 0)
        return Fail(ZipProblem::Unsupported, detail, "spread over several disks");
    const std::uint16_t count = Read16(bytes, end + 10);
    const std::uint32_t directorySize = Read32(bytes, end + 12);
    const std::uint32_t directory = Read32(bytes, end + 16);
    if (count == kZip64Count || directorySize == kZip64Size || directory == kZip64Size)
        return Fail(ZipProblem::Unsupported, detail, "zip64");
    if (Read16(bytes, end + 8) != count) return Fail(ZipProblem::Damaged, detail, "entry counts differ");
    if (directory > end || directorySize != end - directory)
        return Fail(ZipProblem::Damaged, detail, "central directory not before its end record");
    if (static_cast<std::uint64_t>(count) * kCentralHeaderSize > directorySize)
        return Fail(ZipProblem::Damaged, detail, "more entries than the central directory holds");
    const ZipProblem problem = ReadDirectory(directory, end, count, detail);
    if (problem != ZipProblem::None) {
        entries_.clear();
        byFoldedName_.clear();
    }
    return problem;
}

ZipProblem ZipArchive::ReadDirectory(std::size_t directory, std::size_t directoryEnd, std::uint32_t count,
                                     std::string& detail) {
    entries_.reserve(count);
    std::size_t at = directory;
    for (std::uint32_t i = 0; i < count; ++i) {
        const ZipProblem problem = ReadEntry(at, directoryEnd, detail);
        if (problem != ZipProblem::None) return problem;
    }
    if (at != directoryEnd) return Fail(ZipProblem::Damaged, detail, "central directory longer than its entries");
    for (ZipEntryInfo& entry : entries_) {
        const ZipProblem problem = CheckLocalHeader(entry, directory, detail);
        if (problem != ZipProblem::None) return problem;
    }
    return CheckNoOverlap(detail);
}

ZipProblem ZipArchive::ReadEntry(std::size_t& at, std::size_t directoryEnd, std::string& detail) {
    if (directoryEnd - at < kCentralHeaderSize || Read32(bytes_, at) != kCentralSignature)
        return Fail(ZipProblem::Damaged, detail, "broken central directory");
    ZipEntryInfo entry;
    entry.flags = Read16(bytes_, at + 8);
    entry.method = Read16(bytes_, at + 10);
    entry.dosTime = Read16(bytes_, at + 12);
    entry.dosDate = Read16(bytes_, at + 14);
    entry.crc = Read32(bytes_, at + 16);
    entry.packedSize = Read32(bytes_, at + 20);
    entry.size = Read32(bytes_, at + 24);
    const std::size_t nameLength = Read16(bytes_, at + 28);
    const std::size_t extraLength = Read16(bytes_, at + 30);
    const std::size_t commentLength = Read16(bytes_, at + 32);
    const std::uint16_t disk = Read16(bytes_, at + 34);
    entry.localOffset = Read32(bytes_, at + 42);
    const std::size_t recordSize = kCentralHeaderSize + nameLength + extraLength + commentLength;
    if (directoryEnd - at < recordSize) return Fail(ZipProblem::Damaged, detail, "broken central directory");
    entry.name.assign(bytes_.substr(at + kCentralHeaderSize, nameLength));
    at += recordSize;

    if (entry.name.empty() || entry.name.find('\0') != std::string::npos)
        return Fail(ZipProblem::Damaged, detail, "entry without a proper name");
    if ((entry.flags & (kFlagEncrypted | kFlagStrongEncryption)) || entry.method == kMethodAesEncrypted)
        return Fail(ZipProblem::Encrypted, detail, "encrypted entry " + entry.name);
    if (entry.method != kZipStored && entry.method != kZipDeflated)
        return Fail(ZipProblem::Unsupported, detail, "compression method " + std::to_string(entry.method));
    if (entry.packedSize == kZip64Size || entry.size == kZip64Size || entry.localOffset == kZip64Size || disk != 0)
        return Fail(ZipProblem::Unsupported, detail, "zip64 entry " + entry.name);
    if (entry.size > kMostZipEntryBytes) return Fail(ZipProblem::Unsupported, detail, "entry too large: " + entry.name);
    const bool sizeFits = entry.method == kZipStored
                              ? entry.size == entry.packedSize
                              : entry.size <= entry.packedSize * kMostDeflateRatio + kDeflateSlack;
    if (!sizeFits) return Fail(ZipProblem::Damaged, detail, "impossible size of " + entry.name);
    if (!byFoldedName_.emplace(FoldAscii(entry.name), entries_.size()).second)
        return Fail(ZipProblem::Damaged, detail, "entry twice: " + entry.name);
    entries_.push_back(std::move(entry));
    return ZipProblem::None;
}

ZipProblem ZipArchive::CheckLocalHeader(ZipEntryInfo& entry, std::size_t directory, std::string& detail) const {
    const std::size_t local = entry.localOffset;
    if (local > directory || directory - local < kLocalHeaderSize || Read32(bytes_, local) != kLocalSignature)
        return Fail(ZipProblem::Damaged, detail, "no local header for " + entry.name);
    const std::size_t nameLength = Read16(bytes_, local + 26);
    const std::size_t extraLength = Read16(bytes_, local + 28);
    entry.dataOffset = local + kLocalHeaderSize + nameLength + extraLength;
    if (entry.dataOffset > directory || entry.packedSize > directory - entry.dataOffset)
        return Fail(ZipProblem::Damaged, detail, "entry beyond its room: " + entry.name);
    if (Read16(bytes_, local + 8) != entry.method || bytes_.substr(local + kLocalHeaderSize, nameLength) != entry.name)
        return Fail(ZipProblem::Damaged, detail, "local header differs from the directory: " + entry.name);
    if (Read16(bytes_, local + 6) & (kFlagEncrypted | kFlagStrongEncryption))
        return Fail(ZipProblem::Encrypted, detail, "encrypted entry " + entry.name);
    return ZipProblem::None;
}

ZipProblem ZipArchive::CheckNoOverlap(std::string& detail) const {
    // Each entry's room runs from its local header to the end of its data.
    std::vector<std::pair<std::size_t, std::size_t>> rooms;
    rooms.reserve(entries_.size());
    for (const ZipEntryInfo& entry : entries_)
        rooms.emplace_back(entry.localOffset, entry.dataOffset + entry.packedSize);
    std::sort(rooms.begin(), rooms.end());
    for (std::size_t i = 1; i < rooms.size(); ++i)
        if (rooms[i].first < rooms[i - 1].second) return Fail(ZipProblem::Damaged, detail, "entries overlap");
    return ZipProblem::None;
}

const ZipEntryInfo* ZipArchive::Find(std::string_view name) const {
    auto found = byFoldedName_.find(FoldAscii(name));
    return found == byFoldedName_.end() ? nullptr : &entries_[found->second];
}

std::string_view ZipArchive::PackedData(const ZipEntryInfo& entry) const {
    return bytes_.substr(entry.dataOffset, entry.packedSize);
}

bool ZipArchive::Read(const ZipEntryInfo& entry, std::string& content) const {
    const std::string_view packed = PackedData(entry);
    if (entry.method == kZipStored)
        content.assign(packed);
    else if (!InflateExactly(packed, entry.size, content))
        return false;
    return Crc32(0, content) == entry.crc;
}

}  // namespace exl::workbook
