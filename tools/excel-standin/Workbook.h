#pragma once
// The stand-in's workbooks: plain data that lives in the server process from
// Workbooks.Add or Open until the process quits, whatever the clients release.
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "CellAddress.h"
#include "CellContent.h"

namespace exl::standin {

struct Sheet {
    std::wstring name;
    std::map<CellRef, CellContent> cells;  // only non-empty cells
};

struct Workbook {
    std::wstring name;    // "Mappe1", or the file name of a template
    std::wstring source;  // the path it was opened from; "" for a new workbook
    std::vector<std::shared_ptr<Sheet>> sheets;
    int activeSheet = 1;
};

// "Tabelle1", "Tabelle2", ...: the German defaults.
std::wstring DefaultSheetName(int number);

}  // namespace exl::standin
