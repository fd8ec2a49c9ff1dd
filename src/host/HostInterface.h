#pragma once
// The Orvanta host's side of the plug-in interface: entry types, the request
// block and the request codes. Plain structs and constants, shared with the host
// simulator.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <type_traits>

namespace exl {

// The host passes addresses in 32-bit slots. The 64-bit test build links every image
// low (see the top CMakeLists.txt) so they fit; ToSlot checks that they do.
#ifndef EXL_LOW_ADDRESSES_64
static_assert(sizeof(void*) == 4, "the host interface passes addresses in 32-bit slots");
#endif

// The host's entry block: it owns the slots; the entry reads slots 0 and 1.
using EntrySlot = std::uint32_t;

enum EntryType : std::int32_t {
    kEntryCallFunction = 1,  // slot 0: cdecl function, slot 1: its argument
    kEntryQuery = 2,         // answers kEntryQueryAnswer
    kEntrySetUp = 3,         // slot 0: host callback, slot 1: host context
    kEntryRunCommand = 4,    // slot 0: string, slot 1: string or null
};
constexpr std::int16_t kEntryQueryAnswer = 7;
constexpr std::int16_t kEntrySetUpDone = 1;
constexpr std::int16_t kEntryRejected = static_cast<std::int16_t>(0xFFFF);

// Eleven 32-bit slots; only those a code names are set.
constexpr int kHostRequestSlots = 11;
struct HostRequest {
    std::uint32_t slot[kHostRequestSlots];
};
static_assert(sizeof(HostRequest) == 44, "the host expects 44 bytes");

enum HostRequestCode : std::int32_t {
    kRequestFileSelection = 4,  // slot 0: prompt, slot 1: 256-byte path buffer; answers 1 when a file was chosen
    kRequestHostText = 11,      // slot 0: text
    kRequestInfoQuery = 51,     // slot 0: search file path, slot 1: result path, slot 2 low byte: mode flags
};
constexpr std::int16_t kFileChosen = 1;
constexpr int kHostPathBufferSize = 256;

// Mode flags of the information query, one byte.
enum QueryModeFlags : std::uint8_t {
    kQueryAlways = 1,
    kQueryAssemblyInfo = 2,
    kQueryElementInfo = 4,
    kQueryLevelZeroOnly = 32,
};

using HostCallback = std::int16_t(__stdcall*)(HostRequest* request, std::int32_t context, std::int32_t code);
using EntryFunction = std::int32_t(__cdecl*)(std::int32_t argument);
using EntryPoint = std::int16_t(__stdcall*)(std::int32_t type, EntrySlot* block);

constexpr const char* kEntryPointName = "_Orvanta_Entry@8";

#ifndef EXL_LOW_ADDRESSES_64
// What the 32-bit host fixes: the request block's slots four bytes apart from its
// start, and who clears the stack. The host's callback and the entry are __stdcall
// (the callee pops: "@8" is two 4-byte arguments), the function the host calls for
// code 1 is __cdecl. Only the 32-bit build has distinct conventions to check.
static_assert(offsetof(HostRequest, slot) == 0 && sizeof(HostRequest::slot[0]) == 4 &&
                  alignof(HostRequest) == 4,
              "the request block is eleven 4-byte slots from its first byte");
static_assert(sizeof(EntrySlot) == 4 && sizeof(std::int32_t) + sizeof(EntrySlot*) == 8,
              "the entry takes 8 bytes of arguments, as its name says");
static_assert(!std::is_same_v<HostCallback, std::int16_t(__cdecl*)(HostRequest*, std::int32_t, std::int32_t)>,
              "the host's callback is __stdcall");
static_assert(!std::is_same_v<EntryPoint, std::int16_t(__cdecl*)(std::int32_t, EntrySlot*)>,
              "the entry is __stdcall");
static_assert(!std::is_same_v<EntryFunction, std::int32_t(__stdcall*)(std::int32_t)>,
              "the host's function call is __cdecl");
#endif

template <typename T>
inline std::uint32_t ToSlot(T* pointer) {
    const auto address = reinterpret_cast<std::uintptr_t>(pointer);
#ifdef EXL_LOW_ADDRESSES_64
    // A cut address would send the other side astray: stop here instead.
    if (address > UINT32_MAX) std::abort();
#endif
    return static_cast<std::uint32_t>(address);
}
template <typename T>
inline T* FromSlot(std::uint32_t slot) {
    return reinterpret_cast<T*>(static_cast<std::uintptr_t>(slot));
}

}  // namespace exl
