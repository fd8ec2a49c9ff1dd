#include "workbook/DeferredHeadEntry.h"

#include "workbook/LittleEndian.h"

namespace exl::workbook {

namespace {

constexpr std::size_t kPendingChunk = 1 << 16;
constexpr std::size_t kMostStoredBlock = 0xFFFF;
// Largest size without zip64: 0xFFFFFFFF itself means "see zip64".
constexpr std::uint64_t kMostZip32 = 0xFFFFFFFE;
// zlib takes lengths as a 32-bit long on Windows: longer ones go in steps.
constexpr std::uint64_t kCrcStep = 1u << 30;

// Non-final stored blocks: a header byte (BFINAL 0, BTYPE 00, then padding to the
// byte), the length and its complement, the bytes. They start and end on a byte,
// so the deflate stream that follows goes on from there.
std::string StoredBlocks(std::string_view bytes) {
    std::string blocks;
    while (!bytes.empty()) {
        const std::string_view block = bytes.substr(0, kMostStoredBlock);
        bytes.remove_prefix(block.size());
        blocks += '\0';
        Append16(blocks, static_cast<std::uint16_t>(block.size()));
        Append16(blocks, static_cast<std::uint16_t>(~block.size()));
        blocks.append(block);
    }
    return blocks;
}

// The CRC of the head followed by the rest, from the CRCs of both. zlib's combine
// shifts the first CRC over the second's length and adds the second in, so a long
// rest is shifted over in steps, adding nothing, and added in at the last.
std::uint32_t CombinedCrc(std::uint32_t headCrc, std::uint32_t restCrc, std::uint64_t restSize) {
    uLong crc = headCrc;
    for (; restSize > kCrcStep; restSize -= kCrcStep) crc = crc32_combine(crc, 0, static_cast<z_off_t>(kCrcStep));
    return static_cast<std::uint32_t>(crc32_combine(crc, restCrc, static_cast<z_off_t>(restSize)));
}

}  // namespace

bool DeferredHeadEntry::PackedBytes::Append(std::string_view appended) {
    bytes.append(appended);
    return true;
}

bool DeferredHeadEntry::PackedBytes::Overwrite(std::uint64_t, std::string_view) { return false; }

DeferredHeadEntry::DeferredHeadEntry(int level) : deflater_(level) {}

bool DeferredHeadEntry::Write(std::string_view bytes) {
    pending_.append(bytes);
    return pending_.size() < kPendingChunk || Flush(false);
}

bool DeferredHeadEntry::Flush(bool finish) {
    crc_ = Crc32(crc_, pending_);
    size_ += pending_.size();
    const bool packed = deflater_.Compress(pending_, finish, packed_);
    pending_.clear();
    return packed;
}

bool DeferredHeadEntry::Finish(const std::string& name, std::string_view head, ZipWriter& zip, std::string& problem) {
    if (!Flush(true)) {
        problem = "cannot compress";
        return false;
    }
    const std::string headBlocks = StoredBlocks(head);
    if (size_ + head.size() > kMostZip32 || packed_.bytes.size() + headBlocks.size() > kMostZip32) {
        problem = name + ": entry too large for a zip file without zip64";
        return false;
    }
    ZipEntryInfo entry;
    entry.name = name;
    entry.flags = kZipFlagUtf8Names;
    entry.method = kZipDeflated;
    entry.dosDate = zip.Timestamp().date;
    entry.dosTime = zip.Timestamp().time;
    entry.crc = CombinedCrc(Crc32(0, head), crc_, size_);
    entry.size = static_cast<std::uint32_t>(size_ + head.size());
    packed_.bytes.insert(0, headBlocks);
    entry.packedSize = static_cast<std::uint32_t>(packed_.bytes.size());
    if (zip.CopyEntry(entry, packed_.bytes)) return true;
    problem = zip.Problem();
    return false;
}

}  // namespace exl::workbook
