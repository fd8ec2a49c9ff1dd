// The changes a template's own parts get in the copy.
#include <gtest/gtest.h>

#include "workbook/sheet/PartEdits.h"

namespace exl::workbook::test {
namespace {

TEST(PartEdits, TemplateTypeBecomesWorkbookTypeAndTheDroppedPartGoes) {
    const std::string types =
        "<Types xmlns=\"t\"><Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/vnd.ms-excel.template.macroEnabled.main+xml\"/>"
        "<Override PartName=\"/xl/calcChain.xml\" ContentType=\"c\"/>"
        "<Override PartName=\"/xl/styles.xml\" ContentType=\"s\"/></Types>";
    std::string edited, problem;
    ASSERT_TRUE(EditContentTypes(types, "xl/workbook.xml", "xl/calcChain.xml", edited, problem)) << problem;
    EXPECT_EQ(edited,
              "<Types xmlns=\"t\"><Default Extension=\"xml\" ContentType=\"application/xml\"/>"
              "<Override PartName=\"/xl/workbook.xml\" "
              "ContentType=\"application/vnd.ms-excel.sheet.macroEnabled.main+xml\"/>"
              "<Override PartName=\"/xl/styles.xml\" ContentType=\"s\"/></Types>");

    const std::string relationships =
        "<Relationships><Relationship Id=\"rId1\" Type=\"http://x/worksheet\" Target=\"a.xml\"/>"
        "<Relationship Id=\"rId2\" Type=\"http://x/calcChain\" Target=\"calcChain.xml\"></Relationship>"
        "</Relationships>";
    ASSERT_TRUE(DropRelationships(relationships, "calcChain", edited, problem)) << problem;
    EXPECT_EQ(edited,
              "<Relationships><Relationship Id=\"rId1\" Type=\"http://x/worksheet\" Target=\"a.xml\"/>"
              "</Relationships>");
}

TEST(PartEdits, FullCalculationIsAskedWhereTheFormatPlacesIt) {
    struct Case {
        const char* name;
        const char* workbook;
        const char* expected;
    } cases[] = {
        {"calcPr there", "<workbook><sheets/><calcPr calcId=\"191029\"/></workbook>",
         "<workbook><sheets/><calcPr calcId=\"191029\" fullCalcOnLoad=\"1\"/></workbook>"},
        {"calcPr says no", "<workbook><calcPr fullCalcOnLoad=\"0\"></calcPr></workbook>",
         "<workbook><calcPr fullCalcOnLoad=\"1\"></calcPr></workbook>"},
        {"before the elements that follow it", "<workbook><sheets/><definedNames/><oleSize ref=\"A1\"/><extLst/></workbook>",
         "<workbook><sheets/><definedNames/><calcPr fullCalcOnLoad=\"1\"/><oleSize ref=\"A1\"/><extLst/></workbook>"},
        {"at the end, under the root's prefix", "<x:workbook xmlns:x=\"m\"><x:sheets/></x:workbook>",
         "<x:workbook xmlns:x=\"m\"><x:sheets/><x:calcPr fullCalcOnLoad=\"1\"/></x:workbook>"},
    };
    for (const Case& c : cases) {
        std::string edited, problem;
        ASSERT_TRUE(AskFullCalculation(c.workbook, edited, problem)) << c.name << ": " << problem;
        EXPECT_EQ(edited, c.expected) << c.name;
    }
}

}  // namespace
}  // namespace exl::workbook::test
