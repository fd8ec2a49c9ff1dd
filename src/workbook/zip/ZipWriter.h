#pragma once
// Writes a zip container entry by entry into a sink: new entries deflated as their
// content streams in, entries of another archive copied with their packed bytes
// untouched. Nothing but the central directory is held in memory. A file that would
// need zip64 (65,535 entries or more, 4 GB) is refused, not written wrongly.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/zip/ByteSink.h"
#include "workbook/zip/Zlib.h"
#include "workbook/zip/ZipReader.h"

namespace exl::workbook {

// The MS-DOS date and time that zip stores for each entry.
struct DosTimestamp {
    std::uint16_t date = (0 << 9) | (1 << 5) | 1;  // 1980-01-01
    std::uint16_t time = 0;
};

class ZipWriter {
public:
    // Deflate level of new entries: the workbook's XML packs well at zlib's fastest levels.
    static constexpr int kDefaultLevel = 1;
    // The end record's count 0xFFFF itself means "see the zip64 record".
    static constexpr std::size_t kMostEntries = 0xFFFE;

    explicit ZipWriter(ByteSink& sink, DosTimestamp timestamp = {}, int level = kDefaultLevel);
    ZipWriter(const ZipWriter&) = delete;
    ZipWriter& operator=(const ZipWriter&) = delete;

    // A new deflated entry; its content follows through Write, then EndEntry.
    bool BeginEntry(std::string_view name);
    bool Write(std::string_view bytes);
    bool EndEntry();
    // An entry whose head is known only when the rest has been written (StoredHead):
    // `headroom` packed bytes are kept free in front of the content that Write
    // deflates, and EndEntry(head) fills them with the head (HeadRoom(most) takes a
    // head of up to `most` bytes).
    bool BeginEntry(std::string_view name, std::size_t headroom);
    bool EndEntry(std::string_view head);
    // A whole new entry at once.
    bool AddEntry(std::string_view name, std::string_view content);
    // An entry of another archive with its packed bytes as they are.
    bool CopyEntry(const ZipEntryInfo& entry, std::string_view packed);
    // The central directory and its end; nothing may follow.
    bool Finish();

    // Every call after a failure fails too; the problem names the first.
    bool Failed() const { return !problem_.empty(); }
    const std::string& Problem() const { return problem_; }

private:
    struct Central {
        std::string name;
        std::uint16_t flags;
        std::uint16_t method;
        DosTimestamp timestamp;
        std::uint32_t crc;
        std::uint32_t packedSize;
        std::uint32_t size;
        std::uint32_t localOffset;
    };

    bool Fail(const std::string& problem);
    bool StartRecord(std::string_view name);
    bool AppendLocalHeader(const Central& entry);
    bool FlushPending(bool finish);
    bool CloseEntry(std::string_view head, bool withHead);
    static std::string Header(const Central& entry, bool central);

    ByteSink& sink_;
    DosTimestamp timestamp_;
    int level_;
    std::vector<Central> entries_;
    std::string problem_;
    // The entry being written.
    bool open_ = false;
    std::unique_ptr<DeflateStream> deflater_;
    std::string pending_;
    std::uint32_t crc_ = 0;
    std::uint64_t size_ = 0;
    std::size_t headroom_ = 0;
    bool finished_ = false;
};

}  // namespace exl::workbook
