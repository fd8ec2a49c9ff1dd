#pragma once
// A new worksheet part made from rows, and the cell XML that the template patcher
// (SheetPatcher.h) writes with it.
#include <optional>
#include <string>
#include <string_view>

#include "workbook/sheet/SheetRows.h"

namespace exl::workbook {

// A new worksheet part holding the rows.
bool WriteNewSheet(RowSource& rows, PartOutput& out, std::string& problem);
// Its pieces, for sheets with more between: the XML declaration, the worksheet's
// start tag and the dimension of the area (none: left out); then the rows as <row>
// elements, checked for order and limits.
std::string NewSheetStart(const std::optional<CellArea>& area);
bool WriteSheetRows(RowSource& rows, PartOutput& out, std::string& problem);

// A cell as the sheet part writes it: "<c r=... s=... t=...>...</c>" under the
// element prefix ("" or "x:"), with the raw style value (may be empty). A blank
// cell without style is left out.
void AppendCellXml(std::string& out, std::string_view prefix, std::uint32_t row, const CellValue& cell,
                   std::string_view style);

}  // namespace exl::workbook
