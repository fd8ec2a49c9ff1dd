#pragma once
#include <string>

namespace exl {

// Values are read into 256-byte buffers with the size 255, so at most 254
// characters of a value count; a missing file or key yields the default.
// An empty file name names no file: it reads as a missing file and takes no
// writes (the platform would resolve it to the Windows directory instead).
constexpr int kIniBufferSize = 256;
constexpr int kIniReadSize = 255;
constexpr std::size_t kIniValueMaxChars = kIniReadSize - 1;

// Reads with a caller-chosen read size; the result holds at most readSize - 1 characters.
std::string ReadIniString(const std::string& file, const std::string& section, const std::string& key,
                          const std::string& defaultValue, int readSize = kIniReadSize);
// The platform's whole-number reader: the default when absent, 0 when not numeric.
int ReadIniInt(const std::string& file, const std::string& section, const std::string& key, int defaultValue);

bool WriteIniString(const std::string& file, const std::string& section, const std::string& key,
                    const std::string& value);
// Written as decimal text ("%i").
bool WriteIniInt(const std::string& file, const std::string& section, const std::string& key, int value);
bool DeleteIniKey(const std::string& file, const std::string& section, const std::string& key);

// "%s %i" and friends without a fixed buffer.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace exl
