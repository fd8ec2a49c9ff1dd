#pragma once
// The lists checked against what the template holds where they write, before anything
// is written: merged cells, whose hidden cells would hide a value, and Excel tables,
// which grow with a list that fits them and must not be written over otherwise.
#include <cstdint>
#include <string>
#include <vector>

#include "export/file/FileLayout.h"
#include "framework/IniSnapshot.h"
#include "workbook/sheet/Package.h"
#include "workbook/sheet/SheetTables.h"

namespace exl {

enum class FitProblem {
    None,
    HiddenMergedCell,  // a value would go into a merged range, not into its top-left cell
    ForeignTable,      // a cell would go into an Excel table that does not follow the list
    Unreadable,        // a sheet or table part cannot be read
};

struct FitFault {
    FitProblem problem = FitProblem::None;
    int table = 0;          // of the profile
    std::string cell;       // "F1"
    std::string range;      // the merged range or the Excel table's range, "C1:D6"
    std::string tableName;  // the Excel table's name
};

// An Excel table follows a list when its heading row is the list's "Kopfzeile" (none
// for either: a table without heading row and "Kopfzeile" 0), its first data row the
// list's "Startzeile", and a column of the list lies in it: its data then reach the
// list's last record row, never fewer than before. A heading that is emptied counts as
// written for tables; for merged cells only values and headings with text count (an
// emptied hidden cell hides nothing). An empty heading is taken out of `fields` where it
// would empty a following table's heading cell, which must name its column.
FitFault FitListsToTemplate(const workbook::ZipArchive& zip, const workbook::WorkbookPackage& package,
                            SheetFields& fields, const IniSnapshot& records, std::int32_t recordCount,
                            std::vector<workbook::TableGrowth>& growths);

}  // namespace exl
