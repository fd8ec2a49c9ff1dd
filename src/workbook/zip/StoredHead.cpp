#include "workbook/zip/StoredHead.h"

#include <zlib.h>

#include <algorithm>

#include "workbook/zip/LittleEndian.h"

namespace exl::workbook {

namespace {

// A stored block: a header byte (BFINAL 0, BTYPE 00, then padding to the byte), the
// length and its complement, then up to 65,535 bytes. Blocks start and end on a byte,
// so the deflate stream after them goes on from there.
constexpr std::size_t kMostStoredBytes = 0xFFFF;
constexpr std::size_t kStoredBlockHeader = 5;
constexpr std::size_t kMostStoredBlock = kMostStoredBytes + kStoredBlockHeader;
// zlib takes lengths as a 32-bit long on Windows: longer ones go in steps.
constexpr std::uint64_t kCrcStep = 1u << 30;

std::size_t Blocks(std::size_t bytes, std::size_t perBlock) {
    return std::max<std::size_t>(1, (bytes + perBlock - 1) / perBlock);
}

}  // namespace

std::size_t HeadRoom(std::size_t most) { return most + kStoredBlockHeader * Blocks(most, kMostStoredBytes); }

bool FillHeadRoom(std::string& head, std::size_t room, std::string& blocks) {
    if (room < kStoredBlockHeader) return false;
    const std::size_t count = Blocks(room, kMostStoredBlock);
    const std::size_t bytes = room - kStoredBlockHeader * count;
    if (head.size() > bytes) return false;
    head.append(bytes - head.size(), ' ');
    blocks.clear();
    std::string_view rest = head;
    for (std::size_t block = 0; block < count; ++block) {
        const std::string_view stored = rest.substr(0, kMostStoredBytes);
        rest.remove_prefix(stored.size());
        blocks += '\0';
        Append16(blocks, static_cast<std::uint16_t>(stored.size()));
        Append16(blocks, static_cast<std::uint16_t>(~stored.size()));
        blocks.append(stored);
    }
    return true;
}

// zlib's combine shifts the first CRC over the second's length and adds the second
// in: a long rest is shifted over in steps, adding nothing, and added in at the last.
std::uint32_t CombinedCrc(std::uint32_t headCrc, std::uint32_t restCrc, std::uint64_t restSize) {
    uLong crc = headCrc;
    for (; restSize > kCrcStep; restSize -= kCrcStep) crc = crc32_combine(crc, 0, static_cast<z_off_t>(kCrcStep));
    return static_cast<std::uint32_t>(crc32_combine(crc, restCrc, static_cast<z_off_t>(restSize)));
}

}  // namespace exl::workbook
