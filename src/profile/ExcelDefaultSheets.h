#pragma once
#include <cstdint>

namespace exl {

// The number of sheets Excel puts into a new workbook, from the value "DefSheets" of
// Excel's options key of the current user for version 8, 9 or 10
// ("Software\Microsoft\Office\<v>.0\Excel\Options"). Only the lowest 8 bits of the
// value count (0 to 255); a missing key or value, or another version, gives 0.
int ReadExcelDefaultSheets(std::int16_t excelVersion);

}  // namespace exl
