#include "Xlsx.h"

#include "Text.h"
#include "workbook/CellReader.h"
#include "workbook/CellTextCoding.h"
#include "workbook/SaveWorkbook.h"
#include "workbook/TemplateFile.h"
#include "workbook/WorkbookWriting.h"

namespace exl::standin {

namespace {

// A sheet's cells, row by row, as the workbook writer asks for them.
class SheetCellRows : public workbook::RowSource {
public:
    explicit SheetCellRows(const Sheet& sheet) : at_(sheet.cells.begin()), end_(sheet.cells.end()) {}

    bool NextRow(workbook::SheetRow& row) override {
        if (at_ == end_) return false;
        row.number = static_cast<std::uint32_t>(at_->first.row);
        row.cells.clear();
        for (; at_ != end_ && static_cast<std::uint32_t>(at_->first.row) == row.number; ++at_)
            row.cells.push_back({static_cast<std::uint32_t>(at_->first.column), workbook::CellKind::Text,
                                 workbook::EncodeCellText(at_->second)});
        return true;
    }

private:
    std::map<CellRef, std::wstring>::const_iterator at_;
    std::map<CellRef, std::wstring>::const_iterator end_;
};

}  // namespace

bool SaveXlsx(const Workbook& workbook, const std::wstring& path, std::wstring& error) {
    std::vector<std::string> names;
    std::vector<SheetCellRows> sources;
    sources.reserve(workbook.sheets.size());
    std::vector<workbook::RowSource*> rows;
    for (const auto& sheet : workbook.sheets) {
        names.push_back(ToUtf8(sheet->name));
        sources.emplace_back(*sheet);
        rows.push_back(&sources.back());
    }
    std::string detail;
    const workbook::SaveProblem problem = workbook::SaveWorkbook(
        path, [&](workbook::ZipWriter& zip, std::string& why) { return workbook::WriteNewWorkbook(names, rows, zip, why); },
        detail);
    if (problem == workbook::SaveProblem::None) return true;
    error = L"cannot write " + path + L": " + FromUtf8(detail);
    return false;
}

bool LoadXlsx(const std::wstring& path, Workbook& workbook, bool& missing, std::wstring& error) {
    workbook::TemplateFile file;
    std::string detail;
    const workbook::TemplateProblem problem = file.Open(path, detail);
    missing = problem == workbook::TemplateProblem::Missing;
    std::vector<workbook::ReadSheet> sheets;
    if (problem != workbook::TemplateProblem::None || !workbook::ReadWorkbookCells(file.Zip(), file.Package(), sheets, detail)) {
        error = missing ? L"file not found" : L"not a readable workbook file (" + FromUtf8(detail) + L")";
        return false;
    }
    workbook.sheets.clear();
    for (const workbook::ReadSheet& read : sheets) {
        auto sheet = std::make_shared<Sheet>();
        sheet->name = FromUtf8(read.name);
        for (const workbook::ReadCell& cell : read.cells)
            sheet->cells[{static_cast<int>(cell.position.row), static_cast<int>(cell.position.column)}] = cell.text;
        workbook.sheets.push_back(sheet);
    }
    return true;
}

}  // namespace exl::standin
