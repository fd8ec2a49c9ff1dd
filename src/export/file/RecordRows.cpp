#include "export/file/RecordRows.h"

#include <algorithm>

#include "export/records/CellText.h"
#include "framework/CodePage.h"
#include "workbook/sheet/CellTextCoding.h"

namespace exl {

namespace {

// The text's stored form (see EncodeCellText); plain ASCII without an underscore is
// its own, which spares most values two conversions.
std::string StoredText(const std::string& ansi) {
    for (char c : ansi)
        if (!((c >= 0x20 && c < 0x7F && c != '_') || c == '\t' || c == '\n')) return workbook::EncodeCellText(WideFromAnsi(ansi));
    return ansi;
}

std::uint32_t ClampRow(std::int64_t row) {
    return static_cast<std::uint32_t>(std::clamp<std::int64_t>(row, 0, workbook::kMostRows + 1));
}

// Puts the cell into the row, replacing a cell of the same column: the later write wins.
void Put(workbook::SheetRow& row, workbook::CellValue cell) {
    for (workbook::CellValue& present : row.cells) {
        if (present.column != cell.column) continue;
        present = std::move(cell);
        return;
    }
    row.cells.push_back(std::move(cell));
}

}  // namespace

workbook::CellValue ValueCell(std::uint32_t column, const std::string& oemValue, std::int16_t limit) {
    std::string text = ConvertOemToAnsi(oemValue);
    if (limit > 0 && text.size() > static_cast<std::size_t>(limit)) text.resize(static_cast<std::size_t>(limit));
    if (IsPlainWholeNumber(text)) return {column, workbook::CellKind::Number, std::move(text)};
    return {column, workbook::CellKind::Text, StoredText(text)};
}

workbook::CellValue HeadingCell(std::uint32_t column, const std::string& ansiHeading) {
    if (ansiHeading.empty()) return {column, workbook::CellKind::Blank, {}};
    return {column, workbook::CellKind::Text, StoredText(ansiHeading)};
}

RecordRows::RecordRows(std::vector<FileField> fields, const IniSnapshot& records, std::int32_t recordCount,
                       std::string headingStyle)
    : fields_(std::move(fields)), records_(records), headingStyle_(std::move(headingStyle)) {
    for (const FileField& field : fields_) {
        Reach reach;
        if (field.headerRow > 0) reach.heading = static_cast<std::uint32_t>(field.headerRow);
        // A field whose column is no column has been let through only because none of
        // its records has a value: it writes no record cell.
        if (!field.name.empty() && field.column != 0 && recordCount > 0) {
            reach.first = std::max<std::uint32_t>(1, ClampRow(field.startRow));
            reach.last = std::min<std::uint32_t>(workbook::kMostRows,
                                                 ClampRow(static_cast<std::int64_t>(field.startRow) + recordCount - 1));
        }
        reach_.push_back(reach);
    }
}

std::uint32_t RecordRows::NextCandidate(std::uint32_t from) const {
    std::uint32_t next = 0;
    auto consider = [&](std::uint32_t row) {
        if (row >= from && (next == 0 || row < next)) next = row;
    };
    for (const Reach& reach : reach_) {
        if (reach.heading != 0) consider(reach.heading);
        if (reach.first <= reach.last && reach.last >= from) consider(std::max(from, reach.first));
    }
    return next;
}

void RecordRows::CellsOf(std::uint32_t row, workbook::SheetRow& out) const {
    out.number = row;
    out.cells.clear();
    for (std::size_t at = 0; at < fields_.size(); ++at) {
        const FileField& field = fields_[at];
        const Reach& reach = reach_[at];
        if (reach.heading == row) {
            workbook::CellValue heading = HeadingCell(field.column, field.heading);
            if (heading.kind != workbook::CellKind::Blank) heading.style = headingStyle_;
            Put(out, std::move(heading));
        }
        if (row < reach.first || row > reach.last) continue;
        const std::int64_t record = static_cast<std::int64_t>(row) - field.startRow + 1;
        const std::string value = RecordValue(records_, record, field.name);
        // A missing value leaves the cell as it is, so one object's values stay on one row.
        if (!value.empty()) Put(out, ValueCell(field.column, value, field.limit));
    }
    std::sort(out.cells.begin(), out.cells.end(),
              [](const workbook::CellValue& a, const workbook::CellValue& b) { return a.column < b.column; });
}

bool RecordRows::NextRow(workbook::SheetRow& row) {
    for (std::uint32_t candidate = NextCandidate(next_); candidate != 0; candidate = NextCandidate(next_)) {
        next_ = candidate + 1;
        CellsOf(candidate, row);
        if (!row.cells.empty()) return true;
    }
    return false;
}

std::optional<workbook::CellArea> RecordRows::Area() const {
    std::optional<workbook::CellArea> area;
    auto include = [&](std::uint32_t row, std::uint32_t column) {
        const workbook::CellArea cell{{row, column}, {row, column}};
        area = area ? area->Union(cell) : cell;
    };
    for (std::size_t at = 0; at < fields_.size(); ++at) {
        const Reach& reach = reach_[at];
        if (reach.heading != 0) include(reach.heading, fields_[at].column);
        if (reach.first > reach.last) continue;
        include(reach.first, fields_[at].column);
        include(reach.last, fields_[at].column);
    }
    return area;
}

}  // namespace exl
