// Inputs nobody meant, through the whole command: each ends with its documented
// outcome or a clear message, never a crash, hang or overrun, and what Excel held
// before stays. Prints the time of every case and the host process's memory peaks.
#include <chrono>
#include <cstdio>

#include "ExportFixture.h"
#include "ProcessCounters.h"
#include "StandinIds.h"
#include "export/ExcelMembers.h"
#include "framework/Automation.h"
#include "framework/Raii.h"
#include "resource.h"

namespace exl::test {
namespace {

using Cells = std::vector<std::pair<std::wstring, std::wstring>>;  // address on sheet 1, text ("" for none)

const std::string kClosing = "Excel-Kopplung";  // caption of 0-13, 0-14
const std::string kAutomationError = "Fehler bei der Excel-Automatisierung";
const std::string kDispatchError = "Excel meldet einen Fehler";
const std::string kTooFewSheets = ToAnsi("Zu wenige Tabellenblätter");
const std::string kClosingText = ToAnsi("Die Übergabe nach Excel ist abgeschlossen.");
const std::string kNoRecordText = "Es wurden keine Informationen gefunden. Es wird nichts nach Excel " + ToAnsi("übertragen.");
const std::string kBadIndexText = "COleException. SCODE: 8002000b.";
const std::string kRangeRefused = "COleDispatchException. SCODE: 800a03ec, Description: \"Die Methode 'Range' " +
                                  ToAnsi("für") + " das Objekt '_Worksheet' ist fehlgeschlagen.\".";
// A cell the running Excel holds before every case; no case may lose it.
const wchar_t kPriorCell[] = L"Z100";
const wchar_t kPriorText[] = L"vorher";

std::string Lines(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

// "[Tabelle t]" with one field "Pos" in `column` and the given extra keys.
std::string PosTable(int table, const std::string& column, const std::vector<std::string>& keys = {}) {
    std::vector<std::string> lines{"[Tabelle " + std::to_string(table) + "]", "Anzahl=1", "Feld_1=Pos",
                                   "Spalte_1=" + column};
    lines.insert(lines.end(), keys.begin(), keys.end());
    return Lines(lines);
}

std::string Repeated(const std::string& line, int times) {
    std::string text;
    text.reserve(line.size() * static_cast<std::size_t>(times));
    for (int i = 0; i < times; ++i) text += line;
    return text;
}

// Reproducible bytes of every value, line ends among them.
std::string BinaryBytes(std::size_t size) {
    std::string bytes(size, '\0');
    std::uint32_t state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 16);
    }
    return bytes;
}

class BadInputTest : public ExportFixture {
protected:
    std::string profile = scratch.File("exl\\profil.exl");
    // Typed into the dialog's profile path instead of the saved one, when not empty.
    std::string typedPath;

    void UseProfile(const std::string& path) {
        WriteSettings("[Excel]\r\nVorlage=" + path + "\r\nVersion=10\r\nneue Mappe=0\r\n");
    }
    void Profile(const std::string& text) {
        WriteFile(profile, text);
        UseProfile(profile);
    }

    // Puts the prior cell into sheet 1 of the running Excel's active workbook, as a user would have.
    void WritePriorCell() {
        IUnknown* active = nullptr;
        ASSERT_EQ(GetActiveObject(*standin::ApplicationClsid(10), nullptr, &active), S_OK);
        const UniqueCom<IUnknown> running(active);
        IDispatch* dispatch = nullptr;
        ASSERT_EQ(running->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
        AutomationRef application(dispatch), workbook, sheets, sheet, range;
        workbook.Attach(GetDispatchProperty(application, excel::kActiveWorkbook));
        sheets.Attach(GetDispatchProperty(workbook, excel::kSheets));
        const Variant first = Variant::Int16(1);
        sheet.Attach(GetDispatchProperty(sheets, excel::kItem, {&first}));
        const std::string address(kPriorCell, kPriorCell + 4);
        const Variant cell = Variant::Text(address);
        range.Attach(GetDispatchProperty(sheet, excel::kRange, {&cell, &cell}));
        PutProperty(range, excel::kValue, Variant::Text("vorher"));
    }
};

struct BadInput {
    const char* name;
    std::function<void()> prepare;
    std::vector<std::string> captions;  // of the message boxes, in order
    std::string firstText;              // text of the first message box
    Cells cells;                        // sheet 1 of the active workbook afterwards
};

TEST_F(BadInputTest, EveryCaseEndsWithItsMessageAndKeepsWhatExcelHeld) {
    const std::string tooLong = "C:\\" + std::string(300, 'p') + ".exl";
    const std::vector<BadInput> cases = {
        {"32767 tables declared, 3 exist",
         [this] {
             Profile(Lines({"[Datei]", "Tabelle=32767"}) + PosTable(1, "A") + PosTable(2, "B") + PosTable(3, "C"));
             AnswerQueriesWith("1\r\n2\r\n3\r\n");
         },
         {kTooFewSheets},
         ToAnsi("Die Excel-Mappe hat weniger Tabellenblätter, als das Übergabe-Profil Tabellen enthält. "
                "Es wurde nichts übertragen."),
         {{L"A1", L""}}},
        // With blocks, which must not change what such a profile writes either.
        {"Anzahl 32767 without field keys, in blocks",
         [this] {
             Profile(Lines({"[Datei]", "Tabelle=1", "Blockweise=1", "[Tabelle 1]", "Anzahl=32767"}));
             AnswerQueriesWith("a\r\nb\r\n");
         },
         {kClosing}, kClosingText, {{L"A1", L""}}},
        {"Blatt 0", [this] {
             Profile(Lines({"[Datei]", "Tabelle=2"}) + PosTable(1, "A") + PosTable(2, "B", {"Blatt=0"}));
             AnswerQueriesWith("1\r\n1\r\n2\r\n2\r\n");
         },
         {kAutomationError, kClosing}, kBadIndexText, {{L"A1", L"1"}, {L"A2", L"2"}}},
        {"Blatt -1", [this] {
             Profile(Lines({"[Datei]", "Tabelle=2"}) + PosTable(1, "A") + PosTable(2, "B", {"Blatt=-1"}));
             AnswerQueriesWith("1\r\n");
         },
         {kAutomationError, kClosing}, kBadIndexText, {{L"A1", L"1"}}},
        {"Blatt 40000", [this] {
             Profile(Lines({"[Datei]", "Tabelle=1"}) + PosTable(1, "A", {"Blatt=40000"}));
             AnswerQueriesWith("1\r\n");
         },
         {kAutomationError, kClosing}, kBadIndexText, {{L"A1", L""}}},
        {"Startzeile 0", [this] {
             Profile(Lines({"[Datei]", "Tabelle=1"}) + PosTable(1, "A", {"Kopfzeile=1", "Spaltenkopf_1=Pos",
                                                                           "Startzeile=0"}));
             AnswerQueriesWith("1\r\n");
         },
         {kDispatchError, kClosing}, kRangeRefused, {{L"A1", L"Pos"}}},
        {"Startzeile -5", [this] {
             Profile(Lines({"[Datei]", "Tabelle=1"}) + PosTable(1, "A", {"Startzeile=-5"}));
             AnswerQueriesWith("1\r\n");
         },
         {kDispatchError, kClosing}, kRangeRefused, {}},
        {"rows beyond the sheet", [this] {
             // Records 32769 to 32771 land in rows 65535 to 65537; the sheet ends at 65536.
             Profile(Lines({"[Datei]", "Tabelle=1"}) + PosTable(1, "A", {"Startzeile=32767"}));
             AnswerQueriesWith(Repeated("\r\n", 32768) + "vorletzte\r\nletzte\r\nzu weit\r\n");
         },
         {kDispatchError, kClosing}, kRangeRefused, {{L"A65535", L"vorletzte"}, {L"A65536", L"letzte"}}},
        {"result of 200,000 lines", [this] {
             Profile(Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Anzahl=4", "Feld_1=A", "Spalte_1=A",
                              "Feld_2=B", "Spalte_2=B", "Feld_3=C", "Spalte_3=C", "Feld_4=D", "Spalte_4=D"}));
             AnswerQueriesWith("erste\r\n" + Repeated("\r\n", 199998) + "letzte\r\n");
         },
         {kClosing}, kClosingText, {{L"A1", L"erste"}, {L"D50000", L"letzte"}, {L"A2", L""}}},
        {"result lines of 300 KB", [this] {
             Profile(Lines({"[Datei]", "Tabelle=1"}) + PosTable(1, "A"));
             AnswerQueriesWith(std::string(300000, 'x') + "\r\n" + std::string(300000, 'y') + "\r\n");
         },
         {kClosing}, kClosingText, {{L"A1", std::wstring(254, L'x')}, {L"A2", std::wstring(254, L'y')}}},
        {"result of binary bytes", [this] {
             Profile(Lines({"[Datei]", "Tabelle=1"}) + PosTable(1, "A"));
             AnswerQueriesWith("Anfang\r\n" + BinaryBytes(20000));
         },
         {kClosing}, kClosingText, {{L"A1", L"Anfang"}}},
        {"a value that carries a record of its own", [this] {
             // A lone CR ends a line for the profile reader: what follows it must not
             // become a record or a field of its own.
             Profile(Lines({"[Datei]", "Tabelle=1"}) + PosTable(1, "A"));
             AnswerQueriesWith("eins\r[2]\rPos=falsch\r\nzwei\r\n");
         },
         {kClosing}, kClosingText, {{L"A1", L"eins"}, {L"A2", L"zwei"}}},
        {"profile path names a directory", [this] {
             UseProfile(scratch.File("exl"));
             AnswerQueriesWith("1\r\n");
         },
         {kClosing}, kNoRecordText, {}},
        {"profile path of 308 characters", [this, tooLong] {
             UseProfile("");
             typedPath = tooLong;
             AnswerQueriesWith("1\r\n");
         },
         {kClosing}, kNoRecordText, {}},
        {"profile rewritten while the host searches", [this] {
             Profile(Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Anzahl=2", "Feld_1=Pos", "Spalte_1=A",
                              "Feld_2=Name", "Spalte_2=B"}));
             // The fields trade columns and a third one without values joins.
             const std::string changed = Lines({"[Datei]", "Tabelle=1", "[Tabelle 1]", "Kopfzeile=1", "Startzeile=2",
                                                "Anzahl=3", "Feld_1=Name", "Spalte_1=A", "Feld_2=Pos", "Spalte_2=B",
                                                "Feld_3=Neu", "Spalte_3=C", "Spaltenkopf_3=Neu"});
             const std::string path = profile;
             host.SetInfoQueryHandler([changed, path](const std::string&, const std::string& result, std::uint8_t) {
                 WriteFile(result, "1\r\nSchraube\r\n");
                 WriteFile(path, changed);
             });
         },
         {kClosing}, kClosingText, {{L"A2", L"Schraube"}, {L"B2", L"1"}, {L"C1", L"Neu"}, {L"C2", L""}}},
        {"profile deleted while the host searches", [this] {
             Profile(Lines({"[Datei]", "Tabelle=1"}) + PosTable(1, "A"));
             const std::string path = profile;
             host.SetInfoQueryHandler([path](const std::string&, const std::string& result, std::uint8_t) {
                 WriteFile(result, "1\r\n");
                 DeleteFileA(path.c_str());
             });
         },
         {kClosing}, kClosingText, {{L"A1", L""}}},
    };
    ASSERT_TRUE(standin::StandinClient::Register({10}));
    for (const BadInput& c : cases) {
        SCOPED_TRACE(c.name);
        excel.Quit();
        ASSERT_TRUE(excel.StartRunning(10, 1));
        WritePriorCell();
        typedPath.clear();
        c.prepare();
        DialogSteps typePath;
        if (!typedPath.empty())
            typePath = [&](UiDriver& ui, HWND dialog) { ui.SetText(dialog, IDC_EXPORT_PROFILE_PATH, typedPath); };

        const auto start = std::chrono::steady_clock::now();
        std::vector<ShownMessageBox> boxes = RunConfirmed(typePath);
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        std::printf("[ case ] %-42s %6.1f s  %s\n", c.name, seconds, ProcessCounters::Now().Describe().c_str());

        std::vector<std::string> captions;
        for (const ShownMessageBox& box : boxes) captions.push_back(box.caption);
        EXPECT_EQ(captions, c.captions);
        if (!boxes.empty()) {
            EXPECT_EQ(boxes[0].text, c.firstText);
            if (c.captions.size() > 1) {
                EXPECT_EQ(boxes.back().text, kClosingText);
            }
        }
        ASSERT_TRUE(excel.Connect());
        EXPECT_EQ(excel.WorkbookCount(), 1);
        EXPECT_EQ(excel.Cell(1, 1, kPriorCell), kPriorText);
        for (const auto& cell : c.cells) EXPECT_EQ(excel.Cell(1, 1, cell.first), cell.second) << cell.first;
        EXPECT_EQ(excel.LiveObjects(), 0);
    }
}

}  // namespace
}  // namespace exl::test
