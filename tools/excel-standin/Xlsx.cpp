#include "Xlsx.h"

#include <cstdlib>
#include <map>
#include <optional>
#include <vector>

#include "Text.h"
#include "workbook/sheet/CellReader.h"
#include "workbook/sheet/CellTextCoding.h"
#include "workbook/file/SaveWorkbook.h"
#include "workbook/file/TemplateFile.h"
#include "workbook/xml/Utf8.h"
#include "workbook/sheet/WorkbookWriting.h"

namespace exl::standin {

namespace {

// A cell style as the file keeps it: a built-in number format and the quote prefix.
struct CellStyle {
    int numberFormat = number_format::kGeneral;
    bool quotePrefix = false;
    bool operator==(const CellStyle& other) const {
        return numberFormat == other.numberFormat && quotePrefix == other.quotePrefix;
    }
};

// The styles the cells of a workbook use, numbered as the file's cellXfs; 0 is Standard.
class StyleTable {
public:
    std::string IndexOf(const CellStyle& style) {
        std::size_t at = 0;
        while (at < styles_.size() && !(styles_[at] == style)) ++at;
        if (at == styles_.size()) styles_.push_back(style);
        return at == 0 ? std::string() : std::to_string(at);
    }

    // The style sheet with the cell styles in use, Standard first.
    std::string Part() const {
        std::vector<std::string> formats;
        for (const CellStyle& style : styles_)
            formats.push_back("<xf numFmtId=\"" + std::to_string(style.numberFormat) +
                              "\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"" +
                              (style.numberFormat ? " applyNumberFormat=\"1\"" : "") +
                              (style.quotePrefix ? " quotePrefix=\"1\"" : "") + "/>");
        return workbook::StylesPart(formats);
    }

private:
    std::vector<CellStyle> styles_{CellStyle{}};
};

// One cell as the workbook writer takes it: texts inline (with the quote prefix as
// their style), numbers, dates and times as numbers under their format, truth values
// as such, formulas without "=".
workbook::CellValue CellValueOf(int column, const CellContent& cell, StyleTable& styles) {
    workbook::CellValue value;
    value.column = static_cast<std::uint32_t>(column);
    value.style = styles.IndexOf({cell.numberFormat, cell.quotePrefix});
    switch (cell.kind) {
    case CellKind::Text:
        value.kind = workbook::CellKind::Text;
        value.text = workbook::EncodeCellText(cell.text);
        break;
    case CellKind::Formula:
        value.kind = workbook::CellKind::Formula;
        value.text = workbook::EncodeCellText(cell.text.substr(1));
        break;
    case CellKind::Boolean:
        value.kind = workbook::CellKind::Boolean;
        value.text = cell.number != 0 ? "1" : "0";
        break;
    default:
        value.kind = workbook::CellKind::Number;
        value.text = workbook::Utf8FromWide(NumberText(cell.number));
        break;
    }
    return value;
}

// A sheet's cells, row by row, as the workbook writer asks for them.
class SheetCellRows : public workbook::RowSource {
public:
    SheetCellRows(const Sheet& sheet, StyleTable& styles)
        : at_(sheet.cells.begin()), end_(sheet.cells.end()), styles_(&styles) {}

    bool NextRow(workbook::SheetRow& row) override {
        if (at_ == end_) return false;
        row.number = static_cast<std::uint32_t>(at_->first.row);
        row.cells.clear();
        for (; at_ != end_ && static_cast<std::uint32_t>(at_->first.row) == row.number; ++at_)
            row.cells.push_back(CellValueOf(at_->first.column, at_->second, *styles_));
        return true;
    }

private:
    std::map<CellRef, CellContent>::const_iterator at_;
    std::map<CellRef, CellContent>::const_iterator end_;
    StyleTable* styles_;
};

CellContent LoadedText(const std::wstring& text, bool quotePrefix) {
    CellContent cell;
    cell.text = text;
    cell.quotePrefix = quotePrefix;
    cell.entered = (quotePrefix ? L"'" : L"") + text;
    return cell;
}

// What a cell of a file holds, under its style. Formats beyond the built-in ones
// (164 and up) count as Standard: the stand-in does not read their codes.
CellContent LoadedCell(const workbook::ReadCell& read, const std::vector<workbook::CellFormat>& formats) {
    constexpr int kFirstCustomFormat = 164;
    CellStyle style;
    if (read.style < formats.size()) {
        style.numberFormat = formats[read.style].numberFormat;
        style.quotePrefix = formats[read.style].quotePrefix;
    }
    if (style.numberFormat >= kFirstCustomFormat) style.numberFormat = number_format::kGeneral;
    switch (read.kind) {
    case workbook::CellKind::Formula: {
        CellContent formula;
        formula.kind = CellKind::Formula;
        formula.text = read.text;
        formula.entered = read.text;
        return formula;
    }
    case workbook::CellKind::Boolean: return BooleanCell(read.text == L"1");
    case workbook::CellKind::Number: {
        // A number cell's value; a value that is no number is kept as text.
        wchar_t* end = nullptr;
        const double number = std::wcstod(read.text.c_str(), &end);
        if (*end == L'\0') return NumberCell(number, style.numberFormat);
        return LoadedText(read.text, style.quotePrefix);
    }
    default: return LoadedText(read.text, style.quotePrefix);
    }
}

}  // namespace

bool SaveXlsx(const Workbook& workbook, const std::wstring& path, std::wstring& error) {
    StyleTable styles;
    std::vector<std::string> names;
    std::vector<SheetCellRows> sources;
    sources.reserve(workbook.sheets.size());
    std::vector<workbook::RowSource*> rows;
    for (const auto& sheet : workbook.sheets) {
        names.push_back(workbook::Utf8FromWide(sheet->name));
        sources.emplace_back(*sheet, styles);
        rows.push_back(&sources.back());
    }
    std::string detail;
    const workbook::SaveProblem problem = workbook::SaveWorkbook(
        path,
        [&](workbook::ZipWriter& zip, std::string& why) {
            // The styles part comes first in the file but is known only after the cells:
            // the sheets are walked once to collect it.
            for (const auto& sheet : workbook.sheets)
                for (const auto& [at, cell] : sheet->cells) styles.IndexOf({cell.numberFormat, cell.quotePrefix});
            return workbook::WriteNewWorkbook(names, rows, zip, why, styles.Part());
        },
        detail);
    if (problem == workbook::SaveProblem::None) return true;
    error = L"cannot write " + path + L": " + workbook::WideFromUtf8(detail);
    return false;
}

bool LoadXlsx(const std::wstring& path, Workbook& workbook, bool& missing, std::wstring& error) {
    workbook::TemplateFile file;
    std::string detail;
    const workbook::TemplateProblem problem = file.Open(path, detail);
    missing = problem == workbook::TemplateProblem::Missing;
    std::vector<workbook::ReadSheet> sheets;
    std::vector<workbook::CellFormat> formats;
    if (problem != workbook::TemplateProblem::None ||
        !workbook::ReadWorkbookCells(file.Zip(), file.Package(), sheets, detail) ||
        !workbook::ReadCellFormats(file.Zip(), file.Package(), formats, detail)) {
        error = missing ? L"file not found" : L"not a readable workbook file (" + workbook::WideFromUtf8(detail) + L")";
        return false;
    }
    workbook.sheets.clear();
    for (const workbook::ReadSheet& read : sheets) {
        auto sheet = std::make_shared<Sheet>();
        sheet->name = workbook::WideFromUtf8(read.name);
        for (const workbook::ReadCell& cell : read.cells) {
            const CellContent content = LoadedCell(cell, formats);
            // A styled empty text is a cell only with the quote prefix ("'" typed alone).
            if (content.kind == CellKind::Text && content.text.empty() && !content.quotePrefix) continue;
            sheet->cells[{static_cast<int>(cell.position.row), static_cast<int>(cell.position.column)}] = content;
        }
        workbook.sheets.push_back(sheet);
    }
    return true;
}

}  // namespace exl::standin
