#include "export/ExportDialog.h"

#include "catalogue/MessageCatalogue.h"
#include "framework/CodePage.h"
#include "host/FindHostFilePattern.h"
#include "host/HostGateway.h"
#include "profile/DefineProfileAction.h"
#include "resource.h"

namespace exl {

namespace {

// Excel 97, 2000 and XP are the versions 8, 9 and 10; a file without Excel is 0.
constexpr RadioValue kVersionButtons[] = {{IDC_EXPORT_EXCEL_97, 8},
                                          {IDC_EXPORT_EXCEL_2000, 9},
                                          {IDC_EXPORT_EXCEL_XP, 10},
                                          {IDC_EXPORT_FILE, kFileVersion}};

// Control texts of section "1", in the order they are set after the title.
constexpr CatalogueControlText kControlTexts[] = {
    {IDC_EXPORT_SELECTION_GROUP, 2}, {IDC_EXPORT_ASSEMBLY_INFO, 3}, {IDC_EXPORT_ELEMENT_INFO, 4},
    {IDC_EXPORT_LEVEL_ZERO, 19},     {IDC_EXPORT_TRANSFER_GROUP, 5}, {IDC_EXPORT_PROFILE_LABEL, 6},
    {IDC_EXPORT_DEFINE_PROFILE, 7},  {IDC_EXPORT_VERSION_GROUP, 8},  {IDC_EXPORT_EXCEL_97, 9},
    {IDC_EXPORT_EXCEL_2000, 10},     {IDC_EXPORT_EXCEL_XP, 11},      {IDC_EXPORT_FILE, 20},
    {IDOK, 12},                      {IDCANCEL, 13}};
constexpr int kCatalogueSection = 1;
constexpr int kTitleKey = 1;
constexpr int kBrowsePromptKey = 14;

}  // namespace

ExportDialog::ExportDialog(HWND parent) : Dialog(IDD, parent) {}

void ExportDialog::Load(const ExportSettings& settings) {
    assemblyInfo = settings.assemblyInfo;
    elementInfo = settings.elementInfo;
    profilePath = settings.profilePath;
    newWorkbook = settings.newWorkbook;
    levelZeroOnly = settings.levelZeroOnly;
    excelVersion = settings.excelVersion;
}

ExportSettings ExportDialog::Settings() const {
    ExportSettings settings;
    settings.assemblyInfo = assemblyInfo;
    settings.elementInfo = elementInfo;
    settings.profilePath = profilePath;
    settings.newWorkbook = newWorkbook;
    settings.levelZeroOnly = levelZeroOnly;
    settings.excelVersion = excelVersion;
    return settings;
}

void ExportDialog::DoDataExchange(DataExchange& exchange) {
    exchange.Check(IDC_EXPORT_ASSEMBLY_INFO, assemblyInfo);
    exchange.Check(IDC_EXPORT_ELEMENT_INFO, elementInfo);
    exchange.Text(IDC_EXPORT_PROFILE_PATH, profilePath);
    exchange.Check(IDC_EXPORT_NEW_WORKBOOK, newWorkbook);
    exchange.Check(IDC_EXPORT_LEVEL_ZERO, levelZeroOnly);
}

bool ExportDialog::OnInitDialog() {
    Dialog::OnInitDialog();
    // A version other than 8, 9, 10 or 0 leaves every button as the template has it: unchecked.
    ShowRadioValue(kVersionButtons, excelVersion);
    SetDialogTexts(Hwnd(), kCatalogueSection, kTitleKey, kControlTexts);
    return true;
}

bool ExportDialog::OnCommand(int controlId, int notification, HWND) {
    if (notification != BN_CLICKED) return false;
    switch (controlId) {
    case IDC_EXPORT_BROWSE:
        OnBrowse();
        return true;
    case IDC_EXPORT_DEFINE_PROFILE:
        OnDefineProfile();
        return true;
    default:
        break;
    }
    int version = 0;
    if (!RadioValueOf(kVersionButtons, controlId, version)) return false;
    OnVersion(static_cast<std::int16_t>(version));
    return true;
}

void ExportDialog::OnBrowse() {
    char path[kHostPathBufferSize];
    FindHostFilePattern("EXL", ".\\exl\\*.exl", path, kHostIniLineLimit, kHostIniPath);
    std::string prompt = MessageCatalogue::Text(kCatalogueSection, kBrowsePromptKey);
    if (RequestFileSelection(prompt.c_str(), path) != kFileChosen) return;
    // The host answers in the OEM code page.
    profilePath = ConvertOemToAnsi(path);
    SetItemText(IDC_EXPORT_PROFILE_PATH, profilePath);
}

void ExportDialog::OnDefineProfile() { RunDefineProfileAction(Hwnd(), IDC_EXPORT_PROFILE_PATH, profilePath); }

void ExportDialog::OnVersion(std::int16_t version) {
    excelVersion = version;
    WriteExcelVersion(version);
}

void ExportDialog::OnHelp() { ShowHelpTopic(Hwnd(), kExportDialogHelp); }

}  // namespace exl
