// The snapshot reader must give exactly what GetPrivateProfileStringA gives for
// the files the plug-in writes (and their neighbours), so each case compares the
// two readers on the same file.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "Scratch.h"
#include "EscapedBytes.h"
#include "framework/Ini.h"
#include "framework/IniSnapshot.h"

namespace exl::test {
namespace {

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
            ADD_FAILURE() << "[" << EscapedBytes(probe.section) << "] " << EscapedBytes(probe.key)
                          << " default \"" << EscapedBytes(probe.defaultValue) << "\" size " << probe.readSize
                          << ": platform \"" << EscapedBytes(platform) << "\", snapshot \"" << EscapedBytes(own)
                          << "\"\nfile:\n" << EscapedBytes(content.substr(0, 3000));
    }
    return differences;
}

// Every letter in its lower case, as Windows' case-insensitive compare sees it.
std::string Lowered(std::string text) {
    if (!text.empty()) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// Files of the shapes the system reads (record files, field lists, profiles,
// settings, the catalogue) and free mixtures, with the names and values that
// the platform treats specially. Each file remembers the names it used, so the
// probes ask for them, for their other cases and for missing ones.
class Generator {
public:
    explicit Generator(unsigned seed) : random_(seed) {}

    int Below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(random_); }
    template <typename T>
    const T& Pick(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(Below(static_cast<int>(items.size())))];
    }

    std::string File() {
        sections_.clear();
        keys_.clear();
        std::string content;
        switch (Below(6)) {
            case 0: content = RecordFile(); break;
            case 1: content = FieldList(); break;
            case 2: content = Profile(); break;
            case 3: content = Settings(); break;
            case 4: content = Catalogue(); break;
            default: content = Mixture(); break;
        }
        // Now and then a duplicate of a whole section further down, or one line of 100,000 characters.
        if (Below(8) == 0 && !sections_.empty()) content += Section(Pick(sections_)) + Line(Name(), Value());
        if (Below(40) == 0) content += Line(Name(), std::string(100000, static_cast<char>('a' + Below(26))));
        if (Below(4) == 0) {
            // A whole line of 253 to 256 characters, around what a 255-byte read takes.
            std::string name = Name();
            std::size_t length = 253 + static_cast<std::size_t>(Below(4));
            content += Line(name, std::string(length - std::min(length, name.size() + 1), 'v'));
        }
        return content;
    }

    // Section and key names to ask for: those of the file, in other cases, and missing ones.
    std::vector<std::string> ProbeSections() { return Variants(sections_, {"", "fehlt", "Felder "}); }
    std::vector<std::string> ProbeKeys() { return Variants(keys_, {"fehlt", " 1 ", "ANZ"}); }

    // Values like those a profile or the host hands over.
    std::string Value() {
        static const std::vector<std::string> pieces = {
            "a", "Z", "7", " ", "  ", "\t", "=", ";", "[", "]", "\"", "'", "%i", "%n", "\xE4", "\xC4", "\xDF",
            "\xA7", "\xD8", "\x9D", "\x81", "\x8E", "\xA0", "\xFF", "\x1A", ":", "\\", "#", "\x85", "\x84",
            std::string(1, '\0'), "\r", "x\ry=z", "\xE9\xC9"};
        std::string value;
        switch (Below(12)) {
            case 0: return value;
            case 1: {
                // Quoted, near the buffer's size.
                char quote = Below(2) ? '"' : '\'';
                return std::string(1, quote) + std::string(static_cast<std::size_t>(250 + Below(8)), 'q') + quote;
            }
            case 2: return std::string(static_cast<std::size_t>(253 + Below(4)), static_cast<char>('A' + Below(26)));
            case 3: return std::string(static_cast<std::size_t>(240 + Below(40)), 'w') + Pick(pieces);
            default: break;
        }
        int length = 1 + Below(12);
        for (int i = 0; i < length; ++i) value += Pick(pieces);
        int shape = Below(6);
        if (shape == 0) value = "\"" + value + "\"";
        if (shape == 1) value = "'" + value + "'";
        if (shape == 2) value = "\"" + value;
        if (shape == 3) value += " ";  // as the record file ends each value
        return value;
    }

private:
    // Names with blanks, "=", ";", "[", "]", quotes, and pairs that differ only in
    // the case of a non-ASCII letter, in code page 1252 and as the OEM code page 850
    // bytes of the same letters (as field names reach the files from the host).
    std::string Name() {
        static const std::vector<std::string> names = {
            "1", "2", "10", "Anz", "anz", "Pos", "Menge", "a b", " c ", "%i", "%n", "x=y", ";1", "[k]", "k]",
            "[k", "\"q\"", "'q'", "\"q", "\xC4rger", "\xE4rger", "\xD6l", "\xF6L", "\xDC" "ber", "\xFC" "BER",
            "\xC9t\xE9", "\xE9T\xC9", "\x8E" "rger", "\x84rger", "\x99l", "\x94l", "\x9A" "ber", "\x81" "ber",
            "\x90t\x82", "\x82t\x90", "Gr\xF6\xDF" "e", "\xA0nbsp", "tab\tin", "Feld_1", "FELD_1", "Spalte_1"};
        std::string name = Pick(names);
        keys_.push_back(name);
        return name;
    }

    std::string LineEnd() {
        int kind = Below(10);
        return kind == 0 ? "\n" : kind == 1 ? " \r\n" : kind == 2 ? "\r" : "\r\n";
    }
    std::string Line(const std::string& name, const std::string& value) {
        keys_.push_back(name);
        return name + "=" + value + LineEnd();
    }
    std::string Section(const std::string& name) {
        sections_.push_back(name);
        static const std::vector<std::string> forms = {"[%s]", "[ %s ]", "  [%s]\t", "[%s]x"};
        std::string form = Pick(forms);
        return form.replace(form.find("%s"), 2, name) + LineEnd();
    }

    std::string RecordFile() {
        std::string content;
        int records = 1 + Below(8);
        int fields = 1 + Below(5);
        std::vector<std::string> names;
        for (int f = 0; f < fields; ++f) names.push_back(Name());
        for (int r = 1; r <= records; ++r) {
            content += Section(std::to_string(Below(5) == 0 ? Below(r) + 1 : r));
            for (const std::string& name : names) content += Line(name, Value() + " ");
        }
        return content + Section("Anzahl") + Line("Anzahl", std::to_string(records));
    }
    std::string FieldList() {
        std::string content = Section(Below(3) ? "Felder" : "FELDER");
        int fields = 1 + Below(12);
        for (int f = 1; f <= fields; ++f) content += Line(std::to_string(Below(6) == 0 ? Below(f) + 1 : f), Name());
        return content + Line("Anz", std::to_string(fields));
    }
    std::string Profile() {
        std::string content = Section("Datei");
        int tables = 1 + Below(3);
        content += Line(Below(2) ? "Tabelle" : "TABELLE", std::to_string(tables)) + Line("Excelvorlage", Value());
        static const std::vector<std::string> fieldKeys = {"Feld_", "FELD_", "Spalte_", "Spaltenkopf_",
                                                           "AnzZeich_", "Typ_"};
        static const std::vector<std::string> limits = {"?", "?5", "  -12x", "30", "", "0", "abc", "+7", "99999"};
        for (int t = 1; t <= tables; ++t) {
            content += Section("Tabelle " + std::to_string(t));
            int fields = Below(4);
            content += Line("Blatt", std::to_string(Below(3))) + Line("Anzahl", std::to_string(fields));
            content += Line("Kopfzeile", Value()) + Line("Startzeile", std::to_string(Below(40000) - 5));
            for (int f = 1; f <= fields; ++f) {
                for (const std::string& key : fieldKeys) {
                    std::string value = key == "AnzZeich_" ? Pick(limits) : key == "Feld_" ? Name() : Value();
                    content += Line(key + std::to_string(f), value);
                }
            }
        }
        return content;
    }
    std::string Settings() {
        std::string content = Section("Orvanta");
        content += Line("Baugruppeninfo", std::to_string(Below(4) - 1)) + Line("Elementinfo", Value());
        content += Line("Baugruppen-Level", "1") + Section("Excel") + Line("Vorlage", Value());
        return content + Line("neue Mappe", std::to_string(Below(3))) + Line("Version", Value());
    }
    std::string Catalogue() {
        std::string content;
        for (int section = 0; section < 4; ++section) {
            content += Section(std::to_string(section));
            for (int key = Below(2); key < 6; ++key) content += Line(std::to_string(key), Value());
        }
        return content + Section("Orvanta") + Line("Helpfile", Value()) + Line("HELP_ID1", Value());
    }
    std::string Mixture() {
        static const std::vector<std::string> sectionNames = {"Felder", "felder", "Anzahl", "1", "",
                                                              "\xC4rger", "\xE4rger", "\x8E", "\x84", "x]"};
        std::string content;
        int lines = 5 + Below(40);
        for (int i = 0; i < lines; ++i) {
            int kind = Below(12);
            if (kind == 0) {
                content += Section(Pick(sectionNames));
            } else if (kind == 1) {
                content += ";" + Line(Name(), Value());
            } else if (kind == 2) {
                content += Name() + LineEnd();  // a line without "="
            } else if (kind == 3) {
                content += "[" + Name() + LineEnd();  // a "[" line without "]"
            } else if (kind == 4) {
                content += "  " + Name() + " \t=  " + Value() + "  " + LineEnd();
            } else {
                content += Line(Name(), Value());
            }
        }
        if (Below(3) == 0) content += Name() + "=" + Value();  // no line end at the end
        return content;
    }

    // The names, their upper- and lower-case forms, and the extras, each once.
    static std::vector<std::string> Variants(const std::vector<std::string>& names,
                                             const std::vector<std::string>& extras) {
        std::vector<std::string> variants = extras;
        for (const std::string& name : names) {
            std::string upper = name;
            if (!upper.empty()) CharUpperBuffA(&upper[0], static_cast<DWORD>(upper.size()));
            for (const std::string& variant : {name, upper, Lowered(name)})
                if (std::find(variants.begin(), variants.end(), variant) == variants.end()) variants.push_back(variant);
        }
        return variants;
    }

    std::mt19937 random_;
    std::vector<std::string> sections_;
    std::vector<std::string> keys_;
};

int EnvironmentCount(const char* name, int fallback) {
    const char* text = std::getenv(name);
    return text && *text ? std::atoi(text) : fallback;
}

// The differential over generated files: 150 files in the suite, EXL_INI_DIFF_FILES
// (10,000 in ./run fuzz) on demand, from the seed EXL_INI_DIFF_SEED. Wine folds only
// ASCII letters when it matches names, where Windows folds every letter of the code
// page as the snapshot does: a probe that differs only there is counted apart,
// after checking that the two readers agree once every letter of the file and of
// the probe is lowered (so the snapshot found the entry Windows finds).
TEST(IniSnapshotTest, GivesThePlatformsValuesOnGeneratedFiles) {
    ScratchDirectory scratch(false);
    const int files = EnvironmentCount("EXL_INI_DIFF_FILES", 150);
    const unsigned seed = static_cast<unsigned>(EnvironmentCount("EXL_INI_DIFF_SEED", 20240611));
    Generator generate(seed);
    const std::vector<std::string> defaults = {"", "?", "vorgabe", "'q'", "\"\""};
    const std::vector<int> readSizes = {255, 255, 10, 2, 1};
    long long probes = 0;
    long long caseCorners = 0;
    int differences = 0;
    for (int round = 0; round < files && differences <= 20; ++round) {
        const std::string content = generate.File();
        const std::string file = scratch.File("gen.ini");
        const std::string lowered = scratch.File("lowered.ini");
        WriteFile(file, content);
        WriteFile(lowered, Lowered(content));
        IniSnapshot snapshot(file);
        for (const std::string& section : generate.ProbeSections()) {
            for (const std::string& key : generate.ProbeKeys()) {
                const Probe probe{section, key, generate.Pick(defaults), generate.Pick(readSizes)};
                ++probes;
                std::string platform = ReadIniString(file, probe.section, probe.key, probe.defaultValue, probe.readSize);
                std::string own = snapshot.Get(probe.section, probe.key, probe.defaultValue, probe.readSize);
                if (platform == own) continue;
                std::string windows = ReadIniString(lowered, Lowered(probe.section), Lowered(probe.key),
                                                    Lowered(probe.defaultValue), probe.readSize);
                if (windows == Lowered(own)) {
                    ++caseCorners;
                    continue;
                }
                if (++differences <= 5)
                    ADD_FAILURE() << "seed " << seed << " file " << round << ": [" << EscapedBytes(probe.section)
                                  << "] " << EscapedBytes(probe.key) << " default \""
                                  << EscapedBytes(probe.defaultValue) << "\" size " << probe.readSize
                                  << ": platform \"" << EscapedBytes(platform) << "\", snapshot \""
                                  << EscapedBytes(own) << "\"\nfile:\n" << EscapedBytes(content.substr(0, 3000));
            }
        }
    }
    std::printf("ini differential: seed %u, %d files, %lld probes, %lld differ only where Wine folds ASCII "
                "letters alone, %d disagreements\n",
                seed, files, probes, caseCorners, differences);
    EXPECT_EQ(differences, 0);
}

// Windows' own answers where Wine's differ: names match across the case of every
// letter of the code page, also when the bytes are OEM text read as ANSI.
TEST(IniSnapshotTest, NamesMatchWithoutRegardToTheCaseOfAnyLetter) {
    ScratchDirectory scratch(false);
    struct Case {
        const char* content;
        const char* section;
        const char* key;
        const char* expected;
    };
    const Case cases[] = {
        {"[\xC4rger]\r\n\xC9t\xE9=1\r\n", "\xE4RGER", "\xE9T\xC9", "1"},
        {"[\xD6l]\r\n\xDC" "ber=2\r\n", "\xF6L", "\xFC" "BER", "2"},
        // OEM 850 "\x8E" (A umlaut) is "\x8E" (Z caron) in 1252, whose lower case is "\x9E".
        {"[Felder]\r\n\x8E=3\r\n", "FELDER", "\x9E", "3"},
        // The first of two sections that differ only in case wins, as for ASCII names.
        {"[\xE4]\r\nk=4\r\n[\xC4]\r\nk=5\r\nj=6\r\n", "\xC4", "k", "4"},
        {"[\xE4]\r\nk=4\r\n[\xC4]\r\nk=5\r\nj=6\r\n", "\xC4", "j", "-"},
    };
    for (const Case& c : cases) {
        std::string file = scratch.File("case.ini");
        WriteFile(file, c.content);
        EXPECT_EQ(IniSnapshot(file).Get(c.section, c.key, "-"), c.expected) << EscapedBytes(c.content);
    }
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

TEST(IniSnapshotTest, WholeNumbersAreTheOnesThePlatformReads) {
    ScratchDirectory scratch(false);
    // Blanks, signs, base prefixes, stray characters, quotes, 32-bit wrap-around and
    // values around the platform's read of 30 characters.
    const std::vector<std::string> values = {
        "12", "  7  ", "+5", "-3", "- 3", "+-4", "12abc", "abc", "", "  ", "-", "0", "007", "0x1F", "0X1F",
        "0b101", "0o17", "0x", "08", "1e3", "3.9", "'42'", "\"43\"", "' 44'", "'\x01" "45'", "\xB2", "2147483647",
        "2147483648", "4294967295", "4294967297", "-2147483649", std::string(28, '9'), std::string(29, '1'),
        "'" + std::string(28, '2') + "'", std::string(40, '3')};
    std::string content = "[Zahlen]\r\n";
    for (std::size_t at = 0; at < values.size(); ++at) content += "k" + std::to_string(at) + "=" + values[at] + "\r\n";
    content += "ohne\r\n";
    const std::string file = scratch.File("zahlen.ini");
    WriteFile(file, content);
    const IniSnapshot snapshot(file);
    std::vector<std::string> keys = {"ohne", "fehlt"};
    for (std::size_t at = 0; at < values.size(); ++at) keys.push_back("k" + std::to_string(at));
    for (const char* section : {"Zahlen", "fehlt"})
        for (const std::string& key : keys)
            for (int defaultValue : {0, -9})
                EXPECT_EQ(snapshot.GetInt(section, key, defaultValue), ReadIniInt(file, section, key, defaultValue))
                    << "[" << section << "] " << EscapedBytes(key) << " default " << defaultValue;
}

TEST(IniSnapshotTest, AFileOfManyUnclosedSectionLinesIsReadInOnePass) {
    ScratchDirectory scratch(false);
    // Each "[" line without "]" once made the reader search back through the whole file.
    std::string content = "[Felder]\r\n";
    for (int line = 0; line < 200000; ++line) content += "[k" + std::to_string(line) + "=v\r\n";
    std::string file = scratch.File("offen.ini");
    WriteFile(file, content);
    IniSnapshot snapshot(file);
    EXPECT_EQ(snapshot.Get("Felder", "[k199999", ""), "v");
    EXPECT_EQ(snapshot.Get("Felder", "[k0", ""), ReadIniString(file, "Felder", "[k0", ""));
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
