#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>

#include "export/SheetWriter.h"

namespace exl::test {
namespace {

TEST(CellAddressTest, ColumnAndRowAreJoinedAndMoreThanElevenCharactersAreRefused) {
    EXPECT_EQ(CellAddress("B", 5), "B5");
    EXPECT_EQ(CellAddress("", 7), "7");
    EXPECT_EQ(CellAddress("IV", 65536), "IV65536");
    EXPECT_EQ(CellAddress("ABCDEFGHI", 99), "ABCDEFGHI99");
    EXPECT_EQ(CellAddress("A", -32768), "A-32768");
    EXPECT_EQ(CellAddress("A", 2147483647), "A2147483647");
    for (auto refused : {std::make_pair(std::string("ABCDEFGHI"), std::int64_t{100}),
                         std::make_pair(std::string("AB"), std::int64_t{2147516414})}) {
        try {
            CellAddress(refused.first, refused.second);
            ADD_FAILURE() << refused.first << refused.second << " was accepted";
        } catch (const COleException& error) {
            EXPECT_EQ(error.scode, kCellAddressTooLong);
        }
    }
}

}  // namespace
}  // namespace exl::test
