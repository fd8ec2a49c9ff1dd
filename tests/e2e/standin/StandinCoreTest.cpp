// The stand-in's parts in process: cell addresses, the call-log rendering, its
// workbook files, and the object model with its deferred exceptions.
#include <windows.h>
#include <oleauto.h>

#include <gtest/gtest.h>

#include <functional>

#include "Arguments.h"
#include "BusyPlan.h"
#include "CellAddress.h"
#include "CellContent.h"
#include "ControlObject.h"
#include "ExcelObjects.h"
#include "Scratch.h"
#include "StandinIds.h"
#include "Text.h"
#include "Xlsx.h"
#include "framework/Automation.h"
#include "framework/Variant.h"
#include "workbook/zip/ByteSink.h"
#include "workbook/zip/ZipWriter.h"

namespace exl::test {
namespace {

using namespace exl::standin;

TEST(StandinAddress, ParsesCellsWithinTheSheetLimitsOfTheVersion) {
    struct Case {
        const wchar_t* text;
        bool upTo2003;  // valid on a sheet of Excel 97 to 2003
        bool from2007;  // valid on a sheet of Excel 2007 and later
        int row;
        int column;
    } cases[] = {
        {L"A1", true, true, 1, 1},
        {L"b5", true, true, 5, 2},
        {L"$B$5", true, true, 5, 2},
        {L"IV65536", true, true, 65536, 256},
        {L"AA10", true, true, 10, 27},
        {L"Z1", true, true, 1, 26},
        {L"IW1", false, true, 1, 257},
        {L"A65537", false, true, 65537, 1},
        {L"XFD1048576", false, true, 1048576, 16384},
        {L"XFE1", false, false, 0, 0},
        {L"A1048577", false, false, 0, 0},
        {L"A0", false, false, 0, 0},
        {L"", false, false, 0, 0},
        {L"5", false, false, 0, 0},
        {L"B", false, false, 0, 0},
        {L"AAAA1", false, false, 0, 0},
        {L"B5 ", false, false, 0, 0},
        {L" B5", false, false, 0, 0},
        {L"B-5", false, false, 0, 0},
        {L"$$B5", false, false, 0, 0},
        {L"B5:C6", false, false, 0, 0},
        {L"A99999999999", false, false, 0, 0},
        {L"\u00c45", false, false, 0, 0},
    };
    for (const Case& c : cases) {
        for (const CellLimits& limits : {kLimitsUpTo2003, kLimitsFrom2007}) {
            const bool valid = limits.rows == kLimitsUpTo2003.rows ? c.upTo2003 : c.from2007;
            SCOPED_TRACE(testing::PrintToString(std::wstring(c.text)) + " with " + std::to_string(limits.rows) +
                         " rows");
            auto cell = ParseCell(c.text, limits);
            ASSERT_EQ(cell.has_value(), valid);
            if (valid) {
                EXPECT_EQ(cell->row, c.row);
                EXPECT_EQ(cell->column, c.column);
            }
        }
    }
    EXPECT_EQ(LimitsOfVersion(11).rows, kLimitsUpTo2003.rows);
    EXPECT_EQ(LimitsOfVersion(12).rows, kLimitsFrom2007.rows);
}

TEST(StandinAddress, RectanglesAreNormalisedAndNamesRoundTrip) {
    auto rect = ParseRect(L"C7:B5", kLimitsUpTo2003);
    ASSERT_TRUE(rect);
    EXPECT_EQ(rect->first, (CellRef{5, 2}));
    EXPECT_EQ(rect->last, (CellRef{7, 3}));
    EXPECT_EQ(rect->CellCount(), 6);
    EXPECT_FALSE(ParseRect(L"B5:", kLimitsUpTo2003));
    EXPECT_FALSE(ParseRect(L"B5:C7:D9", kLimitsUpTo2003));
    for (int column : {1, 26, 27, 52, 53, 256, 702, 703, 16384})
        EXPECT_EQ(ParseCell(ColumnName(column) + L"1", kLimitsFrom2007)->column, column) << column;
    EXPECT_EQ(ColumnName(256), L"IV");
    EXPECT_EQ(CellName({12, 28}), L"AB12");
}

TEST(StandinCallLog, RendersArgumentsInCallerOrderWithThePutValueLast) {
    const Variant text = Variant::Text(L"a\"b\\c\nd"), small = Variant::Int16(-3), missing = Variant::Missing();
    // rgvarg: the named put value first, then the positional ones last first.
    VARIANT args[3] = {text.Get(), small.Get(), missing.Get()};
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{args, &named, 3, 1};
    EXPECT_EQ(RenderCall(L"Range", L"Value", DISPATCH_PROPERTYPUT, params),
              L"Range.Value put missing I2:-3 \"a\\\"b\\\\c\\nd\"");
    DISPPARAMS none{};
    EXPECT_EQ(RenderCall(L"Sheets", L"Count", DISPATCH_METHOD | DISPATCH_PROPERTYGET, none),
              L"Sheets.Count method|get");

    VARIANT inner;
    inner.vt = VT_BOOL;
    inner.boolVal = VARIANT_TRUE;
    VARIANT byReference;
    byReference.vt = VT_BYREF | VT_VARIANT;
    byReference.pvarVal = &inner;
    EXPECT_EQ(RenderArgument(byReference), L"&true");
    VARIANT number;
    number.vt = VT_R8;
    number.dblVal = 1.5;
    EXPECT_EQ(RenderArgument(number), L"VT5");
    EXPECT_EQ(QuoteText(std::wstring(L"\x01\t", 2)), L"\"\\x01\\t\"");
}

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// A zip of the given parts, in order, as the workbook library writes it.
std::string ZipOf(const std::vector<std::pair<std::string, std::string>>& parts) {
    workbook::StringSink sink;
    workbook::ZipWriter writer(sink);
    for (const auto& [name, content] : parts) writer.AddEntry(name, content);
    writer.Finish();
    return sink.Bytes();
}

// Every cell of a sheet as the control's dump shows it.
std::map<CellRef, std::wstring> Described(const Sheet& sheet) {
    std::map<CellRef, std::wstring> cells;
    for (const auto& [at, cell] : sheet.cells) cells[at] = Describe(cell);
    return cells;
}

// The Excel serial of a date (from 1.3.1900 on, an OLE date is one).
std::wstring Serial(int day, int month, int year) {
    SYSTEMTIME date{};
    date.wYear = static_cast<WORD>(year);
    date.wMonth = static_cast<WORD>(month);
    date.wDay = static_cast<WORD>(day);
    double serial = 0;
    EXPECT_TRUE(SystemTimeToVariantTime(&date, &serial));
    return std::to_wstring(static_cast<long>(serial));
}

int ThisYear() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wYear;
}

TEST(StandinCellContent, ReadsTypedTextsAsAGermanExcelDoes) {
    struct Case {
        std::wstring typed;
        std::wstring stored;
    };
    const Case cases[] = {
        {L"12", L"number 12"},
        {L" 12 ", L"number 12"},
        {L"+3", L"number 3"},
        {L"-0", L"number 0"},
        {L"0012", L"number 12"},
        {L"12,5", L"number 12.5"},
        {L",5", L"number 0.5"},
        {L"12,", L"number 12"},
        {L"1.234.567,8", L"number 1234567.8"},
        {L"-1.234", L"number -1234"},
        {L"1.2345", L"text \"1.2345\""},
        {L"1E5", L"number 100000 [0,00E+00]"},
        {L"1,5e-3", L"number 0.0015 [0,00E+00]"},
        {L"1E", L"text \"1E\""},
        {L"1E308", L"text \"1E308\""},
        {L"12%", L"number 0.12 [0%]"},
        {L"-12 %", L"number -0.12 [0%]"},
        {L"12,5%", L"number 0.125 [0,00%]"},
        {L"1234567890123456", L"number 1234567890123450"},
        {L"99999999999999999", L"number 99999999999999900"},
        {L"0,12345678901234567", L"number 0.123456789012345"},
        {L"1.5", L"date " + Serial(1, 5, ThisYear()) + L" [TT. MMM]"},
        {L"8.8", L"date " + Serial(8, 8, ThisYear()) + L" [TT. MMM]"},
        {L"31.4", L"text \"31.4\""},
        {L"1.5.2020", L"date 43952 [TT.MM.JJJJ]"},
        {L"01.05.20", L"date 43952 [TT.MM.JJJJ]"},
        {L"1.5.30", L"date " + Serial(1, 5, 1930) + L" [TT.MM.JJJJ]"},
        {L"1.1.1900", L"date 1 [TT.MM.JJJJ]"},
        {L"1.3.1900", L"date 61 [TT.MM.JJJJ]"},
        {L"31.12.1899", L"text \"31.12.1899\""},
        {L"1.13.2020", L"text \"1.13.2020\""},
        {L"12:30", L"time 0.5208333333333334 [hh:mm]"},
        {L"7:05:09", L"time 0.2952430555555556 [hh:mm:ss]"},
        {L"24:00", L"text \"24:00\""},
        {L"1.5.2020 12:00", L"date 43952.5 [TT.MM.JJJJ hh:mm]"},
        {L"wahr", L"boolean WAHR"},
        {L"FALSCH", L"boolean FALSCH"},
        {L"TRUE", L"text \"TRUE\""},
        {L"=1+1", L"formula \"=1+1\""},
        {L"=", L"formula \"=\""},
        {L"@SUMME(A1)", L"formula \"=SUMME(A1)\""},
        {L"@", L"text \"@\""},
        {L"-M8", L"formula \"=-M8\""},
        {L"+49 (711) 1234", L"formula \"=+49 (711) 1234\""},
        {L"-", L"text \"-\""},
        {L"+", L"text \"+\""},
        {L"'0012", L"text' \"0012\""},
        {L"'", L"text' \"\""},
        {L"''x", L"text' \"'x\""},
        {L"3/4", L"text \"3/4\""},
        {L"  Leerzeichen  ", L"text \"  Leerzeichen  \""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.typed));
        const std::optional<CellContent> cell = ReadTyped(c.typed);
        ASSERT_TRUE(cell);
        EXPECT_EQ(Describe(*cell), c.stored);
        EXPECT_EQ(cell->entered, c.typed);
    }
    EXPECT_FALSE(ReadTyped(L"")) << "the empty text empties the cell";
}

TEST(StandinXlsx, SavesAndLoadsSheetsAndCellsExactly) {
    ScratchDirectory scratch(false);
    Workbook workbook;
    for (const wchar_t* name : {L"Tabelle1", L"Gr\u00f6\u00dfen & <Ma\u00dfe>", L"Tabelle3"}) {
        workbook.sheets.push_back(std::make_shared<Sheet>());
        workbook.sheets.back()->name = name;
    }
    auto put = [&](size_t sheet, CellRef at, const std::wstring& typed) {
        workbook.sheets[sheet]->cells[at] = *ReadTyped(typed);
    };
    put(0, {1, 1}, L"\u00c4nderung \"quoted\" <tag> & more");
    put(0, {1, 256}, L"IV1");
    put(0, {65536, 3}, L"last row");
    put(1, {2, 2}, L"  padded  ");
    put(1, {3, 2}, L"line\r\nbreak");
    const wchar_t* typed[] = {L"'0012", L"'", L"12,5", L"-12 %", L"1E5", L"1.5.2020", L"8.8", L"12:30",
                              L"1.5.2020 12:00", L"WAHR", L"=SUMME(A1;\"<&>\")", L"1234567890123456"};
    for (size_t i = 0; i < std::size(typed); ++i) put(2, {static_cast<int>(i) + 1, 1}, typed[i]);
    std::wstring path = Wide(scratch.File("book.xlsx"));
    std::wstring error;
    ASSERT_TRUE(SaveXlsx(workbook, path, error)) << testing::PrintToString(error);

    Workbook loaded;
    bool missing = true;
    ASSERT_TRUE(LoadXlsx(path, loaded, missing, error)) << testing::PrintToString(error);
    EXPECT_FALSE(missing);
    ASSERT_EQ(loaded.sheets.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(loaded.sheets[i]->name, workbook.sheets[i]->name);
        EXPECT_EQ(Described(*loaded.sheets[i]), Described(*workbook.sheets[i])) << i;
    }
    EXPECT_EQ(loaded.sheets[0]->cells.at({1, 1}).entered, L"\u00c4nderung \"quoted\" <tag> & more");
    EXPECT_EQ(loaded.sheets[2]->cells.at({1, 1}).entered, L"'0012") << "a text keeps its prefix as typed";
}

TEST(StandinXlsx, ReadsSharedStringsStylesAndValuesAsOtherProgramsWriteThem) {
    ScratchDirectory scratch(false);
    const char* head = "<?xml version=\"1.0\"?>";
    const std::vector<std::pair<std::string, std::string>> parts{
        {"[Content_Types].xml",
         "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
         "<Override PartName=\"/wb/book.xml\" ContentType=\"application/"
         "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>"},
        {"_rels/.rels", std::string(head) +
                            "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                            "<Relationship Id=\"r\" Type=\"http://x/officeDocument\" Target=\"/wb/book.xml\"/>"
                            "</Relationships>"},
        {"wb/book.xml",
         "<x:workbook xmlns:x=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
         "xmlns:rel=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><x:sheets>"
         "<x:sheet name=\"Eins\" sheetId=\"1\" rel:id=\"s1\"/></x:sheets></x:workbook>"},
        {"wb/_rels/book.xml.rels",
         "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
         "<Relationship Id=\"s1\" Type=\"t/worksheet\" "
         "Target=\"sheets/../sheets/one.xml\"/><Relationship Id=\"ss\" "
         "Type=\"t/sharedStrings\" Target=\"strings.xml\"/><Relationship Id=\"st\" "
         "Type=\"t/styles\" Target=\"look.xml\"/></Relationships>"},
        {"wb/strings.xml",
         "<sst xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><si><t>first</t></si><si><r><t>rich </t></r><r><rPr/><t>text</t></r>"
         "<rPh><t>skip</t></rPh></si></sst>"},
        {"wb/look.xml",
         "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><cellXfs><xf numFmtId=\"0\"/><xf numFmtId=\"14\"/><xf numFmtId=\"0\" quotePrefix=\"1\"/>"
         "<xf numFmtId=\"200\"/></cellXfs></styleSheet>"},
        {"wb/sheets/one.xml",
         "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\"><!-- c --><sheetData><row r=\"1\"><c r=\"A1\" t=\"s\"><v>1</v></c>"
         "<c r=\"B1\"><v>42</v></c><c r=\"C1\" t=\"s\"><v>0</v></c>"
         "<c r=\"D1\" t=\"str\"><v>&amp;&#228;&#x20AC;</v></c>"
         "<c r=\"E1\" t=\"s\"><v>9</v></c><c r=\"F1\" s=\"1\"><v>43952</v></c>"
         "<c r=\"G1\" s=\"2\" t=\"inlineStr\"><is><t>0012</t></is></c><c r=\"H1\"><f>SUM(B1)</f><v>42</v></c>"
         "<c r=\"I1\" t=\"b\"><v>0</v></c><c r=\"J1\" s=\"3\"><v>5</v></c><c r=\"K1\" s=\"9\"><v>6</v></c>"
         "<c r=\"A1048576\"><v>far</v></c><c r=\"A1048577\"><v>beyond</v></c>"
         "</row></sheetData></worksheet>"},
    };
    std::wstring path = Wide(scratch.File("other.xlsx"));
    WriteFile(scratch.File("other.xlsx"), ZipOf(parts));
    Workbook loaded;
    bool missing = false;
    std::wstring error;
    ASSERT_TRUE(LoadXlsx(path, loaded, missing, error)) << testing::PrintToString(error);
    ASSERT_EQ(loaded.sheets.size(), 1u);
    EXPECT_EQ(loaded.sheets[0]->name, L"Eins");
    std::map<CellRef, std::wstring> expected{
        {{1, 1}, L"text \"rich text\""},        {{1, 2}, L"number 42"},
        {{1, 3}, L"text \"first\""},            {{1, 4}, L"text \"&\u00e4\u20ac\""},
        {{1, 6}, L"date 43952 [TT.MM.JJJJ]"},   {{1, 7}, L"text' \"0012\""},
        {{1, 8}, L"formula \"=SUM(B1)\""},      {{1, 9}, L"boolean FALSCH"},
        {{1, 10}, L"number 5"},                 {{1, 11}, L"number 6"},
        {{1048576, 1}, L"text \"far\""}};
    EXPECT_EQ(Described(*loaded.sheets[0]), expected);
}

TEST(StandinXlsx, TellsMissingFromUnreadableFiles) {
    ScratchDirectory scratch(false);
    Workbook loaded;
    bool missing = false;
    std::wstring error;
    EXPECT_FALSE(LoadXlsx(Wide(scratch.File("absent.xlsx")), loaded, missing, error));
    EXPECT_TRUE(missing);
    EXPECT_FALSE(LoadXlsx(Wide(scratch.File("nofolder\\absent.xlsx")), loaded, missing, error));
    EXPECT_TRUE(missing);

    std::string deep;
    for (int level = 0; level < 5000; ++level) deep += "<a>";
    const std::string types = "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
                              "<Override PartName=\"/xl/workbook.xml\" ContentType=\"application/"
                              "vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/></Types>";
    const std::string rels = "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
                             "<Relationship Id=\"r\" Type=\"http://x/officeDocument\" Target=\"xl/workbook.xml\"/>"
                             "</Relationships>";
    struct Case {
        const char* name;
        std::string content;
        const wchar_t* why;  // a part of the error text, or L"" for any
    } unreadable[] = {
        {"text.xlsx", "not a zip at all", L""},
        {"empty.xlsx", "", L""},
        {"nopackage.xlsx", ZipOf({{"xl/workbook.xml", "<workbook><sheets/></workbook>"}}), L""},
        {"nosheets.xlsx", ZipOf({{"[Content_Types].xml", types}, {"_rels/.rels", rels},
                                 {"xl/workbook.xml", "<workbook><sheets/></workbook>"}}), L""},
        {"broken.xlsx", ZipOf({{"[Content_Types].xml", types}, {"_rels/.rels", rels},
                               {"xl/workbook.xml", "<workbook><sheets>"}}), L""},
        {"nopart.xlsx", ZipOf({{"[Content_Types].xml", types}, {"_rels/.rels", rels},
                               {"xl/workbook.xml", "<workbook><sheets><sheet name=\"a\" r:id=\"x\"/></sheets></workbook>"}}),
         L""},
        {"deep.xlsx", ZipOf({{"[Content_Types].xml", types}, {"_rels/.rels", rels}, {"xl/workbook.xml", deep}}),
         L"nested too deeply"},
    };
    for (const Case& c : unreadable) {
        WriteFile(scratch.File(c.name), c.content);
        missing = true;
        error.clear();
        EXPECT_FALSE(LoadXlsx(Wide(scratch.File(c.name)), loaded, missing, error)) << c.name;
        EXPECT_FALSE(missing) << c.name;
        EXPECT_FALSE(error.empty()) << c.name;
        EXPECT_NE(error.find(c.why), std::wstring::npos) << c.name;
    }
    // A folder in the file's place exists but cannot be read as a workbook.
    CreateDirectoryA(scratch.File("folder.xlsx").c_str(), nullptr);
    EXPECT_FALSE(LoadXlsx(Wide(scratch.File("folder.xlsx")), loaded, missing, error));
    EXPECT_FALSE(missing);
}

// Drives the object model in process, where the EXCEPINFO comes back exactly as
// the server filled it (across processes the proxy runs the deferred fill-in).
class InProcess : public testing::Test {
protected:
    StandinState state_{9};
};

// (A bad address defers its own exception too: the server hosted in process shows it.)
TEST_F(InProcess, InjectedExceptionsAreDeferredOnRequestAndReferencesCountExactly) {
    AutomationRef application(new ApplicationObject(state_));
    AutomationRef workbooks(GetDispatchProperty(application, dispid::kWorkbooks));
    AutomationRef workbook(CallDispatchMethod(workbooks, dispid::kAdd));
    AutomationRef sheets(GetDispatchProperty(workbook, dispid::kSheets));
    const Variant first = Variant::Int16(1);
    AutomationRef sheet(GetDispatchProperty(sheets, dispid::kItem, {&first}));

    // An injected exception is deferred when asked to be; a direct one is filled at once.
    state_.Calls().PlanFault(state_.Calls().Count() + 1,
                             DispatchError::Exception(0x800A0001, L"later", L"Quelle", true));
    state_.Calls().PlanFault(state_.Calls().Count() + 2, DispatchError::Exception(0x800A0002, L"now", L"Quelle"));
    InvokeAnswer deferred = InvokeOnce(sheet, dispid::kSelect, DISPATCH_METHOD);
    InvokeAnswer direct = InvokeOnce(sheet, dispid::kSelect, DISPATCH_METHOD);
    EXCEPINFO& later = deferred.exception.info;
    ASSERT_NE(later.pfnDeferredFillIn, nullptr);
    later.pfnDeferredFillIn(&later);
    EXPECT_EQ(later.scode, static_cast<HRESULT>(0x800A0001));
    EXPECT_EQ(BstrToWide(later.bstrDescription), L"later");
    EXPECT_EQ(direct.exception.info.pfnDeferredFillIn, nullptr);
    EXPECT_EQ(direct.exception.info.scode, static_cast<HRESULT>(0x800A0002));
    EXPECT_EQ(BstrToWide(direct.exception.info.bstrSource), L"Quelle");

    // In process the references themselves tell what a client holds.
    EXPECT_EQ(state_.LiveObjects(L""), 5);
    EXPECT_EQ(state_.LiveObjects(L"Worksheet"), 1);
    sheet.Release();
    sheets.Release();
    workbook.Release();
    workbooks.Release();
    EXPECT_EQ(state_.LiveObjects(L""), 1);
    application.Release();
    EXPECT_EQ(state_.LiveObjects(L""), 0);
    EXPECT_EQ(state_.Workbooks().size(), 1u);  // the workbook outlives every reference
}

TEST_F(InProcess, ChecksInvokeFlagsArgumentCountsAndNamedArguments) {
    AutomationRef application(new ApplicationObject(state_));
    AutomationRef workbooks(GetDispatchProperty(application, dispid::kWorkbooks));
    const Variant yes = Variant::Boolean(true), noTruth = Variant::Text(L"kein Wahrheitswert"),
                  missing = Variant::Missing(), empty = Variant::Text(L"");
    struct Case {
        const char* what;
        std::function<InvokeAnswer()> call;
        HRESULT expected;
    } cases[] = {
        {"put", [&] { return InvokeOnce(application, dispid::kVisible, DISPATCH_PROPERTYPUT, {}, &yes); }, S_OK},
        {"get", [&] { return InvokeOnce(application, dispid::kVisible, DISPATCH_PROPERTYGET); }, S_OK},
        {"put of a read-only member",
         [&] { return InvokeOnce(application, dispid::kWorkbooks, DISPATCH_PROPERTYPUT, {}, &yes); },
         DISP_E_MEMBERNOTFOUND},
        {"unknown member", [&] { return InvokeOnce(application, 9999, DISPATCH_PROPERTYGET); }, DISP_E_MEMBERNOTFOUND},
        {"argument too many", [&] { return InvokeOnce(application, dispid::kWorkbooks, DISPATCH_PROPERTYGET, {&yes}); },
         DISP_E_BADPARAMCOUNT},
        {"put value that does not convert",
         [&] { return InvokeOnce(application, dispid::kVisible, DISPATCH_PROPERTYPUT, {}, &noTruth); },
         DISP_E_TYPEMISMATCH},
        {"method and get", [&] { return InvokeOnce(workbooks, dispid::kCount, DISPATCH_METHOD | DISPATCH_PROPERTYGET); },
         S_OK},
        {"argument absent", [&] { return InvokeOnce(workbooks, dispid::kOpen, DISPATCH_METHOD); }, DISP_E_PARAMNOTFOUND},
        {"argument missing", [&] { return InvokeOnce(workbooks, dispid::kOpen, DISPATCH_METHOD, {&missing}); },
         DISP_E_PARAMNOTFOUND},
        {"arguments too many", [&] { return InvokeOnce(workbooks, dispid::kAdd, DISPATCH_METHOD, {&empty, &empty}); },
         DISP_E_BADPARAMCOUNT},
    };
    for (const Case& c : cases) EXPECT_EQ(c.call().status, c.expected) << c.what;
    EXPECT_TRUE(state_.Visible());
    // A put without DISPID_PROPERTYPUT carries no value.
    VARIANTARG value = yes.Get();
    DISPPARAMS unnamed{&value, nullptr, 1, 0};
    EXPECT_EQ(application.Get()->Invoke(dispid::kVisible, IID_NULL, 0, DISPATCH_PROPERTYPUT, &unnamed, nullptr, nullptr,
                                        nullptr),
              DISP_E_PARAMNOTFOUND);
    // Names resolve for the members served, case-insensitively.
    LPOLESTR names[] = {const_cast<LPOLESTR>(L"activeworkbook")};
    DISPID id = 0;
    EXPECT_EQ(application.Get()->GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
    EXPECT_EQ(id, dispid::kActiveWorkbook);
    names[0] = const_cast<LPOLESTR>(L"Quit");
    EXPECT_EQ(application.Get()->GetIDsOfNames(IID_NULL, names, 1, 0, &id), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(id, DISPID_UNKNOWN);
    ASSERT_EQ(state_.Calls().Count(), 12);
    EXPECT_EQ(state_.Calls().Lines()[3], L"Application.Workbooks put true -> 0x80020003");
    EXPECT_EQ(state_.Calls().Lines()[4], L"Application.#9999 get -> 0x80020003");
    EXPECT_EQ(state_.Calls().Lines()[11], L"Application.Visible put true -> 0x80020004");
}

TEST_F(InProcess, ControlAnswersByNameAndReportsBadIndexes) {
    AutomationRef control(new ControlObject(state_));
    state_.AddNewWorkbook(2)->sheets[1]->cells[{3, 2}] = *ReadTyped(L"Wert");
    const DISPID cellMember = MemberId(control, "Cell");
    auto cell = [&](long workbook, long sheet, const wchar_t* address) {
        const Variant book = Variant::Int32(workbook), page = Variant::Int32(sheet), at = Variant::Text(address);
        return InvokeOnce(control, cellMember, DISPATCH_PROPERTYGET, {&book, &page, &at});
    };
    InvokeAnswer found = cell(1, 2, L"B3");
    ASSERT_EQ(found.result.Type(), VT_BSTR);
    EXPECT_EQ(BstrToWide(found.result.Get().bstrVal), L"Wert");
    EXPECT_EQ(cell(2, 1, L"A1").status, DISP_E_BADINDEX);
    EXPECT_EQ(cell(1, 3, L"A1").status, DISP_E_BADINDEX);
    EXPECT_EQ(cell(1, 1, L"IW1").status, DISP_E_BADINDEX);
    // The control channel is neither logged nor counted.
    EXPECT_EQ(state_.Calls().Count(), 0);
    EXPECT_EQ(state_.LiveObjects(L""), 0);
}

TEST_F(InProcess, ABusyExcelTurnsCallsAwayWithoutCarryingThemOutUntilItsTimeIsUpOrItIsCalmed) {
    AutomationRef control(new ControlObject(state_));
    AutomationRef application(new ApplicationObject(state_));
    auto putVisible = [&](bool visible) {
        const Variant value = Variant::Boolean(visible);
        return InvokeOnce(application, dispid::kVisible, DISPATCH_PROPERTYPUT, {}, &value).status;
    };
    auto beBusy = [&](long fromCall, long milliseconds, HRESULT status) {
        const Variant from = Variant::Int32(fromCall), time = Variant::Int32(milliseconds), with = Variant::Int32(status);
        return InvokeOnce(control, control::kBeBusy, DISPATCH_METHOD, {&from, &time, &with}).status;
    };
    for (HRESULT status : {RPC_E_CALL_REJECTED, RPC_E_SERVERCALL_RETRYLATER, kVbaIgnore}) {
        SCOPED_TRACE(status);
        state_.Calls().Reset();
        state_.SetVisible(false);
        // Until told otherwise, from now; the control's own calls pass meanwhile.
        ASSERT_EQ(beBusy(0, -1, status), S_OK);
        EXPECT_EQ(putVisible(true), status);
        EXPECT_FALSE(state_.Visible()) << "a turned-away call is not carried out";
        EXPECT_EQ(InvokeOnce(control, control::kCallCount, DISPATCH_PROPERTYGET).result.Get().lVal, 1);
        ASSERT_EQ(InvokeOnce(control, control::kBeCalm, DISPATCH_METHOD).status, S_OK);
        EXPECT_EQ(putVisible(true), S_OK);
        // For a while from the fourth call on, that call included.
        ASSERT_EQ(beBusy(4, 150, status), S_OK);
        EXPECT_EQ(putVisible(false), S_OK);
        EXPECT_EQ(putVisible(true), status);
        Sleep(250);
        EXPECT_EQ(putVisible(true), S_OK);

        const std::wstring turnedAway = L" turned away -> " + HexCode(status);
        EXPECT_EQ(state_.Calls().Lines(), (std::vector<std::wstring>{
                                              L"Application.Visible put true" + turnedAway,
                                              L"Application.Visible put true",
                                              L"Application.Visible put false",
                                              L"Application.Visible put true" + turnedAway,
                                              L"Application.Visible put true",
                                          }));
        InvokeAnswer puts = InvokeOnce(control, control::kCarriedOutPuts, DISPATCH_PROPERTYGET);
        EXPECT_EQ(puts.result.Type(), VT_I4);
        EXPECT_EQ(puts.result.Get().lVal, 3);
        EXPECT_TRUE(state_.Visible());
    }
    // A plan that is no busy time is refused and changes nothing.
    EXPECT_EQ(beBusy(0, -1, S_OK), E_INVALIDARG);
    EXPECT_EQ(beBusy(-1, 100, RPC_E_CALL_REJECTED), E_INVALIDARG);
    EXPECT_EQ(beBusy(0, -2, RPC_E_CALL_REJECTED), E_INVALIDARG);
    EXPECT_EQ(putVisible(false), S_OK);
}

}  // namespace
}  // namespace exl::test
