#pragma once
// The zip container of the workbook files: deflated entries with CRC-32, one
// central directory, no zip64, no encryption.
#include <string>
#include <vector>

namespace exl::standin {

struct ZipEntry {
    std::string name;  // forward slashes, no leading slash
    std::string data;
};

// The bytes of a zip file holding the entries in order.
std::string BuildZip(const std::vector<ZipEntry>& entries);
// All entries of a zip file, each inflated and checked against its CRC and size.
// false with a reason when the bytes are not such a file.
bool ParseZip(const std::string& bytes, std::vector<ZipEntry>& entries, std::string& error);

// Whole files, binary; false when the file cannot be read or written.
bool ReadWholeFile(const std::wstring& path, std::string& bytes);
bool WriteWholeFile(const std::wstring& path, const std::string& bytes);

}  // namespace exl::standin
