#include "ZipCheck.h"

#include <zlib.h>

#include <cstdint>

namespace exl::test {
namespace {

uint32_t Read(const std::string& bytes, size_t at, int size) {
    uint32_t value = 0;
    for (int i = size - 1; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>(bytes.at(at + i));
    return value;
}

std::string InflateRaw(const std::string& packed, size_t expected, bool& ok) {
    std::string out(expected + 16, '\0');
    z_stream stream{};
    inflateInit2(&stream, -15);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    stream.avail_in = static_cast<uInt>(packed.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    ok = inflate(&stream, Z_FINISH) == Z_STREAM_END;
    out.resize(stream.total_out);
    inflateEnd(&stream);
    return out;
}

}  // namespace

ZipCheckResult CheckZip(const std::string& bytes) {
    ZipCheckResult result;
    auto fail = [&](const std::string& problem) {
        result.problem = problem;
        return result;
    };
    if (bytes.size() < 22) return fail("shorter than an end record");
    // This check expects no archive comment: the end record is the last 22 bytes.
    size_t end = bytes.size() - 22;
    if (Read(bytes, end, 4) != 0x06054b50) return fail("no end record at the end");
    uint32_t count = Read(bytes, end + 10, 2);
    if (Read(bytes, end + 8, 2) != count) return fail("entry counts differ");
    uint32_t directorySize = Read(bytes, end + 12, 4);
    uint32_t directory = Read(bytes, end + 16, 4);
    if (directory + directorySize != end) return fail("central directory does not end at the end record");
    size_t at = directory;
    size_t nextLocal = 0;  // local entries must follow one another from offset 0
    for (uint32_t i = 0; i < count; ++i) {
        if (Read(bytes, at, 4) != 0x02014b50) return fail("bad central header signature");
        uint32_t method = Read(bytes, at + 10, 2);
        uint32_t crc = Read(bytes, at + 16, 4);
        uint32_t packedSize = Read(bytes, at + 20, 4);
        uint32_t size = Read(bytes, at + 24, 4);
        uint32_t nameLength = Read(bytes, at + 28, 2);
        uint32_t skip = Read(bytes, at + 30, 2) + Read(bytes, at + 32, 2);
        uint32_t local = Read(bytes, at + 42, 4);
        std::string name = bytes.substr(at + 46, nameLength);
        at += 46 + nameLength + skip;
        if (local != nextLocal) return fail("local header of " + name + " not where expected");
        if (Read(bytes, local, 4) != 0x04034b50) return fail("bad local header signature of " + name);
        if (Read(bytes, local + 14, 4) != crc || Read(bytes, local + 18, 4) != packedSize ||
            Read(bytes, local + 22, 4) != size)
            return fail("local and central header of " + name + " differ");
        if (bytes.substr(local + 30, Read(bytes, local + 26, 2)) != name) return fail("local name differs: " + name);
        size_t data = local + 30 + Read(bytes, local + 26, 2) + Read(bytes, local + 28, 2);
        std::string packed = bytes.substr(data, packedSize);
        bool inflated = true;
        std::string content = method == 8 ? InflateRaw(packed, size, inflated) : packed;
        if (method != 8 && method != 0) return fail("unknown method for " + name);
        if (!inflated || content.size() != size) return fail("size of " + name + " wrong");
        uLong actual = crc32(crc32(0, Z_NULL, 0), reinterpret_cast<const Bytef*>(content.data()),
                             static_cast<uInt>(content.size()));
        if (actual != crc) return fail("CRC of " + name + " wrong");
        result.entries[name] = content;
        nextLocal = data + packedSize;
    }
    if (nextLocal != directory) return fail("gap before the central directory");
    if (at != end) return fail("central directory size wrong");
    result.ok = true;
    return result;
}

}  // namespace exl::test
