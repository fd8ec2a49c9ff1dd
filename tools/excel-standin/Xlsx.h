#pragma once
// The stand-in's workbooks as workbook files (.xlsx), written and read through the
// product's workbook library, one worksheet per sheet: texts as inline strings (the
// quote prefix in their style), numbers, dates and times as numbers under their
// built-in number format, truth values, and formulas without a stored result.
#include <string>

#include "Workbook.h"

namespace exl::standin {

// false with a reason when the file cannot be written.
bool SaveXlsx(const Workbook& workbook, const std::wstring& path, std::wstring& error);
// Reads the sheets (names, order) and cells of a workbook file into `workbook`
// (name and source are left to the caller): what SaveXlsx writes, and also shared
// strings and plain values as other programs write them; a formula keeps its
// formula, a number that does not read as one is kept as text. A chart sheet is a
// sheet without cells. missing is set when the file does not exist (as opposed to
// being unreadable).
bool LoadXlsx(const std::wstring& path, Workbook& workbook, bool& missing, std::wstring& error);

}  // namespace exl::standin
