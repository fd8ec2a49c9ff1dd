// The lists fitted to a template's merged cells and Excel tables before anything is
// written: which tables grow, and what is refused.
#include <gtest/gtest.h>

#include "Scratch.h"
#include "export/file/TemplateFit.h"
#include "workbook/zip/ByteSink.h"
#include "workbook/zip/ZipWriter.h"

namespace exl::test {
namespace {

constexpr const char* kRelationships = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

std::string TablePart(const std::string& name, const std::string& ref, const std::string& first,
                      const std::string& second) {
    return "<table xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" id=\"1\" name=\"" + name +
           "\" displayName=\"" + name + "\" ref=\"" + ref + "\"><autoFilter ref=\"" + ref +
           "\"/><tableColumns count=\"2\"><tableColumn id=\"1\" name=\"" + first + "\"/><tableColumn id=\"2\" name=\"" +
           second + "\"/></tableColumns></table>";
}

// One worksheet: merged E1:F1 and B20:C21; the tables Stueckliste C1:D6 (columns
// "Benennung", "Preis"), Andere H5:I8, Unten C12:D14.
std::string TemplateBytes() {
    workbook::StringSink sink;
    workbook::ZipWriter zip(sink);
    const std::string rel = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    zip.AddEntry("[Content_Types].xml",
                 "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"rels\" "
                 "ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/><Default Extension=\"xml\" "
                 "ContentType=\"application/xml\"/><Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
                 "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>");
    zip.AddEntry("_rels/.rels", rel + "<Relationship Id=\"r1\" Type=\"" + kRelationships +
                                    "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>");
    zip.AddEntry("xl/workbook.xml",
                 "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" xmlns:r=\"http://"
                 "schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets><sheet name=\"Liste\" "
                 "sheetId=\"1\" r:id=\"r1\"/></sheets></workbook>");
    zip.AddEntry("xl/_rels/workbook.xml.rels", rel + "<Relationship Id=\"r1\" Type=\"" + kRelationships +
                                                   "worksheet\" Target=\"worksheets/sheet1.xml\"/></Relationships>");
    zip.AddEntry("xl/worksheets/sheet1.xml",
                 "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><sheetData/>"
                 "<mergeCells count=\"2\"><mergeCell ref=\"E1:F1\"/><mergeCell ref=\"B20:C21\"/></mergeCells></worksheet>");
    std::string tables = rel;
    const char* names[][2] = {{"1", "../tables/table1.xml"}, {"2", "../tables/table2.xml"}, {"3", "../tables/table3.xml"}};
    for (const auto& [id, target] : names)
        tables += "<Relationship Id=\"t" + std::string(id) + "\" Type=\"" + kRelationships + "table\" Target=\"" +
                  target + "\"/>";
    zip.AddEntry("xl/worksheets/_rels/sheet1.xml.rels", tables + "</Relationships>");
    zip.AddEntry("xl/tables/table1.xml", TablePart("Stueckliste", "C1:D6", "Benennung", "Preis"));
    zip.AddEntry("xl/tables/table2.xml", TablePart("Andere", "H5:I8", "Teil", "Preis"));
    zip.AddEntry("xl/tables/table3.xml", TablePart("Unten", "C12:D14", "Teil", "Preis"));
    zip.Finish();
    return sink.Bytes();
}

FileField Field(int table, const char* column, int headerRow, int startRow, const char* heading = "Kopf") {
    FileField field;
    field.table = table;
    field.name = std::string("Feld_") + column;
    field.columnText = column;
    field.column = workbook::ColumnFromLetters(column).value_or(0);
    field.heading = heading;
    field.headerRow = static_cast<std::int16_t>(headerRow);
    field.startRow = static_cast<std::int16_t>(startRow);
    return field;
}

TEST(TemplateFit, TablesFollowMatchingListsAndNothingElseIsWrittenOver) {
    const std::string bytes = TemplateBytes();
    workbook::ZipArchive zip;
    workbook::WorkbookPackage package;
    std::string detail;
    ASSERT_EQ(zip.Open(bytes, detail), workbook::ZipProblem::None) << detail;
    ASSERT_EQ(workbook::ReadPackage(zip, package, detail), workbook::PackageProblem::None) << detail;
    ScratchDirectory scratch;
    // Every field has a value in every record, except Feld_C in record 1.
    std::string records;
    for (int record = 1; record <= 12; ++record) {
        records += "[" + std::to_string(record) + "]\r\n";
        for (const char* column : {"A", "C", "D", "E", "F", "H"})
            if (record != 1 || column != std::string("C")) records += std::string("Feld_") + column + "=x\r\n";
    }
    WriteFile(scratch.File("records.tmp"), records);
    const IniSnapshot values(scratch.File("records.tmp"));
    struct Case {
        const char* name;
        std::vector<FileField> fields;
        std::int32_t records;
        FitFault fault;
        std::uint32_t grownTo;     // of Stueckliste, 0: not grown
        std::string renamedFirst;  // its first column's new name
    } cases[] = {
        {"a shorter list leaves the table", {Field(1, "C", 1, 2, "Benennung")}, 4, {}, 0, ""},
        {"a longer list grows it", {Field(1, "A", 1, 2, "Pos"), Field(1, "C", 1, 2, "Benennung")}, 8, {}, 9, ""},
        {"the heading names its column", {Field(1, "C", 1, 2, "Bezeichnung")}, 3, {}, 0, "Bezeichnung"},
        {"grown into the table below", {Field(1, "C", 1, 2, "Benennung")}, 12,
         {FitProblem::ForeignTable, 1, "C12", "C12:D14", "Unten"}, 0, ""},
        {"a table whose heading row is another", {Field(1, "H", 1, 2)}, 5,
         {FitProblem::ForeignTable, 1, "H5", "H5:I8", "Andere"}, 0, ""},
        {"no heading row: the table's heading cell is written over", {Field(1, "C", 0, 1)}, 3,
         {FitProblem::ForeignTable, 1, "C2", "C1:D6", "Stueckliste"}, 0, ""},
        {"a second list into the first one's table", {Field(1, "C", 1, 2, "Benennung"), Field(2, "D", 0, 3)}, 3,
         {FitProblem::ForeignTable, 2, "D3", "C1:D6", "Stueckliste"}, 0, ""},
        {"a heading into a hidden merged cell", {Field(1, "F", 1, 30)}, 3,
         {FitProblem::HiddenMergedCell, 1, "F1", "E1:F1", ""}, 0, ""},
        {"an emptied hidden cell hides nothing", {Field(1, "F", 1, 30, "")}, 3, {}, 0, ""},
        {"the shown cell of merged cells takes a value", {Field(1, "E", 1, 30)}, 3, {}, 0, ""},
        {"a record without a value leaves the hidden cell alone", {Field(1, "C", 0, 20)}, 1, {}, 0, ""},
        {"the next record's value would be hidden", {Field(1, "C", 0, 20)}, 2,
         {FitProblem::HiddenMergedCell, 1, "C21", "B20:C21", ""}, 0, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<workbook::TableGrowth> growths;
        SheetFields fields{c.fields};
        const FitFault fault = FitListsToTemplate(zip, package, fields, values, c.records, growths);
        EXPECT_EQ(fault.problem, c.fault.problem);
        EXPECT_EQ(fault.table, c.fault.table);
        EXPECT_EQ(fault.cell, c.fault.cell);
        EXPECT_EQ(fault.range, c.fault.range);
        EXPECT_EQ(fault.tableName, c.fault.tableName);
        if (c.fault.problem != FitProblem::None) continue;
        ASSERT_EQ(growths.size(), c.grownTo || !c.renamedFirst.empty() ? 1u : 0u);
        if (growths.empty()) continue;
        EXPECT_EQ(growths[0].table.name, "Stueckliste");
        EXPECT_EQ(growths[0].lastDataRow, c.grownTo ? c.grownTo : 6u);
        if (!c.renamedFirst.empty()) {
            EXPECT_EQ(growths[0].newNames, (std::vector<std::pair<std::size_t, std::string>>{{0, c.renamedFirst}}));
        }
    }
    // An empty heading leaves a following table's heading cell alone; elsewhere it empties its cell.
    SheetFields fields{{Field(1, "C", 1, 2, ""), Field(2, "F", 1, 30, "")}};
    std::vector<workbook::TableGrowth> growths;
    EXPECT_EQ(FitListsToTemplate(zip, package, fields, values, 3, growths).problem, FitProblem::None);
    EXPECT_EQ(fields[0][0].headerRow, 0);
    EXPECT_EQ(fields[0][1].headerRow, 1);
}

}  // namespace
}  // namespace exl::test
