#include "profile/FieldDialog.h"

#include "catalogue/MessageCatalogue.h"
#include "resource.h"

namespace exl {

namespace {

constexpr int kCatalogueSection = 3;
constexpr int kTitleKey = 1;

// Control texts of section "3", in the order they are set after the title.
constexpr CatalogueControlText kControlTexts[] = {
    {IDC_FIELD_NUMBER_LABEL, 2}, {IDC_FIELD_NAME_LABEL, 3},            {IDC_FIELD_HEADING_LABEL, 4},
    {IDC_FIELD_COLUMN_LABEL, 5}, {IDC_FIELD_CHARACTER_COUNT_LABEL, 6}, {IDOK, 7},
    {IDCANCEL, 8},               {IDC_FIELD_AUTO_POSITION, 9},         {IDC_FIELD_AUTO_QUANTITY, 10}};

// The hidden type group: 1 text, 2 automatic position number, 3 automatic quantity.
constexpr RadioValue kTypeButtons[] = {
    {IDC_FIELD_TYPE_TEXT, 1}, {IDC_FIELD_TYPE_POSITION, 2}, {IDC_FIELD_TYPE_QUANTITY, 3}};

}  // namespace

FieldDialog::FieldDialog(HWND parent) : Dialog(IDD, parent) {}

void FieldDialog::DoDataExchange(DataExchange& exchange) {
    exchange.Text(IDC_FIELD_NAME, fieldName);
    exchange.Text(IDC_FIELD_COLUMN, excelColumn);
    exchange.Int(IDC_FIELD_NUMBER, number);
    exchange.Text(IDC_FIELD_HEADING, columnHeading);
    exchange.Text(IDC_FIELD_CHARACTER_COUNT, characterCount);
}

bool FieldDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    // A type other than 1, 2 or 3 leaves the three buttons as the template has them.
    ShowRadioValue(kTypeButtons, type);
    SetDialogTexts(Hwnd(), kCatalogueSection, kTitleKey, kControlTexts);
    return true;
}

bool FieldDialog::OnCommand(int controlId, int notification, HWND) {
    if (notification != BN_CLICKED) return false;
    switch (controlId) {
    case IDC_FIELD_AUTO_POSITION:
        SetItemText(IDC_FIELD_NAME, kAutoPositionFieldName);
        return true;
    case IDC_FIELD_AUTO_QUANTITY:
        SetItemText(IDC_FIELD_NAME, kAutoQuantityFieldName);
        return true;
    default:
        break;
    }
    int clicked = 0;
    if (!RadioValueOf(kTypeButtons, controlId, clicked)) return false;
    type = static_cast<std::int16_t>(clicked);
    return true;
}

void FieldDialog::OnHelp() { ShowHelpTopic(Hwnd(), kFieldDialogHelp); }

}  // namespace exl
