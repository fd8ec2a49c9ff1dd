#pragma once
// zlib's raw deflate streams (zip entries carry no zlib header), each held by an
// object that ends the stream when it goes, and every zlib status checked. zlib's
// memory running out raises std::bad_alloc, as the plug-in's own allocations do.
#include <zlib.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "workbook/zip/ByteSink.h"

namespace exl::workbook {

// Compresses a stream of bytes piece by piece into a sink.
class DeflateStream {
public:
    // level: zlib's 0 to 9.
    explicit DeflateStream(int level);
    ~DeflateStream();
    DeflateStream(const DeflateStream&) = delete;
    DeflateStream& operator=(const DeflateStream&) = delete;

    // Compresses input into out; finish ends the stream. false when zlib or the sink
    // failed, also for every later call.
    bool Compress(std::string_view input, bool finish, ByteSink& out);
    // Compressed bytes handed to the sink so far.
    std::uint64_t CompressedSize() const { return compressedSize_; }

private:
    z_stream stream_{};
    bool started_ = false;  // deflateEnd is owed
    bool healthy_ = false;
    std::uint64_t compressedSize_ = 0;
};

// Inflates one whole raw deflate stream that must unpack to exactly `size` bytes
// and end where `packed` ends. false when it does not (damaged data, or a size that
// does not match); out then holds nothing useful.
bool InflateExactly(std::string_view packed, std::size_t size, std::string& out);

// The CRC-32 that zip stores, continued from `crc` (0 to start).
std::uint32_t Crc32(std::uint32_t crc, std::string_view bytes);

}  // namespace exl::workbook
