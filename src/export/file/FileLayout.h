#pragma once
// The profile's tables laid onto the sheets of a workbook file, checked before
// anything is written: every cell that Excel would have been sent must exist there.
#include <cstdint>
#include <string>
#include <vector>

#include "framework/IniSnapshot.h"
#include "profile/TransferProfile.h"
#include "workbook/sheet/Package.h"

namespace exl {

// One field of a table, as the file receives its cells.
struct FileField {
    int table = 0;
    int field = 0;
    std::string name;        // "Feld_%i": the key of its values in the record file
    std::string columnText;  // "Spalte_%i" as the profile holds it
    std::uint32_t column = 0;
    std::string heading;
    std::int16_t limit = 0;
    std::int16_t headerRow = 0;  // of its table; 0 or less: no heading
    std::int16_t startRow = 1;
};

// The fields of each sheet (index 0 is "Blatt" 1) in the order in which Excel would
// have received their cells, so that a later field's cell wins over an earlier one's.
using SheetFields = std::vector<std::vector<FileField>>;

enum class LayoutProblem {
    None,
    NoSuchSheet,       // "Blatt" names no sheet of the workbook
    NotAWorksheet,     // "Blatt" names a chart, dialog or macro sheet
    CellOutsideSheet,  // a cell with an empty or non-letter column, beyond XFD, or a row outside 1 to 1,048,576
};

// The first problem in Excel's order of writing: table by table, field by field,
// the heading before the values.
struct LayoutFault {
    LayoutProblem problem = LayoutProblem::None;
    int table = 0;
    int sheet = 0;
    int field = 0;
    std::string fieldName;
    std::string cell;  // as Excel would have been sent it: column text and row
};

// Lays the tables ([Datei] "Tabelle", absent 1) onto sheets of the given kinds.
// Fields without a name and without a heading write nothing and are left out.
LayoutFault LayOutTables(const TransferProfile& profile, const std::vector<workbook::SheetKind>& sheets,
                         const IniSnapshot& records, std::int32_t recordCount, SheetFields& fields);

// How many worksheets a new workbook gets: the highest "Blatt" of the tables, and at
// least as many as there are tables (at least one).
std::size_t NewWorkbookSheetCount(const TransferProfile& profile);

// The record file's value of a field in record n (OEM code page, "" when absent).
std::string RecordValue(const IniSnapshot& records, std::int64_t record, const std::string& field);

}  // namespace exl
