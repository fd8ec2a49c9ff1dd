#include "profile/ProfileDialog.h"

#include "catalogue/MessageCatalogue.h"
#include "settings/ExportSettings.h"
#include "framework/CodePage.h"
#include "framework/Ini.h"
#include "host/FindHostFilePattern.h"
#include "host/HostGateway.h"
#include "profile/ExcelDefaultSheets.h"
#include "profile/FieldDialog.h"
#include "resource.h"

namespace exl {

namespace {

constexpr int kCatalogueSection = 2;
constexpr int kTitleKey = 1;
constexpr int kTableWordKey = 4;  // "Tabelle": the table rows and the profile's section names
constexpr int kDeleteQuestionFirstKey = 16;
constexpr int kDeleteQuestionSecondKey = 17;
constexpr int kDefaultSheetsKey = 18;
// The delete question holds two whole catalogue texts.
constexpr std::size_t kDeleteQuestionBufferSize = 512;

constexpr CatalogueControlText kControlTexts[] = {
    {IDC_PROFILE_TEMPLATE_LABEL, 2},   {IDC_PROFILE_TABLE_COUNT_LABEL, 3}, {IDC_PROFILE_SHEET_LABEL, 4},
    {IDC_PROFILE_HEADER_ROW_LABEL, 5}, {IDC_PROFILE_START_ROW_LABEL, 6},   {IDC_PROFILE_ADD_FIELD, 7},
    {IDOK, 8},                         {IDCANCEL, 9},                      {IDC_PROFILE_DELETE_FIELD, 15},
    {IDC_PROFILE_BLOCK_TRANSFER, 19},  {IDC_PROFILE_VALUES_AS_TEXT, 20}};

// The [Datei] switches shown as check boxes: checked when the key reads 1; a click
// writes "1" or "0" at once. "Formeln" stays for a text editor: letting drawings
// bring formulas is not a choice to offer with one click.
struct SwitchBox {
    int controlId;
    const char* key;
};
constexpr SwitchBox kSwitchBoxes[] = {{IDC_PROFILE_BLOCK_TRANSFER, kBlockTransferKey},
                                      {IDC_PROFILE_VALUES_AS_TEXT, kValuesAsTextKey}};

// The field list's columns after the number: heading key and the profile key shown.
struct FieldColumn {
    int headingKey;
    const char* keyFormat;
};
constexpr int kNumberHeadingKey = 10;
constexpr FieldColumn kFieldColumns[] = {{11, kFieldNameKeyFormat},
                                         {12, kColumnKeyFormat},
                                         {13, kCharacterLimitKeyFormat},
                                         {14, kColumnHeadingKeyFormat}};

constexpr const char* kTemplatePrompt = "Exceldatei selektieren";
constexpr const char* kTemplateTag = "XLS";
constexpr const char* kTemplateFallbackPattern = ".\\exl\\*.xls";

// Field numbers are 16-bit: a table holds at most this many.
constexpr int kMaxFieldNumber = 32767;

// Sets a flag for the lifetime of the holder.
class ScopedFlag {
public:
    explicit ScopedFlag(bool& flag) : flag_(flag), previous_(flag) { flag_ = true; }
    ~ScopedFlag() { flag_ = previous_; }
    ScopedFlag(const ScopedFlag&) = delete;
    ScopedFlag& operator=(const ScopedFlag&) = delete;

private:
    bool& flag_;
    bool previous_;
};

std::string TableRowText(int table) {
    return Format("%s %i", MessageCatalogue::Text(kCatalogueSection, kTableWordKey).c_str(), table);
}

void WriteScratch(const char* key, const std::string& text) {
    WriteIniString(kEditorScratchFile, kEditorScratchSection, key, text);
}

}  // namespace

ProfileDialog::ProfileDialog(HWND parent) : Dialog(IDD, parent) {}

ProfileDialog::~ProfileDialog() = default;

bool ProfileDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    tables_.Attach(Item(IDC_PROFILE_TABLE_LIST));
    fields_.Attach(Item(IDC_PROFILE_FIELD_LIST));
    SetTexts();
    ShowExcelDefaultSheets();
    currentSection_ = TableRowText(1);
    const TransferProfile profile = Profile();
    SetItemText(IDC_PROFILE_TABLE_COUNT, profile.TableCountText());
    ShowCurrentTable();
    SetItemText(IDC_PROFILE_TEMPLATE_PATH, profile.ExcelTemplate());
    for (const SwitchBox& box : kSwitchBoxes)
        SetCheck(box.controlId, profile.SwitchOn(box.key) ? BST_CHECKED : BST_UNCHECKED);
    InsertColumns();
    BuildTableList(profile.TableCountForEditor());
    FillFieldList();
    // Widths are fitted once, to what the lists hold now.
    tables_.SizeColumnsToFit();
    fields_.SizeColumnsToFit();
    tables_.AddExtendedStyle(LVS_EX_FULLROWSELECT);
    fields_.AddExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES);
    return true;
}

void ProfileDialog::SetTexts() {
    SetDialogTexts(Hwnd(), kCatalogueSection, kTitleKey, kControlTexts);
}

void ProfileDialog::ShowExcelDefaultSheets() {
    const int sheets = ReadExcelDefaultSheets(ReadExcelVersion());
    SetItemText(IDC_PROFILE_DEFAULT_SHEETS,
                Format("(%s %i)", MessageCatalogue::Text(kCatalogueSection, kDefaultSheetsKey).c_str(), sheets));
}

// The three edits and the group box follow the current table.
void ProfileDialog::ShowCurrentTable() {
    const TransferProfile profile = Profile();
    SetItemText(IDC_PROFILE_HEADER_ROW, profile.HeaderRowText(currentSection_));
    SetItemText(IDC_PROFILE_START_ROW, profile.StartRowText(currentSection_));
    SetItemText(IDC_PROFILE_SHEET, profile.SheetText(currentSection_));
    SetItemText(IDC_PROFILE_TABLE_GROUP, currentSection_);
}

void ProfileDialog::InsertColumns() {
    tables_.InsertColumn(0, MessageCatalogue::Text(kCatalogueSection, kTableWordKey));
    fields_.InsertColumn(0, MessageCatalogue::Text(kCatalogueSection, kNumberHeadingKey));
    int column = 1;
    for (const FieldColumn& field : kFieldColumns)
        fields_.InsertColumn(column++, MessageCatalogue::Text(kCatalogueSection, field.headingKey));
}

void ProfileDialog::BuildTableList(int count) {
    {
        ScopedFlag filling(fillingTables_);
        tables_.DeleteAllRows();
        for (int table = 1; table <= count; ++table) {
            tables_.InsertRow(table - 1, TableRowText(table));
            tables_.SetItemData(0, table);
        }
    }
    // Setting the first row's item data is a change of that row: the list is sorted,
    // so it is table 1's row, which becomes current. Reported here, once, and not left
    // to the control: it reports new item data only when it differs from what the row
    // held before.
    if (count >= 1) OnTableRowChanged(0);
}

void ProfileDialog::FillFieldList() {
    const TransferProfile profile = Profile();
    const int count = profile.FieldCount(currentSection_);
    int lastRow = -1;
    {
        ScopedFlag filling(fillingFields_);
        fields_.DeleteAllRows();
        for (int field = 1; field <= count; ++field) {
            const int row = fields_.InsertRow(field - 1, Format("%i", field));
            if (row < 0) break;
            fields_.SetItemData(row, field);
            int column = 1;
            for (const FieldColumn& cell : kFieldColumns)
                fields_.SetCell(row, column++, profile.FieldText(currentSection_, cell.keyFormat, field));
            lastRow = row;
        }
    }
    // Each row's item data is a change of that row, so the last row ends up current;
    // reported here for the same reason as the table list's first row.
    if (lastRow >= 0) OnFieldRowChanged(lastRow);
}

void ProfileDialog::OnTableRowChanged(int row) {
    currentRow_ = static_cast<std::int16_t>(row);
    if (row < 0) return;
    currentSection_ = tables_.Cell(row, 0, kIniValueMaxChars);
    WriteScratch("Tabelle", currentSection_);
    ShowCurrentTable();
    FillFieldList();
}

void ProfileDialog::OnFieldRowChanged(int row) {
    currentRow_ = static_cast<std::int16_t>(row);
    if (row < 0) return;
    WriteScratch("Nr", fields_.Cell(row, 0, kIniValueMaxChars));
}

bool ProfileDialog::OnCommand(int controlId, int notification, HWND) {
    if (closing_) return false;
    if (notification == EN_KILLFOCUS) return OnEditLeft(controlId);
    if (notification != BN_CLICKED) return false;
    switch (controlId) {
    case IDC_PROFILE_BROWSE:
        OnBrowse();
        return true;
    case IDC_PROFILE_ADD_FIELD:
        OnAddField();
        return true;
    case IDC_PROFILE_DELETE_FIELD:
        OnDeleteField();
        return true;
    default:
        return OnSwitchClicked(controlId);
    }
}

bool ProfileDialog::OnSwitchClicked(int controlId) {
    for (const SwitchBox& box : kSwitchBoxes) {
        if (box.controlId != controlId) continue;
        Profile().WriteSwitch(box.key, Check(controlId) == BST_CHECKED);
        return true;
    }
    return false;
}

bool ProfileDialog::OnNotify(NMHDR& header, LRESULT& result) {
    if (closing_) return false;
    result = 0;
    const bool fromTables = header.idFrom == IDC_PROFILE_TABLE_LIST;
    const bool fromFields = header.idFrom == IDC_PROFILE_FIELD_LIST;
    switch (header.code) {
    case LVN_ITEMCHANGED: {
        // Whatever changed (selection, focus, item data), the row counts as reported.
        const int row = reinterpret_cast<NMLISTVIEW&>(header).iItem;
        if (fromTables && !fillingTables_) OnTableRowChanged(row);
        if (fromFields && !fillingFields_) OnFieldRowChanged(row);
        return fromTables || fromFields;
    }
    case NM_DBLCLK:
        if (!fromFields) return false;
        OnEditField();
        return true;
    default:
        return false;
    }
}

bool ProfileDialog::OnEditLeft(int controlId) {
    const TransferProfile profile = Profile();
    switch (controlId) {
    case IDC_PROFILE_HEADER_ROW: {
        const std::string text = EditText(IDC_PROFILE_HEADER_ROW);
        profile.WriteHeaderRowText(currentSection_, text);
        // The start row below the header is only shown; it is written when its own
        // field loses the focus or on OK.
        SetItemText(IDC_PROFILE_START_ROW, Format("%i", NumberFromText(text) + 1));
        return true;
    }
    case IDC_PROFILE_START_ROW:
        profile.WriteStartRowText(currentSection_, EditText(IDC_PROFILE_START_ROW));
        return true;
    case IDC_PROFILE_SHEET:
        profile.WriteSheetText(currentSection_, EditText(IDC_PROFILE_SHEET));
        return true;
    case IDC_PROFILE_TABLE_COUNT: {
        const std::string text = EditText(IDC_PROFILE_TABLE_COUNT);
        profile.WriteTableCountText(text);
        BuildTableList(NumberFromText(text));
        return true;
    }
    default:
        return false;
    }
}

void ProfileDialog::OnBrowse() {
    char path[kHostPathBufferSize];
    FindHostFilePattern(kTemplateTag, kTemplateFallbackPattern, path, kHostIniLineLimit, kHostIniPath);
    const std::int16_t answer = RequestFileSelection(kTemplatePrompt, path);
    // The host answers in the OEM code page.
    const std::string chosen = ConvertOemToAnsi(path);
    if (answer != kFileChosen) return;
    SetItemText(IDC_PROFILE_TEMPLATE_PATH, chosen);
    Profile().WriteExcelTemplate(chosen);
}

void ProfileDialog::OnAddField() {
    const TransferProfile profile = Profile();
    int count = profile.FieldCount(currentSection_);
    // A count below 0 (written by hand) holds no field: the new one is field 1, never 0.
    if (count < 0) count = 0;
    if (count >= kMaxFieldNumber) return;
    FieldDialog dialog;
    dialog.number = count + 1;
    dialog.type = kFieldTypeText;
    if (dialog.DoModal() != IDOK) return;
    FieldDefinition definition;
    definition.name = dialog.fieldName;
    definition.columnHeading = dialog.columnHeading;
    definition.column = dialog.excelColumn;
    definition.limitText = dialog.characterCount;
    definition.type = dialog.type;
    profile.WriteFieldDefinition(currentSection_, count + 1, definition);
    profile.WriteFieldCount(currentSection_, count + 1);
    FillFieldList();
}

void ProfileDialog::OnEditField() {
    int field = 0;
    if (!CurrentField(field)) return;
    const TransferProfile profile = Profile();
    FieldDefinition definition = profile.ReadFieldDefinition(currentSection_, field);
    FieldDialog dialog;
    dialog.fieldName = definition.name;
    dialog.excelColumn = definition.column;
    dialog.number = field;
    dialog.columnHeading = definition.columnHeading;
    dialog.characterCount = definition.limitText;
    dialog.type = definition.type;
    if (dialog.DoModal() != IDOK) return;
    definition.name = dialog.fieldName;
    definition.columnHeading = dialog.columnHeading;
    definition.column = dialog.excelColumn;
    definition.limitText = dialog.characterCount;
    definition.type = dialog.type;
    profile.WriteFieldDefinition(currentSection_, field, definition);
    FillFieldList();
}

void ProfileDialog::OnDeleteField() {
    int field = 0;
    if (!CurrentField(field)) return;
    if (AskTwoParagraphQuestion(kCatalogueSection, kDeleteQuestionFirstKey, kDeleteQuestionSecondKey, kTitleKey,
                                kDeleteQuestionBufferSize) == IDNO)
        return;
    Profile().DeleteFieldRenumbering(currentSection_, field);
    FillFieldList();
}

bool ProfileDialog::CurrentField(int& field) const {
    if (!fields_.HasRow(currentRow_)) return false;
    const LPARAM number = fields_.ItemData(currentRow_);
    const int count = Profile().FieldCount(currentSection_);
    if (number < 1 || number > count) return false;
    field = static_cast<int>(number);
    return true;
}

void ProfileDialog::OnOK() {
    closing_ = true;
    const TransferProfile profile = Profile();
    profile.WriteTableCountText(EditText(IDC_PROFILE_TABLE_COUNT));
    profile.WriteSheetText(currentSection_, EditText(IDC_PROFILE_SHEET));
    profile.WriteHeaderRowText(currentSection_, EditText(IDC_PROFILE_HEADER_ROW));
    profile.WriteStartRowText(currentSection_, EditText(IDC_PROFILE_START_ROW));
    profile.WriteExcelTemplate(EditText(IDC_PROFILE_TEMPLATE_PATH));
    EndDialog(IDOK);
}

void ProfileDialog::OnCancel() {
    closing_ = true;
    Dialog::OnCancel();
}

void ProfileDialog::OnHelp() { ShowHelpTopic(Hwnd(), kProfileEditorHelp); }

std::string ProfileDialog::EditText(int controlId) const { return ItemText(controlId, kIniValueMaxChars); }

}  // namespace exl
