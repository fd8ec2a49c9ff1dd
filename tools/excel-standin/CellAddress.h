#pragma once
// Cell addresses in Excel's A1 notation, within the limits of a sheet.
#include <optional>
#include <string>

namespace exl::standin {

// How far a sheet reaches: up to Excel 2003 (version 11) 65,536 rows and 256
// columns (A to IV), from Excel 2007 (version 12) 1,048,576 rows and 16,384
// columns (A to XFD).
struct CellLimits {
    int rows;
    int columns;
};
inline constexpr CellLimits kLimitsUpTo2003{65536, 256};
inline constexpr CellLimits kLimitsFrom2007{1048576, 16384};
inline constexpr CellLimits LimitsOfVersion(int version) {
    return version >= 12 ? kLimitsFrom2007 : kLimitsUpTo2003;
}

struct CellRef {
    int row = 0;     // 1-based
    int column = 0;  // 1-based, A = 1
    bool operator<(const CellRef& other) const { return row != other.row ? row < other.row : column < other.column; }
    bool operator==(const CellRef& other) const { return row == other.row && column == other.column; }
};

// A rectangle of cells, corners included.
struct CellRect {
    CellRef first;
    CellRef last;
    bool Contains(const CellRef& cell) const {
        return cell.row >= first.row && cell.row <= last.row && cell.column >= first.column &&
               cell.column <= last.column;
    }
    long long CellCount() const {
        return static_cast<long long>(last.row - first.row + 1) * (last.column - first.column + 1);
    }
};

// "B5", "b5", "$B$5": column letters then row digits, each optionally preceded by
// "$". Nothing else (no blanks, no sheet names); beyond the limits gives nullopt.
std::optional<CellRef> ParseCell(const std::wstring& text, const CellLimits& limits);
// "B5" or "B5:C7" (corners in any order).
std::optional<CellRect> ParseRect(const std::wstring& text, const CellLimits& limits);
// 1 -> "A", 27 -> "AA"; "" for columns below 1.
std::wstring ColumnName(int column);
std::wstring CellName(const CellRef& cell);

}  // namespace exl::standin
