#pragma once
#include <windows.h>

#include <string>

namespace exl::workbook {

// What the system says of a Windows error, in the user's language and the ANSI code
// page, on one line, with the number behind it ("... (112)"); the number alone when
// the system has no text for it.
std::string SystemErrorText(DWORD error);

}  // namespace exl::workbook
