#pragma once
// The Excel tables of a worksheet (xl/tables/tableN.xml, tied to the sheet by a
// relationship): where they stand, and a table grown downwards.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/sheet/CellReference.h"
#include "workbook/sheet/SheetPatcher.h"
#include "workbook/zip/ZipReader.h"

namespace exl::workbook {

struct SheetTable {
    std::string sheetPart;
    std::string part;
    std::string name;  // as Excel shows it (displayName)
    CellArea area;     // heading and totals rows included
    std::uint32_t headerRows = 1;
    std::uint32_t totalsRows = 0;
    std::vector<std::string> columnNames;  // unescaped, in order

    // 0 for a table without a heading row.
    std::uint32_t HeaderRow() const { return headerRows == 0 ? 0 : area.first.row; }
    std::uint32_t FirstDataRow() const { return area.first.row + headerRows; }
    std::uint32_t LastDataRow() const { return area.last.row - totalsRows; }
};

// The tables of the worksheet part. false (problem set) when a table part it names is
// missing or cannot be read.
bool ReadSheetTables(const ZipArchive& zip, std::string_view sheetPart, std::vector<SheetTable>& tables,
                     std::string& problem);

// A table whose data are to reach another row, the totals rows (if any) below it, and
// whose columns take the names of the headings written into its heading row (Excel
// repairs a table whose heading cells and column names differ).
struct TableGrowth {
    SheetTable table;
    std::uint32_t lastDataRow = 0;
    std::vector<std::pair<std::size_t, std::string>> newNames;  // column index (0: the first), name

    CellArea GrownArea() const {
        return {table.area.first, {lastDataRow + table.totalsRows, table.area.last.column}};
    }
    // The totals rows' cells going down with the table; nullopt when it has none.
    std::optional<CellMove> TotalsMove() const;
};

// The table part grown: its ref and the ref of its autoFilter (and of the filter's sort
// state) reach the new last data row, and its columns have their new names; every
// other byte stays.
bool GrowTablePart(std::string_view xml, const TableGrowth& growth, std::string& out, std::string& problem);

}  // namespace exl::workbook
