// What a new user does in the host: no settings, no profile; the export dialog's
// "Übergabe - Profil definieren" creates one, the editor and the field dialog fill
// it, and the export then writes the drawing's values with it.
#include "ExportFixture.h"
#include "framework/Ini.h"
#include "resource.h"

namespace exl::test {
namespace {

class DefineAndExportTest : public ExportFixture {};

void EditField(UiDriver& ui, HWND field, const char* name, const char* column, const char* heading,
               const char* limit) {
    ui.SetText(field, IDC_FIELD_NAME, name);
    ui.SetText(field, IDC_FIELD_COLUMN, column);
    ui.SetText(field, IDC_FIELD_HEADING, heading);
    ui.SetText(field, IDC_FIELD_CHARACTER_COUNT, limit);
    ui.Click(field, IDOK);
    if (!ui.WaitUntilGone(field)) throw UiTimeout("the field dialog stays open");
}

TEST_F(DefineAndExportTest, AProfileDefinedFromNothingIsExportedWith) {
    const std::string profile = scratch.File("exl\\neu.exl");
    host.QueueFileSelection(orvanta::FileSelectionAnswer::Choose(profile));
    // Two objects with two fields each, in the host's OEM code page.
    AnswerQueriesWith(ToOem("Schraube M6\r\nStahl\r\nMutter §\r\nMessing\r\n"));
    ASSERT_TRUE(standin::StandinClient::Register({10}));
    std::vector<ShownMessageBox> boxes;
    std::string editAfterAction;
    std::int16_t result = Run([&](UiDriver& ui) {
        HWND dialog = ui.WaitForWindow(kExportTitle);
        ui.Click(dialog, IDC_EXPORT_DEFINE_PROFILE);
        ui.Answer(ui.WaitForMessageBox(), IDYES);
        HWND editor = ui.WaitForWindow(ToAnsi("Übergabeprofil definieren"));
        // One table instead of the seed's three.
        ui.Focus(editor, IDC_PROFILE_TABLE_COUNT);
        ui.SetText(editor, IDC_PROFILE_TABLE_COUNT, "1");
        ui.Focus(editor, IDC_PROFILE_TEMPLATE_PATH);
        // The seed's empty first field, then a second one.
        ui.SelectListRow(editor, IDC_PROFILE_FIELD_LIST, 0);
        ui.DoubleClickList(editor, IDC_PROFILE_FIELD_LIST, 0);
        EditField(ui, ui.WaitForWindow("Felddefinitionen"), "Benennung", "A", "Bezeichnung", "");
        ui.Click(editor, IDC_PROFILE_ADD_FIELD);
        EditField(ui, ui.WaitForWindow("Felddefinitionen"), "Werkstoff", "B", ToAnsi("Werkstoff (kurz)").c_str(),
                  "5");
        ui.Click(editor, IDOK);
        if (!ui.WaitUntilGone(editor)) throw UiTimeout("the editor stays open");
        editAfterAction = ui.Text(dialog, IDC_EXPORT_PROFILE_PATH);
        ui.Click(dialog, IDOK);
        ShownMessageBox closing = ui.WaitForMessageBox(60000);
        boxes.push_back(closing);
        ui.Answer(closing, IDOK);
    });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(editAfterAction, profile);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, ToAnsi("Die Übergabe nach Excel ist abgeschlossen."));
    EXPECT_EQ(SettingsValue("Excel", "Vorlage"), profile) << "OK in the export dialog saved the new profile";

    auto queries = host.RequestsWithCode(kRequestInfoQuery);
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(queries[0].searchSpec, "FORMAT: ?\r\nREPEAT:\r\nSEARCH: Benennung:\r\nSEARCH: Werkstoff:\r\nEND   :\r\n");

    ASSERT_TRUE(excel.Connect());
    ASSERT_EQ(excel.WorkbookCount(), 1);
    EXPECT_EQ(excel.Cell(1, 1, L"A1"), L"Bezeichnung");
    EXPECT_EQ(excel.Cell(1, 1, L"B1"), L"Werkstoff (kurz)");
    EXPECT_EQ(excel.Cell(1, 1, L"A2"), L"Schraube M6");
    EXPECT_EQ(excel.Cell(1, 1, L"B2"), L"Stahl");
    EXPECT_EQ(excel.Cell(1, 1, L"A3"), L"Mutter \u00a7");
    EXPECT_EQ(excel.Cell(1, 1, L"B3"), L"Messi") << "cut to the field's 5 characters";
    EXPECT_FALSE(excel.HasCell(1, 1, L"A4"));
}

}  // namespace
}  // namespace exl::test
