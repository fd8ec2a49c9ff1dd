// The Excel connection and the sheet writer against excel-standin.exe, reached
// through its ProgIDs as Excel would be. Every test registers the versions it
// needs and quits every stand-in process at its end, so tests are independent.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>

#include "ExcelExport.h"
#include "export/ExcelTransfer.h"
#include "export/SheetWriter.h"
#include "RecordingUi.h"
#include "ExcelOptions.h"
#include "Scratch.h"
#include "StandinClient.h"
#include "catalogue/MessageCatalogue.h"
#include "framework/Ini.h"
#include "export/progress/StoppedByUser.h"

namespace exl::test {
namespace {

using standin::StandinClient;
using Strings = std::vector<std::string>;
using WideStrings = std::vector<std::wstring>;

constexpr HRESULT kExcelError = static_cast<HRESULT>(0x800A03EC);

std::string Lines(std::initializer_list<std::string> lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

std::string Entry(int key) { return MessageCatalogue::Text(0, key); }

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class ExcelExportTest : public ::testing::Test {
protected:
    ScratchDirectory scratch;
    RecordingUi ui;
    ExportSettings settings;
    std::string profile = scratch.File("exl\\export.exl");
    std::string records = scratch.File("records.tmp");
    StandinClient excel;

    void SetUp() override {
        ForgetExcelOptions();
        settings.newWorkbook = 1;
        settings.profilePath = profile;
        ASSERT_TRUE(StandinClient::Register({8, 9, 10}));
    }
    void TearDown() override {
        excel.Quit();
        StandinClient::Unregister();
    }

    TransferResult Export() { return TransferToExcel(settings, records); }
    // The server the plug-in used; none of the plug-in's references may be left.
    void ExpectEverythingReleased() {
        ASSERT_TRUE(excel.Connect());
        EXPECT_EQ(excel.LiveObjects(), 0);
    }
    Strings Texts() const {
        Strings texts;
        for (const auto& box : ui.boxes) texts.push_back(box.text);
        return texts;
    }
    std::string StoredVersion() { return ReadIniString(kSettingsFile, "Excel", "Version", "(none)"); }
    bool Logged(const std::wstring& line) {
        const WideStrings calls = excel.Calls();
        return std::find(calls.begin(), calls.end(), line) != calls.end();
    }
    int LoggedContaining(const std::wstring& part) {
        const WideStrings calls = excel.Calls();
        return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::wstring& line) {
            return line.find(part) != std::wstring::npos;
        }));
    }
    // One table per sheet number given, each with the field "Name" in its own column
    // (table 1 in A, table 2 in B, ...), no heading row.
    void TablesOnSheets(const std::vector<int>& sheets) {
        std::string text = Lines({"[Datei]", "Tabelle=" + std::to_string(sheets.size())});
        for (std::size_t t = 0; t < sheets.size(); ++t)
            text += Lines({"[Tabelle " + std::to_string(t + 1) + "]", "Blatt=" + std::to_string(sheets[t]),
                           "Anzahl=1", "Feld_1=Name", "Spalte_1=" + std::string(1, static_cast<char>('A' + t))});
        WriteFile(profile, text);
    }
    // A profile of one table on sheet 1 with one field "Name" in column A.
    void OneFieldProfile(const std::string& header = "0") {
        WriteFile(profile, Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Blatt=1", "Kopfzeile=" + header,
                                  "Startzeile=1", "Anzahl=1", "Feld_1=Name", "Spalte_1=A", "Spaltenkopf_1=Name"}));
    }
};

// ---------------------------------------------------------------- reaching Excel

// CurVer as Register writes it (naming the highest version registered), or odd.
struct CurVer {
    bool asRegistered;
    std::optional<std::wstring> value;  // nullopt: the CurVer key is missing
};
const CurVer kAsRegistered{true, std::nullopt};
CurVer Odd(std::optional<std::wstring> value) { return {false, std::move(value)}; }

TEST_F(ExcelExportTest, VersionsFallBackAsFarAsTheRegisteredOnesAndXpStandsForNewerToo) {
    struct Case {
        const char* name;
        std::vector<int> registered;
        CurVer curVer;
        std::int16_t stored;
        Strings messages;
        std::string storedAfter;
        TransferOutcome ending;
        int versionUsed;  // 0: no Excel was started
    };
    const Strings none, all = {Entry(6), Entry(7), Entry(8)};
    const Case cases[] = {
        {"only 9 registered, CurVer names .9", {9}, kAsRegistered, 10, {Entry(6)}, "9", TransferOutcome::Finished, 9},
        {"nothing registered", {}, kAsRegistered, 10, all, "8", TransferOutcome::NoExcel, 0},
        {"stored 8 tries only 8", {10, 9}, kAsRegistered, 8, {Entry(8)}, "8", TransferOutcome::NoExcel, 0},
        {"only 16 registered", {16}, kAsRegistered, 10, none, "10", TransferOutcome::Finished, 16},
        {"stored 9 never reaches 16", {16}, kAsRegistered, 9, {Entry(7), Entry(8)}, "8", TransferOutcome::NoExcel,
         0},
        {"10 and 16 registered: 10 is used", {10, 16}, kAsRegistered, 10, none, "10", TransferOutcome::Finished, 10},
        {"CurVer missing", {16}, Odd(std::nullopt), 10, all, "8", TransferOutcome::NoExcel, 0},
        {"CurVer not a number", {16}, Odd(L"Excel.Application.abc"), 10, all, "8", TransferOutcome::NoExcel, 0},
        {"CurVer not a ProgID", {16}, Odd(L"abc"), 10, all, "8", TransferOutcome::NoExcel, 0},
        {"CurVer names .10", {16}, Odd(L"Excel.Application.10"), 10, all, "8", TransferOutcome::NoExcel, 0},
        {"CurVer names .7", {16}, Odd(L"Excel.Application.7"), 10, all, "8", TransferOutcome::NoExcel, 0},
        {"CurVer empty", {16}, Odd(L""), 10, all, "8", TransferOutcome::NoExcel, 0},
        {"CurVer far too long", {16}, Odd(L"Excel.Application.16" + std::wstring(300, L'6')), 10, all, "8",
         TransferOutcome::NoExcel, 0},
        {"CurVer names an unregistered ProgID", {16}, Odd(L"Excel.Application.15"), 10, all, "8",
         TransferOutcome::NoExcel, 0},
    };
    TablesOnSheets({1, 2});
    WriteRecordFile(records, {{{"Name", "eins"}}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(StandinClient::Register(c.registered));
        if (!c.curVer.asRegistered) {
            ASSERT_TRUE(StandinClient::WriteCurVer(c.curVer.value));
        }
        DeleteFileA(kSettingsFile);
        ui.boxes.clear();
        settings.excelVersion = c.stored;
        const TransferResult result = Export();
        EXPECT_EQ(result.outcome, c.ending);
        EXPECT_EQ(Texts(), c.messages);
        EXPECT_EQ(StoredVersion(), c.storedAfter);
        EXPECT_EQ(std::to_string(settings.excelVersion), c.storedAfter);
        ASSERT_TRUE(excel.Connect());
        if (c.versionUsed) {
            EXPECT_EQ(excel.Version(), c.versionUsed);
            EXPECT_EQ(excel.Cell(1, 1, L"A1"), L"eins");
            EXPECT_EQ(excel.Cell(1, 2, L"B1"), L"eins");
        } else {
            EXPECT_EQ(excel.ApplicationCount(), 0) << "no Excel may have been started";
            EXPECT_EQ(excel.WorkbookCount(), 0);
        }
        EXPECT_EQ(excel.LiveObjects(), 0);
        excel.Quit();
    }
}

TEST_F(ExcelExportTest, ARunningExcelIsUsedRaisedAndItsActiveWorkbookFilled) {
    struct Case {
        std::vector<int> registered;
        int running;
    } cases[] = {{{8, 9, 10}, 10}, {{16}, 16}};
    settings.newWorkbook = 0;
    OneFieldProfile();
    WriteRecordFile(records, {{{"Name", "eins"}}, {{"Name", "zwei"}}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.running);
        ASSERT_TRUE(StandinClient::Register(c.registered));
        ASSERT_TRUE(excel.StartRunning(c.running, 1));
        EXPECT_TRUE(excel.MainWindowIconic());
        excel.ResetCalls();
        ui.boxes.clear();
        EXPECT_EQ(Export().outcome, TransferOutcome::Finished);
        EXPECT_TRUE(ui.boxes.empty());
        EXPECT_EQ(excel.Version(), c.running);
        EXPECT_EQ(excel.ApplicationCount(), 1) << "a second Excel was started";
        EXPECT_EQ(excel.WorkbookCount(), 1);
        EXPECT_EQ(excel.Cell(1, 1, L"A1"), L"eins");
        EXPECT_EQ(excel.Cell(1, 1, L"A2"), L"zwei");
        EXPECT_TRUE(excel.MainWindowShown());
        EXPECT_FALSE(excel.MainWindowIconic());
        EXPECT_TRUE(excel.IsVisible());
        EXPECT_TRUE(Logged(L"Application.ActiveWorkbook get"));
        EXPECT_EQ(LoggedContaining(L"Workbooks.Add"), 0);
        EXPECT_EQ(StoredVersion(), "10");
        ExpectEverythingReleased();
        excel.Quit();
    }
}

TEST_F(ExcelExportTest, ARunningExcelWithoutWorkbooksGetsANewOne) {
    ASSERT_TRUE(excel.StartRunning(10, 0));
    settings.newWorkbook = 0;
    OneFieldProfile();
    WriteRecordFile(records, {{{"Name", "eins"}}});
    excel.ResetCalls();
    EXPECT_EQ(Export().outcome, TransferOutcome::Finished);
    EXPECT_EQ(excel.ApplicationCount(), 1);
    EXPECT_EQ(excel.WorkbookCount(), 1);
    EXPECT_EQ(excel.WorkbookSource(1), L"");
    EXPECT_EQ(excel.Cell(1, 1, L"A1"), L"eins");
    EXPECT_TRUE(Logged(L"Workbooks.Count get"));
    EXPECT_TRUE(Logged(L"Workbooks.Add method missing"));
    EXPECT_EQ(LoggedContaining(L"ActiveWorkbook"), 0);
    ExpectEverythingReleased();
}

TEST_F(ExcelExportTest, ATemplateWinsOverTheNewWorkbookFlag) {
    // The template: a workbook the stand-in saves after a first export.
    const std::string templatePath = scratch.File("Vorlage.xlsx");
    OneFieldProfile();
    WriteRecordFile(records, {{{"Name", "aus der Vorlage"}}});
    ASSERT_EQ(Export().outcome, TransferOutcome::Finished);
    ASSERT_TRUE(excel.Connect());
    ASSERT_TRUE(excel.SaveWorkbook(1, Wide(templatePath)));
    excel.Quit();

    WriteFile(profile, Lines({"[Datei]", "Tabelle=1", "Excelvorlage=" + templatePath, "[Tabelle 1]", "Anzahl=1",
                              "Feld_1=Name", "Spalte_1=B"}));
    WriteRecordFile(records, {{{"Name", "neu"}}});
    settings.newWorkbook = 1;
    EXPECT_EQ(Export().outcome, TransferOutcome::Finished);
    ASSERT_TRUE(excel.Connect());
    EXPECT_EQ(excel.WorkbookCount(), 1);
    EXPECT_EQ(excel.WorkbookSource(1), Wide(templatePath));
    EXPECT_EQ(excel.Cell(1, 1, L"A1"), L"aus der Vorlage");
    EXPECT_EQ(excel.Cell(1, 1, L"B1"), L"neu");
    std::wstring open = L"Workbooks.Open method " + StandinClient::Quote(Wide(templatePath));
    for (int i = 0; i < 12; ++i) open += L" missing";
    EXPECT_TRUE(Logged(open));
    EXPECT_EQ(LoggedContaining(L"Workbooks.Add"), 0);
    EXPECT_EQ(excel.LiveObjects(), 0);
}

TEST_F(ExcelExportTest, ATemplateThatCannotBeOpenedRaisesTheDispatchError) {
    const std::string missing = scratch.File("fehlt.xlsx");
    WriteFile(profile, Lines({"[Datei]", "Tabelle=1", "Excelvorlage=" + missing}));
    WriteRecordFile(records, {{{"Name", "eins"}}});
    const TransferResult result = Export();
    EXPECT_EQ(result.outcome, TransferOutcome::DispatchError);
    EXPECT_EQ(result.Scode(), kExcelError);
    EXPECT_FALSE(result.dispatchError.description.empty());
    ASSERT_TRUE(excel.Connect());
    EXPECT_EQ(excel.WorkbookCount(), 0);
    const WideStrings calls = excel.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back().substr(0, 15), L"Workbooks.Open ");
    const std::wstring failed = L" -> 0x80020009";
    ASSERT_GT(calls.back().size(), failed.size());
    EXPECT_EQ(calls.back().substr(calls.back().size() - failed.size()), failed);
    EXPECT_EQ(excel.LiveObjects(), 0);
}

// ---------------------------------------------------------------- the sheet check

TEST_F(ExcelExportTest, ThreeTablesOnThreeSheetsProceed) {
    TablesOnSheets({1, 2, 3});
    WriteRecordFile(records, {{{"Name", "eins"}}});
    EXPECT_EQ(Export().outcome, TransferOutcome::Finished);
    EXPECT_TRUE(ui.boxes.empty());
    ASSERT_TRUE(excel.Connect());
    EXPECT_EQ(excel.SheetCount(1), 3);
    EXPECT_EQ(excel.Cell(1, 1, L"A1"), L"eins");
    EXPECT_EQ(excel.Cell(1, 2, L"B1"), L"eins");
    EXPECT_EQ(excel.Cell(1, 3, L"C1"), L"eins");
    EXPECT_EQ(excel.LiveObjects(), 0);
}

TEST_F(ExcelExportTest, FourTablesOnThreeSheetsEndEarlyAndWriteNothing) {
    WriteFile(profile, Lines({"[Datei]", "Tabelle=4", "[Tabelle 1]", "Blatt=1", "Kopfzeile=1", "Anzahl=1",
                              "Feld_1=Name", "Spalte_1=A", "Spaltenkopf_1=Kopf"}));
    WriteRecordFile(records, {{{"Name", "eins"}}});
    EXPECT_EQ(Export().outcome, TransferOutcome::EndedEarly);
    ASSERT_EQ(ui.boxes.size(), 1u);
    EXPECT_EQ(ui.boxes[0].text, Entry(9));
    EXPECT_EQ(ui.boxes[0].caption, Entry(10));
    EXPECT_EQ(ui.boxes[0].flags, 0x10040u);
    EXPECT_FALSE(ui.boxes[0].hasOwner);
    ASSERT_TRUE(excel.Connect());
    EXPECT_EQ(excel.SheetCount(1), 3);
    EXPECT_EQ(LoggedContaining(L"Sheets.Item"), 0);
    EXPECT_EQ(LoggedContaining(L"Range"), 0);
    EXPECT_FALSE(excel.HasCell(1, 1, L"A1"));
    EXPECT_FALSE(excel.HasCell(1, 1, L"A2"));
    EXPECT_EQ(excel.LiveObjects(), 0);
}

// ---------------------------------------------------------------- the sheet writer

TEST_F(ExcelExportTest, OneCellIsOneRangeFetchAndTwoPutsInTheOrderOfTheSteps) {
    WriteFile(profile, Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Blatt=2", "Kopfzeile=1", "Startzeile=2",
                              "Anzahl=1", "Feld_1=Name", "Spalte_1=C", "Spaltenkopf_1=Kopf"}));
    WriteRecordFile(records, {{{"Name", "eins"}}});
    EXPECT_EQ(Export().outcome, TransferOutcome::Finished);
    ASSERT_TRUE(excel.Connect());
    EXPECT_EQ(excel.Calls(), (WideStrings{
                                 L"Application.Visible put true",
                                 L"Application.Workbooks get",
                                 L"Workbooks.Add method missing",
                                 L"Workbook.Sheets get",
                                 L"Sheets.Count get",
                                 L"Sheets.Item get I2:2",
                                 L"Worksheet.Select method",
                                 L"Worksheet.Range get \"C1\" \"C1\"",
                                 L"Range.Value put \"Kopf\"",
                                 L"Range.Value2 put \"Kopf\"",
                                 L"Worksheet.Range get \"C2\" \"C2\"",
                                 L"Range.Value put \"eins\"",
                                 L"Range.Value2 put \"eins\"",
                             }));
    EXPECT_EQ(excel.LiveObjects(), 0);
}

TEST_F(ExcelExportTest, AMissingValueLeavesAGapInsteadOfMovingValuesUp) {
    WriteFile(profile, Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Blatt=1", "Kopfzeile=1", "Startzeile=2",
                              "Anzahl=2", "Feld_1=Wert", "Spalte_1=C", "Spaltenkopf_1=Werte", "Feld_2=Nr",
                              "Spalte_2=D", "Spaltenkopf_2="}));
    WriteRecordFile(records, {{{"Wert", "erster"}, {"Nr", "1"}}, {{"Nr", "2"}}, {{"Wert", "dritter"}, {"Nr", "3"}}});
    EXPECT_EQ(Export().outcome, TransferOutcome::Finished);
    ASSERT_TRUE(excel.Connect());
    EXPECT_EQ(excel.Cell(1, 1, L"C1"), L"Werte");
    EXPECT_EQ(excel.Cell(1, 1, L"C2"), L"erster");
    EXPECT_FALSE(excel.HasCell(1, 1, L"C3"));
    EXPECT_EQ(LoggedContaining(L"\"C3\""), 0) << "the gap must not be touched";
    EXPECT_EQ(excel.Cell(1, 1, L"C4"), L"dritter");
    EXPECT_EQ(excel.Cell(1, 1, L"D3"), L"2") << "values of one object stay on one row";
    // An empty heading is still written.
    EXPECT_TRUE(Logged(L"Range.Value put \"\""));
    EXPECT_EQ(excel.Cell(1, 1, L"D1"), L"");
    EXPECT_EQ(excel.LiveObjects(), 0);
}

TEST_F(ExcelExportTest, NoHeadingIsWrittenWithoutAHeaderRow) {
    WriteFile(profile, Lines({"[Datei]", "Tabelle=2", "[Tabelle 1]", "Blatt=1", "Kopfzeile=0", "Startzeile=1",
                              "Anzahl=1", "Feld_1=Name", "Spalte_1=A", "Spaltenkopf_1=Kopf", "[Tabelle 2]",
                              "Blatt=2", "Kopfzeile=-1", "Startzeile=3", "Anzahl=1", "Feld_1=Name", "Spalte_1=B",
                              "Spaltenkopf_1=Kopf"}));
    WriteRecordFile(records, {{{"Name", "eins"}}, {{"Name", "zwei"}}});
    EXPECT_EQ(Export().outcome, TransferOutcome::Finished);
    ASSERT_TRUE(excel.Connect());
    EXPECT_EQ(LoggedContaining(L"\"Kopf\""), 0);
    EXPECT_EQ(LoggedContaining(L"Range.Value put"), 4);
    EXPECT_EQ(excel.Cell(1, 1, L"A1"), L"eins");
    EXPECT_EQ(excel.Cell(1, 1, L"A2"), L"zwei");
    EXPECT_EQ(excel.Cell(1, 2, L"B3"), L"eins");
    EXPECT_EQ(excel.Cell(1, 2, L"B4"), L"zwei");
    EXPECT_EQ(excel.LiveObjects(), 0);
}

TEST_F(ExcelExportTest, CharacterLimitsCutLongValuesOnly) {
    struct Case {
        const char* limit;  // nullptr: key absent
        const wchar_t* longValue;
        const wchar_t* shortValue;
    };
    const wchar_t* whole = L"ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    const Case cases[] = {
        {"?", whole, L"kurz"},
        {"0", whole, L"kurz"},
        {"3", L"ABC", L"kur"},
        {"20", L"ABCDEFGHIJKLMNOPQRST", L"kurz"},
        {nullptr, whole, L"kurz"},
        {"?5", whole, L"kurz"},
        {"zehn", whole, L"kurz"},
        {"4abc", L"ABCD", L"kurz"},
        {"26", whole, L"kurz"},
        {"25", L"ABCDEFGHIJKLMNOPQRSTUVWXY", L"kurz"},
        {"-2", whole, L"kurz"},      // negative: no limit
        {"70000", whole, L"kurz"},   // beyond 16 bits: no limit
        {"32767", whole, L"kurz"},
    };
    const int count = static_cast<int>(std::size(cases));
    std::string text = Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Blatt=1", "Startzeile=1",
                              "Anzahl=" + std::to_string(count)});
    for (int i = 0; i < count; ++i) {
        const std::string n = std::to_string(i + 1);
        text += Lines({"Feld_" + n + "=Text", "Spalte_" + n + "=" + std::string(1, static_cast<char>('A' + i))});
        if (cases[i].limit) text += Lines({"AnzZeich_" + n + "=" + cases[i].limit});
    }
    WriteFile(profile, text);
    WriteRecordFile(records, {{{"Text", "ABCDEFGHIJKLMNOPQRSTUVWXYZ"}}, {{"Text", "kurz"}}});
    EXPECT_EQ(Export().outcome, TransferOutcome::Finished);
    ASSERT_TRUE(excel.Connect());
    for (int i = 0; i < count; ++i) {
        SCOPED_TRACE(cases[i].limit ? cases[i].limit : "absent");
        const std::wstring column(1, static_cast<wchar_t>(L'A' + i));
        EXPECT_EQ(excel.Cell(1, 1, column + L"1"), cases[i].longValue);
        EXPECT_EQ(excel.Cell(1, 1, column + L"2"), cases[i].shortValue);
    }
    EXPECT_EQ(excel.LiveObjects(), 0);
}

TEST_F(ExcelExportTest, UmlautsOfTheHostArriveInTheAnsiCodePageAndHeadingsUnchanged) {
    const std::string fieldName = ToAnsi("Maß");
    WriteFile(profile, Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Blatt=1", "Kopfzeile=1", "Startzeile=2",
                              "Anzahl=1", "Feld_1=" + fieldName, "Spalte_1=A",
                              "Spaltenkopf_1=" + ToAnsi("Größe in § (Ø)"), "AnzZeich_1=10"}));
    // The record file holds the value in the OEM code page (§ is 0xF5 there, Ø 0x9D);
    // the limit counts characters after the conversion, and the heading is not cut.
    WriteRecordFile(records, {{{fieldName, "Stück §3 Ø5"}}, {{fieldName, "Äöü ß"}}});
    EXPECT_EQ(Export().outcome, TransferOutcome::Finished);
    ASSERT_TRUE(excel.Connect());
    EXPECT_EQ(excel.Cell(1, 1, L"A1"), L"Gr\u00f6\u00dfe in \u00a7 (\u00d8)");
    EXPECT_EQ(excel.Cell(1, 1, L"A2"), L"St\u00fcck \u00a73 \u00d8");
    EXPECT_EQ(excel.Cell(1, 1, L"A3"), L"\u00c4\u00f6\u00fc \u00df");
    EXPECT_EQ(excel.LiveObjects(), 0);
}

TEST_F(ExcelExportTest, TwoTablesNamingTheSameSheetBothLandOnIt) {
    WriteFile(profile, Lines({"[Datei]", "Tabelle=2", "[Tabelle 1]", "Blatt=2", "Kopfzeile=1", "Startzeile=2",
                              "Anzahl=1", "Feld_1=Name", "Spalte_1=A", "Spaltenkopf_1=Name", "[Tabelle 2]",
                              "Blatt=2", "Kopfzeile=1", "Startzeile=2", "Anzahl=1", "Feld_1=Nr", "Spalte_1=B",
                              "Spaltenkopf_1=Nr"}));
    WriteRecordFile(records, {{{"Name", "eins"}, {"Nr", "1"}}});
    EXPECT_EQ(Export().outcome, TransferOutcome::Finished);
    ASSERT_TRUE(excel.Connect());
    EXPECT_EQ(excel.Cell(1, 2, L"A1"), L"Name");
    EXPECT_EQ(excel.Cell(1, 2, L"A2"), L"eins");
    EXPECT_EQ(excel.Cell(1, 2, L"B1"), L"Nr");
    EXPECT_EQ(excel.Cell(1, 2, L"B2"), L"1");
    EXPECT_FALSE(excel.HasCell(1, 1, L"A1"));
    EXPECT_EQ(LoggedContaining(L"Sheets.Item get I2:2"), 2);
    EXPECT_EQ(LoggedContaining(L"Worksheet.Select"), 2);
    EXPECT_EQ(excel.LiveObjects(), 0);
}

TEST_F(ExcelExportTest, AColumnTextOfTenCharactersCountsWithNine) {
    // Nine characters and row 1 fit the address: Excel sees the cut text and refuses it.
    WriteFile(profile, Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Blatt=1", "Kopfzeile=1", "Anzahl=1",
                              "Feld_1=Name", "Spalte_1=ABCDEFGHIJ", "Spaltenkopf_1=Kopf"}));
    WriteRecordFile(records, {{{"Name", "eins"}}});
    const TransferResult result = Export();
    EXPECT_EQ(result.outcome, TransferOutcome::DispatchError);
    EXPECT_EQ(result.Scode(), kExcelError);
    ASSERT_TRUE(excel.Connect());
    EXPECT_TRUE(Logged(L"Worksheet.Range get \"ABCDEFGHI1\" \"ABCDEFGHI1\" -> 0x80020009"));
    EXPECT_EQ(excel.LiveObjects(), 0);
}

TEST_F(ExcelExportTest, ASheetBeyondTheWorkbookStopsAtThatTableWithEarlierTablesWritten) {
    TablesOnSheets({1, 4, 2});
    WriteRecordFile(records, {{{"Name", "eins"}}});
    const TransferResult result = Export();
    EXPECT_EQ(result.outcome, TransferOutcome::AutomationError);
    EXPECT_EQ(result.Scode(), DISP_E_BADINDEX);
    ASSERT_TRUE(excel.Connect());
    EXPECT_EQ(excel.Cell(1, 1, L"A1"), L"eins");
    EXPECT_FALSE(excel.HasCell(1, 2, L"C1"));
    const WideStrings calls = excel.Calls();
    ASSERT_FALSE(calls.empty());
    EXPECT_EQ(calls.back(), L"Sheets.Item get I2:4 -> 0x8002000B");
    EXPECT_EQ(excel.LiveObjects(), 0);
}

TEST_F(ExcelExportTest, ADeferredFillInIsRunBeforeTheErrorIsRead) {
    // Across processes the server runs its deferred fill-in itself; an Excel in this
    // process hands the plug-in the fill-in function, as an in-process server would.
    ASSERT_TRUE(excel.HostInProcess(10, 0));
    WriteFile(profile, Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Blatt=1", "Kopfzeile=1", "Startzeile=2",
                              "Anzahl=1", "Feld_1=Name", "Spalte_1=A", "Spaltenkopf_1=Name"}));
    WriteRecordFile(records, {{{"Name", "eins"}}, {{"Name", "zwei"}}});
    excel.ResetCalls();
    ASSERT_EQ(Export().outcome, TransferOutcome::Finished);
    EXPECT_EQ(excel.Cell(1, 1, L"A3"), L"zwei");
    const int calls = excel.CallCount();
    ASSERT_GE(calls, 10);
    for (int n = 1; n <= calls; ++n) {
        SCOPED_TRACE("deferred exception at call " + std::to_string(n));
        excel.ResetCalls();
        excel.FailCallWithException(n, kExcelError, L"Sp\u00e4ter gef\u00fcllt", L"Microsoft Excel", true);
        const TransferResult result = Export();
        EXPECT_EQ(result.outcome, TransferOutcome::DispatchError);
        EXPECT_EQ(result.Scode(), kExcelError);
        EXPECT_EQ(result.dispatchError.description, ToAnsi("Später gefüllt"));
        EXPECT_EQ(excel.CallCount(), n);
        EXPECT_EQ(excel.LiveObjects(), 0);
    }
}

// ---------------------------------------------------------------- writing in blocks

// Exports the same records cell by cell and then with "Blockweise"=1, each into a
// new workbook of one running stand-in.
class BlockExportTest : public ExcelExportTest {
protected:
    struct Run {
        TransferResult result;
        int workbook = 0;
        WideStrings calls;
    };
    void SetUp() override {
        ExcelExportTest::SetUp();
        ASSERT_TRUE(excel.StartRunning(10, 0));
    }
    Run ExportWith(const char* blockweise) {
        if (blockweise)
            WriteIniString(profile, "Datei", "Blockweise", blockweise);
        else
            DeleteIniKey(profile, "Datei", "Blockweise");
        excel.ResetCalls();
        Run run;
        run.result = Export();
        run.workbook = excel.WorkbookCount();
        run.calls = excel.Calls();
        return run;
    }
    int Containing(const WideStrings& calls, const std::wstring& part) {
        return static_cast<int>(std::count_if(calls.begin(), calls.end(), [&](const std::wstring& line) {
            return line.find(part) != std::wstring::npos;
        }));
    }
    // Same ending, same error, and every cell of every sheet the same.
    void ExpectSameResult(const Run& cells, const Run& blocks) {
        EXPECT_EQ(blocks.result.outcome, cells.result.outcome);
        EXPECT_EQ(blocks.result.Scode(), cells.result.Scode());
        EXPECT_EQ(blocks.result.dispatchError.description, cells.result.dispatchError.description);
        ASSERT_NE(cells.workbook, blocks.workbook) << "each export has a workbook of its own";
        const int sheets = excel.SheetCount(cells.workbook);
        ASSERT_EQ(excel.SheetCount(blocks.workbook), sheets);
        for (int sheet = 1; sheet <= sheets; ++sheet) {
            SCOPED_TRACE("sheet " + std::to_string(sheet));
            EXPECT_EQ(excel.SheetCells(blocks.workbook, sheet), excel.SheetCells(cells.workbook, sheet));
        }
        EXPECT_EQ(excel.LiveObjects(), 0);
    }
};

TEST_F(BlockExportTest, BlocksWriteTheSameCellsAsCellByCell) {
    const std::string table1 = "[Tabelle 1]\r\nBlatt=1\r\nKopfzeile=1\r\nStartzeile=2\r\n";
    auto values = [](int count, const std::string& field, std::initializer_list<int> gaps = {}) {
        std::vector<TestRecord> records(static_cast<std::size_t>(count));
        for (int n = 1; n <= count; ++n)
            if (std::find(gaps.begin(), gaps.end(), n) == gaps.end())
                records[n - 1].push_back({field, "Wert " + std::to_string(n)});
        return records;
    };
    std::vector<TestRecord> oem = {{{"Name", "Stück §3 Ø5"}}, {{"Name", "Äöü ß"}}, {{"Name", "§Ø"}}};
    std::vector<TestRecord> limits;
    for (int n = 1; n <= 3; ++n)
        limits.push_back({{"Text", "ABCDEFGHIJKLMNOPQRSTUVWXYZ " + std::to_string(n)}, {"Kurz", "kurz"}});
    std::vector<TestRecord> sameColumn = {{{"Name", "n1"}, {"Nr", "1"}}, {{"Name", "n2"}}, {{"Name", "n3"}, {"Nr", "3"}}};
    struct Case {
        const char* name;
        std::string profile;
        std::vector<TestRecord> records;
        int blocks;      // runs written as blocks
        int blockCells;  // the values they carry
    };
    const Case cases[] = {
        {"gaps at the start, in the middle and at the end",
         "[Datei]\r\nTabelle=1\r\n" + table1 + "Anzahl=1\r\nFeld_1=Name\r\nSpalte_1=A\r\nSpaltenkopf_1=Name\r\n",
         values(8, "Name", {1, 4, 8}), 2, 5},
        {"character limits",
         "[Datei]\r\nTabelle=1\r\n" + table1 +
             "Anzahl=4\r\nFeld_1=Text\r\nSpalte_1=A\r\nAnzZeich_1=3\r\nFeld_2=Text\r\nSpalte_2=B\r\nAnzZeich_2=?\r\n"
             "Feld_3=Text\r\nSpalte_3=C\r\nAnzZeich_3=20\r\nFeld_4=Kurz\r\nSpalte_4=D\r\nAnzZeich_4=20\r\n",
         limits, 4, 12},
        {"umlauts and characters of the OEM code page only",
         "[Datei]\r\nTabelle=1\r\n" + table1 + "Anzahl=1\r\nFeld_1=Name\r\nSpalte_1=A\r\nSpaltenkopf_1=" +
             ToAnsi("Größe in § (Ø)") + "\r\nAnzZeich_1=10\r\n",
         oem, 1, 3},
        {"two fields into the same column",
         "[Datei]\r\nTabelle=1\r\n" + table1 + "Anzahl=2\r\nFeld_1=Name\r\nSpalte_1=A\r\nFeld_2=Nr\r\nSpalte_2=A\r\n",
         sameColumn, 1, 3},
        {"two tables on one sheet",
         "[Datei]\r\nTabelle=2\r\n" + table1 +
             "Anzahl=1\r\nFeld_1=Name\r\nSpalte_1=A\r\n[Tabelle 2]\r\nBlatt=1\r\nStartzeile=5\r\nAnzahl=1\r\n"
             "Feld_1=Name\r\nSpalte_1=B\r\n",
         values(3, "Name"), 2, 6},
        {"runs of one value",
         "[Datei]\r\nTabelle=1\r\n" + table1 + "Anzahl=1\r\nFeld_1=Name\r\nSpalte_1=C\r\n", values(5, "Name", {2, 4}),
         0, 0},
        {"a record count of 1",
         "[Datei]\r\nTabelle=1\r\n" + table1 + "Anzahl=1\r\nFeld_1=Name\r\nSpalte_1=A\r\n", values(1, "Name"), 0, 0},
        {"a run longer than the bound: a full block and a single cell",
         "[Datei]\r\nTabelle=1\r\n[Tabelle 1]\r\nAnzahl=1\r\nFeld_1=Name\r\nSpalte_1=A\r\n",
         values(static_cast<int>(kMostValuesPerBlock) + 1, "Name"), 1, static_cast<int>(kMostValuesPerBlock)},
        // Excel refuses the column; the addresses from row 100 on are too long for the text.
        {"a 9-character column text reaching the address limit",
         "[Datei]\r\nTabelle=1\r\n[Tabelle 1]\r\nStartzeile=98\r\nAnzahl=1\r\nFeld_1=Name\r\nSpalte_1=ABCDEFGHI\r\n",
         values(4, "Name"), 0, 0},
        {"a 9-character column text beyond the address limit",
         "[Datei]\r\nTabelle=1\r\n[Tabelle 1]\r\nStartzeile=100\r\nAnzahl=1\r\nFeld_1=Name\r\nSpalte_1=ABCDEFGHI\r\n",
         values(4, "Name"), 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteFile(profile, c.profile);
        WriteRecordFile(records, c.records);
        const Run cells = ExportWith(nullptr);
        const Run blocks = ExportWith("1");
        ExpectSameResult(cells, blocks);
        EXPECT_EQ(Containing(cells.calls, L"array"), 0);
        // Three calls per block: a Range over two cells and two puts of its array.
        EXPECT_EQ(Containing(blocks.calls, L"Range.Value put array"), c.blocks);
        EXPECT_EQ(Containing(blocks.calls, L"Range.Value2 put array"), c.blocks);
        EXPECT_EQ(static_cast<int>(blocks.calls.size()),
                  static_cast<int>(cells.calls.size()) - 3 * c.blockCells + 3 * c.blocks);
        if (c.blocks > 0) {
            EXPECT_EQ(Containing(blocks.calls, L" -> 0x"), 0) << "a block was refused";
        }
    }
}

TEST_F(BlockExportTest, AFailureInsideABlockEndsAtTheSameCellWithTheSameMessage) {
    WriteFile(profile, Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Blatt=1", "Kopfzeile=1", "Startzeile=2",
                              "Anzahl=2", "Feld_1=Name", "Spalte_1=A", "Spaltenkopf_1=Name", "Feld_2=Name",
                              "Spalte_2=B"}));
    WriteRecordFile(records, {{{"Name", "n1"}}, {{"Name", "n2"}}, {{"Name", "n3"}}, {{"Name", "n4"}}, {{"Name", "n5"}}});
    struct Case {
        const wchar_t* cell;  // of the run A2:A6
        const wchar_t* description;
    };
    const Case cases[] = {{L"A2", L""}, {L"A4", L""}, {L"A6", L""},
                          {L"A2", L"Zelle gesperrt"}, {L"A4", L"Zelle gesperrt"}, {L"A6", L"Zelle gesperrt"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.cell) + L" " + c.description));
        excel.ClearFaults();
        excel.FailCellWrite(0, 1, c.cell, E_ACCESSDENIED, c.description);
        const Run cells = ExportWith(nullptr);
        const Run blocks = ExportWith("1");
        EXPECT_EQ(cells.result.outcome, *c.description ? TransferOutcome::DispatchError : TransferOutcome::AutomationError);
        EXPECT_EQ(cells.result.Scode(), E_ACCESSDENIED);
        ExpectSameResult(cells, blocks);
        EXPECT_EQ(Containing(blocks.calls, L"Range.Value put array 5x1 -> 0x"), 1) << "the block was tried first";
        EXPECT_EQ(excel.HasCell(blocks.workbook, 1, L"A2"), std::wstring(c.cell) != L"A2");
        EXPECT_FALSE(excel.HasCell(blocks.workbook, 1, L"B2")) << "nothing after the failure";
    }
    excel.ClearFaults();
}

TEST_F(BlockExportTest, AnyCallOfABlockThatFailsOnceIsMadeGoodCellByCell) {
    OneFieldProfile();
    WriteRecordFile(records, {{{"Name", "eins"}}, {{"Name", "zwei"}}, {{"Name", "drei"}}});
    const Run clean = ExportWith("1");
    ASSERT_EQ(clean.result.outcome, TransferOutcome::Finished);
    const WideStrings block = {L"Worksheet.Range get \"A1\" \"A3\"", L"Range.Value put array 3x1",
                               L"Range.Value2 put array 3x1"};
    const auto first = std::search(clean.calls.begin(), clean.calls.end(), block.begin(), block.end());
    ASSERT_NE(first, clean.calls.end());
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(testing::PrintToString(block[k]));
        excel.ClearFaults();
        excel.FailCall(static_cast<int>(first - clean.calls.begin()) + 1 + k, E_FAIL);
        const Run run = ExportWith("1");
        EXPECT_EQ(run.result.outcome, TransferOutcome::Finished);
        EXPECT_EQ(Containing(run.calls, L" -> 0x80004005"), 1);
        EXPECT_EQ(Containing(run.calls, L"Worksheet.Range get \"A3\" \"A3\""), 1) << "the run again, cell by cell";
        EXPECT_EQ(excel.SheetCells(run.workbook, 1), excel.SheetCells(clean.workbook, 1));
        EXPECT_EQ(excel.LiveObjects(), 0);
    }
}

TEST_F(BlockExportTest, OnlyTheNumberOneSwitchesBlocksOn) {
    OneFieldProfile();
    WriteRecordFile(records, {{{"Name", "eins"}}, {{"Name", "zwei"}}, {{"Name", "drei"}}});
    struct Case {
        const char* value;  // nullptr: key absent
        bool blocks;
    };
    const std::string longValue(300, '1');
    const Case cases[] = {{nullptr, false}, {"1", true},  {" 1 ", true}, {"2", false},
                          {"-1", false},    {"ja", false}, {"", false},  {longValue.c_str(), false},
                          {"0", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(absent)");
        const Run run = ExportWith(c.value);
        EXPECT_EQ(run.result.outcome, TransferOutcome::Finished);
        EXPECT_EQ(Containing(run.calls, L"Worksheet.Range get \"A1\" \"A3\""), c.blocks ? 1 : 0);
        EXPECT_EQ(Containing(run.calls, L"Worksheet.Range get"), c.blocks ? 1 : 3);
        EXPECT_EQ(excel.Cell(run.workbook, 1, L"A3"), L"drei");
    }
}

// ---------------------------------------------------------------- progress and stop

// Records what the writer reports, with the stand-in's call count at that moment;
// from report `stopAt` (from 1) on it stops the writing, as Abbrechen does.
class RecordedProgress : public WriteProgress {
public:
    RecordedProgress(StandinClient& excel, int stopAt = 0) : excel_(excel), stopAt_(stopAt) {}
    void Advance(const WritePosition& at) override {
        positions.push_back(at);
        callsAt.push_back(excel_.CallCount());
        if (static_cast<int>(positions.size()) == stopAt_) throw StoppedByUser();
    }
    std::vector<WritePosition> positions;
    std::vector<int> callsAt;

private:
    StandinClient& excel_;
    int stopAt_;
};

TEST_F(BlockExportTest, EveryCellAndBlockIsReportedAndAStopThereWritesNothingMore) {
    // Two fields on sheet 1 with headings, one on sheet 2; "Teil" lacks record 3.
    WriteFile(profile, Lines({"[Datei]", "Tabelle=2", "[Tabelle 1]", "Blatt=1", "Kopfzeile=1", "Startzeile=2",
                              "Anzahl=2", "Feld_1=Name", "Spalte_1=A", "Spaltenkopf_1=Name", "Feld_2=Teil",
                              "Spalte_2=B", "Spaltenkopf_2=Teil", "[Tabelle 2]", "Blatt=2", "Anzahl=1",
                              "Feld_1=Teil", "Spalte_1=C"}));
    WriteRecordFile(records, {{{"Name", "n1"}, {"Teil", "t1"}},
                              {{"Name", "n2"}, {"Teil", "t2"}},
                              {{"Name", "n3"}},
                              {{"Name", "n4"}, {"Teil", "t4"}}});
    struct Reported {
        int table, field;
        std::int64_t record, slotsDone;
        bool operator==(const Reported& o) const {
            return table == o.table && field == o.field && record == o.record && slotsDone == o.slotsDone;
        }
    };
    struct Case {
        const char* blockweise;
        std::vector<Reported> reports;  // headings are record 0
    };
    const Case cases[] = {
        {nullptr,
         {{1, 1, 0, 0}, {1, 1, 1, 1}, {1, 1, 2, 2}, {1, 1, 3, 3}, {1, 1, 4, 4}, {1, 2, 0, 4}, {1, 2, 1, 5},
          {1, 2, 2, 6}, {1, 2, 4, 8}, {2, 1, 1, 9}, {2, 1, 2, 10}, {2, 1, 4, 12}}},
        {"1", {{1, 1, 0, 0}, {1, 1, 4, 4}, {1, 2, 0, 4}, {1, 2, 2, 6}, {1, 2, 4, 8}, {2, 1, 2, 10}, {2, 1, 4, 12}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.blockweise ? "blocks" : "cell by cell");
        if (c.blockweise)
            WriteIniString(profile, "Datei", "Blockweise", c.blockweise);
        else
            DeleteIniKey(profile, "Datei", "Blockweise");
        RecordedProgress whole(excel);
        excel.ResetCalls();
        EXPECT_EQ(TransferToExcel(settings, records, ExcelLauncher::Platform(), whole).outcome,
                  TransferOutcome::Finished);
        std::vector<Reported> reports;
        for (const WritePosition& at : whole.positions) {
            reports.push_back({at.table, at.field, at.record, at.slotsDone});
            EXPECT_EQ(at.tables, 2);
            EXPECT_EQ(at.fields, at.table == 1 ? 2 : 1);
            EXPECT_EQ(at.records, 4);
            EXPECT_EQ(at.slotsTotal, 12);
        }
        EXPECT_TRUE(reports == c.reports);
        const int wholeWorkbook = excel.WorkbookCount();

        // Stopped at the middle report: the calls end with the cell or block reported.
        const int stopAt = static_cast<int>(c.reports.size()) / 2 + 1;
        RecordedProgress stopped(excel, stopAt);
        excel.ResetCalls();
        EXPECT_EQ(TransferToExcel(settings, records, ExcelLauncher::Platform(), stopped).outcome,
                  TransferOutcome::Stopped);
        EXPECT_EQ(excel.CallCount(), whole.callsAt[stopAt - 1]) << "no call after the stop";
        EXPECT_EQ(excel.LiveObjects(), 0);
        const WideStrings written = excel.SheetCells(excel.WorkbookCount(), 1);
        const WideStrings all = excel.SheetCells(wholeWorkbook, 1);
        EXPECT_LT(written.size(), all.size());
        for (const std::wstring& cell : written)
            EXPECT_NE(std::find(all.begin(), all.end(), cell), all.end()) << testing::PrintToString(cell);
    }
}

}  // namespace
}  // namespace exl::test
