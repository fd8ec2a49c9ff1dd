#pragma once
// For whole runs through the real DLL: what the DLL calls for one function it imports
// is replaced for the lifetime of the holder, through its import address table. So a
// test can drive the DLL's clock, or make its allocations fail, without any seam of
// the product's: the DLL is the one the host loads, unchanged.
#include <windows.h>

namespace exl::test {

class ImportPatch {
public:
    // `function` as imported by `module` from `dll` (compared without case).
    ImportPatch(HMODULE module, const char* dll, const char* function, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    // false when the module imports no such function.
    bool Installed() const { return slot_ != nullptr; }
    // What the module called before.
    void* Original() const { return original_; }

private:
    void Write(void* value);

    void** slot_ = nullptr;
    void* original_ = nullptr;
};

}  // namespace exl::test
