#include "export/file/TemplateFit.h"

#include <algorithm>
#include <map>
#include <optional>

#include "export/file/RecordRows.h"
#include "workbook/sheet/SheetPatcher.h"

namespace exl {

namespace {

using workbook::CellArea;
using workbook::CellPosition;
using workbook::SheetTable;
using workbook::TableGrowth;

// The rows of one profile table's records on its sheet.
struct ListRows {
    std::uint32_t headerRow = 0;  // 0: none
    std::uint32_t first = 1;
    std::uint32_t last = 0;  // last < first: no records
};

ListRows RowsOf(const FileField& field, std::int32_t recordCount) {
    ListRows rows;
    if (field.headerRow > 0) rows.headerRow = static_cast<std::uint32_t>(field.headerRow);
    const std::int64_t first = std::max<std::int64_t>(1, field.startRow);
    const std::int64_t last = std::min<std::int64_t>(workbook::kMostRows, std::int64_t{field.startRow} + recordCount - 1);
    if (last < first) return rows;
    rows.first = static_cast<std::uint32_t>(first);
    rows.last = static_cast<std::uint32_t>(last);
    return rows;
}

std::string CellName(std::uint32_t row, std::uint32_t column) {
    std::string name;
    workbook::AppendCellReference(name, {row, column});
    return name;
}

bool Overlap(const CellArea& a, const CellArea& b) {
    return a.first.row <= b.last.row && b.first.row <= a.last.row && a.first.column <= b.last.column &&
           b.first.column <= a.last.column;
}

class SheetFit {
public:
    SheetFit(std::vector<FileField>& fields, const IniSnapshot& records, std::int32_t recordCount)
        : fields_(fields), records_(records), recordCount_(recordCount) {}

    FitFault Check(const std::vector<CellArea>& merged, const std::vector<SheetTable>& tables,
                   std::vector<TableGrowth>& growths) {
        for (const CellArea& range : merged)
            if (FitFault fault = CheckMerged(range); fault.problem != FitProblem::None) return fault;
        std::vector<TableGrowth> grown = Grow(tables);
        for (const TableGrowth& table : grown)
            if (FitFault fault = CheckTable(table, grown); fault.problem != FitProblem::None) return fault;
        for (TableGrowth& table : grown) {
            Rename(table);
            KeepHeadings(table.table);
            if (table.lastDataRow != table.table.LastDataRow() || !table.newNames.empty()) growths.push_back(table);
        }
        return {};
    }

private:
    // The first row within [from, to] where the field writes its column; 0 for none.
    // withBlank: an emptied heading counts.
    std::uint32_t FirstWrittenRow(const FileField& field, std::uint32_t from, std::uint32_t to, bool withBlank) const {
        const ListRows rows = RowsOf(field, recordCount_);
        std::uint32_t found = 0;
        if (rows.headerRow >= from && rows.headerRow <= to && (withBlank || !field.heading.empty()))
            found = rows.headerRow;
        if (field.name.empty() || field.column == 0) return found;
        const std::uint32_t last = std::min(to, found ? found - 1 : rows.last);
        for (std::uint32_t row = std::max(from, rows.first); row <= std::min(last, rows.last); ++row)
            if (!RecordValue(records_, std::int64_t{row} - field.startRow + 1, field.name).empty()) return row;
        return found;
    }

    FitFault CheckMerged(const CellArea& range) const {
        for (const FileField& field : fields_) {
            if (field.column < range.first.column || field.column > range.last.column) continue;
            // The top-left cell is the one shown.
            const std::uint32_t from = range.first.row + (field.column == range.first.column ? 1 : 0);
            if (const std::uint32_t row = FirstWrittenRow(field, from, range.last.row, false))
                return {FitProblem::HiddenMergedCell, field.table, CellName(row, field.column),
                        workbook::FormatCellArea(range), {}};
        }
        return {};
    }

    // The fields of one profile table share its rows.
    bool Follows(const SheetTable& table, int profileTable) const {
        bool inColumns = false;
        for (const FileField& field : fields_) {
            if (field.table != profileTable) continue;
            if (table.HeaderRow() != RowsOf(field, recordCount_).headerRow ||
                std::int64_t{table.FirstDataRow()} != field.startRow)
                return false;
            inColumns = inColumns || (field.column >= table.area.first.column && field.column <= table.area.last.column);
        }
        return inColumns;
    }

    std::vector<TableGrowth> Grow(const std::vector<SheetTable>& tables) {
        std::vector<TableGrowth> grown;
        for (const SheetTable& table : tables) {
            TableGrowth growth{table, table.LastDataRow(), {}};
            for (const FileField& field : fields_) {
                if (!Follows(table, field.table)) continue;
                followers_[table.part].push_back(field.table);
                const ListRows rows = RowsOf(field, recordCount_);
                if (rows.last >= rows.first) growth.lastDataRow = std::max(growth.lastDataRow, rows.last);
            }
            grown.push_back(growth);
        }
        return grown;
    }

    // The columns of a table take the headings its lists write into its heading row.
    void Rename(TableGrowth& growth) const {
        const SheetTable& table = growth.table;
        if (table.HeaderRow() == 0) return;
        for (const FileField& field : fields_) {
            if (!IsFollower(table, field.table) || field.heading.empty() || field.column < table.area.first.column ||
                field.column > table.area.last.column)
                continue;
            const std::size_t index = field.column - table.area.first.column;
            std::string name = HeadingCell(field.column, field.heading).text;
            const bool same = index < table.columnNames.size() && table.columnNames[index] == name;
            // A later field's heading wins, as its cell does.
            auto named = std::find_if(growth.newNames.begin(), growth.newNames.end(),
                                      [&](const auto& entry) { return entry.first == index; });
            if (named != growth.newNames.end()) growth.newNames.erase(named);
            if (!same) growth.newNames.emplace_back(index, std::move(name));
        }
    }

    // An empty heading leaves a following table's heading cell as it is.
    void KeepHeadings(const SheetTable& table) {
        for (FileField& field : fields_)
            if (field.heading.empty() && field.headerRow > 0 && IsFollower(table, field.table) &&
                field.column >= table.area.first.column && field.column <= table.area.last.column)
                field.headerRow = 0;
    }

    bool IsFollower(const SheetTable& table, int profileTable) const {
        const auto found = followers_.find(table.part);
        return found != followers_.end() &&
               std::find(found->second.begin(), found->second.end(), profileTable) != found->second.end();
    }

    // No list writes into the table unless the table follows it, and the table grown
    // runs into no other.
    FitFault CheckTable(const TableGrowth& growth, const std::vector<TableGrowth>& all) const {
        const CellArea area = growth.GrownArea();
        const std::string range = workbook::FormatCellArea(growth.table.area);
        for (const FileField& field : fields_) {
            if (IsFollower(growth.table, field.table)) continue;
            if (field.column < area.first.column || field.column > area.last.column) continue;
            if (const std::uint32_t row = FirstWrittenRow(field, area.first.row, area.last.row, true))
                return {FitProblem::ForeignTable, field.table, CellName(row, field.column), range, growth.table.name};
        }
        if (growth.lastDataRow == growth.table.LastDataRow()) return {};
        for (const TableGrowth& other : all) {
            if (other.table.part == growth.table.part || !Overlap(area, other.GrownArea())) continue;
            const CellArea theirs = other.GrownArea();
            const CellPosition first{std::max(area.first.row, theirs.first.row),
                                     std::max(area.first.column, theirs.first.column)};
            const auto followers = followers_.find(growth.table.part);
            return {FitProblem::ForeignTable, followers->second.front(), CellName(first.row, first.column),
                    workbook::FormatCellArea(other.table.area), other.table.name};
        }
        return {};
    }

    std::vector<FileField>& fields_;
    const IniSnapshot& records_;
    std::int32_t recordCount_;
    std::map<std::string, std::vector<int>> followers_;  // by table part: the profile tables it follows
};

}  // namespace

FitFault FitListsToTemplate(const workbook::ZipArchive& zip, const workbook::WorkbookPackage& package,
                            SheetFields& fields, const IniSnapshot& records, std::int32_t recordCount,
                            std::vector<TableGrowth>& growths) {
    for (std::size_t sheet = 0; sheet < fields.size() && sheet < package.sheets.size(); ++sheet) {
        if (fields[sheet].empty()) continue;
        const std::string& part = package.sheets[sheet].part;
        std::string xml, problem;
        std::vector<SheetTable> tables;
        if (!workbook::ReadPart(zip, part, xml, problem) || !workbook::ReadSheetTables(zip, part, tables, problem))
            return {FitProblem::Unreadable, fields[sheet].front().table, {}, {}, {}};
        SheetFit fit(fields[sheet], records, recordCount);
        const FitFault fault = fit.Check(workbook::ReadMergedCells(xml), tables, growths);
        if (fault.problem != FitProblem::None) return fault;
    }
    return {};
}

}  // namespace exl
