// Templates 2003 and 2004 held against their tables: frame, font, caption, and for
// every control in template order its id, class, text, position and style.
#include <windows.h>

#include <commctrl.h>
#include <gtest/gtest.h>

#include "DialogTemplate.h"
#include "framework/Application.h"
#include "resource.h"

namespace exl::test {
namespace {

constexpr int kButton = 0, kEdit = 1, kLabel = 2, kList = 3;

struct ExpectedControl {
    int id;
    int kind;
    DWORD kindStyle;  // button type, list view, or the edit's styles that must be set
    const char* text;
    short x, y, cx, cy;
    bool tabStop;
    bool visibleAndEnabled;
};

constexpr DWORD kEditStyle = ES_AUTOHSCROLL | WS_BORDER;
constexpr DWORD kSortedReport = LVS_REPORT | LVS_SORTASCENDING;

const ExpectedControl kProfileControls[] = {
    {IDOK, kButton, BS_DEFPUSHBUTTON, "OK", 264, 196, 50, 14, true, true},
    {IDCANCEL, kButton, BS_PUSHBUTTON, "Abbrechen", 332, 196, 50, 14, true, true},
    {2018, kLabel, SS_LEFT, "Anzahl Tabellen in Datei ", 7, 27, 114, 8, false, true},
    {2001, kEdit, kEditStyle, "", 128, 24, 40, 14, true, true},
    {2017, kLabel, SS_LEFT, "Excel-Datei", 7, 10, 115, 8, false, true},
    {2002, kEdit, kEditStyle, "", 128, 7, 228, 14, true, true},
    {2009, kButton, BS_PUSHBUTTON, "...", 363, 7, 19, 14, true, true},
    {2000, kList, kSortedReport, "", 7, 41, 72, 150, true, true},
    {2013, kList, LVS_REPORT, "", 91, 82, 284, 83, true, true},
    {2010, kButton, BS_PUSHBUTTON, "Feld hinzufügen", 92, 169, 63, 14, true, true},
    {2021, kButton, BS_GROUPBOX, "Static", 86, 39, 296, 153, false, true},
    {2022, kLabel, SS_LEFT, "Startzeile der Kopfzeile:", 93, 67, 87, 8, false, true},
    {2023, kLabel, SS_LEFT, "Startzeile der Liste:", 233, 67, 93, 8, false, true},
    {2003, kEdit, kEditStyle, "", 184, 64, 40, 14, true, true},
    {2004, kEdit, kEditStyle, "", 331, 64, 40, 14, true, true},
    {2025, kLabel, SS_LEFT, "Tabelle", 95, 49, 84, 8, false, true},
    {2019, kEdit, kEditStyle, "", 184, 46, 40, 14, true, true},
    {2011, kButton, BS_PUSHBUTTON, "Feld löschen", 163, 169, 63, 14, true, true},
    {2027, kLabel, SS_LEFT, "(derzeit in Excel voreingestellt: %i)", 177, 27, 193, 8, false, true},
    {2030, kButton, BS_AUTOCHECKBOX, "Blockweise übertragen", 7, 198, 100, 10, true, true},
    {2031, kButton, BS_AUTOCHECKBOX, "Werte als Text", 112, 198, 80, 10, true, true},
};

// The type group of 2004 is hidden and disabled; the number edit only disabled.
const ExpectedControl kFieldControls[] = {
    {IDOK, kButton, BS_DEFPUSHBUTTON, "OK", 178, 114, 50, 14, true, true},
    {IDCANCEL, kButton, BS_PUSHBUTTON, "Abbrechen", 236, 114, 50, 14, true, true},
    {2017, kLabel, SS_LEFT, "Nr.: ", 11, 14, 64, 8, false, true},
    {2018, kLabel, SS_LEFT, "Feldname", 11, 32, 62, 8, false, true},
    {2021, kLabel, SS_LEFT, "Spaltenüberschrift", 9, 50, 66, 8, false, true},
    {-1, kButton, BS_GROUPBOX, "Typ", 7, 48, 279, 58, false, false},
    {2006, kButton, BS_AUTORADIOBUTTON, "Text", 21, 62, 30, 10, false, false},
    {2007, kButton, BS_AUTORADIOBUTTON, "Automatiche Positonsnr.", 21, 75, 92, 10, false, false},
    {2012, kButton, BS_AUTORADIOBUTTON, "automatische Menge", 21, 88, 82, 10, false, false},
    {2001, kEdit, kEditStyle, "", 76, 11, 40, 14, true, true},
    {2002, kEdit, kEditStyle, "", 75, 29, 132, 14, true, true},
    {2019, kEdit, kEditStyle, "", 75, 47, 132, 14, true, true},
    {2022, kLabel, SS_LEFT, "Excel-Spalte", 11, 68, 63, 8, false, true},
    {2023, kLabel, SS_LEFT, "Anzahl Zeichen", 11, 85, 61, 8, false, true},
    {2003, kEdit, kEditStyle, "", 76, 65, 40, 14, true, true},
    {2004, kEdit, kEditStyle, "", 76, 82, 40, 14, true, true},
    {2009, kButton, BS_PUSHBUTTON, "AutoMenge ", 213, 29, 73, 14, true, true},
    {2010, kButton, BS_PUSHBUTTON, "AutoPos", 213, 14, 73, 14, true, true},
};

const char* ClassOfKind(int kind) {
    switch (kind) {
    case kButton:
        return "Button";
    case kEdit:
        return "Edit";
    case kLabel:
        return "Static";
    default:
        return "SysListView32";
    }
}

void ExpectControl(const TemplateControl& actual, const ExpectedControl& expected) {
    SCOPED_TRACE("control " + std::to_string(expected.id) + " \"" + expected.text + "\"");
    EXPECT_EQ(actual.id, expected.id);
    // Class names are compared without regard to case, as the platform does (windres
    // writes a named class in capitals).
    EXPECT_EQ(CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, actual.windowClass.c_str(), -1,
                             ClassOfKind(expected.kind), -1),
              CSTR_EQUAL)
        << actual.windowClass;
    EXPECT_EQ(actual.text, expected.text);
    EXPECT_EQ(actual.x, expected.x);
    EXPECT_EQ(actual.y, expected.y);
    EXPECT_EQ(actual.cx, expected.cx);
    EXPECT_EQ(actual.cy, expected.cy);
    EXPECT_EQ((actual.style & WS_TABSTOP) != 0, expected.tabStop);
    EXPECT_EQ((actual.style & WS_VISIBLE) != 0, expected.visibleAndEnabled);
    switch (expected.kind) {
    case kButton:
        EXPECT_EQ(actual.style & BS_TYPEMASK, expected.kindStyle);
        break;
    case kLabel:
        EXPECT_EQ(actual.style & SS_TYPEMASK, expected.kindStyle);
        break;
    case kEdit:
        EXPECT_EQ(actual.style & expected.kindStyle, expected.kindStyle);
        break;
    case kList:
        // Report view, sorted only where the table says so; cells are never edited and
        // several rows may be selected.
        EXPECT_EQ(actual.style & (LVS_TYPEMASK | LVS_SORTASCENDING | LVS_SORTDESCENDING), expected.kindStyle);
        EXPECT_EQ(actual.style & (LVS_EDITLABELS | LVS_SINGLESEL), 0u);
        break;
    }
}

struct TemplateCase {
    int templateId;
    const char* caption;
    short cx, cy;
    const ExpectedControl* controls;
    std::size_t count;
};

TEST(TemplateTest, TemplatesMatchTheirTablesControlByControl) {
    const TemplateCase cases[] = {
        {IDD_PROFILE_DIALOG, "Übergabeprofil definieren", 389, 217, kProfileControls, std::size(kProfileControls)},
        {IDD_FIELD_DIALOG, "Felddefinitionen", 293, 135, kFieldControls, std::size(kFieldControls)},
    };
    for (const TemplateCase& c : cases) {
        SCOPED_TRACE("template " + std::to_string(c.templateId));
        DialogTemplate dialog;
        ASSERT_TRUE(LoadDialogTemplate(Application::Instance().ResourceModule(), c.templateId, dialog));
        EXPECT_EQ(dialog.caption, c.caption);
        EXPECT_EQ(dialog.cx, c.cx);
        EXPECT_EQ(dialog.cy, c.cy);
        EXPECT_EQ(dialog.fontSize, 8);
        EXPECT_EQ(dialog.fontName, "MS Sans Serif");
        const DWORD frame = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
        EXPECT_EQ(dialog.style & frame, frame);
        ASSERT_EQ(dialog.controls.size(), c.count);
        for (std::size_t i = 0; i < c.count; ++i) ExpectControl(dialog.controls[i], c.controls[i]);
        for (std::size_t i = 0; i < c.count; ++i) {
            const bool disabled = (dialog.controls[i].style & WS_DISABLED) != 0;
            // Only the number edit (2001) and the hidden type group of 2004 are disabled.
            const bool expectDisabled = !c.controls[i].visibleAndEnabled ||
                                        (c.templateId == IDD_FIELD_DIALOG && c.controls[i].id == 2001);
            EXPECT_EQ(disabled, expectDisabled) << "control " << c.controls[i].id;
        }
    }
}

}  // namespace
}  // namespace exl::test
