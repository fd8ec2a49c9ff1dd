#pragma once
#include <cstdint>

#include "host/HostInterface.h"

namespace exl {

// Answers 0 to every request made before the host has set itself up.
std::int16_t __stdcall StandbyCallback(HostRequest* request, std::int32_t context, std::int32_t code);

constexpr int kCommandArgumentSize = 256;

// The state of one loaded module, written only by the entry types 3 and 4.
struct ModuleState {
    HostCallback hostCallback = &StandbyCallback;
    std::int32_t hostContext = 0;
    char firstArgument[kCommandArgumentSize] = {};
    char secondArgument[kCommandArgumentSize] = {};
};

ModuleState& TheModuleState();

}  // namespace exl
