#include "export/file/ListLooks.h"

#include <algorithm>

namespace exl {

namespace {

// The first table with a heading row among the sheet's fields, under its heading.
std::optional<workbook::CellArea> FirstHeadedTable(const std::vector<FileField>& fields, std::int32_t recordCount) {
    const auto headed =
        std::find_if(fields.begin(), fields.end(), [](const FileField& field) { return field.headerRow > 0; });
    if (headed == fields.end()) return std::nullopt;
    const auto heading = static_cast<std::uint32_t>(headed->headerRow);
    const std::int64_t lastRecordRow = static_cast<std::int64_t>(headed->startRow) + recordCount - 1;
    const auto last = static_cast<std::uint32_t>(
        std::clamp<std::int64_t>(lastRecordRow, heading, workbook::kMostRows));
    std::optional<workbook::CellArea> area;
    for (const FileField& field : fields) {
        if (field.table != headed->table) continue;
        const workbook::CellArea column{{heading, field.column}, {last, field.column}};
        area = area ? area->Union(column) : column;
    }
    return area;
}

std::vector<std::uint32_t> ColumnsOf(const std::vector<FileField>& fields) {
    std::vector<std::uint32_t> columns;
    for (const FileField& field : fields)
        if (field.column != 0) columns.push_back(field.column);
    std::sort(columns.begin(), columns.end());
    columns.erase(std::unique(columns.begin(), columns.end()), columns.end());
    return columns;
}

}  // namespace

std::vector<workbook::ListLook> ListLooks(const SheetFields& fields, std::int32_t recordCount) {
    std::vector<workbook::ListLook> looks;
    for (const std::vector<FileField>& sheetFields : fields)
        looks.push_back({ColumnsOf(sheetFields), FirstHeadedTable(sheetFields, recordCount)});
    return looks;
}

}  // namespace exl
