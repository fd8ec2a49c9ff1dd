#include "export/file/FileLayout.h"

#include <algorithm>

#include "framework/Ini.h"
#include "workbook/sheet/CellReference.h"

namespace exl {

namespace {

bool RowInSheet(std::int64_t row) { return row >= 1 && row <= workbook::kMostRows; }

std::string CellText(const FileField& field, std::int64_t row) {
    return field.columnText + Format("%lld", static_cast<long long>(row));
}

LayoutFault CellFault(const FileField& field, int sheet, std::int64_t row) {
    return {LayoutProblem::CellOutsideSheet, field.table, sheet, field.field, field.name, CellText(field, row)};
}

// The first cell of the field that the sheet does not have, in Excel's order.
LayoutFault CheckCells(const FileField& field, int sheet, const IniSnapshot& records, std::int32_t recordCount) {
    if (field.headerRow > 0 && field.column == 0) return CellFault(field, sheet, field.headerRow);
    const std::int64_t lastRow = static_cast<std::int64_t>(field.startRow) + recordCount - 1;
    const bool allInSheet = field.column != 0 && RowInSheet(field.startRow) && RowInSheet(lastRow);
    // Only values that exist are sent, so a cell outside the sheet matters only when
    // its record has a value; the values are read only when some cell could be outside.
    if (allInSheet || field.name.empty()) return {};
    for (std::int64_t record = 1; record <= recordCount; ++record) {
        const std::int64_t row = field.startRow + record - 1;
        if (field.column != 0 && RowInSheet(row)) continue;
        if (!RecordValue(records, record, field.name).empty()) return CellFault(field, sheet, row);
    }
    return {};
}

FileField ReadField(const TransferProfile& profile, int table, int field) {
    FileField read;
    read.table = table;
    read.field = field;
    read.name = profile.FieldName(table, field);
    read.headerRow = profile.HeaderRow(table);
    read.startRow = profile.StartRow(table);
    read.columnText = profile.Column(table, field);
    read.column = workbook::ColumnFromLetters(read.columnText).value_or(0);
    read.heading = profile.ColumnHeading(table, field);
    read.limit = profile.CharacterLimit(table, field);
    return read;
}

}  // namespace

std::string RecordValue(const IniSnapshot& records, std::int64_t record, const std::string& field) {
    return records.Get(std::to_string(record), field, "");
}

LayoutFault LayOutTables(const TransferProfile& profile, const std::vector<workbook::SheetKind>& sheets,
                         const IniSnapshot& records, std::int32_t recordCount, SheetFields& fields) {
    fields.assign(sheets.size(), {});
    const std::int16_t tables = profile.TableCountForSheets();
    for (int table = 1; table <= tables; ++table) {
        const int sheet = profile.Sheet(table);
        if (sheet < 1 || static_cast<std::size_t>(sheet) > sheets.size())
            return {LayoutProblem::NoSuchSheet, table, sheet, 0, {}, {}};
        if (sheets[static_cast<std::size_t>(sheet) - 1] != workbook::SheetKind::Worksheet)
            return {LayoutProblem::NotAWorksheet, table, sheet, 0, {}, {}};
        const std::int16_t fieldCount = profile.FieldCount(table);
        const std::int16_t headerRow = profile.HeaderRow(table);
        for (int field = 1; field <= fieldCount; ++field) {
            // A field without a name has no values; without a heading row it writes nothing.
            if (headerRow <= 0 && profile.FieldName(table, field).empty()) continue;
            FileField read = ReadField(profile, table, field);
            const LayoutFault fault = CheckCells(read, sheet, records, recordCount);
            if (fault.problem != LayoutProblem::None) return fault;
            fields[static_cast<std::size_t>(sheet) - 1].push_back(std::move(read));
        }
    }
    return {};
}

std::size_t NewWorkbookSheetCount(const TransferProfile& profile) {
    const int tables = std::max<int>(profile.TableCountForSheets(), profile.TableCountForSheetCheck());
    int sheets = std::max(tables, 1);
    for (int table = 1; table <= profile.TableCountForSheets(); ++table) sheets = std::max<int>(sheets, profile.Sheet(table));
    return static_cast<std::size_t>(sheets);
}

}  // namespace exl
