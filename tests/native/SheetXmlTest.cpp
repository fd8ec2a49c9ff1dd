// Worksheet parts: new ones, and a template's with rows written in, byte by byte.
#include <gtest/gtest.h>

#include "RowsForTests.h"
#include "workbook/sheet/SheetPatcher.h"
#include "workbook/sheet/SheetXml.h"

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

// A fill-down column as Excel writes it: the anchor holds the text, the others only si.
std::string FillDownSheet(const std::string& column, int first, int last, const std::string& formula) {
    std::string xml = "<worksheet xmlns=\"m\"><sheetData>";
    for (int row = first; row <= last; ++row) {
        const std::string cell = column + std::to_string(row);
        xml += "<row r=\"" + std::to_string(row) + "\"><c r=\"" + cell + "\">";
        xml += row == first ? "<f t=\"shared\" ref=\"" + column + std::to_string(first) + ":" + column +
                                  std::to_string(last) + "\" si=\"0\">" + formula + "</f>"
                            : "<f t=\"shared\" si=\"0\"/>";
        xml += "<v>1</v></c></row>";
    }
    return xml + "</sheetData></worksheet>";
}

TEST(SheetXml, SharedFormulasStayWhole) {
    const std::string square =
        "<worksheet><sheetData><row r=\"2\"><c r=\"A2\"><f t=\"shared\" ref=\"A2:B3\" si=\"4\">C2+$C$1</f><v>1</v>"
        "</c><c r=\"B2\"><f t=\"shared\" si=\"4\"/><v>1</v></c></row><row r=\"3\"><c r=\"A3\"><f t=\"shared\" "
        "si=\"4\"/></c><c r=\"B3\"><f t=\"shared\" si=\"4\"/></c></row></sheetData></worksheet>";
    struct Case {
        const char* name;
        std::string sheet;
        std::vector<SheetRow> rows;
        std::vector<std::string> expectedCells;  // in order; every other cell is as the template's without <v>
    } cases[] = {
        {"the anchor and the next two written: the last cell takes the text as its own",
         FillDownSheet("A", 2, 5, "B2*2"),
         {{2, {Text(1, "a")}}, {3, {Text(1, "b")}}, {4, {Text(1, "c")}}},
         {"<c r=\"A2\" t=\"inlineStr\"><is><t>a</t></is></c>", "<c r=\"A3\" t=\"inlineStr\"><is><t>b</t></is></c>",
          "<c r=\"A4\" t=\"inlineStr\"><is><t>c</t></is></c>",
          "<c r=\"A5\"><f>B5*2</f></c>"}},
        {"a gap in the written cells: the gap takes the text, the next written cell leaves the group",
         FillDownSheet("A", 2, 5, "SUM(B$1:B2)"),
         {{2, {Text(1, "a")}}, {4, {Number(1, "7")}}},
         {"<c r=\"A2\" t=\"inlineStr\"><is><t>a</t></is></c>",
          "<c r=\"A3\"><f t=\"shared\" ref=\"A3:A5\" si=\"0\">SUM(B$1:B3)</f></c>", "<c r=\"A4\"><v>7</v></c>",
          "<c r=\"A5\"><f t=\"shared\" si=\"0\"/></c>"}},
        {"a written cell inside the group leaves it; the anchor stays",
         FillDownSheet("A", 2, 4, "B2"),
         {{3, {Text(1, "x")}}},
         {"<c r=\"A2\"><f t=\"shared\" ref=\"A2:A4\" si=\"0\">B2</f></c>",
          "<c r=\"A3\" t=\"inlineStr\"><is><t>x</t></is></c>", "<c r=\"A4\"><f t=\"shared\" si=\"0\"/></c>"}},
        {"a square group whose anchor column is written: the cell left of the new anchor gets its own formula",
         square,
         {{2, {Text(1, "x")}}},
         {"<c r=\"A2\" t=\"inlineStr\"><is><t>x</t></is></c>",
          "<c r=\"B2\"><f t=\"shared\" ref=\"B2:B3\" si=\"4\">D2+$C$1</f></c>", "<c r=\"A3\"><f>C3+$C$1</f></c>",
          "<c r=\"B3\"><f t=\"shared\" si=\"4\"/></c>"}},
        {"every cell written: the group is gone",
         FillDownSheet("A", 2, 3, "B2"),
         {{2, {Text(1, "a")}}, {3, {Text(1, "b")}}},
         {"<c r=\"A2\" t=\"inlineStr\"><is><t>a</t></is></c>", "<c r=\"A3\" t=\"inlineStr\"><is><t>b</t></is></c>"}},
    };
    for (Case& c : cases) {
        ListedRows rows(c.rows);
        StringPartOutput out;
        std::string problem;
        ASSERT_TRUE(PatchSheet(c.sheet, &rows, out, problem)) << c.name << ": " << problem;
        std::vector<std::string> found;
        for (std::size_t at = out.text.find("<c "); at != std::string::npos; at = out.text.find("<c ", at + 1)) {
            const std::size_t selfClosed = out.text.find("/>", at), closed = out.text.find("</c>", at);
            const std::size_t open = out.text.find('>', at);
            const std::size_t end = out.text[open - 1] == '/' ? selfClosed + 2 : closed + 4;
            found.push_back(out.text.substr(at, end - at));
        }
        EXPECT_EQ(found, c.expectedCells) << c.name;
    }
}

TEST(SheetXml, MovedCellsGoDownAsTheyAre) {
    // A totals row under a table: row 3 moves to row 6, its label and formula as they are.
    const std::string sheet =
        "<worksheet><dimension ref=\"A1:B3\"/><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"
        "<row r=\"3\" spans=\"1:3\" ht=\"20\"><c r=\"A3\" s=\"2\" t=\"s\"><v>1</v></c><c r=\"B3\" s=\"2\">"
        "<f>SUBTOTAL(109,T[B])</f><v>9</v></c><c r=\"C3\"><v>5</v></c></row><row r=\"6\"><c r=\"C6\"><v>8</v>"
        "</c></row></sheetData></worksheet>";
    ListedRows rows({{2, {Number(2, "1")}}, {3, {Number(2, "2")}}, {5, {Number(2, "4")}}},
                    CellArea{{2, 2}, {5, 2}});
    StringPartOutput out;
    std::string problem;
    ASSERT_TRUE(PatchSheet(sheet, &rows, out, problem, {{CellArea{{3, 1}, {3, 2}}, 3}})) << problem;
    EXPECT_EQ(out.text,
              "<worksheet><dimension ref=\"A1:B6\"/><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>0</v></c></row>"
              "<row r=\"2\"><c r=\"B2\"><v>1</v></c></row><row r=\"3\" ht=\"20\"><c r=\"B3\" s=\"2\"><v>2</v></c>"
              "<c r=\"C3\"><v>5</v></c></row><row r=\"5\"><c r=\"B5\"><v>4</v></c></row><row r=\"6\">"
              "<c s=\"2\" t=\"s\" r=\"A6\"><v>1</v></c><c s=\"2\" r=\"B6\"><f>SUBTOTAL(109,T[B])</f></c>"
              "<c r=\"C6\"><v>8</v></c></row></sheetData></worksheet>");
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
