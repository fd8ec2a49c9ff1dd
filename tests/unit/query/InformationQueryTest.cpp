// The query step from profile to record file, with the host's side played by a
// test callback that records the request and writes the result file.
#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "RecordingUi.h"
#include "Scratch.h"
#include "TextLines.h"
#include "catalogue/MessageCatalogue.h"
#include "export/InformationQuery.h"
#include "framework/CodePage.h"
#include "framework/Ini.h"
#include "framework/Raii.h"
#include "host/ModuleState.h"

namespace exl::test {
namespace {

struct SeenRequest {
    std::int32_t code = 0;
    std::string searchSpecPath;
    std::string resultPath;
    std::string searchSpec;  // as the host found it, bytes on disk
    std::string fieldList;   // the field-list file at the time of the request
    unsigned modeFlags = 0;
};

class InformationQueryTest : public ::testing::Test {
protected:
    InformationQueryTest() {
        ModuleState& state = TheModuleState();
        savedCallback_ = state.hostCallback;
        savedContext_ = state.hostContext;
        state.hostCallback = &InformationQueryTest::Callback;
        state.hostContext = static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(this));
        settings.profilePath = scratch.File("exl\\profil.exl");
    }

    ~InformationQueryTest() override {
        TheModuleState().hostCallback = savedCallback_;
        TheModuleState().hostContext = savedContext_;
        for (const std::string& path : leftBehind_)
            if (!path.empty()) DeleteFileA(path.c_str());
    }

    // The host's answer: the result file's bytes, written in binary so the test
    // controls every line end.
    void AnswerWith(const std::string& resultBytes) {
        answer = [resultBytes](const std::string& resultPath) { WriteFile(resultPath, resultBytes); };
    }

    void WriteProfile(const std::string& content) { WriteFile(settings.profilePath, content); }

    // Names inside the scratch directory, or none where the script says so.
    TemporaryNameMaker ScriptedNames(std::vector<bool> made) {
        auto remaining = std::make_shared<std::deque<bool>>(made.begin(), made.end());
        auto counter = std::make_shared<int>(0);
        std::string directory = scratch.Path();
        return [remaining, counter, directory]() -> std::optional<std::string> {
            bool make = remaining->empty() || remaining->front();
            if (!remaining->empty()) remaining->pop_front();
            ++*counter;
            if (!make) return std::nullopt;
            return directory + "\\tmp" + std::to_string(*counter) + ".tmp";
        };
    }

    QueryOutcome Run() { return Keep(RunInformationQuery(settings)); }
    QueryOutcome Run(const TemporaryNameMaker& names) { return Keep(RunInformationQuery(settings, names)); }

    std::vector<std::string> MessageTexts() const {
        std::vector<std::string> texts;
        for (const RecordedMessageBox& box : ui.boxes) texts.push_back(box.text);
        return texts;
    }

    static std::string Message(int key) { return MessageCatalogue::Text(0, key); }

    ScratchDirectory scratch;
    RecordingUi ui;
    ExportSettings settings;
    std::function<void(const std::string& resultPath)> answer;
    std::vector<SeenRequest> requests;

private:
    QueryOutcome Keep(const QueryOutcome& outcome) {
        leftBehind_.push_back(outcome.recordFile);
        leftBehind_.push_back(outcome.resultFile);
        leftBehind_.push_back(outcome.fieldListFile);
        return outcome;
    }

    static std::int16_t __stdcall Callback(HostRequest* request, std::int32_t context, std::int32_t code) {
        auto* self = reinterpret_cast<InformationQueryTest*>(static_cast<std::uintptr_t>(context));
        SeenRequest seen;
        seen.code = code;
        if (code == kRequestInfoQuery) {
            seen.searchSpecPath = FromSlot<const char>(request->slot[0]);
            seen.resultPath = FromSlot<const char>(request->slot[1]);
            seen.modeFlags = request->slot[2] & 0xFF;
            seen.searchSpec = ReadFile(seen.searchSpecPath);
            if (self->answer) self->answer(seen.resultPath);
        }
        self->requests.push_back(seen);
        return 0;
    }

    HostCallback savedCallback_ = nullptr;
    std::int32_t savedContext_ = 0;
    std::vector<std::string> leftBehind_;
};

const std::string kTwoTableProfile = Lines({"[Datei]", "Tabelle=2", "[Tabelle 1]", "Anzahl=2", "Feld_1=Pos",
                                            "Feld_2=Menge", "[Tabelle 2]", "Anzahl=1", "Feld_1=Bezeichnung"});

TEST_F(InformationQueryTest, TheWorkedExampleGivesTheFilesByteForByte) {
    WriteProfile(kTwoTableProfile);
    AnswerWith(Lines({"1", "4", "Schraube", "2", "8", "Mutter"}));
    QueryOutcome outcome = Run();

    EXPECT_FALSE(outcome.commandEnded);
    EXPECT_EQ(outcome.recordCount, 2);
    EXPECT_TRUE(ui.boxes.empty());
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].code, kRequestInfoQuery);
    EXPECT_EQ(requests[0].searchSpecPath, outcome.recordFile);
    EXPECT_EQ(requests[0].resultPath, outcome.resultFile);
    EXPECT_EQ(requests[0].searchSpec,
              Lines({"FORMAT: ?", "REPEAT:", "SEARCH: Pos:", "SEARCH: Menge:", "SEARCH: Bezeichnung:", "END   :"}));
    EXPECT_EQ(ReadFile(outcome.fieldListFile), Lines({"[Felder]", "1=Pos", "2=Menge", "3=Bezeichnung", "Anz=3"}));
    EXPECT_EQ(ReadFile(outcome.recordFile),
              Lines({"[1]", "Pos=1 ", "Menge=4 ", "Bezeichnung=Schraube ", "[2]", "Pos=2 ", "Menge=8 ",
                     "Bezeichnung=Mutter ", "[Anzahl]", "Anzahl=2"}));
    // The three names differ and the result file is still there for the driver.
    EXPECT_NE(outcome.recordFile, outcome.resultFile);
    EXPECT_NE(outcome.resultFile, outcome.fieldListFile);
    EXPECT_NE(outcome.recordFile, outcome.fieldListFile);
    EXPECT_TRUE(FileExists(outcome.resultFile));
    // The sheet writer reads the values back through the platform, without the blank.
    EXPECT_EQ(ReadIniString(outcome.recordFile, "2", "bezeichnung", ""), "Mutter");
    EXPECT_EQ(ReadIniInt(outcome.recordFile, "Anzahl", "Anzahl", 0), 2);
}

TEST_F(InformationQueryTest, AProfileWithoutTablesStillAsksTheHostAndMakesNoRecord) {
    const std::vector<std::string> profiles = {"", Lines({"[Datei]", "Tabelle=0", "[Tabelle 1]", "Anzahl=2",
                                                          "Feld_1=Pos"}),
                                               Lines({"[Datei]", "Excelvorlage=x.xls", "[Tabelle 1]", "Anzahl=1"})};
    for (const std::string& profile : profiles) {
        SCOPED_TRACE(profile);
        requests.clear();
        if (profile.empty())
            DeleteFileA(settings.profilePath.c_str());
        else
            WriteProfile(profile);
        AnswerWith(Lines({"1", "2", "3"}));
        QueryOutcome outcome = Run();
        EXPECT_FALSE(outcome.commandEnded);
        EXPECT_EQ(outcome.recordCount, 0);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].searchSpec, Lines({"FORMAT: ?", "REPEAT:", "END   :"}));
        EXPECT_EQ(ReadFile(outcome.fieldListFile), Lines({"[Felder]", "Anz=0"}));
        EXPECT_EQ(ReadFile(outcome.recordFile), Lines({"[Anzahl]", "Anzahl=0"}));
    }
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(InformationQueryTest, FieldsAreNumberedAcrossTablesAndEitherSpellingOfTheKeyIsFound) {
    WriteProfile(Lines({"[Datei]", "Tabelle=2", "[tabelle 1]", "Anzahl=2", "Feld_1=A1", "FELD_2=A2", "[Tabelle 2]",
                        "Anzahl=3", "feld_1=B1", "Feld_2=B2", "fElD_3=B3"}));
    AnswerWith(Lines({"a", "b", "c", "d", "e"}));
    QueryOutcome outcome = Run();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].searchSpec, Lines({"FORMAT: ?", "REPEAT:", "SEARCH: A1:", "SEARCH: A2:", "SEARCH: B1:",
                                             "SEARCH: B2:", "SEARCH: B3:", "END   :"}));
    EXPECT_EQ(ReadFile(outcome.fieldListFile), Lines({"[Felder]", "1=A1", "2=A2", "3=B1", "4=B2", "5=B3", "Anz=5"}));
    EXPECT_EQ(outcome.recordCount, 1);
    EXPECT_EQ(ReadIniString(outcome.recordFile, "1", "B1", ""), "c");
}

TEST_F(InformationQueryTest, AMissingFieldKeyStillTakesItsPlace) {
    WriteProfile(Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Anzahl=3", "Feld_1=Pos", "Feld_3=Name"}));
    AnswerWith(Lines({"1", "leer", "Bolzen"}));
    QueryOutcome outcome = Run();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].searchSpec,
              Lines({"FORMAT: ?", "REPEAT:", "SEARCH: Pos:", "SEARCH: :", "SEARCH: Name:", "END   :"}));
    EXPECT_EQ(ReadFile(outcome.fieldListFile), Lines({"[Felder]", "1=Pos", "2=", "3=Name", "Anz=3"}));
    EXPECT_EQ(ReadFile(outcome.recordFile),
              Lines({"[1]", "Pos=1 ", "=leer ", "Name=Bolzen ", "[Anzahl]", "Anzahl=1"}));
}

TEST_F(InformationQueryTest, ResultLinesAreCutIntoRecordsOfFieldTotalLines) {
    struct Case {
        const char* what;
        std::string result;
        std::string records;
        std::int32_t count;
    };
    const std::vector<Case> cases = {
        {"seven lines, three fields: the third record holds its first field only",
         Lines({"1", "2", "3", "4", "5", "6", "7"}),
         Lines({"[1]", "A=1 ", "B=2 ", "C=3 ", "[2]", "A=4 ", "B=5 ", "C=6 ", "[3]", "A=7 ", "[Anzahl]", "Anzahl=3"}),
         3},
        {"a last line without line end is written whole", "x\r\ny\r\nz",
         Lines({"[1]", "A=x ", "B=y ", "C=z", "[Anzahl]", "Anzahl=1"}), 1},
        {"a line end at the very end makes no empty record", Lines({"x", "y", "z"}),
         Lines({"[1]", "A=x ", "B=y ", "C=z ", "[Anzahl]", "Anzahl=1"}), 1},
        {"empty lines are empty values", Lines({"", "", "w", ""}),
         Lines({"[1]", "A= ", "B= ", "C=w ", "[2]", "A= ", "[Anzahl]", "Anzahl=2"}), 2},
        {"an empty result makes no record", "", Lines({"[Anzahl]", "Anzahl=0"}), 0},
        {"a lone line end is one empty value", "\r\n", Lines({"[1]", "A= ", "[Anzahl]", "Anzahl=1"}), 1},
        {"LF alone also ends a line", "p\nq\nr\n", Lines({"[1]", "A=p ", "B=q ", "C=r ", "[Anzahl]", "Anzahl=1"}), 1},
        {"a NUL ends the value but not the line", std::string("a\0b\r\nc\r\nd\r\n", 11),
         Lines({"[1]", "A=a ", "B=c ", "C=d ", "[Anzahl]", "Anzahl=1"}), 1},
    };
    WriteProfile(Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Anzahl=3", "Feld_1=A", "Feld_2=B", "Feld_3=C"}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        AnswerWith(c.result);
        QueryOutcome outcome = Run();
        EXPECT_FALSE(outcome.commandEnded);
        EXPECT_EQ(outcome.recordCount, c.count);
        EXPECT_EQ(ReadFile(outcome.recordFile), c.records);
    }
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(InformationQueryTest, ALongResultLineIsOneValueAndShiftsNothing) {
    WriteProfile(Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Anzahl=2", "Feld_1=Lang", "Feld_2=Danach"}));
    const std::vector<std::size_t> lengths = {253, 254, 255, 300, 5000, 200000};
    for (std::size_t length : lengths) {
        SCOPED_TRACE(length);
        std::string longLine(length, 'L');
        longLine.back() = 'E';
        AnswerWith(longLine + "\r\nnach1\r\n" + longLine + "\r\nnach2\r\n");
        QueryOutcome outcome = Run();
        EXPECT_EQ(outcome.recordCount, 2);
        std::string kept = longLine.substr(0, std::min<std::size_t>(length, 254));
        EXPECT_EQ(ReadFile(outcome.recordFile), Lines({"[1]", "Lang=" + kept + " ", "Danach=nach1 ", "[2]",
                                                       "Lang=" + kept + " ", "Danach=nach2 ", "[Anzahl]",
                                                       "Anzahl=2"}));
        EXPECT_EQ(ReadIniString(outcome.recordFile, "2", "Danach", ""), "nach2");
        EXPECT_EQ(ReadIniString(outcome.recordFile, "1", "Lang", ""), kept);
    }
}

TEST_F(InformationQueryTest, AControlZEndsTheResultWhereverItStands) {
    WriteProfile(Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Anzahl=1", "Feld_1=A"}));
    // Just past the first 64 KB of text, with more behind it: there Wine's runtime
    // reads on past the ^Z.
    std::string result;
    for (int line = 0; line < 3000; ++line) result += std::string(99, 'a') + "\r\n";
    const std::size_t eof = 658 * 101 + 42;
    result[eof] = '\x1A';
    AnswerWith(result);
    QueryOutcome outcome = Run();
    EXPECT_EQ(outcome.recordCount, 659);
    const std::string records = ReadFile(outcome.recordFile);
    EXPECT_EQ(records.substr(records.size() - 77),
              "\r\n[659]\r\nA=" + std::string(42, 'a') + "\r\n[Anzahl]\r\nAnzahl=659\r\n");
}

TEST_F(InformationQueryTest, PositionAndQuantityNamesPassThroughUnchanged) {
    WriteProfile(Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Anzahl=3", "Feld_1=%i", "Feld_2=%n",
                        "Feld_3=%s%d%%"}));
    AnswerWith(Lines({"1", "3", "x"}));
    QueryOutcome outcome = Run();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].searchSpec,
              Lines({"FORMAT: ?", "REPEAT:", "SEARCH: %i:", "SEARCH: %n:", "SEARCH: %s%d%%:", "END   :"}));
    EXPECT_EQ(ReadFile(outcome.fieldListFile), Lines({"[Felder]", "1=%i", "2=%n", "3=%s%d%%", "Anz=3"}));
    EXPECT_EQ(ReadFile(outcome.recordFile), Lines({"[1]", "%i=1 ", "%n=3 ", "%s%d%%=x ", "[Anzahl]", "Anzahl=1"}));
}

TEST_F(InformationQueryTest, UmlautsGoToTheHostInOemAndComeBackInAnsi) {
    // § and Ø tell OEM 850 from 437.
    const std::string name = ToAnsi("Größe§Ø");
    WriteProfile(Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Anzahl=1", "Feld_1=" + name}));
    const std::string value = ToOem("Flügel Ø");
    AnswerWith(Lines({value}));
    QueryOutcome outcome = Run();
    ASSERT_EQ(requests.size(), 1u);
    const std::string oemName = ToOem("Größe§Ø");
    ASSERT_EQ(oemName, "Gr\x94\xE1" "e\xF5\x9D");
    EXPECT_EQ(requests[0].searchSpec, Lines({"FORMAT: ?", "REPEAT:", "SEARCH: " + oemName + ":", "END   :"}));
    EXPECT_EQ(ReadFile(outcome.fieldListFile), Lines({"[Felder]", "1=" + oemName, "Anz=1"}));
    // The name is back in ANSI, the value stays as the host wrote it.
    EXPECT_EQ(ReadFile(outcome.recordFile), Lines({"[1]", name + "=" + value + " ", "[Anzahl]", "Anzahl=1"}));
}

TEST_F(InformationQueryTest, ANameWithoutOemEquivalentComesBackAsItsRoundTrip) {
    const std::string name = ToAnsi("Preis €");
    WriteProfile(Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Anzahl=1", "Feld_1=" + name}));
    AnswerWith(Lines({"12"}));
    QueryOutcome outcome = Run();
    const std::string roundTrip = ConvertOemToAnsi(ConvertAnsiToOem(name));
    ASSERT_NE(roundTrip, name) << "850 has no euro sign";
    EXPECT_EQ(ReadFile(outcome.recordFile), Lines({"[1]", roundTrip + "=12 ", "[Anzahl]", "Anzahl=1"}));
}

TEST_F(InformationQueryTest, ModeFlagsFollowTheYesNoSettings) {
    struct Case {
        std::int32_t assembly, element, levelZero;
        unsigned flags;
    };
    const std::vector<Case> cases = {{0, 0, 0, 1},   {1, 0, 0, 3},  {0, 1, 0, 5},   {0, 0, 1, 33}, {1, 1, 1, 39},
                                     {2, -1, 2, 1},  {-1, 1, 0, 5}, {1, 2, -1, 3}, {65537, 1, 1, 37}};
    WriteProfile(kTwoTableProfile);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.assembly << "," << c.element << "," << c.levelZero);
        settings.assemblyInfo = c.assembly;
        settings.elementInfo = c.element;
        settings.levelZeroOnly = c.levelZero;
        EXPECT_EQ(QueryModeFlagsFor(settings), c.flags);
        requests.clear();
        Run();
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].modeFlags, c.flags);
    }
}

TEST_F(InformationQueryTest, AResultFileThatCannotBeOpenedEndsTheCommandWith05) {
    WriteProfile(kTwoTableProfile);
    struct Case {
        const char* what;
        std::function<void(const std::string&)> host;
    };
    const std::vector<Case> cases = {
        {"the host wrote no result", [](const std::string&) {}},
        {"a directory stands in the result's place",
         [](const std::string& path) { CreateDirectoryA(path.c_str(), nullptr); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui.boxes.clear();
        requests.clear();
        answer = c.host;
        QueryOutcome outcome = Run();
        EXPECT_TRUE(outcome.commandEnded);
        EXPECT_EQ(outcome.recordCount, 0);
        EXPECT_EQ(MessageTexts(), std::vector<std::string>{Message(5)});
        EXPECT_EQ(requests.size(), 1u);
        // The search searchText and the field list stay as they were.
        EXPECT_EQ(ReadFile(outcome.recordFile).substr(0, 11), "FORMAT: ?\r\n");
        EXPECT_EQ(ReadFile(outcome.fieldListFile).substr(0, 10), "[Felder]\r\n");
        RemoveDirectoryA(outcome.resultFile.c_str());
    }
    ASSERT_FALSE(ui.boxes.empty());
    EXPECT_EQ(ui.boxes[0].flags, static_cast<unsigned>(MB_OK | MB_ICONEXCLAMATION));
}

TEST_F(InformationQueryTest, ARecordFileThatCannotBeCreatedEndsTheCommandWith04) {
    WriteProfile(kTwoTableProfile);
    const std::string first = scratch.Path() + "\\tmp1.tmp";
    // Something takes the search file's place before the record file is made.
    answer = [first](const std::string& resultPath) {
        WriteFile(resultPath, Lines({"1", "2", "3"}));
        DeleteFileA(first.c_str());
        CreateDirectoryA(first.c_str(), nullptr);
    };
    QueryOutcome outcome = Run(ScriptedNames({true, true, true}));
    EXPECT_EQ(outcome.recordFile, first);
    EXPECT_TRUE(outcome.commandEnded);
    EXPECT_EQ(outcome.recordCount, 0);
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{Message(4)});
    EXPECT_TRUE(FileExists(outcome.resultFile));
    EXPECT_TRUE(FileExists(outcome.fieldListFile));
    RemoveDirectoryA(first.c_str());
}

TEST_F(InformationQueryTest, MissingTemporaryNamesEndTheCommandWithoutAskingTheHostWithAMissingPath) {
    struct Case {
        const char* what;
        std::vector<bool> made;
        std::vector<int> messages;
        bool fieldListCreated;
        bool queryFilesWritten;
    };
    const std::vector<Case> cases = {
        {"first name missing", {false, true, true}, {3, 4}, true, false},
        {"second name missing", {true, false, true}, {3, 5}, true, true},
        {"third name missing", {true, true, false}, {3, 4}, false, false},
        {"first and third missing", {false, true, false}, {3, 3, 4}, false, false},
        {"all three missing", {false, false, false}, {3, 3, 3, 4}, false, false},
    };
    WriteProfile(kTwoTableProfile);
    AnswerWith(Lines({"1", "2", "3"}));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui.boxes.clear();
        requests.clear();
        QueryOutcome outcome = Run(ScriptedNames(c.made));
        EXPECT_TRUE(outcome.commandEnded);
        std::vector<std::string> expected;
        for (int key : c.messages) expected.push_back(Message(key));
        EXPECT_EQ(MessageTexts(), expected);
        EXPECT_TRUE(requests.empty()) << "the host must not be asked";
        const std::string first = scratch.Path() + "\\tmp1.tmp";
        const std::string third = scratch.Path() + "\\tmp3.tmp";
        // A field list created before the search file failed stays, empty.
        EXPECT_EQ(FileExists(third), c.fieldListCreated);
        EXPECT_EQ(FileExists(first), c.queryFilesWritten);
        if (c.queryFilesWritten) {
            EXPECT_EQ(ReadFile(first), Lines({"FORMAT: ?", "REPEAT:", "SEARCH: Pos:", "SEARCH: Menge:",
                                              "SEARCH: Bezeichnung:", "END   :"}));
            EXPECT_EQ(ReadFile(third), Lines({"[Felder]", "1=Pos", "2=Menge", "3=Bezeichnung", "Anz=3"}));
        } else if (c.fieldListCreated) {
            EXPECT_EQ(ReadFile(third), "");
        }
        DeleteFileA(first.c_str());
        DeleteFileA(third.c_str());
    }
}

TEST_F(InformationQueryTest, QueryFilesThatCannotBeCreatedEndTheCommandWith04) {
    WriteProfile(kTwoTableProfile);
    AnswerWith(Lines({"1", "2", "3"}));
    const std::string missingDirectory = scratch.File("fehlt\\datei.tmp");
    struct Case {
        const char* what;
        std::vector<std::string> names;
        bool fieldListStays;
    };
    const std::vector<Case> cases = {
        {"the field list cannot be created", {scratch.File("a.tmp"), scratch.File("b.tmp"), missingDirectory}, false},
        {"the search file cannot be created", {missingDirectory, scratch.File("b.tmp"), scratch.File("c.tmp")}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ui.boxes.clear();
        requests.clear();
        auto next = std::make_shared<std::size_t>(0);
        std::vector<std::string> names = c.names;
        QueryOutcome outcome = Run([names, next]() -> std::optional<std::string> { return names[(*next)++]; });
        EXPECT_TRUE(outcome.commandEnded);
        EXPECT_EQ(MessageTexts(), std::vector<std::string>{Message(4)});
        EXPECT_TRUE(requests.empty());
        EXPECT_EQ(FileExists(scratch.File("c.tmp")), c.fieldListStays);
        DeleteFileA(scratch.File("c.tmp").c_str());
    }
}

TEST_F(InformationQueryTest, AQueryFileThatCannotBeWrittenFullyEndsTheCommandWith04) {
    // Z:\dev\full opens under Wine, and every write to it fails as on a full disk.
    const std::string full = "Z:\\dev\\full";
    UniqueFile probe = OpenFile(full.c_str(), "w");
    if (!probe) GTEST_SKIP() << "no /dev/full to write to";
    probe.reset();
    WriteProfile(kTwoTableProfile);
    AnswerWith(Lines({"1", "2", "3"}));
    const std::vector<std::vector<std::string>> cases = {
        {scratch.File("a.tmp"), scratch.File("b.tmp"), full},
        {full, scratch.File("b.tmp"), scratch.File("c.tmp")},
    };
    for (const std::vector<std::string>& names : cases) {
        SCOPED_TRACE(names[0] + " " + names[2]);
        ui.boxes.clear();
        requests.clear();
        auto next = std::make_shared<std::size_t>(0);
        QueryOutcome outcome = RunInformationQuery(settings, [names, next]() -> std::optional<std::string> {
            return names[(*next)++];
        });
        EXPECT_TRUE(outcome.commandEnded);
        EXPECT_EQ(MessageTexts(), std::vector<std::string>{Message(4)});
        EXPECT_TRUE(requests.empty()) << "the host must not search with a cut search file";
    }
}

TEST_F(InformationQueryTest, GarbageInTheProfileReadsAsDefaultsWithoutRunawayOrOverrun) {
    struct Case {
        const char* what;
        std::string profile;
        std::string searchLines;  // the SEARCH lines expected
        std::int32_t total;
    };
    const std::string thousands(5000, 'x');
    const std::vector<Case> cases = {
        {"non-numeric counts", Lines({"[Datei]", "Tabelle=zwei", "[Tabelle 1]", "Anzahl=1", "Feld_1=A"}), "", 0},
        {"negative table count", Lines({"[Datei]", "Tabelle=-3", "[Tabelle 1]", "Anzahl=1", "Feld_1=A"}), "", 0},
        {"negative field count", Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Anzahl=-2", "Feld_1=A"}), "", 0},
        {"digits then text", Lines({"[Datei]", "Tabelle=1x", "[Tabelle 1]", "Anzahl=2abc", "Feld_1=A", "Feld_2=B"}),
         Lines({"SEARCH: A:", "SEARCH: B:"}), 2},
        {"a count of 65537 keeps its low 16 bits",
         Lines({"[Datei]", "Tabelle=65537", "[Tabelle 1]", "Anzahl=65537", "Feld_1=A"}), Lines({"SEARCH: A:"}), 1},
        {"a table count of 32767 visits every table once",
         Lines({"[Datei]", "Tabelle=32767", "[Tabelle 32767]", "Anzahl=1", "Feld_1=Letzte"}),
         Lines({"SEARCH: Letzte:"}), 1},
        {"a field name of thousands of characters is cut to 254",
         Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Anzahl=1", "Feld_1=" + thousands}),
         Lines({"SEARCH: " + thousands.substr(0, 254) + ":"}), 1},
        {"binary bytes in a name", Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Anzahl=1",
                                          std::string("Feld_1=a\x01\x02\x7F\xFE\x00z", 15)}),
         Lines({std::string("SEARCH: a\x01\x02\x7F") + ConvertAnsiToOem("\xFE") + ":"}), 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        requests.clear();
        WriteProfile(c.profile);
        AnswerWith("");
        QueryOutcome outcome = Run();
        EXPECT_FALSE(outcome.commandEnded);
        ASSERT_EQ(requests.size(), 1u);
        EXPECT_EQ(requests[0].searchSpec, "FORMAT: ?\r\nREPEAT:\r\n" + c.searchLines + "END   :\r\n");
        EXPECT_EQ(ReadIniInt(outcome.fieldListFile, "Felder", "Anz", -1), c.total);
    }
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(InformationQueryTest, AFieldCountOf32767WritesEveryFieldOnce) {
    WriteProfile(Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Anzahl=32767", "Feld_1=Erstes", "Feld_32767=Letztes"}));
    AnswerWith("");
    QueryOutcome outcome = Run();
    ASSERT_EQ(requests.size(), 1u);
    const std::string& searchText = requests[0].searchSpec;
    EXPECT_EQ(searchText.substr(0, 41), "FORMAT: ?\r\nREPEAT:\r\nSEARCH: Erstes:\r\nSEAR");
    const std::string end = "\r\nSEARCH: Letztes:\r\nEND   :\r\n";
    ASSERT_GT(searchText.size(), end.size());
    EXPECT_EQ(searchText.substr(searchText.size() - end.size()), end);
    std::size_t searchLines = 0;
    for (std::size_t at = searchText.find("SEARCH: "); at != std::string::npos; at = searchText.find("SEARCH: ", at + 1))
        ++searchLines;
    EXPECT_EQ(searchLines, 32767u);
    EXPECT_EQ(ReadIniInt(outcome.fieldListFile, "Felder", "Anz", 0), 32767);
}

TEST_F(InformationQueryTest, TemporaryNamesComeFromTheRuntimeAndAreFreshEachTime) {
    std::optional<std::string> first = MakeTemporaryName();
    std::optional<std::string> second = MakeTemporaryName();
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    // Making a name creates no file.
    EXPECT_FALSE(FileExists(*first));
    const std::string base = first->substr(first->find_last_of('\\') + 1);
    EXPECT_EQ(base.substr(0, 3), "exl");
}

}  // namespace
}  // namespace exl::test
