#include "export/file/ListWorkbook.h"

#include <memory>
#include <optional>
#include <utility>
#include <vector>

#include "catalogue/MessageCatalogue.h"
#include "export/file/FileMessages.h"
#include "export/file/ListLooks.h"
#include "export/file/RecordRows.h"
#include "export/file/TemplateFit.h"
#include "export/records/RecordFile.h"
#include "framework/CodePage.h"
#include "framework/Ini.h"
#include "framework/MessageBoxes.h"
#include "profile/TransferProfile.h"
#include "workbook/file/SaveWorkbook.h"
#include "workbook/sheet/WorkbookWriting.h"

namespace exl {

namespace {

constexpr int kTooFewSheetsMessage = 9;
constexpr int kTooFewSheetsCaption = 10;
// A new workbook's sheets, as a German Excel names them.
constexpr const char* kNewSheetNameFormat = "Tabelle%i";

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

// A sheet's rows as they are made, reported to the progress: the sheet is the table
// and its rows, from the first it reaches, are the slots.
class ReportedRows : public workbook::RowSource {
public:
    ReportedRows(RecordRows rows, WriteProgress& progress, WritePosition& at, int table, std::int64_t slotsBefore)
        : rows_(std::move(rows)), area_(rows_.Area()), progress_(progress), at_(at), table_(table),
          slotsBefore_(slotsBefore) {}

    std::int64_t Slots() const {
        return area_ ? static_cast<std::int64_t>(area_->last.row) - area_->first.row + 1 : 0;
    }
    bool NextRow(workbook::SheetRow& row) override {
        if (!rows_.NextRow(row)) return false;
        at_.table = table_;
        at_.record = row.number;
        at_.records = area_->last.row;  // a sheet that makes a row has an area
        at_.slotsDone = slotsBefore_ + static_cast<std::int64_t>(row.number) - area_->first.row + 1;
        progress_.Advance(at_);
        return true;
    }
    std::optional<workbook::CellArea> Area() const override { return area_; }

private:
    RecordRows rows_;
    std::optional<workbook::CellArea> area_;
    WriteProgress& progress_;
    WritePosition& at_;
    int table_;
    std::int64_t slotsBefore_;
};

// A size in whole megabytes, rounded up, as the messages name it.
std::string Megabytes(std::uint64_t bytes) { return std::to_string((bytes + (1u << 20) - 1) >> 20); }

// The message of a template that cannot be filled, naming what is in the way.
void ShowTemplateProblem(workbook::TemplateProblem problem, const workbook::PackageFault& fault,
                         const std::string& path) {
    using workbook::TemplateProblem;
    switch (problem) {
    case TemplateProblem::Missing: ShowFileMessage(kTemplateMissingKey, {path}); break;
    case TemplateProblem::NotWorkbook: ShowFileMessage(kTemplateNotWorkbookKey, {path}); break;
    case TemplateProblem::Unsupported: ShowFileMessage(kTemplatePackingKey, {path, std::to_string(fault.method)}); break;
    case TemplateProblem::TooLarge:
        if (fault.part.empty())
            ShowFileMessage(kTemplateTooLargeKey, {path, Megabytes(fault.bytes), Megabytes(workbook::kMostTemplateBytes)});
        else
            ShowFileMessage(kTemplatePartTooLargeKey,
                            {path, fault.part, Megabytes(fault.bytes), Megabytes(workbook::kMostPartBytes)});
        break;
    case TemplateProblem::OutsidePackage: ShowFileMessage(kTemplateOutsideKey, {path, fault.part}); break;
    case TemplateProblem::Encoding: ShowFileMessage(kTemplateEncodingKey, {path, fault.part, fault.encoding}); break;
    default: ShowFileMessage(kTemplateUnusableKey, {path}); break;
    }
}

std::vector<std::string> NewSheetNames(std::size_t count) {
    std::vector<std::string> names;
    for (std::size_t sheet = 1; sheet <= count; ++sheet)
        names.push_back(Format(kNewSheetNameFormat, static_cast<int>(sheet)));
    return names;
}

}  // namespace

// The record file is read once, as the sheet writer reads it.
ListWorkbook::ListWorkbook(std::string profilePath, const std::string& recordFile)
    : profilePath_(std::move(profilePath)),
      records_(recordFile),
      recordCount_(ReadRecordCount(records_)) {}

bool ListWorkbook::UseTemplate() {
    std::string detail;
    const workbook::TemplateProblem problem = template_.Open(WideFromAnsi(templatePath_), detail);
    if (problem == workbook::TemplateProblem::None) return true;
    ShowTemplateProblem(problem, template_.Fault(), templatePath_);
    return false;
}

bool ListWorkbook::FitsTemplate() {
    const FitFault fault =
        FitListsToTemplate(template_.Zip(), template_.Package(), fields_, records_, recordCount_, growths_);
    const std::string table = std::to_string(fault.table);
    switch (fault.problem) {
    case FitProblem::None: return true;
    case FitProblem::HiddenMergedCell: ShowFileMessage(kHiddenMergedCellKey, {table, fault.cell, fault.range}); break;
    case FitProblem::ForeignTable:
        ShowFileMessage(kForeignTableKey, {table, fault.cell, fault.tableName, fault.range});
        break;
    case FitProblem::Unreadable: ShowFileMessage(kTemplateUnusableKey, {templatePath_}); break;
    }
    return false;
}

bool ListWorkbook::Prepare() {
    const TransferProfile profile(profilePath_);
    templatePath_ = profile.ExcelTemplate();
    if (!templatePath_.empty() && !UseTemplate()) return false;
    std::vector<workbook::SheetKind> sheets(NewWorkbookSheetCount(profile), workbook::SheetKind::Worksheet);
    if (!templatePath_.empty()) {
        sheets.clear();
        for (const workbook::SheetEntry& sheet : template_.Package().sheets) sheets.push_back(sheet.kind);
    }
    if (static_cast<int>(sheets.size()) < profile.TableCountForSheetCheck()) {
        SystemMessageBox(MessageCatalogue::Text(kMessageSection, kTooFewSheetsMessage),
                         MessageCatalogue::Text(kMessageSection, kTooFewSheetsCaption), kNoticeMessageFlags);
        return false;
    }
    const LayoutFault fault = LayOutTables(profile, sheets, records_, recordCount_, fields_);
    if (fault.problem != LayoutProblem::None) {
        ShowLayoutFault(fault);
        return false;
    }
    return templatePath_.empty() || FitsTemplate();
}

bool ListWorkbook::HasMacros() const { return !templatePath_.empty() && template_.Package().hasMacros; }

bool ListWorkbook::Write(const std::string& target, WriteProgress& progress, std::string& detail) const {
    std::vector<std::unique_ptr<ReportedRows>> reported;
    std::vector<workbook::RowSource*> rows;
    WritePosition at;
    for (const std::vector<FileField>& sheetFields : fields_) {
        if (sheetFields.empty()) {
            rows.push_back(nullptr);
            continue;
        }
        // A new workbook's headings are bold; a template's cells keep the template's styles.
        const std::string headingStyle = templatePath_.empty() ? workbook::kHeadingStyle : "";
        reported.push_back(std::make_unique<ReportedRows>(RecordRows(sheetFields, records_, recordCount_, headingStyle),
                                                          progress, at, static_cast<int>(reported.size()) + 1,
                                                          at.slotsTotal));
        at.slotsTotal += reported.back()->Slots();
        rows.push_back(reported.back().get());
    }
    at.tables = static_cast<int>(reported.size());
    const workbook::SaveProblem problem = workbook::SaveWorkbook(
        WideFromAnsi(target),
        [&](workbook::ZipWriter& zip, std::string& why) {
            if (!templatePath_.empty())
                return workbook::WriteTemplateCopy(template_.Zip(), template_.Package(), rows, zip, why, growths_);
            return workbook::WriteNewWorkbook(NewSheetNames(fields_.size()), rows, zip, why, "",
                                              ListLooks(fields_, recordCount_));
        },
        detail);
    return problem == workbook::SaveProblem::None;
}

}  // namespace exl
