#pragma once
#include <string>

namespace exl {

// Opens the file with the program Windows associates with its extension, as the
// Excel path leaves Excel showing the workbook. Where none is associated nothing
// happens and nothing is shown.
void OpenWithAssociatedProgram(const std::string& ansiPath);

}  // namespace exl
