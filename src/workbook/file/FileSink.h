#pragma once
// A ByteSink over an open file, writing through a buffer of its own.
#include <windows.h>

#include <string>

#include "workbook/zip/ByteSink.h"

namespace exl::workbook {

class FileSink : public ByteSink {
public:
    // The handle stays the caller's; it is opened for writing and positioned at its start.
    explicit FileSink(HANDLE file) : file_(file) {}

    bool Append(std::string_view bytes) override;
    bool Overwrite(std::uint64_t offset, std::string_view bytes) override;
    std::uint64_t Size() const override { return size_; }
    // Writes out what the buffer holds; false when any write failed.
    bool Flush();
    // The Windows error of the write that failed; 0 while none did.
    DWORD Error() const { return error_; }

private:
    bool WriteOut(std::string_view bytes);

    static constexpr std::size_t kBufferSize = 1 << 18;
    HANDLE file_;
    std::string buffer_;
    std::uint64_t size_ = 0;
    bool failed_ = false;
    DWORD error_ = 0;
};

}  // namespace exl::workbook
