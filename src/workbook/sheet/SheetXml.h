#pragma once
// A new worksheet part made from rows, and the cell XML that the template patcher
// (SheetPatcher.h) writes with it.
#include <string>
#include <string_view>

#include "workbook/sheet/SheetRows.h"

namespace exl::workbook {

// A new worksheet part holding the rows.
bool WriteNewSheet(RowSource& rows, PartOutput& out, std::string& problem);

// A cell as the sheet part writes it: "<c r=... s=... t=...>...</c>" under the
// element prefix ("" or "x:"), with the raw style value (may be empty). A blank
// cell without style is left out.
void AppendCellXml(std::string& out, std::string_view prefix, std::uint32_t row, const CellValue& cell,
                   std::string_view style);

}  // namespace exl::workbook
