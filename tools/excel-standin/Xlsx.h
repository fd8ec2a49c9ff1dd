#pragma once
// Workbooks as Office Open XML spreadsheet files (.xlsx), one worksheet part per
// sheet: texts as inline strings (the quote prefix in their style), numbers, dates
// and times as numbers under their built-in number format, truth values, and
// formulas without a stored result.
#include <string>

#include "Workbook.h"

namespace exl::standin {

// false with a reason when the file cannot be written.
bool SaveXlsx(const Workbook& workbook, const std::wstring& path, std::wstring& error);
// Reads the sheets (names, order) and cells of a spreadsheet file into `workbook`
// (name and source are left to the caller). Reads what SaveXlsx writes, and also
// shared strings and plain values as other programs write them; a formula keeps
// its formula, a number that does not read as one is kept as text.
// missing is set when the file does not exist (as opposed to being unreadable).
bool LoadXlsx(const std::wstring& path, Workbook& workbook, bool& missing, std::wstring& error);

// Cell text as stored in the sheet XML: characters XML cannot carry (controls
// other than tab and line feed, lone surrogates) become "_xHHHH_", and a literal
// "_xHHHH_" in the text protects its underscore as "_x005F_".
std::string EncodeCellText(const std::wstring& text);
std::wstring DecodeCellText(const std::string& utf8);

}  // namespace exl::standin
