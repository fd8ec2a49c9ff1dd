#pragma once
// The stand-in's workbooks as workbook files (.xlsx), written and read through the
// product's workbook library: every cell a text cell, one worksheet per sheet.
#include <string>

#include "Workbook.h"

namespace exl::standin {

// false with a reason when the file cannot be written.
bool SaveXlsx(const Workbook& workbook, const std::wstring& path, std::wstring& error);
// Reads the sheets (names, order) and cells of a workbook file into `workbook`
// (name and source are left to the caller): what SaveXlsx writes, and also shared
// strings and plain values as other programs write them. A chart sheet is a sheet
// without cells. missing is set when the file does not exist (as opposed to being
// unreadable).
bool LoadXlsx(const std::wstring& path, Workbook& workbook, bool& missing, std::wstring& error);

}  // namespace exl::standin
