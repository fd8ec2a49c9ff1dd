#include "workbook/ListSheet.h"

#include "workbook/ColumnWidths.h"
#include "workbook/DeferredHeadEntry.h"
#include "workbook/SheetXml.h"

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

}  // namespace

bool WriteListSheet(const std::string& part, RowSource& rows, const ListLook& look, ZipWriter& zip,
                    std::string& problem) {
    ColumnWidths widths;
    MeasuredRows measured(rows, widths);
    DeferredHeadEntry entry(zip.Level());
    if (!WriteSheetRows(measured, entry, problem)) return false;
    // The schema's order: sheetViews, (sheetFormatPr,) cols, sheetData, autoFilter.
    if (!entry.Write("</sheetData>" + (look.headed ? ListFilter(*look.headed) : std::string()) + "</worksheet>")) {
        problem = "cannot write";
        return false;
    }
    const std::string head = NewSheetStart(rows.Area()) +
                             (look.headed ? FrozenHeadingView(look.headed->first.row) : std::string()) +
                             widths.ColsXml() + "<sheetData>";
    return entry.Finish(part, head, zip, problem);
}

}  // namespace exl::workbook
