#pragma once
// What the calling process holds of the system's resources, for leak and memory checks.
#include <windows.h>

#include <cstddef>
#include <string>

namespace exl::test {

struct ProcessCounters {
    DWORD handles = 0;
    DWORD gdiObjects = 0;
    DWORD userObjects = 0;
    DWORD windows = 0;  // top-level and child windows of the process
    std::size_t privateBytes = 0;
    std::size_t peakWorkingSet = 0;
    std::size_t peakPagefile = 0;

    static ProcessCounters Now();
    // "handles 123, GDI 4, USER 5, windows 2, private 6.1 MB, peak working set 40.2 MB, ..."
    std::string Describe() const;
};

}  // namespace exl::test
