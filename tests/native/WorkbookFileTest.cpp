// Whole workbook files, read by openpyxl: new ones, and copies of an openpyxl
// template filled with rows, everything of the template kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "OpenpyxlDump.h"
#include "RowsForTests.h"
#include "workbook/sheet/CellReader.h"
#include "workbook/sheet/CellTextCoding.h"
#include "workbook/sheet/WorkbookWriting.h"

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

constexpr const char* kMain = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr const char* kRelationships = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";

using Parts = std::vector<std::pair<std::string, std::string>>;

// A workbook of two sheets as another program might write it: its own part names,
// relative and absolute targets, prefixes of its own.
Parts OtherProgramsParts() {
    const std::string types = "http://schemas.openxmlformats.org/package/2006/content-types";
    const std::string relationships = "http://schemas.openxmlformats.org/package/2006/relationships";
    return {
        {"[Content_Types].xml", "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?><Types xmlns=\"" + types +
                                    "\"><Override PartName=\"/wb/book.xml\" ContentType=\"" + std::string(kWorkbookType) +
                                    "\"/></Types>"},
        {"_rels/.rels", "\xEF\xBB\xBF<Relationships xmlns=\"" + relationships +
                            "\"><Relationship Id=\"r\" Type=\"http://x/officeDocument\" Target=\"/wb/book.xml\"/>"
                            "</Relationships>"},
        {"wb/book.xml", "<x:workbook xmlns:x=\"" + std::string(kMain) + "\" xmlns:rel=\"" + kRelationships +
                            "\"><x:sheets><x:sheet name=\"Eins\" sheetId=\"1\" rel:id=\"s1\"/>"
                            "<x:sheet name=\"Zwei\" sheetId=\"2\" rel:id=\"s2\"/></x:sheets></x:workbook>"},
        {"wb/_rels/book.xml.rels",
         "<p:Relationships xmlns:p=\"" + relationships +
             "\"><p:Relationship Id=\"s1\" Type=\"t/worksheet\" Target=\"sheets/../sheets/one.xml\"/>"
             "<p:Relationship Id=\"s2\" Type=\"t/worksheet\" Target=\"../wb/sheets/two.xml\"/>"
             "<p:Relationship Id=\"ss\" Type=\"t/sharedStrings\" Target=\"/wb/strings.xml\"/></p:Relationships>"},
        {"wb/strings.xml", "<sst xmlns=\"" + std::string(kMain) +
                               "\"><si><t>first</t></si><si><r><t>rich </t></r><r><rPr/><t>text</t></r>"
                               "<rPh><t>skip</t></rPh></si></sst>"},
        {"wb/sheets/one.xml",
         "<s:worksheet xmlns:s=\"" + std::string(kMain) +
             "\"><!-- c --><s:sheetData><s:row r=\"1\"><s:c r=\"A1\" t=\"s\"><s:v>1</s:v></s:c>"
             "<s:c r=\"B1\"><s:v>42</s:v></s:c><s:c r=\"C1\" t=\"s\"><s:v>0</s:v></s:c>"
             "<s:c r=\"D1\" t=\"str\"><s:v>&amp;&#228;&#x20AC;</s:v></s:c>"
             "<s:c r=\"E1\" t=\"inlineStr\"><s:is><s:t>inline</s:t></s:is></s:c>"
             "<s:c r=\"F1\" t=\"s\"><s:v>9</s:v></s:c><s:c r=\"G1\"><other:v xmlns:other=\"o\">7</other:v></s:c>"
             "<s:c r=\"A1048576\"><s:v>far</s:v></s:c><s:c r=\"A1048577\"><s:v>beyond</s:v></s:c></s:row>"
             "</s:sheetData></s:worksheet>"},
        {"wb/sheets/two.xml", "<worksheet xmlns=\"" + std::string(kMain) + "\"><sheetData/></worksheet>"},
    };
}

std::string ZipOf(const Parts& parts) {
    return WriteZip([&](ZipWriter& zip, std::string&) {
        for (const auto& [name, content] : parts)
            if (!zip.AddEntry(name, content)) return false;
        return zip.Finish();
    });
}

TEST(WorkbookFile, CellsOfOtherProgramsReadAsTheStandInLoadsThem) {
    OpenedPackage opened;
    opened.bytes = ZipOf(OtherProgramsParts());
    std::string detail;
    ASSERT_EQ(opened.zip.Open(opened.bytes, detail), ZipProblem::None);
    ASSERT_EQ(ReadPackage(opened.zip, opened.package, detail), PackageProblem::None) << detail;
    std::vector<ReadSheet> sheets;
    ASSERT_TRUE(ReadWorkbookCells(opened.zip, opened.package, sheets, detail)) << detail;
    ASSERT_EQ(sheets.size(), 2u);
    EXPECT_EQ(sheets[0].name, "Eins");
    EXPECT_EQ(opened.package.sheets[1].part, "wb/sheets/two.xml");
    std::vector<std::wstring> texts;
    for (const ReadCell& cell : sheets[0].cells) texts.push_back(cell.text);
    // An index beyond the shared strings, a value in another namespace and a cell
    // beyond the sheet are left out.
    EXPECT_EQ(texts, (std::vector<std::wstring>{L"rich text", L"42", L"first", L"&\u00e4\u20ac", L"inline", L"far"}));
}

// What keeps a package from being filled, and what its refusal names.
TEST(WorkbookFile, PackagesThatCannotBeFilledAreRefusedNamingWhy) {
    auto changed = [](const std::string& part, const std::string& from, const std::string& to) {
        Parts parts = OtherProgramsParts();
        for (auto& [name, content] : parts)
            if (name == part) content.replace(content.find(from), from.size(), to);
        return parts;
    };
    auto without = [](const std::string& part) {
        Parts parts = OtherProgramsParts();
        parts.erase(std::find_if(parts.begin(), parts.end(), [&](const auto& entry) { return entry.first == part; }));
        return parts;
    };
    const std::string sheetRelationships = "wb/_rels/book.xml.rels";
    struct Case {
        const char* name;
        Parts parts;
        PackageProblem expected;
        const char* part;
        const char* encoding;
    } cases[] = {
        {"as written", OtherProgramsParts(), PackageProblem::None, "", ""},
        {"strict namespaces", changed("wb/book.xml", kMain, "http://purl.oclc.org/ooxml/spreadsheetml/main"),
         PackageProblem::None, "", ""},
        {"sheets in another namespace", changed("wb/book.xml", kMain, "urn:other"), PackageProblem::Damaged, "", ""},
        {"relationship id in another namespace", changed("wb/book.xml", kRelationships, "urn:other"),
         PackageProblem::Damaged, "", ""},
        {"workbook part missing", without("wb/book.xml"), PackageProblem::Damaged, "", ""},
        {"sheet part missing", without("wb/sheets/two.xml"), PackageProblem::Damaged, "", ""},
        {"sheet target climbing out", changed(sheetRelationships, "../wb/sheets/two.xml", "../../etc/passwd"),
         PackageProblem::OutsidePackage, "../../etc/passwd", ""},
        {"external sheet", changed(sheetRelationships, "Target=\"sheets/../sheets/one.xml\"",
                                   "Target=\"file:///C:/one.xlsx\" TargetMode=\"External\""),
         PackageProblem::OutsidePackage, "file:///C:/one.xlsx", ""},
        {"external workbook", changed("_rels/.rels", "Target=", "TargetMode=\"External\" Target="),
         PackageProblem::OutsidePackage, "/wb/book.xml", ""},
        {"workbook part in another encoding",
         changed("wb/book.xml", "<x:workbook", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><x:workbook"),
         PackageProblem::Encoding, "wb/book.xml", "ISO-8859-1"},
        {"sheet in UTF-16", changed("wb/sheets/two.xml", "<worksheet", "\xFF\xFE<worksheet"), PackageProblem::Encoding,
         "wb/sheets/two.xml", "UTF-16"},
        {"sheet not well-formed", changed("wb/sheets/two.xml", "<sheetData/>", "<sheetData>"),
         PackageProblem::Damaged, "", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OpenedPackage opened;
        opened.bytes = ZipOf(c.parts);
        std::string detail;
        ASSERT_EQ(opened.zip.Open(opened.bytes, detail), ZipProblem::None);
        PackageFault fault;
        PackageProblem problem = ReadPackage(opened.zip, opened.package, detail, fault);
        if (problem == PackageProblem::None) problem = CheckWorksheets(opened.zip, opened.package, detail, fault);
        EXPECT_EQ(problem, c.expected) << detail;
        if (problem == PackageProblem::OutsidePackage || problem == PackageProblem::Encoding) {
            EXPECT_EQ(fault.part, c.part);
            EXPECT_EQ(fault.encoding, c.encoding);
        }
    }
}

// Letters and digits that deflate packs little: a part that must not unpack.
std::string RandomText(std::size_t count) {
    const std::string_view alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    std::mt19937 random(11);
    std::string text(count, ' ');
    for (char& c : text) c = alphabet[random() % alphabet.size()];
    return text;
}

// A sheet whose directory entry says it unpacks beyond the limit is refused without
// being unpacked (its data would not unpack to that size).
TEST(WorkbookFile, SheetBeyondThePartLimitIsRefusedUnread) {
    Parts parts = OtherProgramsParts();
    const std::string noise = RandomText(300000);
    parts.back().second = "<worksheet xmlns=\"" + std::string(kMain) + "\"><!--" + noise + "--></worksheet>";
    std::string bytes = ZipOf(parts);
    const std::size_t central = bytes.rfind("PK\x01\x02");  // the last entry's: the sheet's
    const std::uint32_t claimed = kMostPartBytes + 1;
    for (int i = 0; i < 4; ++i) bytes[central + 24 + i] = static_cast<char>(claimed >> (8 * i));
    ZipArchive zip;
    WorkbookPackage package;
    PackageFault fault;
    std::string detail;
    ASSERT_EQ(zip.Open(bytes, detail), ZipProblem::None) << detail;
    ASSERT_EQ(ReadPackage(zip, package, detail, fault), PackageProblem::None) << detail;
    EXPECT_EQ(CheckWorksheets(zip, package, detail, fault), PackageProblem::TooLarge) << detail;
    EXPECT_EQ(fault.part, "wb/sheets/two.xml");
    EXPECT_EQ(fault.bytes, claimed);
}

// Filling a template unpacks each worksheet once: the look for formulas and the patch
// share it, or, after CheckWorksheets has read the sheets, the patch alone unpacks.
// A sheet near the part limit fits a 32-bit process once, not twice.
TEST(WorkbookFile, FillingATemplateUnpacksEachWorksheetOnce) {
    ScratchFolder folder;
    MakeTemplate(folder.File("vorlage.xlsx"));
    for (const bool checkedFirst : {false, true}) {
        SCOPED_TRACE(checkedFirst ? "checked first" : "unchecked");
        OpenedPackage opened;
        Open(folder.File("vorlage.xlsx"), opened);
        std::string detail;
        PackageFault fault;
        if (checkedFirst) ASSERT_EQ(CheckWorksheets(opened.zip, opened.package, detail, fault), PackageProblem::None);
        const std::uint32_t checks = checkedFirst ? 1 : 0;
        FilledTemplate(opened);
        for (const SheetEntry& sheet : opened.package.sheets)
            if (sheet.kind == SheetKind::Worksheet) EXPECT_EQ(opened.zip.TimesRead(sheet.part), checks + 1) << sheet.part;
    }
}

// Row numbers are read as strictly as the patcher reads them: one that names no row
// of a sheet makes the sheet unreadable, never lands its cells on another row.
TEST(WorkbookFile, RowNumbersAreCheckedWhereTheCellsAreRead) {
    const struct {
        const char* row;
        bool read;
    } cases[] = {
        {"7", true}, {"1048576", true}, {"4294967297", false}, {"1x", false},
        {"-1", false}, {"0", false},      {"1048577", false},    {" 2", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.row);
        Parts parts = OtherProgramsParts();
        parts.back().second = "<worksheet xmlns=\"" + std::string(kMain) + "\"><sheetData><row r=\"" + c.row +
                              "\"><c><v>5</v></c></row></sheetData></worksheet>";
        OpenedPackage opened;
        opened.bytes = ZipOf(parts);
        std::string detail;
        ASSERT_EQ(opened.zip.Open(opened.bytes, detail), ZipProblem::None);
        ASSERT_EQ(ReadPackage(opened.zip, opened.package, detail), PackageProblem::None) << detail;
        std::vector<ReadSheet> sheets;
        ASSERT_EQ(ReadWorkbookCells(opened.zip, opened.package, sheets, detail), c.read) << detail;
        if (c.read) {
            ASSERT_EQ(sheets[1].cells.size(), 1u);
            EXPECT_EQ(sheets[1].cells[0].position.row, static_cast<std::uint32_t>(std::stoul(c.row)));
        } else {
            EXPECT_EQ(detail, "Zwei: row without a proper number");
        }
    }
}

}  // namespace
}  // namespace exl::workbook::test
