#pragma once
// The records and values of the zip format that its reader and writer share.
#include <cstddef>
#include <cstdint>

namespace exl::workbook {

constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::size_t kLocalHeaderSize = 30;
constexpr std::size_t kCentralHeaderSize = 46;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kZip64LocatorSize = 20;

constexpr std::uint16_t kZipStored = 0;
constexpr std::uint16_t kZipDeflated = 8;
constexpr std::uint16_t kZipFlagEncrypted = 0x0001;
constexpr std::uint16_t kZipFlagDataDescriptor = 0x0008;
constexpr std::uint16_t kZipFlagStrongEncryption = 0x0040;
constexpr std::uint16_t kZipFlagUtf8Names = 0x0800;

// Values that stand for "see the zip64 record or extra field": a count of entries
// of 0xFFFF, a size or offset of 0xFFFFFFFF.
constexpr std::uint16_t kZip64Count = 0xFFFF;
constexpr std::uint32_t kZip64Value = 0xFFFFFFFF;
constexpr std::uint16_t kZip64ExtraId = 0x0001;

}  // namespace exl::workbook
