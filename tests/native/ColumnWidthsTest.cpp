// Column widths in characters: UTF-8 code points and "_xHHHH_" escapes each count
// once, with a margin, between Excel's standard width and the cap.
#include <gtest/gtest.h>

#include "workbook/sheet/ColumnWidths.h"

namespace exl::workbook::test {
namespace {

std::string Repeated(const std::string& text, int times) {
    std::string repeated;
    for (int i = 0; i < times; ++i) repeated += text;
    return repeated;
}

std::string Cols(const std::string& column, const std::string& width) {
    return "<cols><col min=\"" + column + "\" max=\"" + column + "\" width=\"" + width +
           "\" customWidth=\"1\"/></cols>";
}

TEST(ColumnWidths, LongestTextInCharactersSetsTheWidth) {
    // "ÄÖÜäöüß": 7 characters in 14 bytes.
    const std::string umlauts = "\xC3\x84\xC3\x96\xC3\x9C\xC3\xA4\xC3\xB6\xC3\xBC\xC3\x9F";
    struct Case {
        const char* name;
        std::vector<std::string> texts;
        const char* width;  // characters + 1 of margin + 5 pixels of padding (182/256)
    } cases[] = {
        {"254 characters, capped", {std::string(254, 'x'), "kurz"}, "60.7109375"},
        {"254 umlauts (508 bytes), capped", {Repeated("\xC3\xBC", 254)}, "60.7109375"},
        {"umlauts count one each", {Repeated(umlauts, 4), "Gr\xC3\xB6\xC3\x9F" "e"}, "29.7109375"},
        {"the multiplication sign counts one", {"Sechskantschraube M8\xC3\x97" "30", "Mutter M8"}, "24.7109375"},
        {"a character beyond the BMP counts one", {Repeated("\xF0\x9F\x94\xA9", 20)}, "21.7109375"},
        {"escapes count one each", {Repeated("_x0001_", 20)}, "21.7109375"},
        {"an escaped underscore and what follows", {"_x005F_x0041_" + std::string(13, 'a')}, "21.7109375"},
        {"short texts keep the standard width", {"1", "Pos."}, "8.7109375"},
        {"the cap's edge", {std::string(59, 'x')}, "60.7109375"},
        {"below the cap", {std::string(58, 'x')}, "59.7109375"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ColumnWidths widths({3});
        for (const std::string& text : c.texts) widths.Add(3, text);
        EXPECT_EQ(widths.ColsXml(), Cols("3", c.width));
        EXPECT_LE(widths.ColsXml().size(), widths.MostColsXmlSize());
    }
}

TEST(ColumnWidths, OnlyTheListedColumnsThatHoldTextGetAWidth) {
    ColumnWidths widths({2, 16384, 5});
    widths.Add(1, std::string(30, 'x'));  // not listed: keeps the standard width
    widths.Add(16384, "Lieferant", 3);     // a heading's extra characters count
    widths.Add(5, "");
    EXPECT_EQ(widths.ColsXml(), Cols("16384", "13.7109375"));
    EXPECT_EQ(ColumnWidths({2}).ColsXml(), "");
}

}  // namespace
}  // namespace exl::workbook::test
