#pragma once
// The cells of a workbook file as texts and numbers, sheet by sheet: what the Excel
// stand-in loads when a workbook is opened. Shared strings, inline strings, plain
// values and formula results are read; styles and formulas are not.
#include <string>
#include <vector>

#include "workbook/Package.h"
#include "workbook/SheetRows.h"

namespace exl::workbook {

struct ReadCell {
    CellPosition position;
    CellKind kind = CellKind::Text;  // Number for a number cell, Text for every other value
    std::wstring text;               // the value as the cell holds it; never empty
};

struct ReadSheet {
    std::string name;  // UTF-8
    SheetKind kind = SheetKind::Worksheet;
    std::vector<ReadCell> cells;  // row by row; a chart sheet has none
};

// Cells with a reference that is not a proper one, or without a value, are left out.
bool ReadWorkbookCells(const ZipArchive& zip, const WorkbookPackage& package, std::vector<ReadSheet>& sheets,
                       std::string& problem);

}  // namespace exl::workbook
