#pragma once
#include <windows.h>

#include <cstdio>
#include <memory>

namespace exl {

struct FileCloser {
    void operator()(std::FILE* file) const {
        if (file) std::fclose(file);
    }
};
// A C stream that closes itself.
using UniqueFile = std::unique_ptr<std::FILE, FileCloser>;

inline UniqueFile OpenFile(const char* path, const char* mode) {
    return UniqueFile(path ? std::fopen(path, mode) : nullptr);
}

struct RegKeyCloser {
    void operator()(HKEY key) const {
        if (key) RegCloseKey(key);
    }
};
using UniqueRegKey = std::unique_ptr<std::remove_pointer_t<HKEY>, RegKeyCloser>;

struct HandleCloser {
    void operator()(HANDLE handle) const {
        if (handle && handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

// Releases one COM reference: of any interface, or of a server's own object class,
// whose bases may reach IUnknown more than once (so no IUnknown* would do).
struct ComReleaser {
    template <class T>
    void operator()(T* object) const {
        object->Release();
    }
};
// One owned COM reference. An IDispatch has its own holder, AutomationRef (Automation.h).
template <class T>
using UniqueCom = std::unique_ptr<T, ComReleaser>;

}  // namespace exl
