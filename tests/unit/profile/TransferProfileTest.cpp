#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Scratch.h"
#include "TextLines.h"
#include "framework/Ini.h"
#include "profile/TransferProfile.h"

namespace exl::test {
namespace {

class TransferProfileTest : public ::testing::Test {
protected:
    TransferProfile Write(const std::string& content) {
        WriteFile(path, content);
        return TransferProfile(path);
    }

    ScratchDirectory scratch{false};
    std::string path = scratch.File("exl\\profil.exl");
};

TEST_F(TransferProfileTest, NamesAndFormatsOfTheKeys) {
    EXPECT_EQ(TableSectionName(1), "Tabelle 1");
    EXPECT_EQ(TableSectionName(32767), "Tabelle 32767");
    EXPECT_EQ(FieldKey(kFieldNameKeyFormat, 3), "Feld_3");
    EXPECT_EQ(FieldKey(kQueryFieldNameKeyFormat, 12), "FELD_12");
    EXPECT_EQ(FieldKey(kColumnKeyFormat, 1), "Spalte_1");
    EXPECT_EQ(FieldKey(kColumnHeadingKeyFormat, 2), "Spaltenkopf_2");
    EXPECT_EQ(FieldKey(kCharacterLimitKeyFormat, 4), "AnzZeich_4");
    EXPECT_EQ(FieldKey(kFieldTypeKeyFormat, 5), "Typ_5");
}

TEST_F(TransferProfileTest, AMissingProfileGivesEveryReaderItsOwnDefault) {
    TransferProfile profile(scratch.File("exl\\fehlt.exl"));
    EXPECT_EQ(profile.TableCountForQuery(), 0);
    EXPECT_EQ(profile.TableCountForSheetCheck(), 0);
    EXPECT_EQ(profile.TableCountForSheets(), 1);
    EXPECT_EQ(profile.TableCountForEditor(), 1);
    EXPECT_EQ(profile.TableCountText(), "1");
    EXPECT_EQ(profile.ExcelTemplate(), "");
    EXPECT_EQ(profile.FieldCount(1), 0);
    EXPECT_EQ(profile.Sheet(1), 1);
    EXPECT_EQ(profile.HeaderRow(1), 0);
    EXPECT_EQ(profile.StartRow(1), 1);
    EXPECT_EQ(profile.QueryFieldName(1, 1), "");
    EXPECT_EQ(profile.FieldName(1, 1), "");
    EXPECT_EQ(profile.Column(1, 1), "");
    EXPECT_EQ(profile.ColumnHeading(1, 1), "");
    EXPECT_EQ(profile.CharacterLimit(1, 1), 0);
    EXPECT_EQ(profile.HeaderRowText("Tabelle 1"), "1");
    EXPECT_EQ(profile.StartRowText("Tabelle 1"), "2");
    EXPECT_EQ(profile.SheetText("Tabelle 1"), "1");
    FieldDefinition field = profile.ReadFieldDefinition("Tabelle 1", 1);
    EXPECT_EQ(field.name, "");
    EXPECT_EQ(field.columnHeading, "");
    EXPECT_EQ(field.column, "");
    EXPECT_EQ(field.limitText, "?");
    EXPECT_EQ(field.type, kFieldTypeText);
    EXPECT_FALSE(FileExists(profile.Path())) << "reading creates nothing";
}

TEST_F(TransferProfileTest, TheExampleProfileReadsAsWritten) {
    TransferProfile profile = Write(Lines(
        {"[Datei]", "Tabelle=2", "Excelvorlage=D:\\Vorlagen\\Stueckliste.xls", "[Tabelle 1]", "Blatt=1",
         "Kopfzeile=1", "Startzeile=2", "Anzahl=3", "Feld_1=Benennung", "Spaltenkopf_1=Benennung", "Spalte_1=A",
         "AnzZeich_1=30", "Typ_1=1", "Feld_2=Sachnummer", "Spaltenkopf_2=Sachnummer", "Spalte_2=B", "AnzZeich_2=",
         "Typ_2=1", "Feld_3=Werkstoff", "Spaltenkopf_3=Werkstoff", "Spalte_3=C", "AnzZeich_3=12", "Typ_3=1",
         "[Tabelle 2]", "Blatt=2", "Kopfzeile=0", "Startzeile=1", "Anzahl=1", "Feld_1=Lieferant", "Spaltenkopf_1=",
         "Spalte_1=A", "AnzZeich_1=?", "Typ_1=1"}));
    EXPECT_EQ(profile.TableCountForQuery(), 2);
    EXPECT_EQ(profile.TableCountForSheets(), 2);
    EXPECT_EQ(profile.ExcelTemplate(), "D:\\Vorlagen\\Stueckliste.xls");
    EXPECT_EQ(profile.FieldCount(1), 3);
    EXPECT_EQ(profile.HeaderRow(1), 1);
    EXPECT_EQ(profile.StartRow(1), 2);
    EXPECT_EQ(profile.Sheet(2), 2);
    EXPECT_EQ(profile.HeaderRow(2), 0);
    EXPECT_EQ(profile.QueryFieldName(1, 2), "Sachnummer");
    EXPECT_EQ(profile.FieldName(2, 1), "Lieferant");
    EXPECT_EQ(profile.Column(1, 3), "C");
    EXPECT_EQ(profile.ColumnHeading(1, 1), "Benennung");
    EXPECT_EQ(profile.CharacterLimit(1, 1), 30);
    EXPECT_EQ(profile.CharacterLimit(1, 2), 0);
    EXPECT_EQ(profile.CharacterLimit(1, 3), 12);
    EXPECT_EQ(profile.CharacterLimit(2, 1), 0);
}

TEST_F(TransferProfileTest, QueryAndSheetSpellingsOfTheFieldKeyMeet) {
    TransferProfile profile = Write(Lines({"[Tabelle 1]", "Feld_1=vom Editor", "FELD_2=gross", "feld_3=klein"}));
    for (int field = 1; field <= 3; ++field) EXPECT_EQ(profile.QueryFieldName(1, field), profile.FieldName(1, field));
    EXPECT_EQ(profile.QueryFieldName(1, 1), "vom Editor");
    EXPECT_EQ(profile.FieldName(1, 2), "gross");
    EXPECT_EQ(profile.QueryFieldName(1, 3), "klein");
}

TEST_F(TransferProfileTest, CharacterLimitText) {
    struct Case {
        const char* text;
        std::int16_t limit;
    };
    const std::vector<Case> cases = {
        {"?", 0},      {"?5", 0},        {"", 0},          {"abc", 0},    {"0", 0},           {"30", 30},
        {"3", 3},      {"  12", 12},     {"\t7", 7},       {"12abc", 12}, {"+8", 8},          {"-5", 0},
        {"- 5", 0},    {"32767", 32767}, {"32768", 0},     {"65566", 0},  {"4294967326", 0},  {"x?", 0},
        {"99999999999999999999999", 0},  {"007", 7},       {" ?", 0},     {"1e3", 1},
    };
    for (const Case& c : cases) EXPECT_EQ(CharacterLimitFromText(c.text), c.limit) << "\"" << c.text << "\"";
}

TEST_F(TransferProfileTest, CharacterLimitIsReadAsTextWithQuestionMarkWhenAbsent) {
    TransferProfile profile = Write(Lines({"[Tabelle 1]", "AnzZeich_1=30", "AnzZeich_2=?5", "AnzZeich_3=",
                                           "AnzZeich_4=  25 Zeichen", "AnzZeich_5=-1", "AnzZeich_6=70000"}));
    EXPECT_EQ(ReadCharacterLimit(path, "Tabelle 1", 1), 30);
    EXPECT_EQ(ReadCharacterLimit(path, "Tabelle 1", 2), 0);
    EXPECT_EQ(ReadCharacterLimit(path, "Tabelle 1", 3), 0);
    EXPECT_EQ(ReadCharacterLimit(path, "Tabelle 1", 4), 25);
    EXPECT_EQ(ReadCharacterLimit(path, "Tabelle 1", 5), 0);
    EXPECT_EQ(ReadCharacterLimit(path, "Tabelle 1", 6), 0);
    EXPECT_EQ(ReadCharacterLimit(path, "Tabelle 1", 7), 0);
    EXPECT_EQ(profile.ReadFieldDefinition("Tabelle 1", 3).limitText, "");
    EXPECT_EQ(profile.ReadFieldDefinition("Tabelle 1", 7).limitText, "?");
}

TEST_F(TransferProfileTest, CountsRowsAndSheetsAre16BitSigned) {
    struct Case {
        const char* stored;
        std::int16_t read;
    };
    const std::vector<Case> cases = {{"3", 3},          {"32767", 32767}, {"32768", -32768}, {"65535", -1},
                                     {"65537", 1},      {"70000", 4464},  {"-2", -2},        {"zwei", 0},
                                     {"12abc", 12},     {" 5", 5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored);
        std::string value = c.stored;
        TransferProfile profile = Write(Lines({"[Datei]", "Tabelle=" + value, "[Tabelle 1]", "Anzahl=" + value,
                                               "Blatt=" + value, "Kopfzeile=" + value, "Startzeile=" + value}));
        EXPECT_EQ(profile.TableCountForQuery(), c.read);
        EXPECT_EQ(profile.TableCountForSheets(), c.read);
        EXPECT_EQ(profile.TableCountForEditor(), c.read);
        EXPECT_EQ(profile.FieldCount(1), c.read);
        EXPECT_EQ(profile.FieldCount("tabelle 1"), c.read);
        EXPECT_EQ(profile.Sheet(1), c.read);
        EXPECT_EQ(profile.HeaderRow(1), c.read);
        EXPECT_EQ(profile.StartRow(1), c.read);
        EXPECT_EQ(NumberFromText(c.stored), c.read);
    }
}

TEST_F(TransferProfileTest, TextsAreCutWhereTheReadersCutThem) {
    const std::string thousands(3000, 'w');
    TransferProfile profile = Write(Lines({"[Tabelle 1]", "Spalte_1=ABCDEFGHIJKL", "Spalte_2=AB", "Feld_1=" + thousands,
                                           "Spaltenkopf_1=" + thousands, std::string("Feld_2=a\x01\xFF\x7F", 11)}));
    EXPECT_EQ(profile.Column(1, 1), "ABCDEFGHI");
    EXPECT_EQ(profile.Column(1, 2), "AB");
    EXPECT_EQ(profile.FieldName(1, 1), thousands.substr(0, 254));
    EXPECT_EQ(profile.QueryFieldName(1, 1), thousands.substr(0, 254));
    EXPECT_EQ(profile.ColumnHeading(1, 1), thousands.substr(0, 254));
    EXPECT_EQ(profile.FieldName(1, 2), "a\x01\xFF\x7F");
}

TEST_F(TransferProfileTest, WritingAFieldPutsTheFiveKeysInTheirOrder) {
    TransferProfile profile = Write(Lines({"[Tabelle 1]", "Anzahl=0"}));
    FieldDefinition field{"Benennung", "Kopf", "B", "?", kFieldTypeQuantity};
    ASSERT_TRUE(profile.WriteFieldDefinition("Tabelle 1", 1, field));
    EXPECT_EQ(FileLines(path), (std::vector<std::string>{"[Tabelle 1]", "Anzahl=0", "Feld_1=Benennung",
                                                         "Spaltenkopf_1=Kopf", "Spalte_1=B", "AnzZeich_1=?",
                                                         "Typ_1=3"}));
    FieldDefinition back = profile.ReadFieldDefinition("Tabelle 1", 1);
    EXPECT_EQ(back.name, field.name);
    EXPECT_EQ(back.columnHeading, field.columnHeading);
    EXPECT_EQ(back.column, field.column);
    EXPECT_EQ(back.limitText, field.limitText);
    EXPECT_EQ(back.type, field.type);
}

TEST_F(TransferProfileTest, DeletingAFieldRenumbersTheOnesAbove) {
    struct Case {
        const char* what;
        int deleted;
        std::vector<std::string> remaining;  // field names left, in order
    };
    const std::vector<Case> cases = {
        {"the middle one", 2, {"F1", "F3"}},
        {"the first one", 1, {"F2", "F3"}},
        {"the last one", 3, {"F1", "F2"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> lines = {"[Datei]", "Tabelle=1", "[Tabelle 1]", "Anzahl=3"};
        for (int f = 1; f <= 3; ++f) {
            std::string n = std::to_string(f);
            lines.push_back("Feld_" + n + "=F" + n);
            lines.push_back("Spaltenkopf_" + n + "=K" + n);
            lines.push_back("Spalte_" + n + "=" + std::string(1, static_cast<char>('A' + f - 1)));
            // Field 2 has no limit key: it must not inherit its neighbour's.
            if (f != 2) lines.push_back("AnzZeich_" + n + "=" + std::to_string(10 * f));
            lines.push_back("Typ_" + n + "=" + std::to_string(f));
        }
        lines.push_back("[Tabelle 2]");
        lines.push_back("Feld_3=bleibt");
        TransferProfile profile = Write(Lines(lines));
        ASSERT_TRUE(profile.DeleteFieldRenumbering("Tabelle 1", c.deleted));
        EXPECT_EQ(profile.FieldCount(1), 2);
        for (int f = 1; f <= 2; ++f) {
            const std::string& name = c.remaining[static_cast<std::size_t>(f - 1)];
            int former = name[1] - '0';
            FieldDefinition field = profile.ReadFieldDefinition("Tabelle 1", f);
            EXPECT_EQ(field.name, name);
            EXPECT_EQ(field.columnHeading, "K" + std::to_string(former));
            EXPECT_EQ(field.column, std::string(1, static_cast<char>('A' + former - 1)));
            // A key that was absent is copied as an empty value; unmoved it stays absent.
            const bool moved = f >= c.deleted;
            EXPECT_EQ(field.limitText, former == 2 ? (moved ? "" : "?") : std::to_string(10 * former));
            EXPECT_EQ(field.type, former);
        }
        // No key of field 3 is left in the table; other tables keep theirs.
        for (const std::string& line : FileLines(path)) {
            std::string key = line.substr(0, line.find('='));
            if (key.size() > 2 && key.substr(key.size() - 2) == "_3") {
                EXPECT_EQ(line, "Feld_3=bleibt");
            }
        }
        EXPECT_EQ(profile.FieldName(2, 3), "bleibt");
    }
}

TEST_F(TransferProfileTest, DeletingAFieldThatIsNotThereWritesNothing) {
    const std::string content = Lines({"[Tabelle 1]", "Anzahl=2", "Feld_1=A", "Feld_2=B", "[Tabelle 2]"});
    struct Case {
        const char* section;
        int field;
    };
    const std::vector<Case> cases = {{"Tabelle 1", 0}, {"Tabelle 1", -1}, {"Tabelle 1", 3},
                                     {"Tabelle 2", 1}, {"Tabelle 9", 1},  {"Tabelle 1", 32768}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.section << " " << c.field);
        TransferProfile profile = Write(content);
        EXPECT_FALSE(profile.DeleteFieldRenumbering(c.section, c.field));
        EXPECT_EQ(ReadFile(path), content);
    }
}

}  // namespace
}  // namespace exl::test
