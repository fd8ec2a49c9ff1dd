#pragma once
// A new worksheet made for a list to be read (see ListLook): its columns as wide as
// their longest texts, measured as the rows are written and put in front of them.
#include <string>

#include "workbook/sheet/ListHeading.h"
#include "workbook/sheet/SheetRows.h"
#include "workbook/zip/ZipWriter.h"

namespace exl::workbook {

// The worksheet part `part` holding the rows, as WriteNewSheet writes it, with the
// look's column widths, frozen heading row and filter, into the zip.
bool WriteListSheet(const std::string& part, RowSource& rows, const ListLook& look, ZipWriter& zip,
                    std::string& problem);

}  // namespace exl::workbook
