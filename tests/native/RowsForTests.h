#pragma once
// Rows listed in advance, for the workbook writers.
#include <optional>
#include <vector>

#include "workbook/sheet/SheetRows.h"

namespace exl::workbook::test {

inline CellValue Text(std::uint32_t column, std::string text) { return {column, CellKind::Text, std::move(text)}; }
inline CellValue Number(std::uint32_t column, std::string digits) {
    return {column, CellKind::Number, std::move(digits)};
}
inline CellValue Blank(std::uint32_t column) { return {column, CellKind::Blank, {}}; }

class ListedRows : public RowSource {
public:
    explicit ListedRows(std::vector<SheetRow> rows, std::optional<CellArea> area = std::nullopt)
        : rows_(std::move(rows)), area_(area) {}
    bool NextRow(SheetRow& row) override {
        if (next_ == rows_.size()) return false;
        row = rows_[next_++];
        return true;
    }
    std::optional<CellArea> Area() const override { return area_; }

private:
    std::vector<SheetRow> rows_;
    std::optional<CellArea> area_;
    std::size_t next_ = 0;
};

}  // namespace exl::workbook::test
