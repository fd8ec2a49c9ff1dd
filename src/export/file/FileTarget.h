#pragma once
// Where the workbook file goes: asked of the host, with a default beside the profile.
#include <optional>
#include <string>

namespace exl {

// The profile's path with its extension replaced by ".xlsx", or ".xlsm" for a
// workbook with macros (a profile without extension gets one added).
std::string DefaultTargetPath(const std::string& profilePath, bool macros);
// ".xlsx", or ".xlsm" for a workbook with macros: Excel opens a workbook only under
// the extension that fits its content.
const char* TargetExtension(bool macros);
bool HasExtension(const std::string& path, const char* extension);

// Asks the host for the target (request code 4, prompt 0-18) with the default path
// in the buffer. The chosen path in the ANSI code page, or nullopt when the host
// answers anything but 1.
std::optional<std::string> AskForTargetFile(const std::string& profilePath, bool macros);

}  // namespace exl
