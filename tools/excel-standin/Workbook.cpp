#include "Workbook.h"

namespace exl::standin {

std::wstring DefaultSheetName(int number) { return L"Tabelle" + std::to_wstring(number); }

}  // namespace exl::standin
