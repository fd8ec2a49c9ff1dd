#pragma once
#include <string>

namespace exl {

// Text to and from the host is in the OEM code page, text inside the plug-in
// and towards Excel in the ANSI code page.
// (Not AnsiToOem: winuser.h defines that name as a macro.)
std::string ConvertAnsiToOem(const std::string& ansi);
std::string ConvertOemToAnsi(const std::string& oem);

}  // namespace exl
