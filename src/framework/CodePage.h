#pragma once
#include <string>

namespace exl {

// Text to and from the host is in the OEM code page, text inside the plug-in
// and towards Excel in the ANSI code page.
// (Not AnsiToOem: winuser.h defines that name as a macro.)
std::string ConvertAnsiToOem(const std::string& ansi);
std::string ConvertOemToAnsi(const std::string& oem);
// ANSI text, such as a path, as Windows' wide functions take it.
std::wstring WideFromAnsi(const std::string& ansi);

}  // namespace exl
