// The fuzz targets: every reader of text that comes from outside the plug-in
// (the host's result file through the record file, profiles, the host INI, the
// catalogue, the settings) and the tools' own readers (the host simulator's
// drawing, the stand-in's cell addresses), each with the invariants it must keep.
//   fuzz-readers.exe [--seed N] [--inputs N] [--only TARGET]
// A finding's whole input is kept as fuzz-finding-TARGET-N.bin in the directory the
// program starts in; --only with the first target's seed and count replays it.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "CellAddress.h"
#include "Drawing.h"
#include "Fuzzer.h"
#include "PureReaderChecks.h"
#include "catalogue/MessageCatalogue.h"
#include "settings/ExportSettings.h"
#include "export/records/RecordFile.h"
#include "framework/CodePage.h"
#include "framework/Ini.h"
#include "framework/IniSnapshot.h"
#include "framework/Raii.h"
#include "host/FindHostFilePattern.h"
#include "profile/TransferProfile.h"

namespace exl::fuzz {
namespace {

constexpr const char* kResultSplit = "\n--result--\n";

void WriteBytes(const std::string& path, const std::string& content) {
    UniqueFile file = OpenFile(path.c_str(), "wb");
    if (file) std::fwrite(content.data(), 1, content.size(), file.get());
}

std::string ReadBytes(const std::string& path) {
    std::string content;
    UniqueFile file = OpenFile(path.c_str(), "rb");
    char chunk[65536];
    std::size_t read = 0;
    while (file && (read = std::fread(chunk, 1, sizeof(chunk), file.get())) > 0) content.append(chunk, read);
    return content;
}

// Names and values with what the readers treat specially: blanks, "=", ";",
// brackets, quotes, non-ASCII letters in both cases (ANSI 1252 and OEM 850),
// CR, NUL, tab, ^Z, the no-break space, and lengths around the 254-character limit.
const std::vector<std::string> kPieces = {
    "a", "Z", "7", "-", "+", " ", "\t", "=", ";", "[", "]", "\"", "'", "%i", "%n", "/", ":", "\\", "?",
    "\xE4", "\xC4", "\xF6", "\xD6", "\xFC", "\xDC", "\xE9", "\xC9", "\x84", "\x8E", "\x94", "\x99", "\x81", "\x9A",
    "\x82", "\x90", "\xA0", "\xFF", "\x1A", "\r", std::string(1, '\0'), "EXL", "XLS", "Baugruppe", "Element"};

std::string Text(Random& random, int maxPieces) {
    std::string text;
    switch (random.Below(10)) {
        case 0: return std::string(static_cast<std::size_t>(253 + random.Below(4)), 'x');
        case 1: return std::string(static_cast<std::size_t>(random.OneIn(10) ? 100000 : 300), 'y');
        default: break;
    }
    int pieces = random.Below(maxPieces + 1);
    for (int i = 0; i < pieces; ++i) text += random.Pick(kPieces);
    return text;
}

std::string LineEnd(Random& random) { return random.OneIn(8) ? "\n" : random.OneIn(8) ? "\r" : "\r\n"; }

// --- the record file, from the field list and the host's result ---------------------

std::string GenerateRecordInput(Random& random) {
    int fields = random.Below(7);
    std::string input = "[Felder]\r\n";
    for (int f = 1; f <= fields; ++f) input += std::to_string(f) + "=" + Text(random, 4) + "\r\n";
    input += "Anz=" + std::to_string(fields) + "\r\n" + kResultSplit;
    int lines = random.Below(30);
    for (int i = 0; i < lines; ++i) input += Text(random, 5) + (random.OneIn(10) ? "\n" : "\r\n");
    if (random.OneIn(3)) input += Text(random, 3);
    return input;
}

// The number of lines a text-mode read sees: ^Z ends the stream, CR LF is one line end.
long long TextModeLines(std::string bytes) {
    std::string::size_type eof = bytes.find('\x1A');
    if (eof != std::string::npos) bytes.erase(eof);
    long long lines = 0;
    std::string::size_type start = 0;
    for (std::string::size_type at = 0; at < bytes.size(); ++at) {
        if (bytes[at] != '\n') continue;
        ++lines;
        start = at + 1;
    }
    return lines + (start < bytes.size() ? 1 : 0);
}

std::string CheckRecordFile(const std::string& input) {
    std::string::size_type split = input.find(kResultSplit);
    std::string fieldListText = input.substr(0, split);
    std::string resultText = split == std::string::npos ? std::string() : input.substr(split + std::strlen(kResultSplit));
    WriteBytes("felder.ini", fieldListText);
    WriteBytes("result.tmp", resultText);
    const std::string fieldList = ".\\felder.ini";
    const int total = std::max(0, std::min(64, ReadIniInt(fieldList, kFieldListSection, kFieldTotalKey, 0)));
    std::int32_t count = 0;
    {
        UniqueFile result = OpenFile("result.tmp", kResultOpenMode);
        UniqueFile records = OpenFile("records.ini", "w");
        if (!result || !records) return "cannot open the scratch files";
        count = BuildRecordFile(result.get(), records.get(), fieldList, total);
    }
    const long long lines = TextModeLines(resultText);
    const long long expected = total == 0 ? 0 : (lines + total - 1) / total;
    if (count != expected) return "record count differs from the result's whole and begun records";

    std::vector<std::string> names;
    for (int f = 1; f <= total; ++f)
        names.push_back(ConvertOemToAnsi(ReadIniString(fieldList, kFieldListSection, std::to_string(f), "")));
    const std::string records = ReadBytes("records.ini");
    std::vector<std::string> recordLines;
    std::string::size_type start = 0;
    for (std::string::size_type end; (end = records.find("\r\n", start)) != std::string::npos; start = end + 2)
        recordLines.push_back(records.substr(start, end - start));
    if (start != records.size()) return "the record file does not end with a line end";

    // Every record holds the next field-total lines of the result; the last one what is left.
    std::size_t at = 0;
    long long values = 0;
    for (std::int32_t record = 1; record <= count; ++record) {
        if (at >= recordLines.size() || recordLines[at++] != "[" + std::to_string(record) + "]")
            return "a record does not begin with its numbered section";
        const long long fields = std::min<long long>(total, lines - values);
        for (long long f = 0; f < fields && at < recordLines.size(); ++f, ++values) {
            const std::string& line = recordLines[at++];
            const std::string head = names[static_cast<std::size_t>(f)] + "=";
            if (line.compare(0, head.size(), head) != 0) return "a record line does not name its field";
            std::string value = line.substr(head.size());
            if (value.find_first_of(std::string("\r\0", 2)) != std::string::npos)
                return "a record value holds a CR or NUL, which the reader takes for a line end";
            if (!value.empty() && value.back() == ' ') value.pop_back();
            if (value.size() > kRecordValueMaxChars) return "a record value is longer than 254 characters";
        }
    }
    if (values != (total == 0 ? 0 : lines)) return "the record file holds another number of values than the result has lines";
    if (at + 2 != recordLines.size() || recordLines[at] != "[Anzahl]" ||
        recordLines[at + 1] != "Anzahl=" + std::to_string(count))
        return "the record file does not end with its count";
    return "";
}

// --- the INI snapshot against the platform on mutated files -------------------------

std::string Lowered(std::string text) {
    if (!text.empty()) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

std::string GenerateIni(Random& random) {
    static const std::vector<std::string> sections = {"Felder", "1", "2", "Anzahl", "Datei", "Tabelle 1", "",
                                                      "\xC4rger", "\x8E"};
    static const std::vector<std::string> keys = {"1", "2", "Anz", "Anzahl", "Feld_1", "FELD_1", "Pos",
                                                  "\xE4rger", "\x84", "a b", "[k", "x=y"};
    std::string content;
    int lines = random.Below(20);
    for (int i = 0; i < lines; ++i) {
        if (random.OneIn(4))
            content += "[" + random.Pick(sections) + "]";
        else
            content += random.Pick(keys) + (random.OneIn(8) ? "" : "=") + Text(random, 4);
        content += LineEnd(random);
    }
    return content;
}

std::string CheckSnapshot(const std::string& input) {
    static const std::vector<std::string> sections = {"Felder", "1", "Tabelle 1", "", "\xE4rger", "\x9E"};
    static const std::vector<std::string> keys = {"1", "ANZAHL", "feld_1", "\xC4RGER", "\x8E", "[k"};
    WriteBytes("snapshot.ini", input);
    WriteBytes("lowered.ini", Lowered(input));
    IniSnapshot snapshot(".\\snapshot.ini");
    for (const std::string& section : sections) {
        for (const std::string& key : keys) {
            std::string own = snapshot.Get(section, key, "-");
            if (own.size() > kIniValueMaxChars) return "a snapshot value is longer than 254 characters";
            if (own == ReadIniString(".\\snapshot.ini", section, key, "-")) continue;
            // Wine matches non-ASCII letters only in their own case; Windows, and the
            // snapshot, in either: the readers must agree once every letter is lowered.
            if (Lowered(own) != ReadIniString(".\\lowered.ini", Lowered(section), Lowered(key), "-"))
                return "the snapshot and the platform give different values";
        }
    }
    return "";
}

// --- profiles: typed numbers, character limits, columns -----------------------------

std::string GenerateProfile(Random& random) {
    static const std::vector<std::string> numbers = {"1", "2", "0", "-1", "32767", "40000", "?", "?5", "  -12x",
                                                     "30", "", "abc", "+7", "99999999999", " 3 ", "\t4"};
    int tables = 1 + random.Below(3);
    std::string content = "[Datei]\r\nTabelle=" + std::to_string(tables) + "\r\nExcelvorlage=" + Text(random, 3) +
                          "\r\n";
    for (int t = 1; t <= tables; ++t) {
        int fields = random.Below(4);
        content += "[Tabelle " + std::to_string(t) + "]\r\nBlatt=" + random.Pick(numbers) + "\r\nAnzahl=" +
                   std::to_string(fields) + "\r\nKopfzeile=" + random.Pick(numbers) + "\r\nStartzeile=" +
                   random.Pick(numbers) + "\r\n";
        for (int f = 1; f <= fields; ++f) {
            std::string n = std::to_string(f);
            content += "Feld_" + n + "=" + Text(random, 4) + "\r\nSpalte_" + n + "=" + Text(random, 3) +
                       "\r\nSpaltenkopf_" + n + "=" + Text(random, 4) + "\r\nAnzZeich_" + n + "=" +
                       random.Pick(numbers) + "\r\nTyp_" + n + "=" + random.Pick(numbers) + "\r\n";
        }
    }
    return content;
}

std::string CheckProfile(const std::string& input) {
    WriteBytes("profil.exl", input);
    TransferProfile profile(".\\profil.exl");
    if (profile.ExcelTemplate().size() > kIniValueMaxChars) return "a template path is longer than 254 characters";
    const int tables = std::min<int>(profile.TableCountForQuery(), 4);
    for (int t = 1; t <= tables; ++t) {
        profile.Sheet(t);
        profile.HeaderRow(t);
        profile.StartRow(t);
        const int fields = std::min<int>(profile.FieldCount(t), 6);
        for (int f = 1; f <= fields; ++f) {
            if (profile.QueryFieldName(t, f).size() > kIniValueMaxChars ||
                profile.ColumnHeading(t, f).size() > kIniValueMaxChars)
                return "a field text is longer than 254 characters";
            if (profile.Column(t, f).size() > kColumnMaxChars) return "a column is longer than 9 characters";
            profile.CharacterLimit(t, f);
            if (profile.ReadFieldDefinition(TableSectionName(t), f).limitText.size() > kIniValueMaxChars)
                return "a limit text is longer than 254 characters";
        }
    }
    return "";
}

std::string GenerateNumber(Random& random) {
    static const std::vector<std::string> heads = {"", " ", "  ", "\t", "?", "+", "-", "-0", "0", "00"};
    std::string text = random.Pick(heads);
    int digits = random.Below(random.OneIn(5) ? 25 : 6);
    for (int i = 0; i < digits; ++i) text += static_cast<char>('0' + random.Below(10));
    if (random.OneIn(2)) text += Text(random, 2);
    return text;
}

// --- the host INI -------------------------------------------------------------------

std::string GenerateHostIni(Random& random) {
    static const std::vector<std::string> lines = {"EXL=*.exl", "XLS= *.xls / Tabellen", "ZEXL=abc", "EXL",
                                                   "[Orvanta]", "; EXL in a comment", "XLS=\t*.xl?\t/", "EX"};
    std::string content;
    int count = random.Below(8);
    for (int i = 0; i < count; ++i) content += (random.OneIn(3) ? Text(random, 4) : random.Pick(lines)) + LineEnd(random);
    return content;
}

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

std::string CheckHostIni(const std::string& input) {
    WriteBytes("orvanta.ini", input);
    const char* fallback = ".\\exl\\*.exl";
    for (const char* tag : {"EXL", "XLS"}) {
        char output[kHostPathBufferSize];
        std::memset(output, 'u', sizeof(output));
        std::int16_t result = FindHostFilePattern(tag, fallback, output, kHostIniLineLimit, ".\\orvanta.ini");
        std::size_t length = strnlen(output, sizeof(output));
        if (length == sizeof(output)) return "the pattern is not terminated within its buffer";
        std::string pattern(output, length);
        if (result == kPatternNoLine) {
            if (pattern != fallback) return "no line found but the pattern is not the fallback";
        } else if (result == kPatternFound) {
            if (input.find(tag) == std::string::npos) return "a pattern found where no line holds the tag";
            if (pattern.find('/') != std::string::npos) return "a pattern keeps its \"/\"";
            if (!pattern.empty() && (IsBlank(pattern.front()) || IsBlank(pattern.back())))
                return "a pattern is not trimmed";
        } else {
            return "an existing host INI answers neither found nor no line";
        }
    }
    return "";
}

// --- the catalogue and the settings -------------------------------------------------

std::string GenerateCatalogue(Random& random) {
    std::string content;
    for (const char* section : {"0", "1", "2", "3", "Orvanta"}) {
        if (random.OneIn(5)) continue;
        content += std::string("[") + section + "]" + LineEnd(random);
        for (const char* key : {"0", "2", "13", "14", "Helpfile", "HELP_ID1"})
            if (!random.OneIn(3)) content += std::string(key) + "=" + Text(random, 6) + LineEnd(random);
    }
    return content;
}

std::string CheckCatalogue(const std::string& input) {
    WriteBytes(MessageCatalogue::kFile, input);
    for (int section = 0; section <= 3; ++section)
        for (int key : {0, 2, 13, 14})
            if (MessageCatalogue::Text(section, key).size() > kIniValueMaxChars)
                return "a catalogue text is longer than 254 characters";
    if (MessageCatalogue::HelpFile().size() > kIniValueMaxChars) return "the help file is longer than 254 characters";
    MessageCatalogue::HelpContext(kExportDialogHelp.key, kExportDialogHelp.defaultContext);
    return "";
}

std::string GenerateSettings(Random& random) {
    static const std::vector<std::string> numbers = {"1", "0", "2", "-1", "10", "9", "8", "99999", "ja", "", " 1"};
    return "[Orvanta]\r\nBaugruppeninfo=" + random.Pick(numbers) + "\r\nElementinfo=" + random.Pick(numbers) +
           "\r\nBaugruppen-Level=" + random.Pick(numbers) + "\r\n[Excel]\r\nVorlage=" + Text(random, 5) +
           "\r\nneue Mappe=" + random.Pick(numbers) + "\r\nVersion=" + random.Pick(numbers) + "\r\n";
}

std::string CheckSettings(const std::string& input) {
    WriteBytes(kSettingsFile, input);
    ExportSettings settings = LoadExportSettings();
    if (settings.profilePath.size() > kIniValueMaxChars) return "a profile path is longer than 254 characters";
    ReadExcelVersion();
    return "";
}

// --- the host simulator's drawing ---------------------------------------------------

std::string GenerateDrawing(Random& random) {
    static const std::vector<std::string> lines = {
        "Baugruppe 0", "Element 2", "baugruppe\t1", "ELEMENT 999999999", "Baugruppe 9999999999", "Benennung=Welle",
        "Menge=4", "Werkstoff=", "; Kommentar", "# Kommentar", "", "=ohne Name", "Gr\xC3\xB6\xC3\x9F" "e=M8",
        "Baugruppe -1", "Element", "\xEF\xBB\xBF" "Baugruppe 0"};
    std::string content;
    int count = random.Below(16);
    for (int i = 0; i < count; ++i) content += (random.OneIn(6) ? Text(random, 4) : random.Pick(lines)) + "\n";
    return content;
}

std::string CheckDrawing(const std::string& input) {
    orvanta::Drawing drawing;
    std::string error;
    if (!drawing.Parse(input, error)) return error.empty() ? "a drawing refused without a reason" : "";
    const std::vector<std::wstring> names = {L"%i", L"Benennung", L"%n", L"menge", L""};
    for (std::uint8_t flags : {1, 3, 5, 7, 35, 39}) {
        std::vector<std::wstring> lines = drawing.Answer(names, flags);
        if (lines.size() % names.size() != 0) return "an answer of incomplete positions";
        for (std::size_t position = 0; position * names.size() < lines.size(); ++position) {
            if (lines[position * names.size()] != std::to_wstring(position + 1)) return "positions not numbered from 1";
            if (std::wcstol(lines[position * names.size() + 2].c_str(), nullptr, 10) < 1)
                return "a position of no objects";
        }
    }
    orvanta::SearchNamesOf(input);
    return "";
}

// --- the stand-in's cell addresses --------------------------------------------------

std::string GenerateAddress(Random& random) {
    static const std::vector<std::string> pieces = {"A", "b", "Z", "IV", "IW", "XFD", "$", ":", "1", "0", "9",
                                                    "65536", "65537", "1048576", "99999999999", " ", "\xC4", "-"};
    std::string text;
    int count = random.Below(6);
    for (int i = 0; i < count; ++i) text += random.Pick(pieces);
    return text;
}

std::vector<Target> Targets() {
    const std::vector<std::string> iniTokens = {"[", "]", "=", ";", "\r\n", "\r", "\n", std::string(1, '\0'),
                                                "\"", "'", " ", "\t", "\xA0", "\x1A", "\xC4", "\xE4", "\x8E",
                                                "[Felder]\r\n", "[1]\r\n", "Anz=", "Anzahl=", "Feld_1="};
    return {
        {"record-file", 40, GenerateRecordInput, CheckRecordFile, iniTokens},
        {"ini-snapshot", 5, GenerateIni, CheckSnapshot, iniTokens},
        {"profile", 20, GenerateProfile, CheckProfile, iniTokens},
        {"host-ini", 10, GenerateHostIni, CheckHostIni, {"EXL", "XLS", "/", "=", "\r\n", "\n", " ", "\t", std::string(1, '\0')}},
        {"catalogue", 4, GenerateCatalogue, CheckCatalogue, iniTokens},
        {"settings", 4, GenerateSettings, CheckSettings, iniTokens},
        {"numbers", 330, GenerateNumber, CheckNumbers, {"?", "-", "+", " ", "\t", "0", "9", "32767", "65536", "x"}},
        {"drawing", 250, GenerateDrawing, CheckDrawing, {"\n", "\r\n", "=", " ", "Baugruppe ", "Element ", "9", "\xC3", "\xEF\xBB\xBF"}},
        {"cell-address", 320, GenerateAddress, CheckAddress, {"$", ":", "A", "Z", "9", "0", "IV", "XFD"}},
    };
}

// A scratch working directory with an "exl" below, as the host's working directory has.
std::string MakeWorkingDirectory() {
    char temp[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, temp);
    std::string directory = std::string(temp) + "exl-fuzz-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(directory.c_str(), nullptr);
    CreateDirectoryA((directory + "\\exl").c_str(), nullptr);
    SetCurrentDirectoryA(directory.c_str());
    return directory;
}

void RemoveWorkingDirectory(const std::string& directory) {
    SetCurrentDirectoryA("..");
    for (const char* name : {"felder.ini", "result.tmp", "records.ini", "snapshot.ini", "lowered.ini", "profil.exl",
                             "orvanta.ini", "string_exl.txt", "exl\\rizeraru.ini"})
        DeleteFileA((directory + "\\" + name).c_str());
    RemoveDirectoryA((directory + "\\exl").c_str());
    RemoveDirectoryA(directory.c_str());
}

}  // namespace
}  // namespace exl::fuzz

int main(int argc, char** argv) {
    std::uint32_t seed = 1;
    long long inputs = 1000000;
    std::string only;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--seed") == 0) seed = static_cast<std::uint32_t>(std::strtoul(argv[i + 1], nullptr, 10));
        if (std::strcmp(argv[i], "--inputs") == 0) inputs = std::atoll(argv[i + 1]);
        if (std::strcmp(argv[i], "--only") == 0) only = argv[i + 1];
    }
    std::vector<exl::fuzz::Target> targets;
    for (const exl::fuzz::Target& target : exl::fuzz::Targets())
        if (only.empty() || only == target.name) targets.push_back(target);
    if (targets.empty()) {
        std::fprintf(stderr, "no target named %s\n", only.c_str());
        return 2;
    }
    char started[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, started);
    const std::string directory = exl::fuzz::MakeWorkingDirectory();
    int findings = exl::fuzz::RunCampaign(targets, seed, inputs, started);
    exl::fuzz::RemoveWorkingDirectory(directory);
    return findings == 0 ? 0 : 1;
}
