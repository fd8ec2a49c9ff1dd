#pragma once
// A zip entry whose first bytes are known only after the rest has been made (a
// sheet's column widths stand before its rows). The rest is deflated into memory as
// it comes, so it is made once and held packed; the head then goes in front of it
// as stored deflate blocks, which every reader inflates like any other block, and
// the whole is added to the zip as one entry.
#include <cstdint>
#include <string>
#include <string_view>

#include "workbook/SheetRows.h"
#include "workbook/ZipWriter.h"
#include "workbook/Zlib.h"

namespace exl::workbook {

class DeferredHeadEntry : public PartOutput {
public:
    // level: the zip writer's, so the entry packs as its others do.
    explicit DeferredHeadEntry(int level);

    bool Write(std::string_view bytes) override;
    // Puts the head in front of what was written and adds the entry to the zip.
    // false when deflating failed or the entry would need zip64; problem says which.
    bool Finish(const std::string& name, std::string_view head, ZipWriter& zip, std::string& problem);

private:
    // The packed bytes, in memory.
    class PackedBytes : public ByteSink {
    public:
        bool Append(std::string_view bytes) override;
        bool Overwrite(std::uint64_t offset, std::string_view bytes) override;
        std::uint64_t Size() const override { return bytes.size(); }
        std::string bytes;
    };

    bool Flush(bool finish);

    DeflateStream deflater_;
    PackedBytes packed_;
    std::string pending_;
    std::uint32_t crc_ = 0;
    std::uint64_t size_ = 0;
};

}  // namespace exl::workbook
