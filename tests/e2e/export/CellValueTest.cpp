// The values of a drawing through the real DLL into the stand-in, which reads
// them as a German Excel does: the text it received and what it holds, for the
// default profile and with "Formeln" or "AlsText", cell by cell and in blocks.
#include "ExportFixture.h"

namespace exl::test {
namespace {

using standin::StandinClient;

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

// What a German Excel holds for "day.month": that date of this year.
std::wstring DayMonth(int day, int month) {
    SYSTEMTIME date{};
    GetLocalTime(&date);
    date.wMonth = static_cast<WORD>(month);
    date.wDay = static_cast<WORD>(day);
    date.wHour = date.wMinute = date.wSecond = date.wMilliseconds = 0;
    double serial = 0;
    EXPECT_TRUE(SystemTimeToVariantTime(&date, &serial));
    return L"date " + std::to_wstring(static_cast<long>(serial)) + L" [TT. MMM]";
}

// The text Excel received and what it made of it.
struct Held {
    std::wstring received;
    std::wstring stored;
};

struct ValueCase {
    std::string value;  // as the drawing holds it
    Held byDefault, withFormulas, asText;
};

Held Quoted(const std::wstring& value) { return {L"'" + value, L"text' " + StandinClient::Quote(value)}; }

// Excel reads the value as it is typed, unless "AlsText" keeps it a text.
ValueCase ReadByExcel(const std::string& value, const std::wstring& stored) {
    const Held asGiven{Wide(value), stored};
    return {value, asGiven, asGiven, Quoted(Wide(value))};
}

// A value Excel would take for a formula: a text but with "Formeln".
ValueCase FormulaOnlyWhenAllowed(const std::string& value, const std::wstring& formula) {
    return {value, Quoted(Wide(value)), {Wide(value), L"formula " + StandinClient::Quote(formula)},
            Quoted(Wide(value))};
}

// A plain whole number stays a number whatever the profile says.
ValueCase WholeNumber(const std::string& value) {
    const Held number{Wide(value), L"number " + Wide(value)};
    return {value, number, number, number};
}

class CellValueTest : public ExportFixture {
protected:
    std::string profile = scratch.File("exl\\werte.exl");

    // One table: every value in column A under the heading "=Kopf", which comes from
    // the profile and goes as it is; field "Link" in column B cut to 3 characters.
    void WriteProfile(const char* switchKey, bool blocks) {
        std::string datei = "[Datei]\r\nTabelle=1\r\n";
        if (switchKey) datei += std::string(switchKey) + "=1\r\n";
        if (blocks) datei += "Blockweise=1\r\n";
        WriteFile(profile, datei +
                               "[Tabelle 1]\r\nBlatt=1\r\nKopfzeile=1\r\nStartzeile=2\r\nAnzahl=2\r\n"
                               "Feld_1=Wert\r\nSpalte_1=A\r\nSpaltenkopf_1==Kopf\r\nAnzZeich_1=?\r\n"
                               "Feld_2=Link\r\nSpalte_2=B\r\nAnzZeich_2=3\r\n");
    }
};

TEST_F(CellValueTest, ValuesArriveAsTheDrawingHoldsThemUnlessTheProfileSaysOtherwise) {
    const std::string longFormula = "=" + std::string(253, 'A');  // 254 characters, 255 with the apostrophe
    const ValueCase cases[] = {
        ReadByExcel("0012", L"number 12"),
        ReadByExcel("8.8", DayMonth(8, 8)),
        ReadByExcel("1.1", DayMonth(1, 1)),
        ReadByExcel("12,5", L"number 12.5"),
        ReadByExcel("1E5", L"number 100000 [0,00E+00]"),
        ReadByExcel("1234567890123456", L"number 1234567890123450"),
        ReadByExcel("'zitat", L"text' \"zitat\""),
        FormulaOnlyWhenAllowed("=1+1", L"=1+1"),
        FormulaOnlyWhenAllowed("=HYPERLINK(\"x\")", L"=HYPERLINK(\"x\")"),
        FormulaOnlyWhenAllowed("@SUM(A1)", L"=SUM(A1)"),
        FormulaOnlyWhenAllowed("-M8", L"=-M8"),
        FormulaOnlyWhenAllowed("+49 (711) 1234", L"=+49 (711) 1234"),
        FormulaOnlyWhenAllowed(longFormula, Wide(longFormula)),
        WholeNumber("-5"),
        WholeNumber("4"),
        WholeNumber("0"),
    };
    // The host's answer: per object the value, then the link (only for the first).
    std::string result;
    for (const ValueCase& c : cases) result += c.value + "\r\n" + (result.empty() ? "=HYPERLINK(\"x\")" : "") + "\r\n";
    AnswerQueriesWith(result);
    WriteSettings("[Excel]\r\nVorlage=" + profile + "\r\nVersion=10\r\nneue Mappe=1\r\n");
    ASSERT_TRUE(StandinClient::Register({10}));
    ASSERT_TRUE(excel.StartRunning(10, 0));

    struct Profile {
        const char* switchKey;  // nullptr: the default
        Held ValueCase::*held;
        Held cut;  // "=HYPERLINK(...)" cut to 3 characters
    };
    const Profile profiles[] = {
        {nullptr, &ValueCase::byDefault, Quoted(L"=HY")},
        {"Formeln", &ValueCase::withFormulas, {L"=HY", L"formula \"=HY\""}},
        {"AlsText", &ValueCase::asText, Quoted(L"=HY")},
    };
    for (const Profile& p : profiles) {
        for (bool blocks : {false, true}) {
            SCOPED_TRACE(std::string(p.switchKey ? p.switchKey : "default") + (blocks ? ", in blocks" : ""));
            WriteProfile(p.switchKey, blocks);
            const std::vector<ShownMessageBox> boxes = RunConfirmed();
            ASSERT_EQ(boxes.size(), 1u);
            EXPECT_EQ(boxes[0].text, ToAnsi("Die Übergabe nach Excel ist abgeschlossen."));
            ASSERT_TRUE(excel.Connect());
            const int workbook = excel.WorkbookCount();
            EXPECT_EQ(excel.Cell(workbook, 1, L"A1"), L"=Kopf") << "a heading goes as the profile holds it";
            for (std::size_t i = 0; i < std::size(cases); ++i) {
                const std::wstring cell = L"A" + std::to_wstring(i + 2);
                const Held& expected = cases[i].*p.held;
                EXPECT_EQ(excel.Cell(workbook, 1, cell), expected.received) << cases[i].value;
                EXPECT_EQ(excel.StoredCell(workbook, 1, cell), expected.stored) << cases[i].value;
            }
            EXPECT_EQ(excel.Cell(workbook, 1, L"B2"), p.cut.received);
            EXPECT_EQ(excel.StoredCell(workbook, 1, L"B2"), p.cut.stored);
            EXPECT_FALSE(excel.HasCell(workbook, 1, L"B3"));
            EXPECT_EQ(excel.LiveObjects(), 0);
        }
    }
}

}  // namespace
}  // namespace exl::test
