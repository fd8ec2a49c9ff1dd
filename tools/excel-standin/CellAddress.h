#pragma once
// Cell addresses in Excel's A1 notation, within the limits of the .xls era:
// 65,536 rows and 256 columns (A to IV).
#include <optional>
#include <string>

namespace exl::standin {

inline constexpr int kMaxRow = 65536;
inline constexpr int kMaxColumn = 256;

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
// "$". Nothing else (no blanks, no sheet names); out of range gives nullopt.
std::optional<CellRef> ParseCell(const std::wstring& text);
// "B5" or "B5:C7" (corners in any order).
std::optional<CellRect> ParseRect(const std::wstring& text);
// 1 -> "A", 27 -> "AA"; "" for columns below 1.
std::wstring ColumnName(int column);
std::wstring CellName(const CellRef& cell);

}  // namespace exl::standin
