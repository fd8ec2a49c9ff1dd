#pragma once
// Cell references as sheet parts write them ("B5", "A1:C3"), within the sheet of
// Excel 2007 and later: rows 1 to 1,048,576, columns A to XFD.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace exl::workbook {

constexpr std::uint32_t kMostRows = 1048576;
constexpr std::uint32_t kMostColumns = 16384;  // XFD

struct CellPosition {
    std::uint32_t row = 0;     // 1-based
    std::uint32_t column = 0;  // 1-based, A = 1
};

// A rectangle of cells, corners included.
struct CellArea {
    CellPosition first;
    CellPosition last;
    // The smallest area holding both.
    CellArea Union(const CellArea& other) const;
};

// "A" to "XFD", in either case; nullopt for anything else.
std::optional<std::uint32_t> ColumnFromLetters(std::string_view letters);
// 1 -> "A", 28 -> "AB" (the caller passes 1 to kMostColumns).
void AppendColumnLetters(std::string& out, std::uint32_t column);
void AppendCellReference(std::string& out, const CellPosition& cell);
// "B5": letters then digits, nothing else, within the sheet.
std::optional<CellPosition> ParseCellReference(std::string_view text);
// "A1:C3" or a single cell "B5".
std::optional<CellArea> ParseCellArea(std::string_view text);
std::string FormatCellArea(const CellArea& area);

}  // namespace exl::workbook
