#pragma once
#include <cstdint>

namespace exl {

// The "Excel-Kopplung" command, run by entry type 4 on the host's thread. It does
// not read the two command arguments and returns 0 on every path.
std::int16_t RunExportCommand(const char* firstArgument, const char* secondArgument);

}  // namespace exl
