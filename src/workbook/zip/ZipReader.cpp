#include "workbook/zip/ZipReader.h"

#include <algorithm>

#include "workbook/xml/Utf8.h"
#include "workbook/zip/LittleEndian.h"
#include "workbook/zip/ZipFormat.h"
#include "workbook/zip/Zlib.h"

namespace exl::workbook {

namespace {

constexpr std::size_t kMostCommentBytes = 0xFFFF;
constexpr std::uint16_t kMethodAesEncrypted = 99;
// Deflate packs at most about 1:1032; a larger claimed size is a broken header
// (and must not become a large allocation).
constexpr std::uint64_t kMostDeflateRatio = 1032;
constexpr std::uint64_t kDeflateSlack = 64;

// Code page 437 from 0x80 on; below, it is ASCII.
constexpr char16_t kCodePage437High[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC,
    0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9, 0x00FF, 0x00D6, 0x00DC, 0x00A2,
    0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310,
    0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB, 0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C,
    0x255E, 0x255F, 0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580, 0x03B1, 0x00DF,
    0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248, 0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2,
    0x25A0, 0x00A0};

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

// Where the central directory lies, as the end record or its zip64 record says.
struct DirectoryPlace {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t count = 0;
    std::size_t end = 0;  // the record that must follow the directory directly
};

ZipProblem ReadZip64EndRecord(std::string_view bytes, std::size_t locator, DirectoryPlace& place,
                              std::string& detail) {
    const std::uint64_t record = Read64(bytes, locator + 8);
    if (Read32(bytes, locator + 4) != 0 || Read32(bytes, locator + 16) > 1)
        return Fail(ZipProblem::Damaged, detail, "spread over several disks");
    if (record > locator || locator - record < kZip64EndSize || Read32(bytes, record) != kZip64EndSignature)
        return Fail(ZipProblem::Damaged, detail, "no zip64 end record where its locator points");
    // Its size counts the bytes after the size field, up to the locator.
    if (Read64(bytes, record + 4) != locator - record - 12)
        return Fail(ZipProblem::Damaged, detail, "zip64 end record of a wrong size");
    if (Read32(bytes, record + 16) != 0 || Read32(bytes, record + 20) != 0)
        return Fail(ZipProblem::Damaged, detail, "spread over several disks");
    place.count = Read64(bytes, record + 32);
    if (Read64(bytes, record + 24) != place.count) return Fail(ZipProblem::Damaged, detail, "entry counts differ");
    place.size = Read64(bytes, record + 40);
    place.offset = Read64(bytes, record + 48);
    place.end = static_cast<std::size_t>(record);
    return ZipProblem::None;
}

ZipProblem ReadEndRecord(std::string_view bytes, std::size_t end, DirectoryPlace& place, std::string& detail) {
    if (end >= kZip64LocatorSize && Read32(bytes, end - kZip64LocatorSize) == kZip64LocatorSignature)
        return ReadZip64EndRecord(bytes, end - kZip64LocatorSize, place, detail);
    place.count = Read16(bytes, end + 10);
    place.size = Read32(bytes, end + 12);
    place.offset = Read32(bytes, end + 16);
    place.end = end;
    if (place.count == kZip64Count || place.size == kZip64Value || place.offset == kZip64Value)
        return Fail(ZipProblem::Damaged, detail, "zip64 values without the zip64 record");
    if (Read16(bytes, end + 4) != 0 || Read16(bytes, end + 6) != 0)
        return Fail(ZipProblem::Damaged, detail, "spread over several disks");
    if (Read16(bytes, end + 8) != place.count) return Fail(ZipProblem::Damaged, detail, "entry counts differ");
    return ZipProblem::None;
}

// The values of a central header that a zip64 extra field replaces, in the field's order.
struct EntryPlace {
    std::uint64_t size;
    std::uint64_t packedSize;
    std::uint64_t localOffset;
    std::uint32_t disk;
};

// Takes the zip64 extra field's values for those marked in the header. false when a
// marked value is missing. Fields after a broken one are not looked at.
bool TakeZip64Values(std::string_view extra, EntryPlace& place) {
    std::string_view values;
    for (std::size_t at = 0; extra.size() - at >= 4;) {
        const std::size_t length = Read16(extra, at + 2);
        if (length > extra.size() - at - 4) break;
        if (Read16(extra, at) == kZip64ExtraId) values = extra.substr(at + 4, length);
        at += 4 + length;
    }
    std::size_t next = 0;
    for (std::uint64_t* value : {&place.size, &place.packedSize, &place.localOffset}) {
        if (*value != kZip64Value) continue;
        if (values.size() - next < 8) return false;
        *value = Read64(values, next);
        next += 8;
    }
    if (place.disk != kZip64Count) return true;
    if (values.size() - next < 4) return false;
    place.disk = Read32(values, next);
    return true;
}

std::string NameOf(std::string_view stored, std::uint16_t flags) {
    return (flags & kZipFlagUtf8Names) ? std::string(stored) : Utf8FromCodePage437(stored);
}

}  // namespace

std::string FoldAscii(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

std::string Utf8FromCodePage437(std::string_view name) {
    std::string utf8;
    utf8.reserve(name.size());
    for (char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            utf8 += c;
        else
            AppendUtf8(utf8, kCodePage437High[byte - 0x80]);
    }
    return utf8;
}

ZipProblem ZipArchive::Open(std::string_view bytes, std::string& detail) {
    bytes_ = bytes;
    entries_.clear();
    byFoldedName_.clear();
    reads_.clear();
    refused_ = ZipRefusal();
    const std::size_t end = FindEndRecord(bytes);
    if (end == std::string_view::npos) {
        return IsLocalHeaderAt(bytes, 0) ? Fail(ZipProblem::Damaged, detail, "no end of the central directory")
                                         : Fail(ZipProblem::NotZip, detail, "not a zip file");
    }
    DirectoryPlace place;
    ZipProblem problem = ReadEndRecord(bytes, end, place, detail);
    if (problem != ZipProblem::None) return problem;
    if (place.offset > place.end || place.size != place.end - place.offset)
        return Fail(ZipProblem::Damaged, detail, "central directory not before its end record");
    if (place.count > place.size / kCentralHeaderSize)
        return Fail(ZipProblem::Damaged, detail, "more entries than the central directory holds");
    problem = ReadDirectory(static_cast<std::size_t>(place.offset), place.end, place.count, detail);
    if (problem != ZipProblem::None) {
        entries_.clear();
        byFoldedName_.clear();
    }
    reads_.assign(entries_.size(), 0);
    return problem;
}

ZipProblem ZipArchive::ReadDirectory(std::size_t directory, std::size_t directoryEnd, std::uint64_t count,
                                     std::string& detail) {
    entries_.reserve(static_cast<std::size_t>(count));
    std::size_t at = directory;
    for (std::uint64_t i = 0; i < count; ++i) {
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

ZipProblem ZipArchive::Refuse(ZipProblem problem, const ZipRefusal& refusal, std::string& detail,
                              const std::string& reason) {
    refused_ = refusal;
    return Fail(problem, detail, reason + " " + refusal.name);
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
    EntryPlace place{Read32(bytes_, at + 24), Read32(bytes_, at + 20), Read32(bytes_, at + 42), Read16(bytes_, at + 34)};
    const std::size_t nameLength = Read16(bytes_, at + 28);
    const std::size_t extraLength = Read16(bytes_, at + 30);
    const std::size_t commentLength = Read16(bytes_, at + 32);
    const std::size_t recordSize = kCentralHeaderSize + nameLength + extraLength + commentLength;
    if (directoryEnd - at < recordSize) return Fail(ZipProblem::Damaged, detail, "broken central directory");
    const std::string_view storedName = bytes_.substr(at + kCentralHeaderSize, nameLength);
    const std::string_view extra = bytes_.substr(at + kCentralHeaderSize + nameLength, extraLength);
    at += recordSize;

    if (storedName.empty() || storedName.find('\0') != std::string_view::npos)
        return Fail(ZipProblem::Damaged, detail, "entry without a proper name");
    entry.name = NameOf(storedName, entry.flags);
    if (!TakeZip64Values(extra, place)) return Fail(ZipProblem::Damaged, detail, "zip64 values missing for " + entry.name);
    const ZipRefusal refusal{entry.name, entry.method, place.size};
    if ((entry.flags & (kZipFlagEncrypted | kZipFlagStrongEncryption)) || entry.method == kMethodAesEncrypted)
        return Refuse(ZipProblem::Encrypted, refusal, detail, "encrypted entry");
    if (entry.method != kZipStored && entry.method != kZipDeflated)
        return Refuse(ZipProblem::Unsupported, refusal, detail, "compression method " + std::to_string(entry.method));
    if (place.disk != 0) return Fail(ZipProblem::Damaged, detail, "entry on another disk: " + entry.name);
    if (place.packedSize > bytes_.size() || place.localOffset >= bytes_.size() || place.localOffset >= kZip64Value ||
        place.packedSize >= kZip64Value)
        return Fail(ZipProblem::Damaged, detail, "entry beyond the file: " + entry.name);
    if (place.size >= kZip64Value) return Refuse(ZipProblem::TooLarge, refusal, detail, "entry of 4 GB or more:");
    entry.size = static_cast<std::uint32_t>(place.size);
    entry.packedSize = static_cast<std::uint32_t>(place.packedSize);
    entry.localOffset = static_cast<std::uint32_t>(place.localOffset);
    const bool sizeFits = entry.method == kZipStored
                              ? entry.size == entry.packedSize
                              : entry.size <= entry.packedSize * kMostDeflateRatio + kDeflateSlack;
    if (!sizeFits) return Fail(ZipProblem::Damaged, detail, "impossible size of " + entry.name);
    if (!byFoldedName_.emplace(FoldAscii(entry.name), entries_.size()).second)
        return Fail(ZipProblem::Damaged, detail, "entry twice: " + entry.name);
    entries_.push_back(std::move(entry));
    return ZipProblem::None;
}

// The local header's sizes and CRC are not looked at: with a data descriptor
// (flag bit 3) they are zero, and the central directory holds the true ones.
ZipProblem ZipArchive::CheckLocalHeader(ZipEntryInfo& entry, std::size_t directory, std::string& detail) const {
    const std::size_t local = entry.localOffset;
    if (local > directory || directory - local < kLocalHeaderSize || Read32(bytes_, local) != kLocalSignature)
        return Fail(ZipProblem::Damaged, detail, "no local header for " + entry.name);
    const std::size_t nameLength = Read16(bytes_, local + 26);
    const std::size_t extraLength = Read16(bytes_, local + 28);
    entry.dataOffset = local + kLocalHeaderSize + nameLength + extraLength;
    if (entry.dataOffset > directory || entry.packedSize > directory - entry.dataOffset)
        return Fail(ZipProblem::Damaged, detail, "entry beyond its room: " + entry.name);
    if (Read16(bytes_, local + 8) != entry.method ||
        NameOf(bytes_.substr(local + kLocalHeaderSize, nameLength), entry.flags) != entry.name)
        return Fail(ZipProblem::Damaged, detail, "local header differs from the directory: " + entry.name);
    if (Read16(bytes_, local + 6) & (kZipFlagEncrypted | kZipFlagStrongEncryption))
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

std::uint32_t ZipArchive::TimesRead(std::string_view name) const {
    const auto found = byFoldedName_.find(FoldAscii(name));
    return found == byFoldedName_.end() ? 0 : reads_[found->second];
}

bool ZipArchive::Read(const ZipEntryInfo& entry, std::string& content) const {
    content.clear();
    if (const auto found = byFoldedName_.find(FoldAscii(entry.name)); found != byFoldedName_.end())
        ++reads_[found->second];
    if (entry.size > kMostPartBytes) return false;
    const std::string_view packed = PackedData(entry);
    if (entry.method == kZipStored)
        content.assign(packed);
    else if (!InflateExactly(packed, entry.size, content))
        return false;
    return Crc32(0, content) == entry.crc;
}

}  // namespace exl::workbook
