// The host's entry point, exported as "_Orvanta_Entry@8".
#include <cstring>
#include <type_traits>

#include "export/ExportCommand.h"
#include "host/HostInterface.h"
#include "host/ModuleState.h"

namespace exl {
namespace {

// Copies a host string into a command-argument buffer, cut at its size - 1
// characters so a host that breaks its limit cannot overrun it.
char* CopyArgument(std::uint32_t slot, char (&buffer)[kCommandArgumentSize]) {
    const char* source = FromSlot<const char>(slot);
    std::size_t length = source ? strnlen(source, kCommandArgumentSize - 1) : 0;
    if (length) std::memcpy(buffer, source, length);
    buffer[length] = '\0';
    return buffer;
}

std::int16_t CallHostFunction(EntrySlot* block) {
    EntryFunction function = block ? FromSlot<std::remove_pointer_t<EntryFunction>>(block[0]) : nullptr;
    if (!function) return kEntryRejected;
    return static_cast<std::int16_t>(function(static_cast<std::int32_t>(block[1])));
}

std::int16_t SetUp(EntrySlot* block) {
    if (!block) return kEntryRejected;
    ModuleState& state = TheModuleState();
    HostCallback callback = FromSlot<std::remove_pointer_t<HostCallback>>(block[0]);
    state.hostCallback = callback ? callback : &StandbyCallback;
    state.hostContext = static_cast<std::int32_t>(block[1]);
    return kEntrySetUpDone;
}

std::int16_t RunCommand(EntrySlot* block) {
    if (!block) return kEntryRejected;
    ModuleState& state = TheModuleState();
    block[0] = ToSlot(CopyArgument(block[0], state.firstArgument));
    const char* second = nullptr;
    if (block[1] != 0) {
        second = CopyArgument(block[1], state.secondArgument);
        block[1] = ToSlot(second);
    }
    return RunExportCommand(state.firstArgument, second);
}

std::int16_t Dispatch(std::int32_t type, EntrySlot* block) {
    switch (type) {
    case kEntryCallFunction:
        return CallHostFunction(block);
    case kEntryQuery:
        return kEntryQueryAnswer;
    case kEntrySetUp:
        return SetUp(block);
    case kEntryRunCommand:
        return RunCommand(block);
    default:
        return kEntryRejected;
    }
}

}  // namespace
}  // namespace exl

extern "C" std::int16_t __stdcall Orvanta_Entry(std::int32_t type, exl::EntrySlot* block);
static_assert(std::is_same_v<decltype(&Orvanta_Entry), exl::EntryPoint>, "the entry has the host's entry type");

extern "C" std::int16_t __stdcall Orvanta_Entry(std::int32_t type, exl::EntrySlot* block) {
    // No exception may reach the host.
    try {
        return exl::Dispatch(type, block);
    } catch (...) {
        return type == exl::kEntryRunCommand ? 0 : exl::kEntryRejected;
    }
}
