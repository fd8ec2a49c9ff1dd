#include "Zip.h"

#include <windows.h>
#include <zlib.h>

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <memory>

namespace exl::standin {
namespace {

constexpr uint32_t kLocalHeader = 0x04034b50;
constexpr uint32_t kCentralHeader = 0x02014b50;
constexpr uint32_t kEndOfCentral = 0x06054b50;
constexpr size_t kLocalHeaderSize = 30;
constexpr size_t kCentralHeaderSize = 46;
constexpr size_t kEndOfCentralSize = 22;
constexpr uint16_t kVersion = 20;  // 2.0: deflate
constexpr uint16_t kStored = 0;
constexpr uint16_t kDeflated = 8;
constexpr uint16_t kUtf8Names = 0x0800;
// Deflate packs at most about 1:1032, so a larger claimed size is a broken header
// (and must not become a huge allocation).
constexpr uint64_t kMaxDeflateRatio = 1040;

void Put16(std::string& out, uint16_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>(value >> 8));
}

void Put32(std::string& out, uint32_t value) {
    Put16(out, static_cast<uint16_t>(value & 0xFFFF));
    Put16(out, static_cast<uint16_t>(value >> 16));
}

uint16_t Get16(const std::string& in, size_t at) {
    return static_cast<uint16_t>(static_cast<unsigned char>(in[at]) | (static_cast<unsigned char>(in[at + 1]) << 8));
}

uint32_t Get32(const std::string& in, size_t at) {
    return Get16(in, at) | (static_cast<uint32_t>(Get16(in, at + 2)) << 16);
}

std::string Deflate(const std::string& data) {
    z_stream stream{};
    // Raw deflate (negative window bits): zip carries no zlib header.
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
    std::string out(deflateBound(&stream, static_cast<uLong>(data.size())), '\0');
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream.avail_in = static_cast<uInt>(data.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    deflate(&stream, Z_FINISH);
    out.resize(stream.total_out);
    deflateEnd(&stream);
    return out;
}

bool Inflate(const std::string& packed, size_t size, std::string& out) {
    // One spare byte: zlib refuses a null output buffer, and an empty entry has no other.
    out.assign(size + 1, '\0');
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return false;
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = static_cast<uInt>(packed.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    int status = inflate(&stream, Z_FINISH);
    bool ok = status == Z_STREAM_END && stream.total_out == size;
    inflateEnd(&stream);
    out.resize(size);
    return ok;
}

uint32_t Crc(const std::string& data) {
    return static_cast<uint32_t>(
        crc32(crc32(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size())));
}

// MS-DOS date and time of now, as zip stores them.
void DosNow(uint16_t& date, uint16_t& time) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    date = static_cast<uint16_t>(((now.wYear - 1980) << 9) | (now.wMonth << 5) | now.wDay);
    time = static_cast<uint16_t>((now.wHour << 11) | (now.wMinute << 5) | (now.wSecond / 2));
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

std::string BuildZip(const std::vector<ZipEntry>& entries) {
    uint16_t date = 0, time = 0;
    DosNow(date, time);
    std::string out;
    std::string central;
    for (const ZipEntry& entry : entries) {
        std::string packed = Deflate(entry.data);
        uint32_t crc = Crc(entry.data);
        uint32_t offset = static_cast<uint32_t>(out.size());
        auto header = [&](std::string& to, bool isCentral) {
            Put32(to, isCentral ? kCentralHeader : kLocalHeader);
            if (isCentral) Put16(to, kVersion);  // made by
            Put16(to, kVersion);                 // needed to extract
            Put16(to, kUtf8Names);
            Put16(to, kDeflated);
            Put16(to, time);
            Put16(to, date);
            Put32(to, crc);
            Put32(to, static_cast<uint32_t>(packed.size()));
            Put32(to, static_cast<uint32_t>(entry.data.size()));
            Put16(to, static_cast<uint16_t>(entry.name.size()));
            Put16(to, 0);  // extra field
            if (isCentral) {
                Put16(to, 0);  // comment
                Put16(to, 0);  // disk
                Put16(to, 0);  // internal attributes
                Put32(to, 0);  // external attributes
                Put32(to, offset);
            }
            to += entry.name;
        };
        header(out, false);
        out += packed;
        header(central, true);
    }
    uint32_t centralOffset = static_cast<uint32_t>(out.size());
    out += central;
    Put32(out, kEndOfCentral);
    Put16(out, 0);  // this disk
    Put16(out, 0);  // disk of the central directory
    Put16(out, static_cast<uint16_t>(entries.size()));
    Put16(out, static_cast<uint16_t>(entries.size()));
    Put32(out, static_cast<uint32_t>(central.size()));
    Put32(out, centralOffset);
    Put16(out, 0);  // comment
    return out;
}

bool ParseZip(const std::string& bytes, std::vector<ZipEntry>& entries, std::string& error) {
    entries.clear();
    if (bytes.size() < kEndOfCentralSize) {
        error = "too short for a zip file";
        return false;
    }
    // The end record sits at the end, after a comment of up to 65,535 bytes.
    size_t end = std::string::npos;
    size_t lowest = bytes.size() > kEndOfCentralSize + 0xFFFF ? bytes.size() - kEndOfCentralSize - 0xFFFF : 0;
    for (size_t at = bytes.size() - kEndOfCentralSize + 1; at-- > lowest;) {
        if (Get32(bytes, at) == kEndOfCentral) {
            end = at;
            break;
        }
    }
    if (end == std::string::npos) {
        error = "no end of central directory";
        return false;
    }
    uint16_t count = Get16(bytes, end + 10);
    size_t at = Get32(bytes, end + 16);
    for (uint16_t i = 0; i < count; ++i) {
        if (at + kCentralHeaderSize > end || Get32(bytes, at) != kCentralHeader) {
            error = "broken central directory";
            return false;
        }
        uint16_t method = Get16(bytes, at + 10);
        uint32_t crc = Get32(bytes, at + 16);
        uint32_t packedSize = Get32(bytes, at + 20);
        uint32_t size = Get32(bytes, at + 24);
        size_t nameLength = Get16(bytes, at + 28);
        size_t extraLength = Get16(bytes, at + 30);
        size_t commentLength = Get16(bytes, at + 32);
        size_t local = Get32(bytes, at + 42);
        if (at + kCentralHeaderSize + nameLength > end) {
            error = "broken central directory";
            return false;
        }
        ZipEntry entry;
        entry.name = bytes.substr(at + kCentralHeaderSize, nameLength);
        at += kCentralHeaderSize + nameLength + extraLength + commentLength;
        if (local + kLocalHeaderSize > bytes.size() || Get32(bytes, local) != kLocalHeader) {
            error = "no local header for " + entry.name;
            return false;
        }
        size_t data = local + kLocalHeaderSize + Get16(bytes, local + 26) + Get16(bytes, local + 28);
        if (data > bytes.size() || packedSize > bytes.size() - data ||
            size > static_cast<uint64_t>(packedSize) * kMaxDeflateRatio + 64) {
            error = "entry beyond the end: " + entry.name;
            return false;
        }
        std::string packed = bytes.substr(data, packedSize);
        if (method == kStored) {
            entry.data = packed;
        } else if (method != kDeflated || !Inflate(packed, size, entry.data)) {
            error = "cannot unpack " + entry.name;
            return false;
        }
        if (entry.data.size() != size || Crc(entry.data) != crc) {
            error = "CRC or size mismatch in " + entry.name;
            return false;
        }
        entries.push_back(std::move(entry));
    }
    return true;
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    std::unique_ptr<std::FILE, FileCloser> file(_wfopen(path.c_str(), L"rb"));
    if (!file) return false;
    bytes.clear();
    char buffer[65536];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0) bytes.append(buffer, got);
    return !std::ferror(file.get());
}

bool WriteWholeFile(const std::wstring& path, const std::string& bytes) {
    std::unique_ptr<std::FILE, FileCloser> file(_wfopen(path.c_str(), L"wb"));
    if (!file) return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return std::fclose(file.release()) == 0 && ok;
}

}  // namespace exl::standin
