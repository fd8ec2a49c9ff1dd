#include "workbook/sheet/ListSheet.h"

#include "workbook/sheet/ColumnWidths.h"
#include "workbook/sheet/EntryOutput.h"
#include "workbook/sheet/SheetXml.h"
#include "workbook/zip/StoredHead.h"

namespace exl::workbook {

namespace {

// A heading is bold, and the filter's button sits at its right end: about three
// characters more than its text.
constexpr std::size_t kHeadingExtraCharacters = 3;

// The rows passed on as they come, each cell's text measured on the way.
class MeasuredRows : public RowSource {
public:
    MeasuredRows(RowSource& rows, ColumnWidths& widths) : rows_(rows), widths_(widths) {}

    bool NextRow(SheetRow& row) override {
        if (!rows_.NextRow(row)) return false;
        for (const CellValue& cell : row.cells)
            if (cell.kind == CellKind::Text || cell.kind == CellKind::Number)
                widths_.Add(cell.column, cell.text, cell.style == kHeadingStyle ? kHeadingExtraCharacters : 0);
        return true;
    }
    std::optional<CellArea> Area() const override { return rows_.Area(); }

private:
    RowSource& rows_;
    ColumnWidths& widths_;
};

bool Failed(ZipWriter& zip, std::string& problem) {
    problem = zip.Problem();
    return false;
}

}  // namespace

bool WriteListSheet(const std::string& part, RowSource& rows, const ListLook& look, ZipWriter& zip,
                    std::string& problem) {
    // The schema's order: dimension, sheetViews, (sheetFormatPr,) cols, sheetData, autoFilter.
    const std::string start =
        NewSheetStart(rows.Area()) + (look.headed ? FrozenHeadingView(look.headed->first.row) : std::string());
    ColumnWidths widths(look.columns);
    if (!zip.BeginEntry(part, HeadRoom(start.size() + widths.MostColsXmlSize()))) return Failed(zip, problem);
    MeasuredRows measured(rows, widths);
    EntryOutput content(zip);
    if (!content.Write("<sheetData>") || !WriteSheetRows(measured, content, problem) ||
        !content.Write("</sheetData>" + (look.headed ? ListFilter(*look.headed) : std::string()) + "</worksheet>")) {
        if (zip.Failed()) problem = zip.Problem();
        return false;
    }
    return zip.EndEntry(start + widths.ColsXml()) || Failed(zip, problem);
}

}  // namespace exl::workbook
