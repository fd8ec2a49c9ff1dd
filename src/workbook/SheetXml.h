#pragma once
// Worksheet parts: a new one made from rows, and a template's one with rows
// written into it.
#include <string>
#include <string_view>
#include <vector>

#include "workbook/SheetRows.h"

namespace exl::workbook {

// A new worksheet part holding the rows.
bool WriteNewSheet(RowSource& rows, PartOutput& out, std::string& problem);
// Its pieces, for sheets with more between: the XML declaration, the worksheet's
// start tag and the dimension of the area (none: left out); then the rows as <row>
// elements, checked for order and limits.
std::string NewSheetStart(const std::optional<CellArea>& area);
bool WriteSheetRows(RowSource& rows, PartOutput& out, std::string& problem);

// Template cells that move down as they are, formulas unchanged, as a cut and paste in
// Excel moves them: the cells in `from` go `rows` rows down.
struct CellMove {
    CellArea from;
    std::uint32_t rows = 0;
};

// The template's worksheet part with the rows written in (rows may be nullptr: none).
// Every byte outside the rows written stays as it is, except that formulas lose their
// stored results (so every program computes them afresh) and that a written row's
// "spans" hint is dropped. A written cell keeps the style of the template's cell at
// its place, or else that of its row (a row with its own format) or its column. The
// sheet's dimension grows to hold the rows' area. Rows and cells of the template that
// lack a position follow the one before, as the format says.
// A written cell that held a shared formula's text hands it to the group's first cell
// that is not written, moved as Excel moves a copied formula, with the group's range
// narrowed to start there; a cell of the group left of that one gets the formula as its
// own. A written cell elsewhere in a group just leaves it.
// The moves' cells are taken from their rows and put at their new ones (a cell written
// by the rows wins over a moved one, a moved one over the template's).
bool PatchSheet(std::string_view sheetXml, RowSource* rows, PartOutput& out, std::string& problem,
                const std::vector<CellMove>& moves = {});

// The sheet's merged ranges (<mergeCell ref>); what cannot be read is left out.
std::vector<CellArea> ReadMergedCells(std::string_view sheetXml);

// Whether a worksheet part holds a formula cell (also true when it cannot be read,
// so that PatchSheet reports the problem).
bool HoldsFormulas(std::string_view sheetXml);

// A cell as the sheet part writes it: "<c r=... s=... t=...>...</c>" under the
// element prefix ("" or "x:"), with the raw style value (may be empty). A blank
// cell without style is left out.
void AppendCellXml(std::string& out, std::string_view prefix, std::uint32_t row, const CellValue& cell,
                   std::string_view style);

}  // namespace exl::workbook
