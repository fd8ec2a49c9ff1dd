#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

#include "Scratch.h"
#include "host/FindHostFilePattern.h"

namespace exl::test {
namespace {

struct PatternCase {
    const char* name;
    const char* iniContent;  // nullptr: no host INI at all
    const char* tag;
    int expectedResult;
    const char* expectedPattern;
};

const PatternCase kCases[] = {
    {"found", "[Dateien]\r\nEXL=*.exl\r\n", "EXL", kPatternFound, "*.exl"},
    {"cut at slash and trimmed", "XLS= *.xls / Tabellen\r\n", "XLS", kPatternFound, "*.xls"},
    {"no slash keeps the rest", "XLS=\t C:\\vorlagen\\*.xls  \r\n", "XLS", kPatternFound, "C:\\vorlagen\\*.xls"},
    {"tag further in the line", "ZEXL=abc\r\n", "EXL", kPatternFound, "=abc"},
    {"first matching line wins", "EXL=erste\r\nEXL=zweite\r\n", "EXL", kPatternFound, "erste"},
    {"tag is case-sensitive", "exl=*.exl\r\n", "EXL", kPatternNoLine, ".\\exl\\*.exl"},
    {"no matching line", "[Dateien]\r\nDWG=*.dwg\r\n", "EXL", kPatternNoLine, ".\\exl\\*.exl"},
    {"empty file", "", "EXL", kPatternNoLine, ".\\exl\\*.exl"},
    {"missing file", nullptr, "EXL", kPatternNoFile, ".\\exl\\*.exl"},
    {"matching line shorter than four characters", "EXL", "EXL", kPatternFound, ""},
    {"last line without line end", "A=1\r\nEXL=x.exl", "EXL", kPatternFound, "x.exl"},
};

TEST(FindHostFilePatternTest, Cases) {
    for (const PatternCase& c : kCases) {
        ScratchDirectory scratch(false);
        if (c.iniContent) WriteFile(scratch.File("orvanta.ini"), c.iniContent);
        char output[kHostPathBufferSize];
        std::memset(output, 'Q', sizeof(output));
        int result = FindHostFilePattern(c.tag, ".\\exl\\*.exl", output, kHostIniLineLimit, kHostIniPath);
        EXPECT_EQ(result, c.expectedResult) << c.name;
        EXPECT_STREQ(output, c.expectedPattern) << c.name;
    }
}

TEST(FindHostFilePatternTest, EachReadTakesAtMost254Characters) {
    ScratchDirectory scratch(false);
    // The tag stands beyond the first 254 characters of a long line: that read
    // is a piece of its own, which loses its first four characters like a line.
    std::string line = std::string(254, 'a') + "EXL=tail.exl\r\n";
    WriteFile(scratch.File("orvanta.ini"), line);
    char output[kHostPathBufferSize];
    EXPECT_EQ(FindHostFilePattern("EXL", "fallback", output, kHostIniLineLimit, kHostIniPath), kPatternFound);
    EXPECT_STREQ(output, "tail.exl");

    std::string split = std::string(252, 'b') + "EXL=x\r\n";  // the tag is cut by the read limit
    WriteFile(scratch.File("orvanta.ini"), split);
    EXPECT_EQ(FindHostFilePattern("EXL", "fallback", output, kHostIniLineLimit, kHostIniPath), kPatternNoLine);
    EXPECT_STREQ(output, "fallback");
}

TEST(FindHostFilePatternTest, UnwritableIniCountsAsMissing) {
    ScratchDirectory scratch(false);
    // A directory in the file's place cannot be opened for update.
    CreateDirectoryA(scratch.File("orvanta.ini").c_str(), nullptr);
    char output[kHostPathBufferSize];
    EXPECT_EQ(FindHostFilePattern("XLS", ".\\exl\\*.xls", output, kHostIniLineLimit, kHostIniPath), kPatternNoFile);
    EXPECT_STREQ(output, ".\\exl\\*.xls");
}

}  // namespace
}  // namespace exl::test
