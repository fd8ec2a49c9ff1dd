#include "workbook/zip/ZipWriter.h"

#include "workbook/zip/LittleEndian.h"
#include "workbook/zip/StoredHead.h"
#include "workbook/zip/ZipFormat.h"

namespace exl::workbook {

namespace {

constexpr std::uint16_t kVersion20 = 20;  // 2.0: deflate
// Offset of the CRC in a local header; the two sizes follow it.
constexpr std::size_t kLocalCrcOffset = 14;
// Largest offset or size without zip64: 0xFFFFFFFF itself means "see zip64".
constexpr std::uint64_t kMostZip32 = 0xFFFFFFFE;
constexpr std::size_t kMostNameBytes = 0xFFFF;
// Content is deflated in pieces of this size.
constexpr std::size_t kPendingChunk = 1 << 16;

}  // namespace

ZipWriter::ZipWriter(ByteSink& sink, DosTimestamp timestamp, int level)
    : sink_(sink), timestamp_(timestamp), level_(level) {}

bool ZipWriter::Fail(const std::string& problem) {
    if (problem_.empty()) problem_ = problem;
    return false;
}

std::string ZipWriter::Header(const Central& entry, bool central) {
    std::string out;
    Append32(out, central ? kCentralSignature : kLocalSignature);
    if (central) Append16(out, kVersion20);  // made by
    Append16(out, kVersion20);               // needed to extract
    Append16(out, entry.flags);
    Append16(out, entry.method);
    Append16(out, entry.timestamp.time);
    Append16(out, entry.timestamp.date);
    Append32(out, entry.crc);
    Append32(out, entry.packedSize);
    Append32(out, entry.size);
    Append16(out, static_cast<std::uint16_t>(entry.name.size()));
    Append16(out, 0);  // extra field
    if (central) {
        Append16(out, 0);  // comment
        Append16(out, 0);  // disk
        Append16(out, 0);  // internal attributes
        Append32(out, 0);  // external attributes
        Append32(out, entry.localOffset);
    }
    out += entry.name;
    return out;
}

bool ZipWriter::StartRecord(std::string_view name) {
    if (Failed()) return false;
    if (open_ || finished_) return Fail("entry begun out of order");
    if (entries_.size() >= kMostEntries) return Fail("a 65,535th entry, which a zip file without zip64 cannot count");
    if (name.empty() || name.size() > kMostNameBytes) return Fail("entry name empty or too long");
    if (sink_.Size() > kMostZip32) return Fail("file too large for a zip file without zip64");
    return true;
}

bool ZipWriter::AppendLocalHeader(const Central& entry) {
    if (!sink_.Append(Header(entry, false))) return Fail("cannot write");
    return true;
}

bool ZipWriter::BeginEntry(std::string_view name) {
    if (!StartRecord(name)) return false;
    Central entry{std::string(name), kZipFlagUtf8Names, kZipDeflated, timestamp_, 0, 0, 0,
                  static_cast<std::uint32_t>(sink_.Size())};
    if (!AppendLocalHeader(entry)) return false;
    entries_.push_back(std::move(entry));
    deflater_ = std::make_unique<DeflateStream>(level_);
    pending_.clear();
    crc_ = 0;
    size_ = 0;
    headroom_ = 0;
    open_ = true;
    return true;
}

bool ZipWriter::BeginEntry(std::string_view name, std::size_t headroom) {
    if (!BeginEntry(name)) return false;
    headroom_ = headroom;
    if (!sink_.Append(std::string(headroom, '\0'))) return Fail("cannot write");
    return true;
}

bool ZipWriter::Write(std::string_view bytes) {
    if (Failed()) return false;
    if (!open_) return Fail("content outside an entry");
    pending_.append(bytes);
    return pending_.size() < kPendingChunk || FlushPending(false);
}

bool ZipWriter::FlushPending(bool finish) {
    crc_ = Crc32(crc_, pending_);
    size_ += pending_.size();
    if (!deflater_->Compress(pending_, finish, sink_)) return Fail("cannot compress or write");
    pending_.clear();
    if (size_ > kMostZip32 || deflater_->CompressedSize() > kMostZip32)
        return Fail("entry too large for a zip file without zip64");
    return true;
}

bool ZipWriter::EndEntry() { return CloseEntry({}, false); }

bool ZipWriter::EndEntry(std::string_view head) { return CloseEntry(head, true); }

bool ZipWriter::CloseEntry(std::string_view head, bool withHead) {
    if (Failed()) return false;
    if (!open_) return Fail("no entry to end");
    if (withHead != (headroom_ != 0))
        return Fail(withHead ? "a head for an entry without room for it" : "an entry's head left out");
    open_ = false;
    if (!FlushPending(true)) return false;
    Central& entry = entries_.back();
    std::string padded(head), blocks;
    if (headroom_ != 0) {
        if (!FillHeadRoom(padded, headroom_, blocks)) return Fail("an entry's head larger than its room");
        if (!sink_.Overwrite(entry.localOffset + Header(entry, false).size(), blocks)) return Fail("cannot write");
        if (size_ + padded.size() > kMostZip32 || deflater_->CompressedSize() + headroom_ > kMostZip32)
            return Fail("entry too large for a zip file without zip64");
    }
    entry.crc = headroom_ != 0 ? CombinedCrc(Crc32(0, padded), crc_, size_) : crc_;
    entry.packedSize = static_cast<std::uint32_t>(deflater_->CompressedSize() + headroom_);
    entry.size = static_cast<std::uint32_t>(size_ + padded.size());
    deflater_.reset();
    std::string sizes;
    Append32(sizes, entry.crc);
    Append32(sizes, entry.packedSize);
    Append32(sizes, entry.size);
    if (!sink_.Overwrite(entry.localOffset + kLocalCrcOffset, sizes)) return Fail("cannot write");
    return true;
}

bool ZipWriter::AddEntry(std::string_view name, std::string_view content) {
    return BeginEntry(name) && Write(content) && EndEntry();
}

bool ZipWriter::CopyEntry(const ZipEntryInfo& source, std::string_view packed) {
    if (!StartRecord(source.name)) return false;
    if (packed.size() != source.packedSize) return Fail("packed data does not match its entry");
    // The sizes stand in the headers, so a data descriptor is not written; the reader
    // gives every name in UTF-8, whatever the source stored.
    const auto flags = static_cast<std::uint16_t>((source.flags & ~kZipFlagDataDescriptor) | kZipFlagUtf8Names);
    Central entry{source.name, flags, source.method,
                  DosTimestamp{source.dosDate, source.dosTime}, source.crc, source.packedSize, source.size,
                  static_cast<std::uint32_t>(sink_.Size())};
    if (!AppendLocalHeader(entry)) return false;
    if (!sink_.Append(packed)) return Fail("cannot write");
    entries_.push_back(std::move(entry));
    return true;
}

bool ZipWriter::Finish() {
    if (Failed()) return false;
    if (open_ || finished_) return Fail("finished out of order");
    finished_ = true;
    const std::uint64_t directory = sink_.Size();
    std::string central;
    for (const Central& entry : entries_) central += Header(entry, true);
    if (directory > kMostZip32 || central.size() > kMostZip32 - directory)
        return Fail("file too large for a zip file without zip64");
    const auto directorySize = static_cast<std::uint32_t>(central.size());
    Append32(central, kEndSignature);
    Append16(central, 0);  // this disk
    Append16(central, 0);  // disk of the central directory
    Append16(central, static_cast<std::uint16_t>(entries_.size()));
    Append16(central, static_cast<std::uint16_t>(entries_.size()));
    Append32(central, directorySize);
    Append32(central, static_cast<std::uint32_t>(directory));
    Append16(central, 0);  // comment
    if (!sink_.Append(central)) return Fail("cannot write");
    return true;
}

}  // namespace exl::workbook
