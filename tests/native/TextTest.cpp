// Cell texts as sheet parts store them, and cell references.
#include <gtest/gtest.h>

#include "workbook/sheet/CellReference.h"
#include "workbook/sheet/CellTextCoding.h"

namespace exl::workbook::test {
namespace {

TEST(CellText, EscapesWhatXmlCannotCarryAndReadsItBack) {
    const std::wstring cases[] = {
        L"plain",
        L"\u00e4\u00f6\u00fc\u00df \u00a7 \u20ac",
        L"line\r\nbreak\ttab",
        std::wstring(L"nul\0inside", 10),
        L"_x0041_ looks like an escape",
        L"_x005F_ too",
        L"_x12G4_ does not",
        L"\U0001F600 beyond the basic plane",
        L"\xFFFE",
        L"",
    };
    for (const std::wstring& text : cases) {
        const std::string stored = EncodeCellText(text);
        EXPECT_EQ(stored.find('\r'), std::string::npos);
        EXPECT_EQ(DecodeCellText(stored), text) << stored;
    }
    EXPECT_EQ(EncodeCellText(L"a\rb\x01"), "a_x000D_b_x0001_");
    EXPECT_EQ(EncodeCellText(L"_x0041_"), "_x005F_x0041_");
    EXPECT_EQ(EncodeCellText(L"\u00e4"), "\xC3\xA4");
}

TEST(CellReference, ReadsAndWritesWithinTheSheet) {
    struct Case {
        const char* text;
        std::uint32_t row;  // 0: refused
        std::uint32_t column;
    } cases[] = {
        {"A1", 1, 1},       {"b5", 5, 2},         {"XFD1048576", 1048576, 16384},
        {"XFE1", 0, 0},     {"A1048577", 0, 0},   {"A0", 0, 0},
        {"A01", 0, 0},      {"1A", 0, 0},         {"AAAA1", 0, 0},
        {"$A$1", 0, 0},     {"A", 0, 0},          {"", 0, 0},
    };
    for (const Case& c : cases) {
        const auto cell = ParseCellReference(c.text);
        EXPECT_EQ(cell.has_value(), c.row != 0) << c.text;
        if (!cell) continue;
        EXPECT_EQ(cell->row, c.row) << c.text;
        EXPECT_EQ(cell->column, c.column) << c.text;
    }
    for (std::uint32_t column : {1u, 26u, 27u, 52u, 702u, 703u, 16384u}) {
        std::string letters;
        AppendColumnLetters(letters, column);
        EXPECT_EQ(ColumnFromLetters(letters), column) << letters;
    }
    EXPECT_EQ(FormatCellArea(*ParseCellArea("C3:A1")), "A1:C3");
}

}  // namespace
}  // namespace exl::workbook::test
