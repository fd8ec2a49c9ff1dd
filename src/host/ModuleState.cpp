#include "host/ModuleState.h"

namespace exl {

std::int16_t __stdcall StandbyCallback(HostRequest*, std::int32_t, std::int32_t) { return 0; }

ModuleState& TheModuleState() {
    static ModuleState state;
    return state;
}

}  // namespace exl
