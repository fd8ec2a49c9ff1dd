#include "ExcelOptions.h"

#include <windows.h>

#include <string>

namespace exl::test {

void ForgetExcelOptions() {
    for (int version : {8, 9, 10}) {
        std::string key = "Software\\Microsoft\\Office\\" + std::to_string(version) + ".0\\Excel\\Options";
        RegDeleteKeyA(HKEY_CURRENT_USER, key.c_str());
    }
}

}  // namespace exl::test
