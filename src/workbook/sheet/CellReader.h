#pragma once
// The cells of a workbook file, sheet by sheet: what the Excel stand-in loads when
// a workbook is opened. Shared strings, inline strings, plain values, truth values
// and formulas are read, with each cell's style index; of the styles themselves only
// the number format and the quote prefix.
#include <cstdint>
#include <string>
#include <vector>

#include "workbook/sheet/Package.h"
#include "workbook/sheet/SheetRows.h"

namespace exl::workbook {

struct ReadCell {
    CellPosition position;
    // Number for a number cell, Boolean for a truth value ("1" or "0"), Formula for a
    // cell with a formula ("=" and the formula), Text for every other value.
    CellKind kind = CellKind::Text;
    std::wstring text;        // the value as the cell holds it; empty only for a text with a style
    std::uint32_t style = 0;  // the cell's index into the workbook's cell formats
};

// What a cell style (one entry of cellXfs) says about the value it shows.
struct CellFormat {
    int numberFormat = 0;  // numFmtId
    bool quotePrefix = false;
};

struct ReadSheet {
    std::string name;  // UTF-8
    SheetKind kind = SheetKind::Worksheet;
    std::vector<ReadCell> cells;  // row by row; a chart sheet has none
};

// Cells with a reference that is not a proper one, or without a value, are left out;
// a row whose number is not a proper one (1 to kMostRows, digits only) makes its
// sheet unreadable, as it does for the template patcher.
bool ReadWorkbookCells(const ZipArchive& zip, const WorkbookPackage& package, std::vector<ReadSheet>& sheets,
                       std::string& problem);
// The workbook's cell formats in their order; none when it has no styles part.
bool ReadCellFormats(const ZipArchive& zip, const WorkbookPackage& package, std::vector<CellFormat>& formats,
                     std::string& problem);

}  // namespace exl::workbook
