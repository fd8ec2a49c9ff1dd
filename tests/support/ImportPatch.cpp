#include "ImportPatch.h"

#include <cstring>

namespace exl::test {

namespace {

template <typename T>
T* At(HMODULE module, DWORD offset) {
    return reinterpret_cast<T*>(reinterpret_cast<BYTE*>(module) + offset);
}

// The import address table's entry of the function, or nullptr.
void** FindSlot(HMODULE module, const char* dll, const char* function) {
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(module);
    const auto* nt = At<const IMAGE_NT_HEADERS>(module, static_cast<DWORD>(dos->e_lfanew));
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (auto* descriptor = At<IMAGE_IMPORT_DESCRIPTOR>(module, imports.VirtualAddress); descriptor->Name != 0;
         ++descriptor) {
        if (_stricmp(At<const char>(module, descriptor->Name), dll) != 0) continue;
        auto* names = At<IMAGE_THUNK_DATA>(module, descriptor->OriginalFirstThunk);
        auto* slots = At<IMAGE_THUNK_DATA>(module, descriptor->FirstThunk);
        for (; names->u1.AddressOfData != 0; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = At<const IMAGE_IMPORT_BY_NAME>(module, static_cast<DWORD>(names->u1.AddressOfData));
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) == 0)
                return reinterpret_cast<void**>(&slots->u1.Function);
        }
    }
    return nullptr;
}

}  // namespace

ImportPatch::ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement) {
    if (!module) return;
    slot_ = FindSlot(module, dll, function);
    if (!slot_) return;
    original_ = *slot_;
    Write(replacement);
}

ImportPatch::~ImportPatch() {
    if (slot_) Write(original_);
}

void ImportPatch::Write(void* value) {
    DWORD protection = 0;
    VirtualProtect(slot_, sizeof(void*), PAGE_READWRITE, &protection);
    *slot_ = value;
    VirtualProtect(slot_, sizeof(void*), protection, &protection);
}

}  // namespace exl::test
