#include "workbook/file/FileSink.h"

#include <algorithm>

namespace exl::workbook {

namespace {

// WriteFile counts in DWORD; pieces stay far below its limit.
constexpr std::size_t kMostPerWrite = 1 << 24;

bool Seek(HANDLE file, std::uint64_t offset, DWORD method) {
    LARGE_INTEGER distance;
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(file, distance, nullptr, method) != 0;
}

}  // namespace

bool FileSink::WriteOut(std::string_view bytes) {
    while (!failed_ && !bytes.empty()) {
        const DWORD piece = static_cast<DWORD>(std::min(bytes.size(), kMostPerWrite));
        DWORD written = 0;
        if (!WriteFile(file_, bytes.data(), piece, &written, nullptr) || written != piece) {
            failed_ = true;
            error_ = GetLastError();
        }
        bytes.remove_prefix(piece);
    }
    return !failed_;
}

bool FileSink::Append(std::string_view bytes) {
    if (failed_) return false;
    size_ += bytes.size();
    if (buffer_.size() + bytes.size() <= kBufferSize) {
        buffer_.append(bytes);
        return true;
    }
    return Flush() && WriteOut(bytes);
}

bool FileSink::Flush() {
    const bool written = WriteOut(buffer_);
    buffer_.clear();
    return written;
}

bool FileSink::Overwrite(std::uint64_t offset, std::string_view bytes) {
    if (offset > size_ || bytes.size() > size_ - offset) return false;
    // Bytes still in the buffer are changed there.
    const std::uint64_t buffered = size_ - buffer_.size();
    if (offset >= buffered) {
        buffer_.replace(static_cast<std::size_t>(offset - buffered), bytes.size(), bytes);
        return !failed_;
    }
    if (!Flush() || !Seek(file_, offset, FILE_BEGIN) || !WriteOut(bytes) || !Seek(file_, 0, FILE_END))
        failed_ = true;
    return !failed_;
}

}  // namespace exl::workbook
