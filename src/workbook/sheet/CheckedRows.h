#pragma once
// The rows of a source, checked for order and limits as they come, so a faulty
// source cannot make a file that Excel refuses: for the new sheet and the patched
// template alike.
#include <string>

#include "workbook/sheet/SheetRows.h"

namespace exl::workbook {

class CheckedRows {
public:
    explicit CheckedRows(RowSource* source) : source_(source) {}

    // The next row into Row(); false at the end or on a fault (Problem() set).
    bool Next() {
        has_ = source_ && source_->NextRow(row_);
        if (!has_) return false;
        if (row_.number < 1 || row_.number > kMostRows || row_.number <= last_) return Refuse("rows out of order");
        last_ = row_.number;
        std::uint32_t column = 0;
        for (const CellValue& cell : row_.cells) {
            if (cell.column <= column || cell.column > kMostColumns) return Refuse("cells out of order");
            column = cell.column;
        }
        return true;
    }
    bool Has() const { return has_; }
    const SheetRow& Row() const { return row_; }
    const std::string& Problem() const { return problem_; }

private:
    bool Refuse(const char* problem) {
        problem_ = problem;
        has_ = false;
        return false;
    }

    RowSource* source_;
    SheetRow row_;
    bool has_ = false;
    std::uint32_t last_ = 0;
    std::string problem_;
};

}  // namespace exl::workbook
