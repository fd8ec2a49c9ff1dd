// Whole runs of the export command: dialog, query, record file, Excel, clean-up.
#include "ExportFixture.h"

namespace exl::test {
namespace {

// Two objects, three fields each (Pos, Benennung, Werkstoff), as the host writes them.
std::string TwoObjects() {
    return ToOem("1\r\nSchraube M6 Ø 40 lang\r\nStahl\r\n2\r\nMutter §\r\nMessing\r\n");
}

class ExportCommandTest : public ExportFixture {};

TEST_F(ExportCommandTest, FullRunFillsBothSheetsAndCleansUp) {
    std::string profile = WriteTwoTableProfile();
    AnswerQueriesWith(TwoObjects());
    WriteFile(scratch.File("rizeraru.tmp"), "x");
    WriteFile(scratch.File("exl\\rizeraru.tmp"), "[Temp]\r\nNr=1\r\n");
    ASSERT_TRUE(standin::StandinClient::Register({10}));

    std::vector<ShownMessageBox> boxes = RunConfirmed();

    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ToAnsi("Die Übergabe nach Excel ist abgeschlossen."));
    EXPECT_EQ(boxes[0].caption, "Excel-Kopplung");
    auto queries = host.RequestsWithCode(kRequestInfoQuery);
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(queries[0].modeFlags, 3);
    EXPECT_EQ(queries[0].searchSpec,
              "FORMAT: ?\r\nREPEAT:\r\nSEARCH: Pos:\r\nSEARCH: Benennung:\r\nSEARCH: Werkstoff:\r\nEND   :\r\n");
    EXPECT_FALSE(FileExists(queries[0].searchSpecPath)) << "the record file is deleted";
    EXPECT_FALSE(FileExists(queries[0].resultPath));
    EXPECT_FALSE(FileExists(scratch.File("rizeraru.tmp")));
    EXPECT_FALSE(FileExists(scratch.File("exl\\rizeraru.tmp")));
    EXPECT_EQ(TemporaryFiles(), temporaryBefore);

    ASSERT_TRUE(excel.Connect());
    ASSERT_EQ(excel.WorkbookCount(), 1);
    EXPECT_EQ(excel.Cell(1, 1, L"A1"), L"Pos");
    EXPECT_EQ(excel.Cell(1, 1, L"B1"), L"Bezeichnung (lang)");
    EXPECT_EQ(excel.Cell(1, 1, L"A2"), L"1");
    EXPECT_EQ(excel.Cell(1, 1, L"B2"), L"Schraube M6 \u00d8") << "cut to 13 characters";
    EXPECT_EQ(excel.Cell(1, 1, L"A3"), L"2");
    EXPECT_EQ(excel.Cell(1, 1, L"B3"), L"Mutter \u00a7");
    EXPECT_EQ(excel.Cell(1, 2, L"C1"), L"Stahl");
    EXPECT_EQ(excel.Cell(1, 2, L"C2"), L"Messing");
    EXPECT_FALSE(excel.HasCell(1, 2, L"C3"));
    EXPECT_TRUE(excel.IsVisible());
    EXPECT_EQ(excel.LiveObjects(), 0) << "every reference the plug-in took is released";
    EXPECT_EQ(SettingsValue("Excel", "Version"), "10");
}

TEST_F(ExportCommandTest, TableWithoutRowsAndSheetGoesToSheetOneFromRowOne) {
    const std::string profile = scratch.File("exl\\knapp.exl");
    // No "Blatt", "Kopfzeile" or "Startzeile"; a field type of 7 changes nothing.
    WriteFile(profile,
              "[Datei]\r\nTabelle=1\r\n[Tabelle 1]\r\nAnzahl=1\r\nFeld_1=Pos\r\nSpalte_1=B\r\n"
              "Spaltenkopf_1=Kopf\r\nTyp_1=7\r\n");
    WriteSettings("[Excel]\r\nVorlage=" + profile + "\r\n");
    AnswerQueriesWith("1\r\n2\r\n");
    ASSERT_TRUE(standin::StandinClient::Register({10}));
    std::vector<ShownMessageBox> boxes = RunConfirmed();
    ASSERT_EQ(boxes.size(), 1u);
    ASSERT_TRUE(excel.Connect());
    EXPECT_EQ(excel.Cell(1, 1, L"B1"), L"1");
    EXPECT_EQ(excel.Cell(1, 1, L"B2"), L"2");
    EXPECT_FALSE(excel.HasCell(1, 1, L"B3"));
    for (int sheet = 2; sheet <= excel.SheetCount(1); ++sheet) EXPECT_FALSE(excel.HasCell(1, sheet, L"B1"));
}

TEST_F(ExportCommandTest, ScratchFilesAreGoneBeforeExcelIsContacted) {
    WriteTwoTableProfile();
    AnswerQueriesWith(TwoObjects());
    ASSERT_TRUE(standin::StandinClient::Register({9}));
    std::set<std::string> filesWhenConnecting;
    std::string firstBox;
    std::int16_t result = Run([&](UiDriver& ui) {
        ui.Click(ui.WaitForWindow(kExportTitle), IDOK);
        // Version 10 is not there: its message shows while the connection is under way.
        ShownMessageBox notThere = ui.WaitForMessageBox();
        firstBox = notThere.text;
        filesWhenConnecting = TemporaryFiles();
        ui.Answer(notThere, IDOK);
        ui.Answer(ui.WaitForMessageBox(), IDOK);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(firstBox,
              "Weder Excel XP noch ein neueres Excel konnte gestartet werden. Es wird Excel 2000 versucht.");
    auto queries = host.RequestsWithCode(kRequestInfoQuery);
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_TRUE(filesWhenConnecting.count(queries[0].searchSpecPath)) << "the record file is still there";
    EXPECT_FALSE(filesWhenConnecting.count(queries[0].resultPath));
    EXPECT_EQ(filesWhenConnecting.size(), temporaryBefore.size() + 1) << "only the record file is left";
    EXPECT_EQ(SettingsValue("Excel", "Version"), "9");
}

TEST_F(ExportCommandTest, NoRecordShowsItsMessageAndKeepsTheFiles) {
    WriteTwoTableProfile();
    AnswerQueriesWith("");
    ASSERT_TRUE(standin::StandinClient::Register({10}));
    std::vector<ShownMessageBox> boxes = RunConfirmed();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Es wurden keine Informationen gefunden. Es wird nichts nach Excel " + ToAnsi("übertragen."));
    EXPECT_EQ(boxes[0].caption, "Excel-Kopplung");
    EXPECT_EQ(TemporaryFiles().size(), temporaryBefore.size() + 3) << "record, result and field-list files stay";
    ASSERT_TRUE(excel.Connect());
    EXPECT_EQ(excel.ApplicationCount(), 0) << "no Excel is contacted";
}

TEST_F(ExportCommandTest, AutomationErrorIsShownThenTheClosingMessage) {
    WriteTwoTableProfile();
    AnswerQueriesWith(TwoObjects());
    ASSERT_TRUE(standin::StandinClient::Register({10}));
    // An Excel already running, so the failure is set in the instance the plug-in uses.
    ASSERT_TRUE(excel.StartRunning(10));
    // Visible, Workbooks, Count, Add, Sheets, Count, Item, Select, then the heading
    // (Range, Value, Value2): call 13 is the first value of table 1.
    excel.ResetCalls();
    excel.FailCallWithException(13, 0x800A03EC, L"Der Wert ist ung\u00fcltig.");
    std::vector<ShownMessageBox> boxes = RunConfirmed();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Excel meldet einen Fehler");
    EXPECT_EQ(boxes[0].text,
              "COleDispatchException. SCODE: 800a03ec, Description: \"Der Wert ist " + ToAnsi("ungültig") + ".\".");
    EXPECT_EQ(boxes[1].text, ToAnsi("Die Übergabe nach Excel ist abgeschlossen."));
    auto queries = host.RequestsWithCode(kRequestInfoQuery);
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_FALSE(FileExists(queries[0].searchSpecPath)) << "the record file is deleted after the error";
    EXPECT_EQ(excel.LiveObjects(), 0);
}

TEST_F(ExportCommandTest, FailedCallIsShownAsAutomationError) {
    WriteTwoTableProfile();
    AnswerQueriesWith(TwoObjects());
    ASSERT_TRUE(standin::StandinClient::Register({10}));
    ASSERT_TRUE(excel.StartRunning(10));
    excel.ResetCalls();
    excel.FailCall(3, E_OUTOFMEMORY);
    std::vector<ShownMessageBox> boxes = RunConfirmed();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[0].caption, "Fehler bei der Excel-Automatisierung");
    EXPECT_EQ(boxes[0].text, "COleException. SCODE: 8007000e.");
    EXPECT_EQ(excel.LiveObjects(), 0);
}

TEST_F(ExportCommandTest, NoExcelAtAllEndsAfterThreeMessagesAndTheFileDeclined) {
    WriteTwoTableProfile();
    AnswerQueriesWith(TwoObjects());
    standin::StandinClient::Unregister();
    // The script answers the offer of a file with Nein.
    std::vector<ShownMessageBox> boxes = RunConfirmed();
    ASSERT_EQ(boxes.size(), 4u);
    EXPECT_EQ(boxes[3].text, ToAnsi("Es konnte kein Excel gestartet werden. M\u00f6chten Sie die St\u00fcckliste "
                                    "stattdessen als Excel-Datei (.xlsx) speichern?"));
    EXPECT_EQ(boxes[0].text,
              "Weder Excel XP noch ein neueres Excel konnte gestartet werden. Es wird Excel 2000 versucht.");
    EXPECT_EQ(boxes[1].text, "Excel 2000 konnte nicht gestartet werden. Es wird Excel 97 versucht.");
    EXPECT_EQ(boxes[2].text, "Excel 97 konnte nicht gestartet werden. Die " + ToAnsi("Übergabe") + " wird abgebrochen.");
    EXPECT_EQ(SettingsValue("Excel", "Version"), "8");
    auto queries = host.RequestsWithCode(kRequestInfoQuery);
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_TRUE(FileExists(queries[0].searchSpecPath)) << "an early end keeps the record file";
}

TEST_F(ExportCommandTest, TooFewSheetsEndsWithoutClosingMessage) {
    std::string profile = WriteTwoTableProfile();
    // Four tables against the three sheets of a new workbook.
    WritePrivateProfileStringA("Datei", "Tabelle", "4", profile.c_str());
    AnswerQueriesWith(TwoObjects());
    ASSERT_TRUE(standin::StandinClient::Register({10}));
    std::vector<ShownMessageBox> boxes = RunConfirmed();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].caption, ToAnsi("Zu wenige Tabellenblätter"));
    ASSERT_TRUE(excel.Connect());
    EXPECT_FALSE(excel.HasCell(1, 1, L"A1")) << "nothing is written";
    EXPECT_EQ(excel.LiveObjects(), 0);
}

}  // namespace
}  // namespace exl::test
