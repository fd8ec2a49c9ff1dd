#include <gtest/gtest.h>

#include "RecordingUi.h"
#include "Scratch.h"
#include "catalogue/MessageCatalogue.h"
#include "framework/Application.h"

namespace exl::test {
namespace {

class CatalogueTest : public ::testing::Test {
protected:
    void WriteCatalogue(const std::string& content) { WriteFile(scratch.File("string_exl.txt"), content); }
    ScratchDirectory scratch{false};
};

TEST_F(CatalogueTest, MissingFileGivesEntryNamesAndHelpDefaults) {
    EXPECT_EQ(MessageCatalogue::Text(1, 1), "1-1");
    EXPECT_EQ(MessageCatalogue::Text(0, 14), "0-14");
    EXPECT_EQ(MessageCatalogue::Text(2, 16), "2-16");
    EXPECT_EQ(MessageCatalogue::HelpFile(), ".\\orva.hlp");
    EXPECT_EQ(MessageCatalogue::HelpContext(kExportDialogHelp.key, kExportDialogHelp.defaultContext), 131206);
    EXPECT_EQ(MessageCatalogue::HelpContext(kProfileEditorHelp.key, kProfileEditorHelp.defaultContext), 131207);
    EXPECT_EQ(MessageCatalogue::HelpContext(kFieldDialogHelp.key, kFieldDialogHelp.defaultContext), 131206);
}

TEST_F(CatalogueTest, EmptyValueIsAnEmptyTextNotTheEntryName) {
    WriteCatalogue("[1]\r\n3=\r\n4=Element - Info\r\n");
    EXPECT_EQ(MessageCatalogue::Text(1, 3), "");
    EXPECT_EQ(MessageCatalogue::Text(1, 4), "Element - Info");
    EXPECT_EQ(MessageCatalogue::Text(1, 5), "1-5");
}

TEST_F(CatalogueTest, LongTextIsCutTo254Characters) {
    std::string longText(300, 'x');
    longText[253] = 'y';
    WriteCatalogue("[0]\r\n13=" + longText + "\r\n");
    std::string text = MessageCatalogue::Text(0, 13);
    ASSERT_EQ(text.size(), 254u);
    EXPECT_EQ(text.back(), 'y');
}

TEST_F(CatalogueTest, ChangedFileTakesEffectOnTheNextLookup) {
    WriteCatalogue("[0]\r\n0=erste\r\n");
    EXPECT_EQ(MessageCatalogue::Text(0, 0), "erste");
    WriteCatalogue("[0]\r\n0=zweite\r\n");
    EXPECT_EQ(MessageCatalogue::Text(0, 0), "zweite");
}

TEST_F(CatalogueTest, HelpNumbersReadAsWholeNumbers) {
    WriteCatalogue("[Orvanta]\r\nHELP_ID1=abc\r\nHELP_ID2=42\r\nHelpfile=C:\\hilfe\\x.hlp\r\n");
    EXPECT_EQ(MessageCatalogue::HelpContext("HELP_ID1", 131206), 0);
    EXPECT_EQ(MessageCatalogue::HelpContext("HELP_ID2", 131207), 42);
    EXPECT_EQ(MessageCatalogue::HelpContext("HELP_ID3", 131206), 131206);
    EXPECT_EQ(MessageCatalogue::HelpFile(), "C:\\hilfe\\x.hlp");
}

TEST_F(CatalogueTest, ShippedCatalogueHasEveryEntryAndTabelle) {
    CopyFileA((SourceDir() + "\\data\\string_exl.txt").c_str(), scratch.File("string_exl.txt").c_str(), FALSE);
    struct Range {
        int section, first, last;
    };
    for (Range range : {Range{0, 0, 0}, Range{0, 2, 33}, Range{1, 1, 20}, Range{2, 1, 20}, Range{3, 1, 10},
                        Range{4, 1, 4}})
        for (int key = range.first; key <= range.last; ++key) {
            std::string name = std::to_string(range.section) + "-" + std::to_string(key);
            std::string text = MessageCatalogue::Text(range.section, key);
            EXPECT_NE(text, name) << "entry " << name << " is missing";
            EXPECT_FALSE(text.empty()) << "entry " << name << " is empty";
        }
    EXPECT_EQ(MessageCatalogue::Text(2, 4), "Tabelle");
    EXPECT_EQ(MessageCatalogue::Text(1, 3), "Baugruppen - Info");
    EXPECT_EQ(MessageCatalogue::Text(1, 5), ToAnsi("Excel-Übergabe"));
    EXPECT_EQ(FillPlaceholders(MessageCatalogue::Text(4, 3), {"1", "2", "3", "10", "3.000", "10.000"}),
              "Tabelle 1 von 2, Feld 3 von 10: Zeile 3.000 von 10.000");
}

TEST(PlaceholderTest, EntriesTakeTheirValuesInTurnAndNeverMoreThanGiven) {
    struct Case {
        const char* entry;
        std::vector<std::string> values;
        const char* filled;
    } cases[] = {
        {"Tabelle %i von %i: Zeile %s", {"1", "2", "3.000"}, "Tabelle 1 von 2: Zeile 3.000"},
        {"%s und %s", {"a"}, "a und "},
        {"%i", {"1", "2"}, "1"},
        {"100%% %d %x %", {"7"}, "100% %d %x %"},
        {"%s%s", {"%s", "%i"}, "%s%i"},
        {"", {"1"}, ""},
    };
    for (const Case& c : cases) EXPECT_EQ(FillPlaceholders(c.entry, c.values), c.filled) << c.entry;
}

TEST(PlaceholderTest, NumbersAreGroupedInThousandsWithDots) {
    struct Case {
        std::int64_t number;
        const char* text;
    } cases[] = {
        {0, "0"},          {999, "999"},
        {1000, "1.000"},   {10000, "10.000"},
        {1048576, "1.048.576"}, {-1234, "-1.234"},
        {INT64_MIN, "-9.223.372.036.854.775.808"},
    };
    for (const Case& c : cases) EXPECT_EQ(GroupedNumber(c.number), c.text) << c.number;
}

TEST_F(CatalogueTest, HelpGoesToTheTopLevelWindowWithTheContext) {
    RecordingUi ui;
    Application::Instance().SetHelpFile(".\\orva.hlp");
    WriteCatalogue("[Orvanta]\r\nHELP_ID2=77\r\n");
    ShowHelpTopic(nullptr, kProfileEditorHelp);
    ShowHelpTopic(nullptr, kFieldDialogHelp);
    ASSERT_EQ(ui.helpCalls.size(), 2u);
    EXPECT_EQ(ui.helpCalls[0].helpFile, ".\\orva.hlp");
    EXPECT_EQ(ui.helpCalls[0].command, static_cast<unsigned>(HELP_CONTEXT));
    EXPECT_EQ(ui.helpCalls[0].data, 77u);
    EXPECT_EQ(ui.helpCalls[1].data, 131206u);
    EXPECT_TRUE(ui.boxes.empty());
}

TEST_F(CatalogueTest, FailedHelpShowsTheFrameworkMessage) {
    RecordingUi ui;
    ui.SetHelpSucceeds(false);
    ShowHelpTopic(nullptr, kExportDialogHelp);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "Die Hilfe konnte nicht aufgerufen werden.");
    EXPECT_EQ(ui.boxes[0].caption, Application::Instance().Title());
    EXPECT_EQ(ui.boxes[0].flags, static_cast<unsigned>(MB_OK | MB_ICONEXCLAMATION));
}

TEST_F(CatalogueTest, TwoParagraphQuestionWithoutCatalogue) {
    RecordingUi ui;
    ui.QueueAnswer(IDNO);
    EXPECT_EQ(AskTwoParagraphQuestion(1, 15, 16, 1, 256), IDNO);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, "1-15\n\n1-16");
    EXPECT_EQ(ui.boxes[0].caption, "1-1");
    EXPECT_EQ(ui.boxes[0].flags, 0x24u);
    EXPECT_FALSE(ui.boxes[0].hasOwner);
}

TEST_F(CatalogueTest, TwoParagraphQuestionIsCutToItsBuffer) {
    RecordingUi ui;
    WriteCatalogue("[1]\r\n15=" + std::string(200, 'a') + "\r\n16=" + std::string(200, 'b') + "\r\n");
    AskTwoParagraphQuestion(1, 15, 16, 1, 256);
    AskTwoParagraphQuestion(1, 15, 16, 1, 512);
    ASSERT_EQ(ui.boxes.size(), 2u);
    EXPECT_EQ(ui.boxes[0].text.size(), 255u);
    EXPECT_EQ(ui.boxes[0].text.substr(200, 2), "\n\n");
    EXPECT_EQ(ui.boxes[1].text.size(), 402u);
}

}  // namespace
}  // namespace exl::test
