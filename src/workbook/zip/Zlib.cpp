#include "workbook/zip/Zlib.h"

#include <algorithm>
#include <limits>
#include <new>

namespace exl::workbook {

namespace {

// zlib counts in uInt; the 32-bit build's pieces stay well below its limit.
constexpr std::size_t kMostPerCall = 1u << 30;
constexpr std::size_t kOutputChunk = 65536;

// zlib's memory ran out: the same failure as the plug-in's own, not damaged data or
// a full disk.
int Checked(int status) {
    if (status == Z_MEM_ERROR) throw std::bad_alloc();
    return status;
}

// A raw inflate stream, ended when it goes.
class InflateStream {
public:
    InflateStream() { ready_ = Checked(inflateInit2(&stream_, -MAX_WBITS)) == Z_OK; }
    ~InflateStream() {
        if (ready_) inflateEnd(&stream_);
    }
    InflateStream(const InflateStream&) = delete;
    InflateStream& operator=(const InflateStream&) = delete;

    bool Ready() const { return ready_; }
    z_stream& Stream() { return stream_; }

private:
    z_stream stream_{};
    bool ready_ = false;
};

Bytef* InputBytes(std::string_view bytes) {
    return reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
}

}  // namespace

DeflateStream::DeflateStream(int level) {
    started_ = Checked(deflateInit2(&stream_, level, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY)) == Z_OK;
    healthy_ = started_;
}

DeflateStream::~DeflateStream() {
    if (started_) deflateEnd(&stream_);
}

bool DeflateStream::Compress(std::string_view input, bool finish, ByteSink& out) {
    char buffer[kOutputChunk];
    do {
        if (!healthy_) return false;
        const std::size_t piece = std::min(input.size(), kMostPerCall);
        stream_.next_in = InputBytes(input);
        stream_.avail_in = static_cast<uInt>(piece);
        input.remove_prefix(piece);
        const int flush = finish && input.empty() ? Z_FINISH : Z_NO_FLUSH;
        for (;;) {
            stream_.next_out = reinterpret_cast<Bytef*>(buffer);
            stream_.avail_out = sizeof buffer;
            const int status = deflate(&stream_, flush);
            // Z_BUF_ERROR only says that no progress was possible: all input taken.
            if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) healthy_ = false;
            const std::size_t produced = sizeof buffer - stream_.avail_out;
            if (!healthy_ || !out.Append(std::string_view(buffer, produced))) {
                healthy_ = false;
                return false;
            }
            compressedSize_ += produced;
            if (flush == Z_FINISH ? status == Z_STREAM_END : stream_.avail_out != 0) break;
        }
    } while (!input.empty());
    return true;
}

bool InflateExactly(std::string_view packed, std::size_t size, std::string& out) {
    InflateStream inflater;
    if (!inflater.Ready() || packed.size() > std::numeric_limits<uInt>::max() ||
        size >= std::numeric_limits<uInt>::max())
        return false;
    // One spare byte: zlib refuses an empty output buffer, and shows a stream that
    // would unpack to more than `size`.
    out.assign(size + 1, '\0');
    z_stream& stream = inflater.Stream();
    stream.next_in = InputBytes(packed);
    stream.avail_in = static_cast<uInt>(packed.size());
    stream.next_out = reinterpret_cast<Bytef*>(&out[0]);
    stream.avail_out = static_cast<uInt>(out.size());
    const int status = Checked(inflate(&stream, Z_FINISH));
    const bool exact = status == Z_STREAM_END && stream.total_out == size && stream.avail_in == 0;
    out.resize(exact ? size : 0);
    return exact;
}

std::uint32_t Crc32(std::uint32_t crc, std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t piece = std::min(bytes.size(), kMostPerCall);
        crc = static_cast<std::uint32_t>(crc32(crc, InputBytes(bytes), static_cast<uInt>(piece)));
        bytes.remove_prefix(piece);
    }
    return crc;
}

}  // namespace exl::workbook
