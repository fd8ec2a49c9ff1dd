// The field definition dialog run for real: members in and out, the hidden type,
// the two field-name buttons, the catalogue texts and F1.
#include <gtest/gtest.h>

#include "ProfileTestSupport.h"
#include "RecordingUi.h"
#include "Scratch.h"
#include "profile/FieldDialog.h"
#include "resource.h"

namespace exl::test {
namespace {

HWND FocusOf(UiDriver& ui) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    GetGUIThreadInfo(ui.UiThread(), &info);
    return info.hwndFocus;
}

void FillMembers(FieldDialog& dialog) {
    dialog.fieldName = "Benennung";
    dialog.excelColumn = "AB";
    dialog.number = 7;
    dialog.columnHeading = ToAnsi("Überschrift");
    dialog.characterCount = "30";
    dialog.type = 1;
}

TEST(FieldDialogTest, OpensWithTheMembersTheCatalogueTextsAndTheFocusOnOk) {
    ScratchDirectory scratch;
    FieldDialog dialog;
    FillMembers(dialog);
    INT_PTR result = RunDialog(dialog, [](UiDriver& ui) {
        HWND window = ui.WaitForWindow(FieldDialogTitle());
        EXPECT_EQ(ui.Text(window, IDC_FIELD_NAME), "Benennung");
        EXPECT_EQ(ui.Text(window, IDC_FIELD_COLUMN), "AB");
        EXPECT_EQ(ui.Text(window, IDC_FIELD_NUMBER), "7");
        EXPECT_EQ(ui.Text(window, IDC_FIELD_HEADING), ToAnsi("Überschrift"));
        EXPECT_EQ(ui.Text(window, IDC_FIELD_CHARACTER_COUNT), "30");
        EXPECT_FALSE(ui.IsEnabled(window, IDC_FIELD_NUMBER)) << "the number is shown, not edited";
        EXPECT_EQ(ui.Text(window, IDC_FIELD_HEADING_LABEL), ToAnsi("Spaltenüberschrift"));
        EXPECT_EQ(ui.Text(window, IDC_FIELD_AUTO_POSITION), "AutoPos");
        for (int radio : {IDC_FIELD_TYPE_TEXT, IDC_FIELD_TYPE_POSITION, IDC_FIELD_TYPE_QUANTITY}) {
            EXPECT_FALSE(ui.IsVisible(window, radio)) << radio;
            EXPECT_FALSE(ui.IsEnabled(window, radio)) << radio;
        }
        EXPECT_EQ(FocusOf(ui), GetDlgItem(window, IDOK));
        ui.Click(window, IDOK);
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(dialog.fieldName, "Benennung");
    EXPECT_EQ(dialog.excelColumn, "AB");
    EXPECT_EQ(dialog.number, 7);
    EXPECT_EQ(dialog.columnHeading, ToAnsi("Überschrift"));
    EXPECT_EQ(dialog.characterCount, "30");
    EXPECT_EQ(dialog.type, 1);
}

TEST(FieldDialogTest, WithoutCatalogueEveryTextIsItsEntryName) {
    ScratchDirectory scratch(false);
    struct Expected {
        int id;
        const char* text;
    };
    const Expected texts[] = {{IDC_FIELD_NUMBER_LABEL, "3-2"},  {IDC_FIELD_NAME_LABEL, "3-3"},
                              {IDC_FIELD_HEADING_LABEL, "3-4"}, {IDC_FIELD_COLUMN_LABEL, "3-5"},
                              {IDC_FIELD_CHARACTER_COUNT_LABEL, "3-6"}, {IDOK, "3-7"},
                              {IDCANCEL, "3-8"},                {IDC_FIELD_AUTO_POSITION, "3-9"},
                              {IDC_FIELD_AUTO_QUANTITY, "3-10"}};
    FieldDialog dialog;
    dialog.type = 1;
    RunDialog(dialog, [&](UiDriver& ui) {
        HWND window = ui.WaitForWindow("3-1");
        for (const Expected& e : texts) EXPECT_EQ(ui.Text(window, e.id), e.text) << "control " << e.id;
        // The hidden group keeps its template texts: it has no catalogue entries.
        EXPECT_EQ(ui.Text(window, IDC_FIELD_TYPE_POSITION), "Automatiche Positonsnr.");
        ui.Click(window, IDCANCEL);
    });
}

TEST(FieldDialogTest, TheTypeSetsItsHiddenButtonAndComesBackUnchanged) {
    struct TypeCase {
        std::int16_t type;
        int checked;  // 0: none of the three
    };
    const TypeCase cases[] = {{1, IDC_FIELD_TYPE_TEXT},
                              {2, IDC_FIELD_TYPE_POSITION},
                              {3, IDC_FIELD_TYPE_QUANTITY},
                              {0, 0},
                              {4, 0},
                              {-1, 0}};
    ScratchDirectory scratch;
    for (const TypeCase& c : cases) {
        SCOPED_TRACE("type " + std::to_string(c.type));
        FieldDialog dialog;
        dialog.type = c.type;
        INT_PTR result = RunDialog(dialog, [&](UiDriver& ui) {
            HWND window = ui.WaitForWindow(FieldDialogTitle());
            for (int radio : {IDC_FIELD_TYPE_TEXT, IDC_FIELD_TYPE_POSITION, IDC_FIELD_TYPE_QUANTITY})
                EXPECT_EQ(ui.CheckState(window, radio), radio == c.checked ? BST_CHECKED : BST_UNCHECKED) << radio;
            ui.Click(window, IDOK);
        });
        EXPECT_EQ(result, IDOK);
        EXPECT_EQ(dialog.type, c.type);
    }
}

TEST(FieldDialogTest, TypeButtonsSetTheTypeWhenTheyReportAClick) {
    ScratchDirectory scratch;
    struct ClickCase {
        int radio;
        std::int16_t type;
    };
    for (ClickCase c : {ClickCase{IDC_FIELD_TYPE_QUANTITY, 3}, ClickCase{IDC_FIELD_TYPE_POSITION, 2},
                        ClickCase{IDC_FIELD_TYPE_TEXT, 1}}) {
        FieldDialog dialog;
        dialog.type = c.type == 1 ? 2 : 1;
        RunDialog(dialog, [&](UiDriver& ui) {
            HWND window = ui.WaitForWindow(FieldDialogTitle());
            // The buttons are hidden: their click arrives only as the notification.
            SendMessageA(window, WM_COMMAND, MAKEWPARAM(c.radio, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(window, c.radio)));
            ui.Click(window, IDOK);
        });
        EXPECT_EQ(dialog.type, c.type) << "radio " << c.radio;
    }
}

TEST(FieldDialogTest, AutoButtonsReplaceTheFieldNameAndOnlyOkHandsItBack) {
    struct Step {
        int button;            // 0: type the text instead
        const char* typed;
    };
    struct SequenceCase {
        std::vector<Step> steps;
        int closeWith;
        std::string expected;
    };
    const SequenceCase cases[] = {
        {{{IDC_FIELD_AUTO_POSITION, nullptr}}, IDOK, "%i"},
        {{{IDC_FIELD_AUTO_QUANTITY, nullptr}}, IDOK, "%n"},
        {{{IDC_FIELD_AUTO_POSITION, nullptr}, {0, "Gewicht"}}, IDOK, "Gewicht"},
        {{{IDC_FIELD_AUTO_POSITION, nullptr}, {IDC_FIELD_AUTO_QUANTITY, nullptr}}, IDOK, "%n"},
        {{{IDC_FIELD_AUTO_POSITION, nullptr}}, IDCANCEL, "Benennung"},
        {{{IDC_FIELD_AUTO_QUANTITY, nullptr}}, IDCANCEL, "Benennung"},
    };
    ScratchDirectory scratch;
    for (const SequenceCase& c : cases) {
        SCOPED_TRACE("expecting " + c.expected);
        FieldDialog dialog;
        FillMembers(dialog);
        INT_PTR result = RunDialog(dialog, [&](UiDriver& ui) {
            HWND window = ui.WaitForWindow(FieldDialogTitle());
            for (const Step& step : c.steps) {
                if (step.button) {
                    ui.ClickAndWait(window, step.button);
                    EXPECT_EQ(ui.Text(window, IDC_FIELD_NAME),
                              step.button == IDC_FIELD_AUTO_POSITION ? "%i" : "%n");
                } else {
                    ui.SetText(window, IDC_FIELD_NAME, step.typed);
                }
            }
            ui.Click(window, c.closeWith);
        });
        EXPECT_EQ(result, c.closeWith);
        EXPECT_EQ(dialog.fieldName, c.expected);
        // The buttons touch nothing but the name.
        EXPECT_EQ(dialog.excelColumn, "AB");
        EXPECT_EQ(dialog.characterCount, "30");
    }
}

TEST(FieldDialogTest, TextsComeBackAsTypedWithoutChecks) {
    const char* counts[] = {"", "abc", " 12 ", "?5", "-3"};
    ScratchDirectory scratch;
    for (const char* count : counts) {
        FieldDialog dialog;
        FillMembers(dialog);
        RunDialog(dialog, [&](UiDriver& ui) {
            HWND window = ui.WaitForWindow(FieldDialogTitle());
            ui.SetText(window, IDC_FIELD_CHARACTER_COUNT, count);
            ui.SetText(window, IDC_FIELD_COLUMN, "");
            ui.SetText(window, IDC_FIELD_HEADING, ToAnsi("Größe §"));
            ui.Click(window, IDOK);
        });
        EXPECT_EQ(dialog.characterCount, count);
        EXPECT_EQ(dialog.excelColumn, "");
        EXPECT_EQ(dialog.columnHeading, ToAnsi("Größe §"));
        EXPECT_EQ(dialog.number, 7);
    }
}

TEST(FieldDialogTest, CancelHandsNothingBack) {
    ScratchDirectory scratch;
    FieldDialog dialog;
    FillMembers(dialog);
    INT_PTR result = RunDialog(dialog, [](UiDriver& ui) {
        HWND window = ui.WaitForWindow(FieldDialogTitle());
        ui.SetText(window, IDC_FIELD_NAME, "anders");
        ui.SetText(window, IDC_FIELD_CHARACTER_COUNT, "99");
        ui.Close(window);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dialog.fieldName, "Benennung");
    EXPECT_EQ(dialog.characterCount, "30");
}

TEST(FieldDialogTest, F1AsksForTheTopicOfHelpId3) {
    struct HelpCase {
        const char* catalogueTail;  // appended to a catalogue with the dialog's texts
        unsigned long context;
    };
    const HelpCase cases[] = {{"", 131206}, {"[Orvanta]\r\nHELP_ID3=4711\r\n", 4711},
                              {"[Orvanta]\r\nHELP_ID1=5\r\nHELP_ID3=x\r\n", 0}};
    for (const HelpCase& c : cases) {
        ScratchDirectory scratch(false);
        WriteFile(scratch.File("string_exl.txt"), std::string("[3]\r\n1=Feld\r\n") + c.catalogueTail);
        RecordingUi recording;
        FieldDialog dialog;
        dialog.type = 1;
        RunDialog(dialog, [](UiDriver& ui) {
            HWND window = ui.WaitForWindow("Feld");
            ui.PressF1(window, IDC_FIELD_NAME);
            EXPECT_TRUE(IsWindowVisible(window)) << "the dialog stays open";
            ui.Click(window, IDCANCEL);
        });
        ASSERT_EQ(recording.helpCalls.size(), 1u);
        EXPECT_EQ(recording.helpCalls[0].command, static_cast<unsigned>(HELP_CONTEXT));
        EXPECT_EQ(recording.helpCalls[0].data, c.context);
        EXPECT_TRUE(recording.boxes.empty());
    }
}

}  // namespace
}  // namespace exl::test
