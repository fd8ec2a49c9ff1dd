// The profile editor run for real on profile files: opening, the two lists and
// their row reports, the four edits' focus-loss writes, browse, add, edit, delete,
// OK, Cancel and F1.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include <algorithm>

#include "ProfileTestSupport.h"
#include "RecordingUi.h"
#include "Scratch.h"
#include "Screenshot.h"
#include "catalogue/MessageCatalogue.h"
#include "framework/Ini.h"
#include "profile/ProfileDialog.h"
#include "resource.h"

namespace exl::test {
namespace {

constexpr const char* kSeededProfile = "[Datei]\r\nTabelle=3\r\n[Tabelle 1]\r\nBlatt=1\r\nAnzahl=1\r\n";
constexpr const char* kScratch = ".\\exl\\rizeraru.tmp";

struct TableSpec {
    int sheet, headerRow, startRow;
    int fields;
    const char* prefix;  // field names are prefix + number
};

// A table section with `fields` complete fields: name P<f>, heading "Kopf P<f>",
// column letter, limit f*10, type 1.
std::string TableSection(const std::string& section, const TableSpec& table) {
    std::string text = "[" + section + "]\r\n" + Format("Blatt=%i\r\nKopfzeile=%i\r\nStartzeile=%i\r\nAnzahl=%i\r\n",
                                                         table.sheet, table.headerRow, table.startRow, table.fields);
    for (int f = 1; f <= table.fields; ++f)
        text += Format("Feld_%i=%s%i\r\nSpaltenkopf_%i=Kopf %s%i\r\nSpalte_%i=%c\r\nAnzZeich_%i=%i\r\nTyp_%i=1\r\n", f,
                       table.prefix, f, f, table.prefix, f, f, 'A' + f - 1, f, f * 10, f);
    return text;
}

// Two tables: four fields F1..F4 in table 1, three fields G1..G3 in table 2.
std::string TwoTableProfile() {
    return "[Datei]\r\nTabelle=2\r\nExcelvorlage=C:\\alt.xls\r\n" + TableSection("Tabelle 1", {1, 1, 2, 4, "F"}) +
           TableSection("Tabelle 2", {2, 3, 4, 3, "G"});
}

class ProfileDialogTest : public ::testing::Test {
protected:
    std::string Profile() const { return scratch.File("exl\\profil.exl"); }
    void WriteProfile(const std::string& content) const { WriteFile(Profile(), content); }
    std::string Value(const std::string& section, const std::string& key) const {
        return IniValue(Profile(), section, key);
    }

    // Opens the editor on the profile and runs the steps against its window.
    INT_PTR RunEditor(const std::function<void(UiDriver&, HWND)>& steps, const std::string& path) {
        ProfileDialog dialog;
        dialog.profilePath = path;
        return RunDialog(dialog, [&](UiDriver& ui) { steps(ui, ui.WaitForWindow(ProfileEditorTitle())); });
    }
    INT_PTR RunEditor(const std::function<void(UiDriver&, HWND)>& steps) { return RunEditor(steps, Profile()); }

    // Runs the steps on the two-table profile, after which the profile must be as it
    // was and table 1 still list its four fields.
    void ExpectTwoTableProfileKept(const std::function<void(UiDriver&, HWND)>& steps) {
        WriteProfile(TwoTableProfile());
        const std::string before = ReadFile(Profile());
        RunEditor([&](UiDriver& ui, HWND window) {
            steps(ui, window);
            EXPECT_EQ(ui.ListRowCount(window, IDC_PROFILE_FIELD_LIST), 4);
            ui.Close(window);
        });
        EXPECT_EQ(ReadFile(Profile()), before);
    }

    ScratchDirectory scratch;
};

// Types into an edit and moves the focus on to the template path, so the edit sees
// the focus go.
void TypeAndLeave(UiDriver& ui, HWND window, int id, const std::string& text) {
    ui.Focus(window, id);
    ui.SetText(window, id, text);
    ui.Focus(window, IDC_PROFILE_TEMPLATE_PATH);
}

// Presses "Feld hinzufügen", types the name into the field dialog that opens and
// closes that with `close`; returns once it has gone.
void AddField(UiDriver& ui, HWND editor, const std::string& name, int close) {
    ui.Click(editor, IDC_PROFILE_ADD_FIELD);
    HWND field = ui.WaitForWindow(FieldDialogTitle());
    ui.SetText(field, IDC_FIELD_NAME, name);
    ui.Click(field, close);
    if (!ui.WaitUntilGone(field)) throw UiTimeout("the field dialog stays open");
}

std::vector<std::string> Rows(UiDriver& ui, HWND window, int list, int column = 0) {
    std::vector<std::string> rows;
    for (int row = 0; row < ui.ListRowCount(window, list); ++row)
        rows.push_back(ui.ListCell(window, list, row, column));
    return rows;
}

DWORD ExtendedStyle(HWND window, int list) {
    return static_cast<DWORD>(SendMessageA(GetDlgItem(window, list), LVM_GETEXTENDEDLISTVIEWSTYLE, 0, 0));
}

std::string Catalogue(int key) { return MessageCatalogue::Text(2, key); }

TEST_F(ProfileDialogTest, SeededProfileOpensWithThreeTablesAndOneEmptyField) {
    WriteProfile(kSeededProfile);
    INT_PTR result = RunEditor([&](UiDriver& ui, HWND window) {
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_TABLE_COUNT), "3");
        EXPECT_EQ(Rows(ui, window, IDC_PROFILE_TABLE_LIST),
                  (std::vector<std::string>{"Tabelle 1", "Tabelle 2", "Tabelle 3"}));
        // Only the first row carries item data: the last table number set on it.
        EXPECT_EQ(ui.ListItemData(window, IDC_PROFILE_TABLE_LIST, 0), 3);
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_TABLE_GROUP), "Tabelle 1");
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_HEADER_ROW), "1");
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_START_ROW), "2");
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_SHEET), "1");
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_TEMPLATE_PATH), "");
        ASSERT_EQ(ui.ListRowCount(window, IDC_PROFILE_FIELD_LIST), 1);
        EXPECT_EQ(ui.ListCell(window, IDC_PROFILE_FIELD_LIST, 0, 0), "1");
        for (int column = 1; column <= 4; ++column)
            EXPECT_EQ(ui.ListCell(window, IDC_PROFILE_FIELD_LIST, 0, column), "") << column;
        EXPECT_EQ(ui.ListItemData(window, IDC_PROFILE_FIELD_LIST, 0), 1);

        ASSERT_EQ(ui.ListColumnCount(window, IDC_PROFILE_TABLE_LIST), 1);
        EXPECT_EQ(ui.ListHeading(window, IDC_PROFILE_TABLE_LIST, 0), "Tabelle");
        ASSERT_EQ(ui.ListColumnCount(window, IDC_PROFILE_FIELD_LIST), 5);
        for (int column = 0; column < 5; ++column)
            EXPECT_EQ(ui.ListHeading(window, IDC_PROFILE_FIELD_LIST, column), Catalogue(10 + column)) << column;
        EXPECT_EQ(ExtendedStyle(window, IDC_PROFILE_TABLE_LIST) & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES),
                  static_cast<DWORD>(LVS_EX_FULLROWSELECT));
        EXPECT_EQ(ExtendedStyle(window, IDC_PROFILE_FIELD_LIST) & (LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES),
                  static_cast<DWORD>(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES));

        EXPECT_EQ(ui.Text(window, IDC_PROFILE_ADD_FIELD), ToAnsi("Feld hinzufügen"));
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_DELETE_FIELD), ToAnsi("Feld löschen"));
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_TABLE_COUNT_LABEL), Catalogue(3));
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_SHEET_LABEL), Catalogue(4));
        EXPECT_EQ(ui.Text(window, IDOK), Catalogue(8));
        // Opening made table 1 and its last field current.
        EXPECT_EQ(IniValue(kScratch, "Temp", "Tabelle"), "Tabelle 1");
        EXPECT_EQ(IniValue(kScratch, "Temp", "Nr"), "1");
        EXPECT_TRUE(SaveWindowImage(window, ScreenshotDir() + "\\profile-editor.bmp"));
        ui.Close(window);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(ReadFile(Profile()), kSeededProfile) << "opening and Cancel write nothing";
}

TEST_F(ProfileDialogTest, WithoutCatalogueTextsAndTableNamesAreEntryNames) {
    ScratchDirectory bare(false);
    WriteFile(bare.File("exl\\profil.exl"), "[Datei]\r\nTabelle=2\r\n[2-4 1]\r\nAnzahl=1\r\nFeld_1=X\r\n");
    ProfileDialog dialog;
    dialog.profilePath = bare.File("exl\\profil.exl");
    RunDialog(dialog, [](UiDriver& ui) {
        HWND window = ui.WaitForWindow("2-1");
        EXPECT_EQ(Rows(ui, window, IDC_PROFILE_TABLE_LIST), (std::vector<std::string>{"2-4 1", "2-4 2"}));
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_TABLE_GROUP), "2-4 1");
        EXPECT_EQ(ui.ListCell(window, IDC_PROFILE_FIELD_LIST, 0, 1), "X");
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_DEFAULT_SHEETS), "(2-18 0)");
        EXPECT_EQ(ui.ListHeading(window, IDC_PROFILE_FIELD_LIST, 4), "2-14");
        ui.Click(window, IDC_PROFILE_DELETE_FIELD);
        ShownMessageBox box = ui.WaitForMessageBox();
        EXPECT_EQ(box.caption, "2-1");
        EXPECT_EQ(box.text, "2-16\n\n2-17");
        EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
        ui.Answer(box, IDNO);
        ui.Close(window);
    });
    EXPECT_EQ(IniValue(bare.File("exl\\profil.exl"), "2-4 1", "Feld_1"), "X") << "No deletes nothing";
}

TEST_F(ProfileDialogTest, HeaderRowWritesOnLeavingShowsTheStartRowBelowAndOkWritesIt) {
    struct HeaderCase {
        const char* typed;
        const char* shownStart;
    };
    const HeaderCase cases[] = {{"5", "6"}, {"abc", "1"}, {"7x", "8"}, {"-3", "-2"}, {"", "1"}, {"0", "1"}};
    for (const HeaderCase& c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\"");
        WriteProfile(kSeededProfile);
        RunEditor([&](UiDriver& ui, HWND window) {
            TypeAndLeave(ui, window, IDC_PROFILE_HEADER_ROW, c.typed);
            EXPECT_EQ(Value("Tabelle 1", "Kopfzeile"), c.typed);
            EXPECT_EQ(ui.Text(window, IDC_PROFILE_START_ROW), c.shownStart);
            EXPECT_EQ(Value("Tabelle 1", "Startzeile"), kAbsent) << "the start row is only shown";
            ui.Click(window, IDOK);
        });
        EXPECT_EQ(Value("Tabelle 1", "Startzeile"), c.shownStart);
        EXPECT_EQ(Value("Tabelle 1", "Kopfzeile"), c.typed);
    }
}

TEST_F(ProfileDialogTest, StartRowAndSheetWriteWhenTheyLoseTheFocus) {
    WriteProfile(TwoTableProfile());
    RunEditor([&](UiDriver& ui, HWND window) {
        TypeAndLeave(ui, window, IDC_PROFILE_START_ROW, "17");
        EXPECT_EQ(Value("Tabelle 1", "Startzeile"), "17");
        TypeAndLeave(ui, window, IDC_PROFILE_SHEET, "4");
        EXPECT_EQ(Value("Tabelle 1", "Blatt"), "4");
        // The section followed the table switch.
        ui.SelectListRow(window, IDC_PROFILE_TABLE_LIST, 1);
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_SHEET), "2");
        TypeAndLeave(ui, window, IDC_PROFILE_SHEET, "9");
        ui.Close(window);
    });
    EXPECT_EQ(Value("Tabelle 2", "Blatt"), "9");
    EXPECT_EQ(Value("Tabelle 1", "Blatt"), "4");
    EXPECT_EQ(Value("Tabelle 1", "Startzeile"), "17");
}

TEST_F(ProfileDialogTest, RaisingTheTableCountTo12RebuildsInTextOrderWithTable1Current) {
    WriteProfile(kSeededProfile + std::string("[Tabelle 3]\r\nBlatt=3\r\nAnzahl=0\r\n"));
    RunEditor([&](UiDriver& ui, HWND window) {
        ui.SelectListRow(window, IDC_PROFILE_TABLE_LIST, 2);
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_TABLE_GROUP), "Tabelle 3");
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_SHEET), "3");
        TypeAndLeave(ui, window, IDC_PROFILE_TABLE_COUNT, "12");
        EXPECT_EQ(Value("Datei", "Tabelle"), "12");
        EXPECT_EQ(Rows(ui, window, IDC_PROFILE_TABLE_LIST),
                  (std::vector<std::string>{"Tabelle 1", "Tabelle 10", "Tabelle 11", "Tabelle 12", "Tabelle 2",
                                            "Tabelle 3", "Tabelle 4", "Tabelle 5", "Tabelle 6", "Tabelle 7",
                                            "Tabelle 8", "Tabelle 9"}));
        EXPECT_EQ(ui.ListItemData(window, IDC_PROFILE_TABLE_LIST, 0), 12);
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_TABLE_GROUP), "Tabelle 1");
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_SHEET), "1");
        EXPECT_EQ(ui.ListRowCount(window, IDC_PROFILE_FIELD_LIST), 1);
        EXPECT_EQ(IniValue(kScratch, "Temp", "Tabelle"), "Tabelle 1");
        // Row 1 of the sorted list is table 10.
        ui.SelectListRow(window, IDC_PROFILE_TABLE_LIST, 1);
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_TABLE_GROUP), "Tabelle 10");
        ui.Close(window);
    });
}

TEST_F(ProfileDialogTest, TableCountBelowOneEmptiesTheListAndKeepsTheCurrentTableOnView) {
    for (const char* typed : {"0", "-1", "abc"}) {
        SCOPED_TRACE(typed);
        WriteProfile(TwoTableProfile());
        RunEditor([&](UiDriver& ui, HWND window) {
            ui.SelectListRow(window, IDC_PROFILE_TABLE_LIST, 1);
            TypeAndLeave(ui, window, IDC_PROFILE_TABLE_COUNT, typed);
            EXPECT_EQ(Value("Datei", "Tabelle"), typed);
            EXPECT_EQ(ui.ListRowCount(window, IDC_PROFILE_TABLE_LIST), 0);
            EXPECT_EQ(ui.Text(window, IDC_PROFILE_TABLE_GROUP), "Tabelle 2");
            EXPECT_EQ(ui.Text(window, IDC_PROFILE_SHEET), "2");
            EXPECT_EQ(Rows(ui, window, IDC_PROFILE_FIELD_LIST, 1), (std::vector<std::string>{"G1", "G2", "G3"}));
            // Back to two tables: table 2's section is still there, and table 1 is current.
            TypeAndLeave(ui, window, IDC_PROFILE_TABLE_COUNT, "2");
            EXPECT_EQ(ui.ListRowCount(window, IDC_PROFILE_TABLE_LIST), 2);
            EXPECT_EQ(ui.Text(window, IDC_PROFILE_TABLE_GROUP), "Tabelle 1");
            ui.SelectListRow(window, IDC_PROFILE_TABLE_LIST, 1);
            EXPECT_EQ(ui.ListRowCount(window, IDC_PROFILE_FIELD_LIST), 3);
            ui.Close(window);
        });
    }
}

TEST_F(ProfileDialogTest, AddingToATableOfFourFieldsWritesField5AndTheCount) {
    WriteProfile(TwoTableProfile());
    INT_PTR result = RunEditor([&](UiDriver& ui, HWND window) {
        ui.Click(window, IDC_PROFILE_ADD_FIELD);
        HWND field = ui.WaitForWindow(FieldDialogTitle());
        EXPECT_EQ(ui.Text(field, IDC_FIELD_NUMBER), "5");
        for (int id : {IDC_FIELD_NAME, IDC_FIELD_COLUMN, IDC_FIELD_HEADING, IDC_FIELD_CHARACTER_COUNT})
            EXPECT_EQ(ui.Text(field, id), "") << id;
        ui.SetText(field, IDC_FIELD_NAME, "Gewicht");
        ui.SetText(field, IDC_FIELD_COLUMN, "E");
        ui.SetText(field, IDC_FIELD_HEADING, ToAnsi("Gewicht in kg (ä)"));
        ui.SetText(field, IDC_FIELD_CHARACTER_COUNT, "8");
        EXPECT_TRUE(SaveWindowImage(field, ScreenshotDir() + "\\field-dialog.bmp"));
        ui.Click(field, IDOK);
        WaitUntil([&] { return ui.ListRowCount(window, IDC_PROFILE_FIELD_LIST) == 5; }, "five field rows");
        EXPECT_EQ(ui.ListCell(window, IDC_PROFILE_FIELD_LIST, 4, 0), "5");
        EXPECT_EQ(ui.ListCell(window, IDC_PROFILE_FIELD_LIST, 4, 1), "Gewicht");
        EXPECT_EQ(ui.ListCell(window, IDC_PROFILE_FIELD_LIST, 4, 2), "E");
        EXPECT_EQ(ui.ListCell(window, IDC_PROFILE_FIELD_LIST, 4, 3), "8");
        EXPECT_EQ(ui.ListCell(window, IDC_PROFILE_FIELD_LIST, 4, 4), ToAnsi("Gewicht in kg (ä)"));
        EXPECT_EQ(IniValue(kScratch, "Temp", "Nr"), "5");
        ui.Close(window);
    });
    EXPECT_EQ(result, IDCANCEL) << "Cancel keeps the added field";
    const std::vector<IniSection> contents = IniContents(Profile());
    ASSERT_EQ(contents.size(), 3u);
    const std::vector<std::string>& table = contents[1].second;
    ASSERT_GE(table.size(), 5u);
    // The five keys come in their order, after everything that was there.
    EXPECT_EQ(std::vector<std::string>(table.end() - 5, table.end()),
              (std::vector<std::string>{"Feld_5=Gewicht", ToAnsi("Spaltenkopf_5=Gewicht in kg (ä)"), "Spalte_5=E",
                                        "AnzZeich_5=8", "Typ_5=1"}));
    EXPECT_EQ(Value("Tabelle 1", "Anzahl"), "5");
    EXPECT_EQ(Value("Tabelle 2", "Anzahl"), "3");
}

TEST_F(ProfileDialogTest, AddingCancelledInTheFieldDialogWritesNothing) {
    ExpectTwoTableProfileKept([](UiDriver& ui, HWND window) { AddField(ui, window, "verworfen", IDCANCEL); });
}

TEST_F(ProfileDialogTest, AddingToATableWithANegativeCountStartsAtField1) {
    WriteProfile("[Datei]\r\nTabelle=1\r\n[Tabelle 1]\r\nAnzahl=-2\r\n");
    RunEditor([&](UiDriver& ui, HWND window) {
        EXPECT_EQ(ui.ListRowCount(window, IDC_PROFILE_FIELD_LIST), 0);
        AddField(ui, window, "Erstes", IDOK);
        WaitUntil([&] { return ui.ListRowCount(window, IDC_PROFILE_FIELD_LIST) == 1; }, "one field row");
        ui.Close(window);
    });
    EXPECT_EQ(Value("Tabelle 1", "Anzahl"), "1");
    EXPECT_EQ(Value("Tabelle 1", "Feld_1"), "Erstes");
    EXPECT_EQ(Value("Tabelle 1", "Feld_0"), kAbsent);
    EXPECT_EQ(Value("Tabelle 1", "Feld_-1"), kAbsent);
}

TEST_F(ProfileDialogTest, DeletingField2Of4RenumbersAfterYes) {
    WriteProfile(TwoTableProfile());
    RunEditor([&](UiDriver& ui, HWND window) {
        ui.SelectListRow(window, IDC_PROFILE_FIELD_LIST, 1);
        EXPECT_EQ(IniValue(kScratch, "Temp", "Nr"), "2");
        ui.Click(window, IDC_PROFILE_DELETE_FIELD);
        ShownMessageBox box = ui.WaitForMessageBox();
        EXPECT_EQ(box.caption, Catalogue(1));
        EXPECT_EQ(box.text, Catalogue(16) + "\n\n" + Catalogue(17));
        EXPECT_EQ(box.buttons, (std::vector<int>{IDYES, IDNO}));
        ui.Answer(box, IDYES);
        WaitUntil([&] { return ui.ListRowCount(window, IDC_PROFILE_FIELD_LIST) == 3; }, "three field rows");
        EXPECT_EQ(Rows(ui, window, IDC_PROFILE_FIELD_LIST, 1), (std::vector<std::string>{"F1", "F3", "F4"}));
        EXPECT_EQ(Rows(ui, window, IDC_PROFILE_FIELD_LIST, 0), (std::vector<std::string>{"1", "2", "3"}));
        ui.Close(window);
    });
    EXPECT_EQ(Value("Tabelle 1", "Anzahl"), "3");
    const char* expected[][5] = {{"F1", "Kopf F1", "A", "10", "1"},
                                 {"F3", "Kopf F3", "C", "30", "1"},
                                 {"F4", "Kopf F4", "D", "40", "1"}};
    const char* keys[] = {"Feld_%i", "Spaltenkopf_%i", "Spalte_%i", "AnzZeich_%i", "Typ_%i"};
    for (int f = 1; f <= 3; ++f)
        for (int k = 0; k < 5; ++k) EXPECT_EQ(Value("Tabelle 1", Format(keys[k], f)), expected[f - 1][k]);
    for (const char* key : keys) EXPECT_EQ(Value("Tabelle 1", Format(key, 4)), kAbsent) << key;
    EXPECT_EQ(Value("Tabelle 2", "Anzahl"), "3");
}

TEST_F(ProfileDialogTest, DeletingAnsweredNoChangesNothing) {
    ExpectTwoTableProfileKept([](UiDriver& ui, HWND window) {
        ui.SelectListRow(window, IDC_PROFILE_FIELD_LIST, 0);
        ui.Click(window, IDC_PROFILE_DELETE_FIELD);
        ui.Answer(ui.WaitForMessageBox(), IDNO);
    });
}

TEST_F(ProfileDialogTest, RightAfterATableSwitchDeleteActsOnTheLastField) {
    WriteProfile(TwoTableProfile());
    RunEditor([&](UiDriver& ui, HWND window) {
        ui.SelectListRow(window, IDC_PROFILE_FIELD_LIST, 0);
        ui.SelectListRow(window, IDC_PROFILE_TABLE_LIST, 1);
        EXPECT_EQ(IniValue(kScratch, "Temp", "Nr"), "3");
        ui.Click(window, IDC_PROFILE_DELETE_FIELD);
        ui.Answer(ui.WaitForMessageBox(), IDYES);
        WaitUntil([&] { return ui.ListRowCount(window, IDC_PROFILE_FIELD_LIST) == 2; }, "two field rows");
        ui.Close(window);
    });
    EXPECT_EQ(Value("Tabelle 2", "Anzahl"), "2");
    EXPECT_EQ(Value("Tabelle 2", "Feld_1"), "G1");
    EXPECT_EQ(Value("Tabelle 2", "Feld_2"), "G2");
    EXPECT_EQ(Value("Tabelle 2", "Feld_3"), kAbsent);
    EXPECT_EQ(Value("Tabelle 1", "Anzahl"), "4");
    EXPECT_EQ(Value("Tabelle 1", "Feld_1"), "F1");
}

TEST_F(ProfileDialogTest, RightAfterATableSwitchADoubleClickOnNoRowEditsTheLastField) {
    WriteProfile(TwoTableProfile());
    RunEditor([&](UiDriver& ui, HWND window) {
        ui.SelectListRow(window, IDC_PROFILE_FIELD_LIST, 0);
        ui.SelectListRow(window, IDC_PROFILE_TABLE_LIST, 1);
        ui.DoubleClickList(window, IDC_PROFILE_FIELD_LIST, -1);
        HWND field = ui.WaitForWindow(FieldDialogTitle());
        EXPECT_EQ(ui.Text(field, IDC_FIELD_NUMBER), "3");
        EXPECT_EQ(ui.Text(field, IDC_FIELD_NAME), "G3");
        EXPECT_EQ(ui.Text(field, IDC_FIELD_COLUMN), "C");
        EXPECT_EQ(ui.Text(field, IDC_FIELD_HEADING), "Kopf G3");
        EXPECT_EQ(ui.Text(field, IDC_FIELD_CHARACTER_COUNT), "30");
        ui.SetText(field, IDC_FIELD_NAME, "Neu3");
        ui.Click(field, IDOK);
        WaitUntil([&] { return ui.ListCell(window, IDC_PROFILE_FIELD_LIST, 2, 1) == "Neu3"; }, "the edited row");
        ui.Close(window);
    });
    EXPECT_EQ(Value("Tabelle 2", "Feld_3"), "Neu3");
    EXPECT_EQ(Value("Tabelle 2", "Anzahl"), "3") << "editing keeps the count";
    EXPECT_EQ(Value("Tabelle 1", "Feld_3"), "F3");
}

TEST_F(ProfileDialogTest, EditingAnAbsentLimitShowsQuestionMarkAndOkWritesIt) {
    WriteProfile("[Datei]\r\nTabelle=1\r\n[Tabelle 1]\r\nAnzahl=2\r\nFeld_1=X\r\nFeld_2=Y\r\nTyp_2=2\r\n");
    RunEditor([&](UiDriver& ui, HWND window) {
        EXPECT_EQ(ui.ListCell(window, IDC_PROFILE_FIELD_LIST, 0, 3), "") << "the list shows an absent limit empty";
        ui.SelectListRow(window, IDC_PROFILE_FIELD_LIST, 0);
        ui.DoubleClickList(window, IDC_PROFILE_FIELD_LIST, 0);
        HWND field = ui.WaitForWindow(FieldDialogTitle());
        EXPECT_EQ(ui.Text(field, IDC_FIELD_CHARACTER_COUNT), "?");
        EXPECT_EQ(ui.Text(field, IDC_FIELD_NUMBER), "1");
        ui.Click(field, IDOK);
        WaitUntil([&] { return ui.ListCell(window, IDC_PROFILE_FIELD_LIST, 0, 3) == "?"; }, "the written limit");
        // Field 2 carries type 2: the hidden choice hands it back unchanged.
        ui.SelectListRow(window, IDC_PROFILE_FIELD_LIST, 1);
        ui.DoubleClickList(window, IDC_PROFILE_FIELD_LIST, 1);
        field = ui.WaitForWindow(FieldDialogTitle());
        EXPECT_EQ(ui.CheckState(field, IDC_FIELD_TYPE_POSITION), BST_CHECKED);
        ui.Click(field, IDOK);
        ui.WaitUntilGone(field);
        ui.Close(window);
    });
    const std::vector<IniSection> contents = IniContents(Profile());
    ASSERT_EQ(contents.size(), 2u);
    EXPECT_EQ(contents[1].second,
              (std::vector<std::string>{"Anzahl=2", "Feld_1=X", "Feld_2=Y", "Typ_2=2", "Spaltenkopf_1=", "Spalte_1=",
                                        "AnzZeich_1=?", "Typ_1=1", "Spaltenkopf_2=", "Spalte_2=", "AnzZeich_2=?"}));
}

TEST_F(ProfileDialogTest, AutoButtonsThroughTheEditorWriteOnOkOnly) {
    struct AutoCase {
        int button;
        int close;
        const char* expected;
    };
    for (AutoCase c : {AutoCase{IDC_FIELD_AUTO_POSITION, IDOK, "%i"}, AutoCase{IDC_FIELD_AUTO_QUANTITY, IDOK, "%n"},
                       AutoCase{IDC_FIELD_AUTO_POSITION, IDCANCEL, "F1"},
                       AutoCase{IDC_FIELD_AUTO_QUANTITY, IDCANCEL, "F1"}}) {
        WriteProfile(TwoTableProfile());
        RunEditor([&](UiDriver& ui, HWND window) {
            ui.SelectListRow(window, IDC_PROFILE_FIELD_LIST, 0);
            ui.DoubleClickList(window, IDC_PROFILE_FIELD_LIST, 0);
            HWND field = ui.WaitForWindow(FieldDialogTitle());
            ui.ClickAndWait(field, c.button);
            ui.Click(field, c.close);
            ui.WaitUntilGone(field);
            WaitUntil([&] { return ui.ListCell(window, IDC_PROFILE_FIELD_LIST, 0, 1) == c.expected; }, "the row");
            ui.Close(window);
        });
        EXPECT_EQ(Value("Tabelle 1", "Feld_1"), c.expected);
        EXPECT_EQ(Value("Tabelle 1", "Spalte_1"), "A");
    }
}

TEST_F(ProfileDialogTest, WithNoFieldRowCurrentDeleteAndEditDoNothing) {
    struct NoRowCase {
        const char* what;
        std::string profile;
        int tableRow;  // the table row selected first, -1 for none
    };
    const NoRowCase cases[] = {
        // Table 2 has no section: the switch leaves the table row's index in currentRow.
        {"a row index left over from the table list", kSeededProfile, 1},
        // Nothing was ever reported, and "Anzahl" must not go to -2.
        {"a negative count", "[Datei]\r\nTabelle=1\r\n[Tabelle 1]\r\nAnzahl=-1\r\nFeld_-1=X\r\n", -1},
    };
    for (const NoRowCase& c : cases) {
        SCOPED_TRACE(c.what);
        WriteProfile(c.profile);
        const std::string before = ReadFile(Profile());
        RecordingUi recording;
        RunEditor([&](UiDriver& ui, HWND window) {
            if (c.tableRow >= 0) ui.SelectListRow(window, IDC_PROFILE_TABLE_LIST, c.tableRow);
            EXPECT_EQ(ui.ListRowCount(window, IDC_PROFILE_FIELD_LIST), 0);
            ui.ClickAndWait(window, IDC_PROFILE_DELETE_FIELD);
            ui.DoubleClickList(window, IDC_PROFILE_FIELD_LIST, -1);
            ui.Text(window, IDOK);  // the double click has been handled once this returns
            for (HWND shown : ui.ThreadWindows())
                if (IsWindowVisible(shown) && ui.Title(shown) == FieldDialogTitle())
                    throw UiTimeout("the field dialog opened without a field row");
            ui.Close(window);
        });
        EXPECT_TRUE(recording.boxes.empty()) << "no question without a field to delete";
        EXPECT_EQ(ReadFile(Profile()), before);
    }
}

TEST_F(ProfileDialogTest, EveryRowChangeRewritesTheScratchFile) {
    WriteProfile(TwoTableProfile());
    RunEditor([&](UiDriver& ui, HWND window) {
        struct Step {
            int list;
            int row;
            const char* table;  // what [Temp] "Tabelle" holds after the change, or absent
            const char* number;  // what [Temp] "Nr" holds
        };
        // A table switch also fills the field list, whose last row is then reported.
        const Step steps[] = {{IDC_PROFILE_FIELD_LIST, 0, kAbsent, "1"},
                              {IDC_PROFILE_FIELD_LIST, 2, kAbsent, "3"},
                              {IDC_PROFILE_TABLE_LIST, 1, "Tabelle 2", "3"},
                              {IDC_PROFILE_TABLE_LIST, 0, "Tabelle 1", "4"},
                              {IDC_PROFILE_FIELD_LIST, 1, kAbsent, "2"}};
        for (const Step& step : steps) {
            SCOPED_TRACE("list " + std::to_string(step.list) + " row " + std::to_string(step.row));
            ASSERT_TRUE(DeleteFileA(kScratch)) << "the scratch file is there before each change";
            ui.SelectListRow(window, step.list, step.row);
            EXPECT_EQ(IniValue(kScratch, "Temp", "Tabelle"), step.table);
            EXPECT_EQ(IniValue(kScratch, "Temp", "Nr"), step.number);
        }
        ui.Close(window);
    });
}

TEST_F(ProfileDialogTest, BrowsedTemplateIsWrittenAtOnceAndSurvivesCancel) {
    WriteProfile(kSeededProfile);
    ScopedHost host;
    // The host answers in the OEM code page; "§" tells 850 from 1252.
    host.sim.QueueFileSelection(orvanta::FileSelectionAnswer::Choose(ToOem("C:\\Vorlagen\\Stückliste §.xls")));
    RunEditor([&](UiDriver& ui, HWND window) {
        ui.ClickAndWait(window, IDC_PROFILE_BROWSE);
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_TEMPLATE_PATH), ToAnsi("C:\\Vorlagen\\Stückliste §.xls"));
        ui.Close(window);
    });
    EXPECT_EQ(Value("Datei", "Excelvorlage"), ToAnsi("C:\\Vorlagen\\Stückliste §.xls"));
    ASSERT_EQ(host.sim.Requests().size(), 1u);
    EXPECT_EQ(host.sim.Requests()[0].code, 4);
    EXPECT_EQ(host.sim.Requests()[0].prompt, "Exceldatei selektieren");
    EXPECT_EQ(host.sim.Requests()[0].pathOffered, ".\\exl\\*.xls");
}

TEST_F(ProfileDialogTest, BrowseOffersTheHostPatternAndNoChoiceChangesNothing) {
    WriteFile(scratch.File("orvanta.ini"), "EXL .\\exl\\*.exl\r\nXLS D:\\Vorlagen\\*.xls / Excel\r\n");
    ScopedHost host;
    host.sim.QueueFileSelection(orvanta::FileSelectionAnswer::NoChoice());
    ExpectTwoTableProfileKept([](UiDriver& ui, HWND window) {
        ui.ClickAndWait(window, IDC_PROFILE_BROWSE);
        EXPECT_EQ(ui.Text(window, IDC_PROFILE_TEMPLATE_PATH), "C:\\alt.xls");
    });
    ASSERT_EQ(host.sim.Requests().size(), 1u);
    EXPECT_EQ(host.sim.Requests()[0].pathOffered, "D:\\Vorlagen\\*.xls");
}

TEST_F(ProfileDialogTest, TypedTemplateIsLostOnCancelAndWrittenOnOk) {
    for (int close : {IDCANCEL, IDOK}) {
        WriteProfile(kSeededProfile);
        RunEditor([&](UiDriver& ui, HWND window) {
            TypeAndLeave(ui, window, IDC_PROFILE_TEMPLATE_PATH, "C:\\getippt.xls");
            ui.Focus(window, IDC_PROFILE_TABLE_COUNT);
            EXPECT_EQ(Value("Datei", "Excelvorlage"), kAbsent) << "typing alone writes nothing";
            if (close == IDOK)
                ui.Click(window, IDOK);
            else
                ui.Close(window);
        });
        EXPECT_EQ(Value("Datei", "Excelvorlage"), close == IDOK ? "C:\\getippt.xls" : kAbsent);
    }
}

TEST_F(ProfileDialogTest, OkWritesTheFiveFieldsInOrder) {
    WriteProfile(kSeededProfile);
    INT_PTR result = RunEditor([&](UiDriver& ui, HWND window) {
        ui.SetText(window, IDC_PROFILE_SHEET, "2");  // not left: only OK writes it
        ui.Click(window, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(IniContents(Profile()),
              (std::vector<IniSection>{{"Datei", {"Tabelle=3", "Excelvorlage="}},
                                       {"Tabelle 1", {"Blatt=2", "Anzahl=1", "Kopfzeile=1", "Startzeile=2"}}}));
}

TEST_F(ProfileDialogTest, CancelWritesNothingMoreButAFieldLeftByTheClickIsWritten) {
    // Esc closes with the focus still in the changed field: nothing is written.
    WriteProfile(kSeededProfile);
    RunEditor([&](UiDriver& ui, HWND window) {
        ui.Focus(window, IDC_PROFILE_SHEET);
        ui.SetText(window, IDC_PROFILE_SHEET, "7");
        ui.SetText(window, IDC_PROFILE_TABLE_COUNT, "9");
        ui.Close(window);
    });
    EXPECT_EQ(ReadFile(Profile()), kSeededProfile);
    // A click on Cancel takes the focus first, so the field has been left and wrote.
    RunEditor([&](UiDriver& ui, HWND window) {
        ui.Focus(window, IDC_PROFILE_SHEET);
        ui.SetText(window, IDC_PROFILE_SHEET, "7");
        ui.Click(window, IDCANCEL);
    });
    EXPECT_EQ(Value("Tabelle 1", "Blatt"), "7");
    EXPECT_EQ(Value("Datei", "Tabelle"), "3");
}

TEST_F(ProfileDialogTest, AnEmptyProfilePathShowsDefaultsAndWritesNothing) {
    const std::string windowsIni = "C:\\windows\\win.ini";
    const std::string iniBefore = ReadFile(windowsIni);
    INT_PTR result = RunEditor(
        [&](UiDriver& ui, HWND window) {
            EXPECT_EQ(ui.Text(window, IDC_PROFILE_TABLE_COUNT), "1");
            EXPECT_EQ(Rows(ui, window, IDC_PROFILE_TABLE_LIST), (std::vector<std::string>{"Tabelle 1"}));
            EXPECT_EQ(ui.Text(window, IDC_PROFILE_HEADER_ROW), "1");
            EXPECT_EQ(ui.Text(window, IDC_PROFILE_START_ROW), "2");
            EXPECT_EQ(ui.Text(window, IDC_PROFILE_SHEET), "1");
            EXPECT_EQ(ui.ListRowCount(window, IDC_PROFILE_FIELD_LIST), 0);
            TypeAndLeave(ui, window, IDC_PROFILE_HEADER_ROW, "4");
            EXPECT_EQ(ui.Text(window, IDC_PROFILE_START_ROW), "5");
            TypeAndLeave(ui, window, IDC_PROFILE_TABLE_COUNT, "2");
            EXPECT_EQ(ui.ListRowCount(window, IDC_PROFILE_TABLE_LIST), 2);
            AddField(ui, window, "nirgends", IDOK);
            EXPECT_EQ(ui.ListRowCount(window, IDC_PROFILE_FIELD_LIST), 0);
            EXPECT_EQ(ui.CheckState(window, IDC_PROFILE_VALUES_AS_TEXT), BST_UNCHECKED);
            ui.ClickAndWait(window, IDC_PROFILE_VALUES_AS_TEXT);
            ui.Click(window, IDOK);
        },
        "");
    EXPECT_EQ(result, IDOK);
    // Nothing but the catalogue and the editor's scratch file in the working directory.
    EXPECT_TRUE(FileExists(scratch.File("exl\\rizeraru.tmp")));
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(scratch.File("exl\\*").c_str(), &found);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    std::vector<std::string> names;
    do names.push_back(found.cFileName);
    while (FindNextFileA(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{".", "..", "rizeraru.tmp"}));
    EXPECT_EQ(ReadFile(windowsIni), iniBefore);
    EXPECT_EQ(IniValue(windowsIni, "Datei", "Tabelle"), kAbsent);
}

TEST_F(ProfileDialogTest, SwitchBoxesShowTheirKeysAndAClickWritesAtOnce) {
    struct Box {
        int id;
        const char* key;
        int catalogueKey;
    };
    const Box boxes[] = {{IDC_PROFILE_BLOCK_TRANSFER, "Blockweise", 19}, {IDC_PROFILE_VALUES_AS_TEXT, "AlsText", 20}};
    struct Case {
        const char* stored;  // nullptr: absent
        int shown;
        const char* afterClick;
    };
    const Case cases[] = {{nullptr, BST_UNCHECKED, "1"}, {"1", BST_CHECKED, "0"}, {"ja", BST_UNCHECKED, "1"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.stored ? c.stored : "(absent)");
        std::string profile = "[Datei]\r\nTabelle=1\r\n";
        for (const Box& box : boxes)
            if (c.stored) profile += std::string(box.key) + "=" + c.stored + "\r\n";
        WriteProfile(profile);
        RunEditor([&](UiDriver& ui, HWND window) {
            for (const Box& box : boxes) {
                SCOPED_TRACE(box.key);
                EXPECT_EQ(ui.Text(window, box.id), Catalogue(box.catalogueKey));
                EXPECT_EQ(ui.CheckState(window, box.id), c.shown);
                ui.ClickAndWait(window, box.id);
                EXPECT_EQ(Value("Datei", box.key), c.afterClick) << "written at the click";
            }
            ui.Close(window);
        });
        for (const Box& box : boxes) EXPECT_EQ(Value("Datei", box.key), c.afterClick) << "Cancel undoes nothing";
        EXPECT_EQ(Value("Datei", "Formeln"), kAbsent);
    }
}

TEST_F(ProfileDialogTest, F1AsksForTheTopicOfHelpId2) {
    struct HelpCase {
        const char* catalogue;
        unsigned long context;
    };
    const HelpCase cases[] = {{"[2]\r\n1=Editor\r\n", 131207},
                              {"[2]\r\n1=Editor\r\n[Orvanta]\r\nHELP_ID2=2222\r\n", 2222}};
    WriteProfile(kSeededProfile);
    for (const HelpCase& c : cases) {
        WriteFile(scratch.File("string_exl.txt"), c.catalogue);
        RecordingUi recording;
        ProfileDialog dialog;
        dialog.profilePath = Profile();
        RunDialog(dialog, [](UiDriver& ui) {
            HWND window = ui.WaitForWindow("Editor");
            ui.PressF1(window, IDC_PROFILE_FIELD_LIST);
            ui.Close(window);
        });
        ASSERT_EQ(recording.helpCalls.size(), 1u);
        EXPECT_EQ(recording.helpCalls[0].command, static_cast<unsigned>(HELP_CONTEXT));
        EXPECT_EQ(recording.helpCalls[0].data, c.context);
    }
}

}  // namespace
}  // namespace exl::test
