// Excel tables grown with the list, byte by byte.
#include <gtest/gtest.h>

#include "workbook/sheet/SheetTables.h"

namespace exl::workbook::test {
namespace {

TEST(SheetTables, GrownTableKeepsEveryOtherByte) {
    const std::string plain =
        "<table xmlns=\"m\" id=\"1\" name=\"T\" displayName=\"T\" ref=\"C1:D6\"><autoFilter ref=\"C1:D6\">"
        "<sortState ref=\"C2:D6\"/></autoFilter><tableColumns count=\"2\"><tableColumn id=\"1\" name=\"A&amp;B\"/>"
        "<tableColumn id=\"2\" name=\"Preis\"/></tableColumns></table>";
    const std::string totals =
        "<x:table xmlns:x=\"m\" ref='C1:D7' totalsRowCount=\"1\"><x:autoFilter ref=\"C1:D6\"/><x:tableColumns>"
        "<x:tableColumn id=\"1\" name=\"Text\"/><x:tableColumn id=\"2\" name=\"Preis\" totalsRowFunction=\"sum\"/>"
        "</x:tableColumns></x:table>";
    struct Case {
        const char* name;
        std::string xml;
        SheetTable table;
        std::uint32_t lastDataRow;
        std::vector<std::pair<std::size_t, std::string>> newNames;
        std::string expected;
    } cases[] = {
        {"ranges to row 9, the second column renamed", plain, {"", "", "T", {{1, 3}, {6, 4}}, 1, 0, {}}, 9,
         {{1, "Preis <\xE2\x82\xAC>"}},
         "<table xmlns=\"m\" id=\"1\" name=\"T\" displayName=\"T\" ref=\"C1:D9\"><autoFilter ref=\"C1:D9\">"
         "<sortState ref=\"C2:D9\"/></autoFilter><tableColumns count=\"2\"><tableColumn id=\"1\" name=\"A&amp;B\"/>"
         "<tableColumn id=\"2\" name=\"Preis &lt;\xE2\x82\xAC&gt;\"/></tableColumns></table>"},
        {"a totals row stays below the data; the filter ends with them", totals,
         {"", "", "T", {{1, 3}, {7, 4}}, 1, 1, {}}, 9, {},
         "<x:table xmlns:x=\"m\" ref=\"C1:D10\" totalsRowCount=\"1\"><x:autoFilter ref=\"C1:D9\"/><x:tableColumns>"
         "<x:tableColumn id=\"1\" name=\"Text\"/><x:tableColumn id=\"2\" name=\"Preis\" totalsRowFunction=\"sum\"/>"
         "</x:tableColumns></x:table>"},
    };
    for (const Case& c : cases) {
        std::string out, problem;
        ASSERT_TRUE(GrowTablePart(c.xml, {c.table, c.lastDataRow, c.newNames}, out, problem)) << c.name << problem;
        EXPECT_EQ(out, c.expected) << c.name;
    }
    const TableGrowth grown{{"", "", "T", {{1, 3}, {7, 4}}, 1, 1, {}}, 9, {}};
    ASSERT_TRUE(grown.TotalsMove());
    EXPECT_EQ(grown.TotalsMove()->from.first.row, 7u);
    EXPECT_EQ(grown.TotalsMove()->from.first.column, 3u);
    EXPECT_EQ(grown.TotalsMove()->rows, 3u);
    EXPECT_FALSE((TableGrowth{grown.table, 6, {}}.TotalsMove())) << "a table that does not grow moves nothing";
}

}  // namespace
}  // namespace exl::workbook::test
