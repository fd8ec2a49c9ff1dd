// The snapshot reader must give exactly what GetPrivateProfileStringA gives for
// the files the plug-in writes (and their neighbours), so each case compares the
// two readers on the same file.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "Scratch.h"
#include "framework/Ini.h"
#include "framework/IniSnapshot.h"

namespace exl::test {
namespace {

std::string Visible(const std::string& text) {
    std::string shown;
    for (unsigned char c : text) {
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            shown += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof(hex), "\\x%02X", c);
            shown += hex;
        }
    }
    return shown;
}

struct Probe {
    std::string section;
    std::string key;
    std::string defaultValue;
    int readSize;
};

// Compares both readers for every probe; returns the number of differences and
// reports the first few.
int CountDifferences(const std::string& file, const std::vector<Probe>& probes, const std::string& content) {
    IniSnapshot snapshot(file);
    int differences = 0;
    for (const Probe& probe : probes) {
        std::string platform = ReadIniString(file, probe.section, probe.key, probe.defaultValue, probe.readSize);
        std::string own = snapshot.Get(probe.section, probe.key, probe.defaultValue, probe.readSize);
        if (platform == own) continue;
        if (++differences <= 5)
            ADD_FAILURE() << "[" << Visible(probe.section) << "] " << Visible(probe.key) << " default \""
                          << Visible(probe.defaultValue) << "\" size " << probe.readSize << ": platform \""
                          << Visible(platform) << "\", snapshot \"" << Visible(own) << "\"\nfile:\n"
                          << Visible(content.substr(0, 3000));
    }
    return differences;
}

class Generator {
public:
    explicit Generator(unsigned seed) : random_(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(Below(static_cast<int>(items.size())))];
    }

    // Values like those a profile or the host hands over, with the characters the
    // platform treats specially.
    std::string Value() {
        static const std::vector<std::string> pieces = {
            "a", "Z", "7", " ", "  ", "\t", "=", ";", "[", "]", "\"", "'", "%i", "%n", "\xE4", "\xD6",
            "\xDF", "\xA7", "\xD8", "\x9D", "\x81", "\xA0", "\xFF", "\x1A", ":", "\\", "#", "\x85", "\x84"};
        std::string value;
        int shape = Below(10);
        if (shape == 0) return value;
        if (shape == 1) {
            // Quoted, near the buffer's size.
            char quote = Below(2) ? '"' : '\'';
            int inner = 250 + Below(8);
            value = std::string(1, quote) + std::string(static_cast<std::size_t>(inner), 'q') + std::string(1, quote);
            return value;
        }
        if (shape == 2) return std::string(static_cast<std::size_t>(240 + Below(40)), static_cast<char>('A' + Below(26)));
        int length = 1 + Below(12);
        for (int i = 0; i < length; ++i) value += Pick(pieces);
        if (shape == 3) value = "\"" + value + "\"";
        if (shape == 4) value = "'" + value + "'";
        if (shape == 5) value = "\"" + value;
        return value;
    }

    std::string Key() { return Pick(keys_); }
    const std::vector<std::string>& Keys() const { return keys_; }

    std::string LineEnd() {
        int kind = Below(8);
        return kind == 0 ? "\n" : kind == 1 ? " \r\n" : "\r\n";
    }

    std::string File() {
        static const std::vector<std::string> sectionLines = {
            "[Felder]", "[felder]", "[ Felder ]", "[Anzahl]", "[1]", "[2]", "[]", "[Felder", "[x]]", "  [1]  ",
            "[FELDER]\t", "[\xC4rger]", "[\xE4rger]"};
        std::string content;
        int lines = 5 + Below(40);
        for (int i = 0; i < lines; ++i) {
            int kind = Below(12);
            if (kind == 0) {
                content += Pick(sectionLines);
            } else if (kind == 1) {
                content += ";" + Key() + "=" + Value();
            } else if (kind == 2) {
                content += Key();  // a line without "="
            } else if (kind == 3) {
                content += "";
            } else if (kind == 4) {
                content += "  " + Key() + " \t=  " + Value() + "  ";
            } else {
                content += Key() + "=" + Value();
            }
            content += LineEnd();
        }
        if (Below(3) == 0) content += Key() + "=" + Value();  // no line end at the end
        return content;
    }

private:
    std::mt19937 random_;
    std::vector<std::string> keys_ = {"1", "2", "3", "10", "Anz", "anz", "Pos", "Menge", "\xC4rger", "\xE4rger",
                                      "a b", "%i", "%n", "x=y", ";1"};
};

TEST(IniSnapshotTest, GivesThePlatformsValuesOnGeneratedFiles) {
    ScratchDirectory scratch(false);
    Generator generate(20240611u);
    const std::vector<std::string> sections = {"Felder", "FELDER", " Felder ", "Anzahl", "1", "2", "", "\xC4rger",
                                               "x]", "Felder "};
    const std::vector<std::string> defaults = {"", "?", "vorgabe", "'q'", "\"\""};
    const std::vector<int> readSizes = {255, 10, 2, 1};
    int differences = 0;
    for (int round = 0; round < 300; ++round) {
        std::string content = generate.File();
        std::string file = scratch.File("gen" + std::to_string(round) + ".ini");
        WriteFile(file, content);
        std::vector<Probe> probes;
        for (const std::string& section : sections) {
            std::vector<std::string> keys = generate.Keys();
            keys.push_back(" 1 ");
            keys.push_back("ANZ");
            keys.push_back("fehlt");
            for (const std::string& key : keys)
                probes.push_back({section, key, generate.Pick(defaults), generate.Pick(readSizes)});
        }
        differences += CountDifferences(file, probes, content);
        if (differences > 20) break;
    }
    EXPECT_EQ(differences, 0);
}

TEST(IniSnapshotTest, EveryByteAtEitherEndOfAValueIsTrimmedOrKeptAsThePlatformDoes) {
    ScratchDirectory scratch(false);
    std::string content = "[Felder]\r\n";
    std::vector<Probe> probes;
    for (int byte = 1; byte < 256; ++byte) {
        if (byte == '\n') continue;
        std::string c(1, static_cast<char>(byte));
        std::string key = std::to_string(byte);
        content += key + "=" + c + "mitte" + c + "\r\n";
        content += c + "k" + key + c + "=" + "wert" + "\r\n";
        probes.push_back({"Felder", key, "", 255});
        probes.push_back({"Felder", "k" + key, "", 255});
        probes.push_back({"Felder", c + "k" + key + c, "", 255});
    }
    std::string file = scratch.File("bytes.ini");
    WriteFile(file, content);
    EXPECT_EQ(CountDifferences(file, probes, content), 0);
}

TEST(IniSnapshotTest, FieldListAsTheQueryWritesItReadsBackAsWritten) {
    ScratchDirectory scratch(false);
    // Names as the query writes them: OEM text that may hold anything but a line end.
    const std::vector<std::string> names = {"Pos", "", "%i", "%n", "a=b", ";x", "[y]", "\"z\"", "\x8E\x99\x9A\xE1",
                                            "x\xF5\x9D"};
    std::string content = "[Felder]\r\n";
    for (std::size_t i = 0; i < names.size(); ++i) content += std::to_string(i + 1) + "=" + names[i] + "\r\n";
    content += "Anz=" + std::to_string(names.size()) + "\r\n";
    std::string file = scratch.File("felder.ini");
    WriteFile(file, content);
    IniSnapshot snapshot(file);
    std::vector<Probe> probes;
    for (std::size_t i = 0; i < names.size(); ++i) probes.push_back({"Felder", std::to_string(i + 1), "", 255});
    probes.push_back({"Felder", "Anz", "", 255});
    EXPECT_EQ(CountDifferences(file, probes, content), 0);
    EXPECT_EQ(snapshot.Get("Felder", "5", ""), "a=b");
    EXPECT_EQ(snapshot.Get("felder", "8", ""), "z");
    EXPECT_EQ(snapshot.Get("Felder", "9", ""), "\x8E\x99\x9A\xE1");
    EXPECT_EQ(snapshot.Get("Felder", "ANZ", ""), "10");
}

TEST(IniSnapshotTest, MissingFileAndMissingDirectoryGiveTheDefault) {
    ScratchDirectory scratch(false);
    const std::vector<std::string> files = {scratch.File("fehlt.ini"), scratch.File("fehlt\\fehlt.ini")};
    for (const std::string& file : files) {
        std::vector<Probe> probes = {{"Felder", "1", "vorgabe", 255}, {"Felder", "1", "'q'", 255},
                                     {"Felder", "1", "lang", 3}};
        EXPECT_EQ(CountDifferences(file, probes, "(none)"), 0) << file;
        EXPECT_EQ(IniSnapshot(file).Get("Felder", "1", "vorgabe"), "vorgabe");
    }
}

TEST(IniSnapshotTest, UnicodeFilesAreLeftToThePlatform) {
    ScratchDirectory scratch(false);
    std::string file = scratch.File("utf8.ini");
    std::string content = "\xEF\xBB\xBF[Felder]\r\n1=Gr\xC3\xB6\xC3\x9F" "e\r\n";
    WriteFile(file, content);
    EXPECT_EQ(IniSnapshot(file).Get("Felder", "1", ""), "Gr\xF6\xDF" "e");
    EXPECT_EQ(CountDifferences(file, {{"Felder", "1", "", 255}}, content), 0);
}

}  // namespace
}  // namespace exl::test
