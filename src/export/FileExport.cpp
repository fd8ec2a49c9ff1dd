#include "export/FileExport.h"

#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "catalogue/MessageCatalogue.h"
#include "export/AssociatedProgram.h"
#include "export/FileLayout.h"
#include "export/FileMessages.h"
#include "export/FileTarget.h"
#include "export/RecordFile.h"
#include "export/RecordRows.h"
#include "framework/Ini.h"
#include "framework/IniSnapshot.h"
#include "framework/MessageBoxes.h"
#include "profile/TransferProfile.h"
#include "workbook/SaveWorkbook.h"
#include "workbook/TargetFile.h"
#include "workbook/TemplateFile.h"
#include "workbook/WorkbookWriting.h"

namespace exl {

namespace {

constexpr int kSection = 0;
constexpr int kTooFewSheetsMessage = 9;
constexpr int kTooFewSheetsCaption = 10;
// A new workbook's sheets, as a German Excel names them.
constexpr const char* kNewSheetNameFormat = "Tabelle%i";

std::wstring WidePath(const std::string& ansi) {
    if (ansi.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &wide[0], length);
    return wide;
}

// True when the template can be filled; otherwise its message, naming it, is shown.
bool TemplateUsable(workbook::TemplateProblem problem, const std::string& path) {
    switch (problem) {
    case workbook::TemplateProblem::None: return true;
    case workbook::TemplateProblem::Missing: ShowFileMessage(kTemplateMissingKey, {path}); break;
    case workbook::TemplateProblem::NotWorkbook: ShowFileMessage(kTemplateNotWorkbookKey, {path}); break;
    default: ShowFileMessage(kTemplateUnusableKey, {path}); break;
    }
    return false;
}

std::vector<workbook::SheetKind> SheetKinds(const workbook::TemplateFile* templateFile, const TransferProfile& profile) {
    if (!templateFile) return std::vector<workbook::SheetKind>(NewWorkbookSheetCount(profile), workbook::SheetKind::Worksheet);
    std::vector<workbook::SheetKind> kinds;
    for (const workbook::SheetEntry& sheet : templateFile->Package().sheets) kinds.push_back(sheet.kind);
    return kinds;
}

void ShowLayoutFault(const LayoutFault& fault) {
    const std::string table = std::to_string(fault.table);
    switch (fault.problem) {
    case LayoutProblem::NoSuchSheet: ShowFileMessage(kNoSuchSheetKey, {table, std::to_string(fault.sheet)}); break;
    case LayoutProblem::NotAWorksheet: ShowFileMessage(kNotAWorksheetKey, {table, std::to_string(fault.sheet)}); break;
    case LayoutProblem::CellOutsideSheet:
        ShowFileMessage(kCellOutsideSheetKey, {table, std::to_string(fault.field), fault.fieldName, fault.cell});
        break;
    case LayoutProblem::None: break;
    }
}

// True when the workbook may be written there: after the user has agreed to replace
// an existing file. Otherwise the reason is shown (or the user said no).
bool TargetAccepted(const std::string& target, const std::string& templatePath, bool macros) {
    const char* extension = TargetExtension(macros);
    if (!HasExtension(target, extension)) {
        ShowFileMessage(kWrongExtensionKey, {target, extension});
        return false;
    }
    // The template is never changed, whatever the spelling of its path.
    if (!templatePath.empty() && workbook::SameFile(WidePath(target), WidePath(templatePath))) {
        ShowFileMessage(kTargetIsTemplateKey, {target});
        return false;
    }
    switch (workbook::ProbeTarget(WidePath(target))) {
    case workbook::TargetState::Absent: return true;
    case workbook::TargetState::Present: return AskFileQuestion(kReplaceQuestionKey, {target});
    case workbook::TargetState::FolderMissing: ShowFileMessage(kFolderMissingKey, {target}); break;
    case workbook::TargetState::ReadOnly: ShowFileMessage(kTargetReadOnlyKey, {target}); break;
    case workbook::TargetState::InUse: ShowFileMessage(kTargetInUseKey, {target}); break;
    case workbook::TargetState::NotAFile: ShowFileMessage(kCannotWriteKey, {target}); break;
    }
    return false;
}

std::vector<std::string> NewSheetNames(std::size_t count) {
    std::vector<std::string> names;
    for (std::size_t sheet = 1; sheet <= count; ++sheet) names.push_back(Format(kNewSheetNameFormat, static_cast<int>(sheet)));
    return names;
}

bool WriteWorkbook(const std::string& target, const workbook::TemplateFile* templateFile, const SheetFields& fields,
                   const IniSnapshot& records, std::int32_t recordCount) {
    std::vector<std::unique_ptr<RecordRows>> sources;
    std::vector<workbook::RowSource*> rows;
    for (const std::vector<FileField>& sheetFields : fields) {
        if (sheetFields.empty()) {
            rows.push_back(nullptr);
            continue;
        }
        sources.push_back(std::make_unique<RecordRows>(sheetFields, records, recordCount));
        rows.push_back(sources.back().get());
    }
    std::string detail;
    const workbook::SaveProblem problem = workbook::SaveWorkbook(
        WidePath(target),
        [&](workbook::ZipWriter& zip, std::string& why) {
            if (templateFile)
                return workbook::WriteTemplateCopy(templateFile->Zip(), templateFile->Package(), rows, zip, why);
            return workbook::WriteNewWorkbook(NewSheetNames(fields.size()), rows, zip, why);
        },
        detail);
    return problem == workbook::SaveProblem::None;
}

}  // namespace

FileExportOutcome ExportToFile(const std::string& profilePath, const std::string& recordFile) {
    const TransferProfile profile(profilePath);
    const std::string templatePath = profile.ExcelTemplate();
    workbook::TemplateFile templateFile;
    std::string detail;
    if (!templatePath.empty() && !TemplateUsable(templateFile.Open(WidePath(templatePath), detail), templatePath))
        return FileExportOutcome::Ended;
    const workbook::TemplateFile* filled = templatePath.empty() ? nullptr : &templateFile;

    const std::vector<workbook::SheetKind> sheets = SheetKinds(filled, profile);
    if (sheets.size() < static_cast<std::size_t>(std::max<int>(0, profile.TableCountForSheetCheck()))) {
        SystemMessageBox(MessageCatalogue::Text(kSection, kTooFewSheetsMessage),
                         MessageCatalogue::Text(kSection, kTooFewSheetsCaption), kNoticeMessageFlags);
        return FileExportOutcome::Ended;
    }
    // The record file is read once, as the sheet writer reads it.
    const IniSnapshot records(recordFile);
    const std::int32_t recordCount = ReadIniInt(recordFile, kRecordCountSection, kRecordCountKey, 0);
    SheetFields fields;
    const LayoutFault fault = LayOutTables(profile, sheets, records, recordCount, fields);
    if (fault.problem != LayoutProblem::None) {
        ShowLayoutFault(fault);
        return FileExportOutcome::Ended;
    }

    const bool macros = filled && templateFile.Package().hasMacros;
    const std::optional<std::string> target = AskForTargetFile(profilePath, macros);
    if (!target || !TargetAccepted(*target, templatePath, macros)) return FileExportOutcome::Ended;
    if (!WriteWorkbook(*target, filled, fields, records, recordCount)) {
        ShowFileMessage(kCannotWriteKey, {*target});
        return FileExportOutcome::Ended;
    }
    OpenWithAssociatedProgram(*target);
    return FileExportOutcome::Saved;
}

}  // namespace exl
