#pragma once
// Where the zip writer's bytes go: a file (FileSink) or memory (StringSink). The
// writer appends, and goes back once per entry to fill in the sizes and checksum
// of the entry's local header.
#include <cstdint>
#include <string>
#include <string_view>

namespace exl::workbook {

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // false when the bytes could not be stored (disk full, handle gone); the sink
    // stays failed.
    virtual bool Append(std::string_view bytes) = 0;
    // Replaces bytes already appended, at offset (offset + size <= Size()).
    virtual bool Overwrite(std::uint64_t offset, std::string_view bytes) = 0;
    // Bytes appended so far.
    virtual std::uint64_t Size() const = 0;
};

class StringSink : public ByteSink {
public:
    bool Append(std::string_view bytes) override {
        bytes_.append(bytes);
        return true;
    }
    bool Overwrite(std::uint64_t offset, std::string_view bytes) override {
        if (offset > bytes_.size() || bytes.size() > bytes_.size() - offset) return false;
        bytes_.replace(static_cast<std::size_t>(offset), bytes.size(), bytes);
        return true;
    }
    std::uint64_t Size() const override { return bytes_.size(); }
    const std::string& Bytes() const { return bytes_; }

private:
    std::string bytes_;
};

}  // namespace exl::workbook
