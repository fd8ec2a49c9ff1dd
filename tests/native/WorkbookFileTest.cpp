// Whole workbook files, read by openpyxl: new ones, and copies of an openpyxl
// template filled with rows, everything of the template kept.
#include <gtest/gtest.h>

#include <algorithm>

#include "OpenpyxlDump.h"
#include "RowsForTests.h"
#include "workbook/CellReader.h"
#include "workbook/CellTextCoding.h"
#include "workbook/WorkbookWriting.h"

namespace exl::workbook::test {
namespace {

using Lines = std::vector<std::string>;

std::string Stored(const std::wstring& text) { return EncodeCellText(text); }

template <class Write>
std::string WriteZip(Write write) {
    StringSink sink;
    ZipWriter zip(sink);
    std::string problem;
    EXPECT_TRUE(write(zip, problem)) << problem;
    return sink.Bytes();
}

struct OpenedPackage {
    std::string bytes;
    ZipArchive zip;
    WorkbookPackage package;
};

void Open(const std::string& path, OpenedPackage& opened) {
    opened.bytes = ReadBytes(path);
    std::string detail;
    ASSERT_EQ(opened.zip.Open(opened.bytes, detail), ZipProblem::None) << detail;
    ASSERT_EQ(ReadPackage(opened.zip, opened.package, detail), PackageProblem::None) << detail;
}

TEST(WorkbookFile, NewWorkbookHoldsSheetsAndCellsWithTheirTypes) {
    const std::wstring umlauts(254, L'\u00fc');
    std::string umlautsUtf8;
    for (int i = 0; i < 254; ++i) umlautsUtf8 += "\xC3\xBC";
    ListedRows first({{1, {Text(1, "Pos"), Text(2, Stored(L"Gr\u00f6\u00dfe"))}},
                      {2, {Number(1, "12"), Text(2, "0012"), Text(3, Stored(L"a\x01" L"b\rc")), Text(4, Stored(umlauts))}},
                      {3, {Number(1, "-123456789012345"), Text(2, Stored(L"_x0041_"))}}});
    ListedRows third({{kMostRows, {Text(kMostColumns, "ganz unten")}}});
    ScratchFolder folder;
    const std::string path = folder.File("neu.xlsx");
    WriteBytes(path, WriteZip([&](ZipWriter& zip, std::string& problem) {
                   return WriteNewWorkbook({"Tabelle1", "Gr\xC3\xB6\xC3\x9F" "en & <Ma\xC3\x9F" "e>", "Tabelle3"},
                                           {&first, nullptr, &third}, zip, problem);
               }));
    const Lines dump = DumpWorkbooks({path});
    EXPECT_EQ(LinesStartingWith(dump, "sheet\t"),
              (Lines{"sheet\tTabelle1\tworksheet", "sheet\tGr\xC3\xB6\xC3\x9F" "en & <Ma\xC3\x9F" "e>\tworksheet",
                     "sheet\tTabelle3\tworksheet"}));
    EXPECT_EQ(LinesStartingWith(dump, "cell\t"),
              (Lines{
                  "cell\tTabelle1\tA1\ts\t'Pos'\t'Pos'\t-",
                  "cell\tTabelle1\tB1\ts\t'Gr\xC3\xB6\xC3\x9F" "e'\t'Gr\xC3\xB6\xC3\x9F" "e'\t-",
                  "cell\tTabelle1\tA2\tn\t12\t12\t-",
                  "cell\tTabelle1\tB2\ts\t'0012'\t'0012'\t-",
                  // openpyxl shows the format's escapes as they stand; Excel and LibreOffice
                  // read them as the characters.
                  "cell\tTabelle1\tC2\ts\t'a_x0001_b_x000D_c'\t'a_x0001_b_x000D_c'\t-",
                  "cell\tTabelle1\tD2\ts\t'" + umlautsUtf8 + "'\t'" + umlautsUtf8 + "'\t-",
                  "cell\tTabelle1\tA3\tn\t-123456789012345\t-123456789012345\t-",
                  "cell\tTabelle1\tB3\ts\t'_x005F_x0041_'\t'_x005F_x0041_'\t-",
                  "cell\tTabelle3\tXFD1048576\ts\t'ganz unten'\t'ganz unten'\t-",
              }))
        << dump.front();
}

// The template of workbooks.py filled as an export fills it: headings in row 1,
// values from row 2 down, a quantity column that the SUM under the list adds up.
std::string FilledTemplate(const OpenedPackage& opened) {
    std::vector<SheetRow> rows{{1, {Text(1, "Pos"), Text(2, "Anzahl"), Blank(3)}}};
    for (std::uint32_t n = 1; n <= 10; ++n)
        rows.push_back({n + 1, {Text(1, "P" + std::to_string(n)), Number(2, std::to_string(n))}});
    ListedRows list(rows, CellArea{{1, 1}, {11, 3}});
    return WriteZip([&](ZipWriter& zip, std::string& problem) {
        return WriteTemplateCopy(opened.zip, opened.package, {&list}, zip, problem);
    });
}

TEST(WorkbookFile, TemplateCopyKeepsEverythingAndRecalculates) {
    ScratchFolder folder;
    MakeTemplate(folder.File("vorlage.xlsx"));
    const std::string templateBytes = ReadBytes(folder.File("vorlage.xlsx"));
    OpenedPackage opened;
    Open(folder.File("vorlage.xlsx"), opened);
    ASSERT_EQ(opened.package.sheets.size(), 3u);
    EXPECT_EQ(opened.package.sheets[2].kind, SheetKind::Chartsheet);
    EXPECT_EQ(opened.package.calcChainPart, "xl/calcChain.xml");

    WriteBytes(folder.File("kopie.xlsx"), FilledTemplate(opened));
    EXPECT_EQ(ReadBytes(folder.File("vorlage.xlsx")), templateBytes);
    const Lines dump = DumpWorkbooks({folder.File("kopie.xlsx")});
    EXPECT_EQ(LinesStartingWith(dump, "sheet\t"),
              (Lines{"sheet\tListe\tworksheet", "sheet\tZweites\tworksheet", "sheet\tDiagramm\tchartsheet"}))
        << dump.front();
    Lines expected{"cell\tListe\tA1\ts\t'Pos'\t'Pos'\tbold", "cell\tListe\tB1\ts\t'Anzahl'\t'Anzahl'\tbold",
                   "cell\tListe\tC1\tn\tNone\tNone\tbold", "cell\tListe\tD1\ts\t'bleibt'\t'bleibt'\t-"};
    for (int n = 1; n <= 10; ++n) {
        const std::string row = std::to_string(n + 1);
        expected.push_back("cell\tListe\tA" + row + "\ts\t'P" + std::to_string(n) + "'\t'P" + std::to_string(n) + "'\t-");
        expected.push_back("cell\tListe\tB" + row + "\tn\t" + std::to_string(n) + "\t" + std::to_string(n) + "\t-");
    }
    // The stored results are gone: every program computes the formulas afresh.
    expected.push_back("cell\tListe\tB12\tf\t'=SUM(B2:B11)'\tNone\t-");
    EXPECT_EQ(LinesStartingWith(dump, "cell\tListe\t"), expected);
    EXPECT_EQ(LinesStartingWith(dump, "cell\tZweites\t"),
              (Lines{"cell\tZweites\tA1\ts\t'anderes Blatt'\t'anderes Blatt'\t-",
                     "cell\tZweites\tA2\tf\t'=Liste!B12*2'\tNone\t-"}));
    EXPECT_EQ(LinesStartingWith(dump, "width\t"), Lines{"width\tListe\tB\t31.5"});
    EXPECT_EQ(LinesStartingWith(dump, "merged\t"), Lines{"merged\tListe\tE1:F1"});

    // Every other part as it was; the calculation chain gone; a full calculation asked for.
    const auto before = PythonZipEntries(folder.File("vorlage.xlsx"));
    const auto after = PythonZipEntries(folder.File("kopie.xlsx"));
    const std::vector<std::string> changed{"xl/worksheets/sheet1.xml", "xl/worksheets/sheet2.xml", "xl/workbook.xml",
                                           "xl/_rels/workbook.xml.rels", "[Content_Types].xml", "xl/calcChain.xml"};
    std::vector<std::pair<std::string, std::string>> keptBefore, keptAfter;
    for (const auto& entry : before)
        if (std::find(changed.begin(), changed.end(), entry.first) == changed.end()) keptBefore.push_back(entry);
    for (const auto& entry : after) {
        EXPECT_NE(entry.first, "xl/calcChain.xml");
        if (std::find(changed.begin(), changed.end(), entry.first) == changed.end()) keptAfter.push_back(entry);
        if (entry.first == "xl/workbook.xml") EXPECT_NE(entry.second.find("fullCalcOnLoad=\"1\""), std::string::npos);
        if (entry.first == "[Content_Types].xml") EXPECT_EQ(entry.second.find("calcChain"), std::string::npos);
        if (entry.first == "xl/_rels/workbook.xml.rels") EXPECT_EQ(entry.second.find("calcChain"), std::string::npos);
    }
    EXPECT_EQ(keptAfter, keptBefore);
    EXPECT_EQ(after.size(), before.size() - 1);
}

TEST(WorkbookFile, TemplateTypeBecomesAWorkbook) {
    ScratchFolder folder;
    MakeTemplate(folder.File("vorlage.xltx"), true);
    OpenedPackage opened;
    Open(folder.File("vorlage.xltx"), opened);
    EXPECT_TRUE(opened.package.isTemplate);
    WriteBytes(folder.File("kopie.xlsx"), FilledTemplate(opened));
    for (const auto& [name, content] : PythonZipEntries(folder.File("kopie.xlsx")))
        if (name == "[Content_Types].xml") {
            EXPECT_EQ(content.find("template"), std::string::npos);
            EXPECT_NE(content.find(std::string(kWorkbookType)), std::string::npos);
        }
    EXPECT_EQ(LinesStartingWith(DumpWorkbooks({folder.File("kopie.xlsx")}), "cell\tListe\tB11\t"),
              Lines{"cell\tListe\tB11\tn\t10\t10\t-"});
}

TEST(WorkbookFile, CellsReadBackAsTheStandInLoadsThem) {
    ListedRows rows({{1, {Text(1, Stored(L"\u00c4nderung <\"&\">")), Number(2, "42")}}, {7, {Text(3, Stored(L"a\rb"))}}});
    OpenedPackage opened;
    opened.bytes = WriteZip([&](ZipWriter& zip, std::string& problem) {
        return WriteNewWorkbook({"Eins", "Zwei"}, {&rows}, zip, problem);
    });
    std::string detail;
    ASSERT_EQ(opened.zip.Open(opened.bytes, detail), ZipProblem::None);
    ASSERT_EQ(ReadPackage(opened.zip, opened.package, detail), PackageProblem::None);
    std::vector<ReadSheet> sheets;
    ASSERT_TRUE(ReadWorkbookCells(opened.zip, opened.package, sheets, detail)) << detail;
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[1].name, "Zwei");
    EXPECT_TRUE(sheets[1].cells.empty());
    ASSERT_EQ(sheets[0].cells.size(), 3u);
    EXPECT_EQ(sheets[0].cells[0].text, L"\u00c4nderung <\"&\">");
    EXPECT_EQ(sheets[0].cells[1].kind, CellKind::Number);
    EXPECT_EQ(sheets[0].cells[1].text, L"42");
    EXPECT_EQ(sheets[0].cells[2].position.row, 7u);
    EXPECT_EQ(sheets[0].cells[2].text, L"a\rb");
}

TEST(WorkbookFile, CellsOfOtherProgramsReadAsTheStandInLoadsThem) {
    OpenedPackage opened;
    opened.bytes = WriteZip([](ZipWriter& zip, std::string&) {
        return zip.AddEntry("[Content_Types].xml",
                            "<Types><Override PartName=\"/wb/book.xml\" ContentType=\"application/"
                            "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>") &&
               zip.AddEntry("_rels/.rels",
                            "<Relationships><Relationship Id=\"r\" Type=\"http://x/officeDocument\" "
                            "Target=\"/wb/book.xml\"/></Relationships>") &&
               zip.AddEntry("wb/book.xml",
                            "<x:workbook xmlns:x=\"m\" xmlns:r=\"rel\"><x:sheets>"
                            "<x:sheet name=\"Eins\" sheetId=\"1\" r:id=\"s1\"/></x:sheets></x:workbook>") &&
               zip.AddEntry("wb/_rels/book.xml.rels",
                            "<Relationships><Relationship Id=\"s1\" Type=\"t/worksheet\" "
                            "Target=\"sheets/../sheets/one.xml\"/><Relationship Id=\"ss\" "
                            "Type=\"t/sharedStrings\" Target=\"strings.xml\"/></Relationships>") &&
               zip.AddEntry("wb/strings.xml",
                            "<sst><si><t>first</t></si><si><r><t>rich </t></r><r><rPr/><t>text</t></r>"
                            "<rPh><t>skip</t></rPh></si></sst>") &&
               zip.AddEntry("wb/sheets/one.xml",
                            "<worksheet><!-- c --><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c>"
                            "<c r=\"B1\"><v>42</v></c><c r=\"C1\" t=\"s\"><v>0</v></c>"
                            "<c r=\"D1\" t=\"str\"><v>&amp;&#228;&#x20AC;</v></c>"
                            "<c r=\"E1\" t=\"s\"><v>9</v></c><c r=\"A1048576\"><v>far</v></c>"
                            "<c r=\"A1048577\"><v>beyond</v></c></row></sheetData></worksheet>") &&
               zip.Finish();
    });
    std::string detail;
    ASSERT_EQ(opened.zip.Open(opened.bytes, detail), ZipProblem::None);
    ASSERT_EQ(ReadPackage(opened.zip, opened.package, detail), PackageProblem::None) << detail;
    std::vector<ReadSheet> sheets;
    ASSERT_TRUE(ReadWorkbookCells(opened.zip, opened.package, sheets, detail)) << detail;
    ASSERT_EQ(sheets.size(), 1u);
    EXPECT_EQ(sheets[0].name, "Eins");
    std::vector<std::wstring> texts;
    for (const ReadCell& cell : sheets[0].cells) texts.push_back(cell.text);
    // An index beyond the shared strings and a cell beyond the sheet are left out.
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"rich text", L"42", L"first", L"&\u00e4\u20ac", L"far"}));
}

}  // namespace
}  // namespace exl::workbook::test
