#pragma once
// Depths of a worksheet part's elements as the XML reader counts them, the root
// (<worksheet>) being 1.
#include <cstddef>

namespace exl::workbook {

constexpr std::size_t kSheetChildDepth = 2;  // <sheetData>, <cols>, <dimension>, <mergeCells>
constexpr std::size_t kRowDepth = 3;         // <row>, <col>, <mergeCell>
constexpr std::size_t kCellDepth = 4;        // <c>
constexpr std::size_t kCellChildDepth = 5;   // <v>, <f>, <is>

}  // namespace exl::workbook
