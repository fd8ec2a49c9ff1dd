#pragma once
// How a new workbook shows the lists on its sheets (workbook::ListLook). A sheet has
// one frozen pane and one filter: they go to the sheet's first table, in the
// profile's order, that has a heading row. Every sheet's columns get their widths.
#include <cstdint>
#include <vector>

#include "export/file/FileLayout.h"
#include "workbook/sheet/ListHeading.h"

namespace exl {

// One look per sheet of `fields`. The filter covers the table's columns, from the
// leftmost to the rightmost of its fields, and its rows from the heading row down to
// the last record's row (no higher than the heading row, no lower than the sheet).
std::vector<workbook::ListLook> ListLooks(const SheetFields& fields, std::int32_t recordCount);

}  // namespace exl
