#pragma once
// The little-endian integers of the zip format, read from and written to bytes.
#include <cstdint>
#include <string>
#include <string_view>

namespace exl::workbook {

// The caller has checked that at + 2 (4, 8) bytes exist.
inline std::uint16_t Read16(std::string_view bytes, std::size_t at) {
    return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[at]) |
                                      (static_cast<unsigned char>(bytes[at + 1]) << 8));
}

inline std::uint32_t Read32(std::string_view bytes, std::size_t at) {
    return Read16(bytes, at) | (static_cast<std::uint32_t>(Read16(bytes, at + 2)) << 16);
}

inline std::uint64_t Read64(std::string_view bytes, std::size_t at) {
    return Read32(bytes, at) | (static_cast<std::uint64_t>(Read32(bytes, at + 4)) << 32);
}

inline void Append16(std::string& out, std::uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

inline void Append32(std::string& out, std::uint32_t value) {
    Append16(out, static_cast<std::uint16_t>(value & 0xFFFF));
    Append16(out, static_cast<std::uint16_t>(value >> 16));
}

}  // namespace exl::workbook
