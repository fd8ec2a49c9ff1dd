// Worksheet parts: new ones, and a template's with rows written in, byte by byte.
#include <gtest/gtest.h>

#include "RowsForTests.h"
#include "workbook/SheetXml.h"

namespace exl::workbook::test {
namespace {

constexpr CellArea Area(std::uint32_t firstRow, std::uint32_t firstColumn, std::uint32_t lastRow,
                        std::uint32_t lastColumn) {
    return {{firstRow, firstColumn}, {lastRow, lastColumn}};
}

TEST(SheetXml, PatchesRowsInAndKeepsEveryOtherByte) {
    struct Case {
        const char* name;
        std::string sheet;
        std::vector<SheetRow> rows;
        std::optional<CellArea> area;
        std::string expected;
    } cases[] = {
        {"rows before, into and after the template's; styles of cell, row and column",
         "<worksheet xmlns=\"m\"><dimension ref=\"A1:C3\"/><cols><col min=\"2\" max=\"3\" width=\"9\" style=\"7\"/>"
         "</cols><sheetData>\n<row r=\"2\" spans=\"1:3\" s=\"4\" customFormat=\"1\"><c r=\"A2\" s=\"1\"><v>5</v></c>"
         "<c r=\"C2\" s=\"2\" t=\"s\"><v>0</v></c></row>\n<row><c><v>1</v></c></row></sheetData><extra/></worksheet>",
         {{1, {Text(1, "Kopf")}}, {2, {Number(1, "12"), Text(2, "neu"), Blank(3)}}, {4, {Text(2, "x")}}},
         Area(1, 1, 4, 2),
         "<worksheet xmlns=\"m\"><dimension ref=\"A1:C4\"/><cols><col min=\"2\" max=\"3\" width=\"9\" style=\"7\"/>"
         "</cols><sheetData>\n<row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is><t>Kopf</t></is></c></row>"
         "<row r=\"2\" s=\"4\" customFormat=\"1\"><c r=\"A2\" s=\"1\"><v>12</v></c><c r=\"B2\" s=\"4\" "
         "t=\"inlineStr\"><is><t>neu</t></is></c><c r=\"C2\" s=\"2\"/></row>\n<row><c><v>1</v></c></row>"
         "<row r=\"4\"><c r=\"B4\" s=\"7\" t=\"inlineStr\"><is><t>x</t></is></c></row></sheetData><extra/>"
         "</worksheet>"},
        {"formulas lose their stored results, nothing else changes",
         "<worksheet xmlns=\"m\"><sheetData><row r=\"1\" spans=\"1:2\"><c r=\"A1\" t=\"str\"><f>\"a\"&amp;\"b\"</f>"
         "<v>ab</v></c><c r=\"B1\"><v>3</v></c></row><row r=\"2\"><c r=\"A2\"><v>4</v></c></row></sheetData>"
         "</worksheet>",
         {},
         std::nullopt,
         "<worksheet xmlns=\"m\"><sheetData><row r=\"1\" spans=\"1:2\"><c r=\"A1\"><f>\"a\"&amp;\"b\"</f></c>"
         "<c r=\"B1\"><v>3</v></c></row><row r=\"2\"><c r=\"A2\"><v>4</v></c></row></sheetData></worksheet>"},
        {"a written cell replaces a formula and keeps its style",
         "<worksheet xmlns=\"m\"><sheetData><row r=\"1\"><c r=\"A1\" s=\"3\"><f>1+1</f><v>2</v></c></row>"
         "</sheetData></worksheet>",
         {{1, {Text(1, "t")}}},
         std::nullopt,
         "<worksheet xmlns=\"m\"><sheetData><row r=\"1\"><c r=\"A1\" s=\"3\" t=\"inlineStr\"><is><t>t</t></is></c>"
         "</row></sheetData></worksheet>"},
        {"an empty sheetData under a prefix; blanks kept",
         "<x:worksheet xmlns:x=\"m\"><x:sheetData/></x:worksheet>",
         {{1, {Text(1, " pad "), Blank(2)}}},
         std::nullopt,
         "<x:worksheet xmlns:x=\"m\"><x:sheetData><x:row r=\"1\"><x:c r=\"A1\" t=\"inlineStr\"><x:is>"
         "<x:t xml:space=\"preserve\"> pad </x:t></x:is></x:c></x:row></x:sheetData></x:worksheet>"},
    };
    for (Case& c : cases) {
        ListedRows rows(c.rows, c.area);
        StringPartOutput out;
        std::string problem;
        ASSERT_TRUE(PatchSheet(c.sheet, &rows, out, problem)) << c.name << ": " << problem;
        EXPECT_EQ(out.text, c.expected) << c.name;
    }
}

TEST(SheetXml, RefusesWhatItCannotPatchSoundly) {
    struct Case {
        const char* name;
        std::string sheet;
        std::vector<SheetRow> rows;
    } cases[] = {
        {"not a worksheet", "<chartsheet xmlns=\"m\"/>", {}},
        {"no sheetData for the rows", "<worksheet xmlns=\"m\"/>", {{1, {Text(1, "x")}}}},
        {"template rows out of order", "<worksheet><sheetData><row r=\"2\"/><row r=\"1\"/></sheetData></worksheet>", {}},
        {"template cells out of order",
         "<worksheet><sheetData><row r=\"1\"><c r=\"B1\"/><c r=\"A1\"/></row></sheetData></worksheet>", {}},
        {"a cell reference beyond the sheet",
         "<worksheet><sheetData><row r=\"1\"><c r=\"XFE1\"/></row></sheetData></worksheet>", {}},
        {"rows of the source out of order", "<worksheet><sheetData/></worksheet>",
         {{2, {Text(1, "x")}}, {2, {Text(1, "y")}}}},
        {"cells of the source out of order", "<worksheet><sheetData/></worksheet>",
         {{1, {Text(2, "x"), Text(1, "y")}}}},
        {"a row beyond the sheet", "<worksheet><sheetData/></worksheet>", {{kMostRows + 1, {Text(1, "x")}}}},
        {"broken XML", "<worksheet><sheetData></worksheet>", {}},
    };
    for (Case& c : cases) {
        ListedRows rows(c.rows);
        StringPartOutput out;
        std::string problem;
        EXPECT_FALSE(PatchSheet(c.sheet, &rows, out, problem)) << c.name;
        EXPECT_FALSE(problem.empty()) << c.name;
    }
}

TEST(SheetXml, NewSheetHoldsTheRowsAsTheyCome) {
    ListedRows rows({{1, {Text(1, "<&>"), Number(2, "-7"), Number(3, "1,5"), Blank(4)}},
                     {kMostRows, {Text(kMostColumns, "last")}}},
                    Area(1, 1, kMostRows, kMostColumns));
    StringPartOutput out;
    std::string problem;
    ASSERT_TRUE(WriteNewSheet(rows, out, problem)) << problem;
    EXPECT_EQ(out.text,
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n"
              "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
              "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">"
              "<dimension ref=\"A1:XFD1048576\"/><sheetData><row r=\"1\"><c r=\"A1\" t=\"inlineStr\"><is>"
              "<t>&lt;&amp;&gt;</t></is></c><c r=\"B1\"><v>-7</v></c><c r=\"C1\" t=\"inlineStr\"><is><t>1,5</t>"
              "</is></c></row><row r=\"1048576\"><c r=\"XFD1048576\" t=\"inlineStr\"><is><t>last</t></is></c>"
              "</row></sheetData></worksheet>");
}

}  // namespace
}  // namespace exl::workbook::test
