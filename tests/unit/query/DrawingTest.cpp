// The host simulator's drawing: its file format and its answer to the
// information query, alone and through the plug-in's query step.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "Drawing.h"
#include "RecordingUi.h"
#include "Scratch.h"
#include "TextLines.h"
#include "export/InformationQuery.h"
#include "framework/Ini.h"
#include "host/ModuleState.h"

namespace exl::test {
namespace {

using orvanta::Drawing;
using orvanta::ObjectKind;

std::wstring Wide(const std::string& utf8) {
    int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    if (length > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), &wide[0], length);
    return wide;
}

std::vector<std::wstring> Wide(const std::vector<std::string>& utf8) {
    std::vector<std::wstring> wide;
    for (const std::string& text : utf8) wide.push_back(Wide(text));
    return wide;
}

Drawing Parsed(const std::string& text) {
    Drawing drawing;
    std::string error;
    EXPECT_TRUE(drawing.Parse(text, error)) << error;
    return drawing;
}

TEST(DrawingTest, MalformedLinesAreRejectedWithTheirLineNumber) {
    struct Case {
        const char* what;
        std::string text;
        std::string errorStart;
    };
    const std::vector<Case> cases = {
        {"an attribute before any object", "; x\nName=Wert\n", "line 2: an attribute before"},
        {"an unknown keyword", "Baugruppe 0\nBauteil 1\n", "line 2: expected"},
        {"a level that is not a number", "Element eins\n", "line 1: expected"},
        {"a negative level", "Element -1\n", "line 1: expected"},
        {"a header without level", "Baugruppe\n", "line 1: expected"},
        {"a level too long", "Element 1234567890\n", "line 1: expected"},
        {"an attribute without name", "Element 0\n=Wert\n", "line 2: an attribute without name"},
        {"bytes that are not UTF-8", "Element 0\nName=Gr\xF6\xDF" "e\n", "line 2: not UTF-8"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Drawing drawing;
        std::string error;
        EXPECT_FALSE(drawing.Parse(c.text, error));
        EXPECT_EQ(error.substr(0, c.errorStart.size()), c.errorStart) << error;
    }
}

TEST(DrawingTest, ObjectsKeepTheirKindLevelAndAttributes) {
    Drawing drawing = Parsed("\xEF\xBB\xBF# Kopf\r\n\r\n  BAUGRUPPE   3 \r\n Benennung = Welle \r\nLeer=\r\n"
                             "element 0\nGr\xC3\xB6\xC3\x9F" "e=\xC3\x98 8\n; Ende");
    ASSERT_EQ(drawing.Objects().size(), 2u);
    const orvanta::DrawingObject& first = drawing.Objects()[0];
    EXPECT_EQ(first.kind, ObjectKind::Assembly);
    EXPECT_EQ(first.level, 3);
    ASSERT_EQ(first.attributes.size(), 2u);
    EXPECT_EQ(first.attributes[0].first, L"Benennung");
    EXPECT_EQ(first.attributes[0].second, L"Welle");
    EXPECT_EQ(first.attributes[1].second, L"");
    const orvanta::DrawingObject& second = drawing.Objects()[1];
    EXPECT_EQ(second.kind, ObjectKind::Element);
    EXPECT_EQ(second.level, 0);
    EXPECT_EQ(second.attributes[0].first, Wide("Größe"));
    EXPECT_EQ(second.attributes[0].second, Wide("Ø 8"));
}

const std::string kSmallDrawing = "Baugruppe 0\nName=B0\n"
                                  "Element 1\nName=E1\n"
                                  "Baugruppe 1\nName=B1\n"
                                  "Element 0\nName=E0\n";

TEST(DrawingTest, ModeFlagsChooseTheObjects) {
    Drawing drawing = Parsed(kSmallDrawing);
    struct Case {
        unsigned flags;
        std::vector<std::string> names;
    };
    const std::vector<Case> cases = {
        {1, {}},
        {3, {"B0", "B1"}},
        {5, {"E1", "E0"}},
        {7, {"B0", "E1", "B1", "E0"}},
        {35, {"B0"}},
        {37, {"E0"}},
        {39, {"B0", "E0"}},
        {33, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        EXPECT_EQ(drawing.Answer({L"Name"}, static_cast<std::uint8_t>(c.flags)), Wide(c.names));
    }
}

TEST(DrawingTest, PositionAndQuantityCountIdenticalObjectsOnce) {
    Drawing drawing = Parsed("Element 1\nName=Mutter\nNorm=DIN 934\n"
                             "Element 2\nnorm=DIN 934\nNAME=Mutter\n"  // same attributes, other order and case
                             "Element 1\nName=Schraube\n"
                             "Element 1\nName=Mutter\nNorm=DIN 934\nFarbe=\n"  // one attribute more
                             "Baugruppe 1\nName=Mutter\nNorm=DIN 934\n"        // another kind
                             "Element 0\nName=Mutter\nNorm=DIN 934\n");
    EXPECT_EQ(drawing.Answer({L"%i", L"%n", L"name", L"Fehlt", L"Farbe"}, 7),
              Wide(std::vector<std::string>{"1", "3", "Mutter", "", "",   //
                                            "2", "1", "Schraube", "", "",  //
                                            "3", "1", "Mutter", "", "",    //
                                            "4", "1", "Mutter", "", ""}));
    // Positions are counted over what the flags select.
    EXPECT_EQ(drawing.Answer({L"%i", L"%n"}, 5 | 32), Wide(std::vector<std::string>{"1", "1"}));
    EXPECT_TRUE(drawing.Answer({}, 7).empty());
}

TEST(DrawingTest, TheResultFileIsWrittenInOemWithOneLinePerFieldAndObject) {
    ScratchDirectory scratch(false);
    Drawing drawing = Parsed("Element 0\nGröße=Ø 8 §\nLeer=\nElement 0\nGröße=klein\n");
    const std::string searchText = scratch.File("searchText.tmp");
    const std::string result = scratch.File("result.tmp");
    WriteFile(searchText, Lines({"FORMAT: ?", "REPEAT:", "SEARCH: " + ToOem("Größe") + ":", "SEARCH: Leer:",
                           "SEARCH: a:b:", "SEARCH: :", "END   :"}));
    EXPECT_EQ(orvanta::ReadSearchNames(searchText), (std::vector<std::wstring>{Wide("Größe"), L"Leer", L"a:b", L""}));
    ASSERT_TRUE(drawing.AnswerInfoQuery(searchText, result, 5));
    EXPECT_EQ(ReadFile(result), Lines({ToOem("Ø 8 §"), "", "", "", "klein", "", "", ""}));
    EXPECT_EQ(ToOem("Ø 8 §"), "\x9D 8 \xF5");
}

TEST(DrawingTest, UnreadableSpecOrUnwritableResultIsReported) {
    ScratchDirectory scratch(false);
    Drawing drawing = Parsed(kSmallDrawing);
    const std::string searchText = scratch.File("searchText.tmp");
    WriteFile(searchText, Lines({"SEARCH: Name:"}));
    EXPECT_FALSE(drawing.AnswerInfoQuery(scratch.File("fehlt.tmp"), scratch.File("r1.tmp"), 7));
    EXPECT_FALSE(FileExists(scratch.File("r1.tmp")));
    EXPECT_FALSE(drawing.AnswerInfoQuery(searchText, scratch.File("fehlt\\r2.tmp"), 7));
    Drawing missing;
    std::string error;
    EXPECT_FALSE(missing.Load(scratch.File("keine.txt"), error));
    EXPECT_NE(error.find("cannot read"), std::string::npos);
}

// The shipped drawing and profile through the plug-in's real query step.
class SampleQueryTest : public ::testing::Test {
protected:
    SampleQueryTest() {
        std::string error;
        EXPECT_TRUE(drawing_.Load(SourceDir() + "\\samples\\zeichnung.txt", error)) << error;
        ModuleState& state = TheModuleState();
        savedCallback_ = state.hostCallback;
        savedContext_ = state.hostContext;
        state.hostCallback = &SampleQueryTest::Callback;
        state.hostContext = static_cast<std::int32_t>(reinterpret_cast<std::uintptr_t>(this));
    }
    ~SampleQueryTest() override {
        TheModuleState().hostCallback = savedCallback_;
        TheModuleState().hostContext = savedContext_;
    }

    static std::int16_t __stdcall Callback(HostRequest* request, std::int32_t context, std::int32_t code) {
        auto* self = reinterpret_cast<SampleQueryTest*>(static_cast<std::uintptr_t>(context));
        if (code == kRequestInfoQuery)
            self->drawing_.AnswerInfoQuery(FromSlot<const char>(request->slot[0]),
                                           FromSlot<const char>(request->slot[1]),
                                           static_cast<std::uint8_t>(request->slot[2] & 0xFF));
        return 0;
    }

    ScratchDirectory scratch;
    RecordingUi ui;
    Drawing drawing_;

private:
    HostCallback savedCallback_ = nullptr;
    std::int32_t savedContext_ = 0;
};

TEST_F(SampleQueryTest, TheSampleDrawingAnswersTheSampleProfile) {
    ExportSettings settings;
    settings.profilePath = SourceDir() + "\\samples\\exl\\stueckliste.exl";
    settings.assemblyInfo = 1;
    settings.elementInfo = 1;
    QueryOutcome outcome = RunInformationQuery(settings);
    ASSERT_FALSE(outcome.commandEnded);
    EXPECT_EQ(outcome.recordCount, 8);
    EXPECT_TRUE(ui.boxes.empty());
    const std::string records = outcome.recordFile;
    auto value = [&records](int record, const std::string& field) {
        return ReadIniString(records, std::to_string(record), field, "<fehlt>");
    };
    EXPECT_EQ(value(1, "%i"), "1");
    EXPECT_EQ(value(1, "Benennung"), "Getriebe GT-20");
    EXPECT_EQ(value(1, "Werkstoff"), "");
    // Names come back in ANSI; values stay in the OEM code page of the host.
    EXPECT_EQ(value(1, ToAnsi("Größe")), ToOem("Ø 320 × 410"));
    EXPECT_EQ(value(3, "Lieferant"), ToOem("Gießerei Köhler"));
    EXPECT_EQ(value(5, "Benennung"), ToOem("Flügelmutter M8"));
    EXPECT_EQ(value(5, "%n"), "3");
    EXPECT_EQ(value(5, "%i"), "5");
    EXPECT_EQ(value(7, "Lieferant"), "");
    EXPECT_EQ(value(7, "Sachnummer"), "");
    EXPECT_EQ(value(8, "Sachnummer"), "0012345");
    EXPECT_EQ(value(9, "%i"), "<fehlt>");
    DeleteFileA(outcome.recordFile.c_str());
    DeleteFileA(outcome.resultFile.c_str());
    DeleteFileA(outcome.fieldListFile.c_str());

    // Level 0 only: the gearbox and the type plate.
    settings.levelZeroOnly = 1;
    outcome = RunInformationQuery(settings);
    EXPECT_EQ(outcome.recordCount, 2);
    EXPECT_EQ(ReadIniString(outcome.recordFile, "2", "Benennung", ""), ToOem("Typenschild § 12"));
    DeleteFileA(outcome.recordFile.c_str());
    DeleteFileA(outcome.resultFile.c_str());
    DeleteFileA(outcome.fieldListFile.c_str());
}

}  // namespace
}  // namespace exl::test
