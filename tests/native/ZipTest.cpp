// The zip container: what the writer makes, Python's zipfile reads; what the reader
// takes, it checks.
#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "OpenpyxlDump.h"
#include "workbook/zip/ByteSink.h"
#include "workbook/zip/LittleEndian.h"
#include "workbook/zip/StoredHead.h"
#include "workbook/zip/ZipReader.h"
#include "workbook/zip/ZipWriter.h"

namespace exl::workbook::test {
namespace {

using Entries = std::vector<std::pair<std::string, std::string>>;

std::string RandomBytes(std::size_t count) {
    std::mt19937 random(7);
    std::string bytes(count, '\0');
    for (char& byte : bytes) byte = static_cast<char>(random());
    return bytes;
}

std::string Zip(const Entries& entries) {
    StringSink sink;
    ZipWriter writer(sink);
    for (const auto& [name, content] : entries) EXPECT_TRUE(writer.AddEntry(name, content)) << writer.Problem();
    EXPECT_TRUE(writer.Finish()) << writer.Problem();
    return sink.Bytes();
}

Entries ReadAll(const std::string& bytes) {
    ZipArchive zip;
    std::string detail;
    EXPECT_EQ(zip.Open(bytes, detail), ZipProblem::None) << detail;
    Entries entries;
    for (const ZipEntryInfo& entry : zip.Entries()) {
        std::string content;
        EXPECT_TRUE(zip.Read(entry, content)) << entry.name;
        entries.push_back({entry.name, content});
    }
    return entries;
}

TEST(Zip, WrittenAndCopiedEntriesReadBackExactly) {
    const Entries entries{{"a.xml", "<a/>"},
                          {"empty", ""},
                          {"dir/big.txt", std::string(300000, 'x') + "end"},
                          {"random.bin", RandomBytes(100000)},
                          {"Gr\xC3\xB6\xC3\x9F" "e.xml", "\xC3\xA4"}};
    const std::string written = Zip(entries);
    ScratchFolder folder;
    WriteBytes(folder.File("written.zip"), written);
    EXPECT_EQ(PythonZipEntries(folder.File("written.zip")), entries);
    EXPECT_EQ(ReadAll(written), entries);

    // A copy takes each entry's packed bytes as they are.
    ZipArchive source;
    std::string detail;
    ASSERT_EQ(source.Open(written, detail), ZipProblem::None);
    StringSink sink;
    ZipWriter copier(sink);
    for (const ZipEntryInfo& entry : source.Entries()) ASSERT_TRUE(copier.CopyEntry(entry, source.PackedData(entry)));
    ASSERT_TRUE(copier.Finish());
    ZipArchive copy;
    ASSERT_EQ(copy.Open(sink.Bytes(), detail), ZipProblem::None);
    for (std::size_t i = 0; i < entries.size(); ++i)
        EXPECT_EQ(copy.PackedData(copy.Entries()[i]), source.PackedData(source.Entries()[i]));
    WriteBytes(folder.File("copied.zip"), sink.Bytes());
    EXPECT_EQ(PythonZipEntries(folder.File("copied.zip")), entries);
}

// A head written last stands in front of the deflated rest, padded with blanks to
// its room, in one stored block or several; one larger than its room is refused.
TEST(Zip, HeadWrittenLastStandsInFrontOfItsEntry) {
    const std::string rest = "<sheetData>" + RandomBytes(100000);
    struct Case {
        std::size_t head;
        std::size_t most;  // what the room was made for
    } cases[] = {{0, 0}, {40, 60}, {65535, 65535}, {65536, 65536}, {65000, 140000}, {200000, 200000}, {61, 60}};
    ScratchFolder folder;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.head);
        const std::string head(c.head, 'h');
        StringSink sink;
        ZipWriter writer(sink);
        ASSERT_TRUE(writer.BeginEntry("sheet.xml", HeadRoom(c.most)));
        ASSERT_TRUE(writer.Write(rest));
        if (c.head > c.most) {
            EXPECT_FALSE(writer.EndEntry(head));
            EXPECT_FALSE(writer.Finish());
            continue;
        }
        ASSERT_TRUE(writer.EndEntry(head)) << writer.Problem();
        ASSERT_TRUE(writer.AddEntry("after.xml", "<a/>"));
        ASSERT_TRUE(writer.Finish());
        const Entries read = ReadAll(sink.Bytes());
        ASSERT_EQ(read.size(), 2u);
        const std::string& content = read[0].second;
        ASSERT_GE(content.size(), c.head + rest.size());
        EXPECT_EQ(content.substr(0, c.head), head);
        EXPECT_EQ(content.substr(content.size() - rest.size()), rest);
        EXPECT_EQ(content.find_first_not_of(' ', c.head), content.size() - rest.size()) << "only blanks between";
        EXPECT_LE(content.size() - rest.size(), c.most);
        WriteBytes(folder.File("head.zip"), sink.Bytes());
        EXPECT_EQ(PythonZipEntries(folder.File("head.zip")), read) << "zipfile checks the CRC";
    }
    StringSink sink;
    ZipWriter writer(sink);
    ASSERT_TRUE(writer.BeginEntry("sheet.xml", HeadRoom(10)));
    EXPECT_FALSE(writer.EndEntry()) << "an entry with room for a head needs one";
}

// A stored entry whose data holds a complete second entry, which the directory also
// lists: the overlap that lets a small file unpack to a huge one.
std::string NestedEntries() {
    auto local = [](const std::string& name, const std::string& data) {
        std::string header;
        Append32(header, 0x04034b50);
        for (std::uint16_t value : {20, 0, 0, 0, 0}) Append16(header, value);
        Append32(header, 0);  // CRC of the data is checked on reading only
        Append32(header, static_cast<std::uint32_t>(data.size()));
        Append32(header, static_cast<std::uint32_t>(data.size()));
        Append16(header, static_cast<std::uint16_t>(name.size()));
        Append16(header, 0);
        return header + name + data;
    };
    auto central = [](const std::string& name, std::uint32_t size, std::uint32_t offset) {
        std::string header;
        Append32(header, 0x02014b50);
        for (std::uint16_t value : {20, 20, 0, 0, 0, 0}) Append16(header, value);
        Append32(header, 0);
        Append32(header, size);
        Append32(header, size);
        Append16(header, static_cast<std::uint16_t>(name.size()));
        for (int i = 0; i < 4; ++i) Append16(header, 0);
        Append32(header, 0);
        Append32(header, offset);
        return header + name;
    };
    const std::string inner = local("b", "");
    const std::string outer = local("a", inner);
    const std::string directory = central("a", static_cast<std::uint32_t>(inner.size()), 0) +
                                  central("b", 0, static_cast<std::uint32_t>(outer.size() - inner.size()));
    std::string end;
    Append32(end, 0x06054b50);
    for (std::uint16_t value : {0, 0, 2, 2}) Append16(end, value);
    Append32(end, static_cast<std::uint32_t>(directory.size()));
    Append32(end, static_cast<std::uint32_t>(outer.size()));
    Append16(end, 0);
    return outer + directory + end;
}

TEST(Zip, BrokenOrForeignFilesAreRefusedWithTheirKind) {
    const std::string base = Zip({{"a.xml", "<a/>"}, {"b.xml", "<b/>"}});
    const std::size_t end = base.size() - 22;
    const std::size_t directory = Read32(base, end + 16);
    auto patched = [&](std::size_t at, std::string bytes) {
        std::string copy = base;
        copy.replace(at, bytes.size(), bytes);
        return copy;
    };
    auto with16 = [&](std::size_t at, std::uint16_t value) {
        std::string bytes;
        Append16(bytes, value);
        return patched(at, bytes);
    };
    auto with32 = [&](std::size_t at, std::uint32_t value) {
        std::string bytes;
        Append32(bytes, value);
        return patched(at, bytes);
    };
    struct Case {
        const char* name;
        std::string bytes;
        ZipProblem expected;
    } cases[] = {
        {"no zip at all", "just some text", ZipProblem::NotZip},
        {"empty", "", ZipProblem::NotZip},
        {"end record cut off", base.substr(0, base.size() - 1), ZipProblem::Damaged},
        {"entry encrypted", with16(directory + 8, 1), ZipProblem::Encrypted},
        {"entry encrypted with AES", with16(directory + 10, 99), ZipProblem::Encrypted},
        {"another compression", with16(directory + 10, 12), ZipProblem::Unsupported},
        {"zip64 entry count without the zip64 record", patched(end + 8, std::string("\xFF\xFF\xFF\xFF", 4)),
         ZipProblem::Damaged},
        {"zip64 entry size without the extra field", with32(directory + 24, 0xFFFFFFFF), ZipProblem::Damaged},
        {"several disks", with16(end + 4, 1), ZipProblem::Damaged},
        {"entry counts differ", with16(end + 8, 1), ZipProblem::Damaged},
        {"more entries than the directory holds", patched(end + 8, std::string("\x09\x00\x09\x00", 4)),
         ZipProblem::Damaged},
        {"directory beyond its end record", with32(end + 16, static_cast<std::uint32_t>(directory + 1)),
         ZipProblem::Damaged},
        {"impossible unpacked size", with32(directory + 24, 0x7FFFFFF), ZipProblem::Damaged},
        {"local header elsewhere", with32(directory + 42, 3), ZipProblem::Damaged},
        {"name in the directory differs", patched(directory + 46, "x"), ZipProblem::Damaged},
        {"packed size beyond the directory", with32(directory + 20, static_cast<std::uint32_t>(directory)),
         ZipProblem::Damaged},
        {"entries overlap", NestedEntries(), ZipProblem::Damaged},
        {"the same part twice", Zip({{"xl/A.xml", "1"}, {"xl/a.xml", "2"}}), ZipProblem::Damaged},
    };
    for (const Case& c : cases) {
        ZipArchive zip;
        std::string detail;
        EXPECT_EQ(zip.Open(c.bytes, detail), c.expected) << c.name << ": " << detail;
        EXPECT_TRUE(zip.Entries().empty()) << c.name;
    }
    // Damaged data shows when the entry is read.
    ZipArchive zip;
    std::string detail;
    std::string content;
    const std::string flipped = patched(30 + 5, std::string(1, static_cast<char>(base[35] ^ 0x55)));
    ASSERT_EQ(zip.Open(flipped, detail), ZipProblem::None);
    EXPECT_FALSE(zip.Read(zip.Entries()[0], content));
}

// What streaming writers make: data descriptors with and without their signature and
// zeros in the local headers, zip64 extra fields and end records, names in code page
// 437. Each archive reads as Python reads it, and copies into one Python reads alike.
TEST(Zip, ArchivesOfStreamingWritersReadAsPythonReadsThem) {
    const Entries entries{{"a.xml", "<a/>"},
                          {"empty", ""},
                          {"dir/big.bin", RandomBytes(200000)},
                          {"Gr\xC3\xB6\xC3\x9F" "e \xE2\x94\x82.xml", "x"}};  // in code page 437 too
    ScratchFolder folder;
    WriteBytes(folder.File("source.zip"), Zip(entries));
    for (const char* options : {"--descriptor=signed", "--descriptor=unsigned", "--zip64", "--zip64 --descriptor=signed",
                                "--zip64 --descriptor=unsigned", "--cp437 --descriptor=signed"}) {
        SCOPED_TRACE(options);
        const std::string path = folder.File("repacked.zip");
        RepackZip(folder.File("source.zip"), path, options);
        ASSERT_EQ(PythonZipEntries(path), entries);
        const std::string bytes = ReadBytes(path);
        EXPECT_EQ(ReadAll(bytes), entries);
        ZipArchive source;
        std::string detail;
        ASSERT_EQ(source.Open(bytes, detail), ZipProblem::None) << detail;
        StringSink sink;
        ZipWriter copier(sink);
        for (const ZipEntryInfo& entry : source.Entries()) ASSERT_TRUE(copier.CopyEntry(entry, source.PackedData(entry)));
        ASSERT_TRUE(copier.Finish());
        WriteBytes(folder.File("copied.zip"), sink.Bytes());
        EXPECT_EQ(PythonZipEntries(folder.File("copied.zip")), entries);
    }
}

// Every byte from 0x80 on in a name without the UTF-8 flag, read as Python's codec reads it.
TEST(Zip, NamesWithoutTheUtf8FlagAreCodePage437) {
    std::string name;
    for (int byte = 0x80; byte <= 0xFF; ++byte) name += static_cast<char>(byte);
    std::string bytes = Zip({{name, "x"}});
    const std::size_t central = bytes.find("PK\x01\x02");
    for (std::size_t flags : {std::size_t{6}, central + 8}) bytes[flags + 1] = 0;  // bit 11 is in the high byte
    ScratchFolder folder;
    WriteBytes(folder.File("cp437.zip"), bytes);
    const Entries read = ReadAll(bytes);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read, PythonZipEntries(folder.File("cp437.zip")));
    EXPECT_EQ(read[0].first.substr(0, 4), "\xC3\x87\xC3\xBC");  // Ç ü
}

TEST(Zip, BrokenZip64RecordsAreRefusedWithTheirKind) {
    ScratchFolder folder;
    WriteBytes(folder.File("source.zip"), Zip({{"a.xml", "<a/>"}, {"b.xml", "<b/>"}}));
    RepackZip(folder.File("source.zip"), folder.File("zip64.zip"), "--zip64");
    const std::string base = ReadBytes(folder.File("zip64.zip"));
    const std::size_t locator = base.rfind("PK\x06\x07");
    const std::size_t record = base.rfind("PK\x06\x06");
    const std::size_t central = base.find("PK\x01\x02");
    const std::size_t extra = central + 46 + Read16(base, central + 28);  // the zip64 field: id, length, 3 values
    // The bytes with a little-endian value of `size` bytes put at `at`.
    auto put = [](std::string bytes, std::size_t at, std::uint64_t value, int size) {
        for (int i = 0; i < size; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
        return bytes;
    };
    auto with = [&](std::size_t at, std::uint64_t value, int size) { return put(base, at, value, size); };
    struct Case {
        const char* name;
        std::string bytes;
        ZipProblem expected;
    } cases[] = {
        {"as written", base, ZipProblem::None},
        {"locator points elsewhere", with(locator + 8, record + 1, 8), ZipProblem::Damaged},
        {"no locator: zip64 values without their record", with(locator, 0, 4), ZipProblem::Damaged},
        {"record of a wrong size", with(record + 4, 45, 8), ZipProblem::Damaged},
        {"entry counts differ", with(record + 24, 1, 8), ZipProblem::Damaged},
        {"more entries than the directory holds", put(with(record + 24, 1000, 8), record + 32, 1000, 8),
         ZipProblem::Damaged},
        {"directory not before its record", with(record + 48, 1, 8), ZipProblem::Damaged},
        {"several disks", with(locator + 16, 2, 4), ZipProblem::Damaged},
        {"zip64 extra field missing", with(extra, 0x5455, 2), ZipProblem::Damaged},
        {"zip64 extra field too short", with(extra + 2, 16, 2), ZipProblem::Damaged},
        {"local header beyond the file", with(extra + 20, base.size(), 8), ZipProblem::Damaged},
        {"packed size beyond the file", with(extra + 12, base.size() + 1, 8), ZipProblem::Damaged},
        {"unpacks to 4 GB", with(extra + 4, std::uint64_t{1} << 32, 8), ZipProblem::TooLarge},
        {"another compression", with(central + 10, 12, 2), ZipProblem::Unsupported},
    };
    for (const Case& c : cases) {
        ZipArchive zip;
        std::string detail;
        EXPECT_EQ(zip.Open(c.bytes, detail), c.expected) << c.name << ": " << detail;
        EXPECT_EQ(zip.Entries().size(), c.expected == ZipProblem::None ? 2u : 0u) << c.name;
    }
    // A refused entry is named with what refused it.
    ZipArchive zip;
    std::string detail;
    ASSERT_EQ(zip.Open(cases[13].bytes, detail), ZipProblem::Unsupported);
    EXPECT_EQ(zip.Refused().name, "a.xml");
    EXPECT_EQ(zip.Refused().method, 12);
    ASSERT_EQ(zip.Open(cases[12].bytes, detail), ZipProblem::TooLarge);
    EXPECT_EQ(zip.Refused().size, std::uint64_t{1} << 32);
}

// Takes bytes until `room` is used up, as a full disk does.
class FullSink : public StringSink {
public:
    explicit FullSink(std::size_t room) : room_(room) {}
    bool Append(std::string_view bytes) override {
        if (Size() + bytes.size() > room_) return false;
        return StringSink::Append(bytes);
    }

private:
    std::size_t room_;
};

TEST(Zip, WriterRefusesWhatWouldNeedZip64AndStaysFailed) {
    const std::string one = Zip({{"a", ""}});
    ZipArchive source;
    std::string detail;
    ASSERT_EQ(source.Open(one, detail), ZipProblem::None);
    const ZipEntryInfo& entry = source.Entries()[0];
    StringSink sink;
    ZipWriter writer(sink);
    for (std::size_t i = 0; i < ZipWriter::kMostEntries; ++i)
        ASSERT_TRUE(writer.CopyEntry(entry, source.PackedData(entry))) << i;
    EXPECT_FALSE(writer.CopyEntry(entry, source.PackedData(entry)));
    EXPECT_FALSE(writer.Finish());
    EXPECT_NE(writer.Problem().find("65,535"), std::string::npos) << writer.Problem();

    FullSink full(100);
    ZipWriter failing(full);
    EXPECT_FALSE(failing.AddEntry("big", RandomBytes(1000)));
    EXPECT_FALSE(failing.AddEntry("small", ""));
    EXPECT_FALSE(failing.Finish());
    EXPECT_TRUE(failing.Failed());
}

// Whatever the writer finishes, its reader takes: the most entries it writes leave
// the end record's count below 0xFFFF, which stands for "see the zip64 record".
TEST(Zip, TheMostEntriesWrittenReadBack) {
    const std::string one = Zip({{"a", ""}});
    ZipArchive source;
    std::string detail;
    ASSERT_EQ(source.Open(one, detail), ZipProblem::None);
    // Each copy under a name of its own: the reader takes no name twice.
    auto copy = [&](ZipWriter& writer, std::size_t i) {
        ZipEntryInfo entry = source.Entries()[0];
        entry.name = std::to_string(i);
        return writer.CopyEntry(entry, source.PackedData(source.Entries()[0]));
    };
    StringSink sink;
    ZipWriter writer(sink);
    std::size_t written = 0;
    while (copy(writer, written)) ++written;
    EXPECT_EQ(written, 65534u);
    StringSink finished;
    ZipWriter again(finished);
    for (std::size_t i = 0; i < written; ++i) ASSERT_TRUE(copy(again, i));
    ASSERT_TRUE(again.Finish()) << again.Problem();
    ZipArchive read;
    EXPECT_EQ(read.Open(finished.Bytes(), detail), ZipProblem::None) << detail;
    EXPECT_EQ(read.Entries().size(), written);
}

}  // namespace
}  // namespace exl::workbook::test
