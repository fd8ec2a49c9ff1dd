#include "ProcessCounters.h"

#include <psapi.h>

#include <cstdint>
#include <cstdio>

namespace exl::test {

namespace {

// Wine answers 0 for the handle count; then the open handles are counted one by one.
DWORD CountOpenHandles() {
    constexpr std::uintptr_t kHighestProbed = 1u << 16;
    DWORD open = 0;
    DWORD flags = 0;
    for (std::uintptr_t value = 4; value < kHighestProbed; value += 4)
        if (GetHandleInformation(reinterpret_cast<HANDLE>(value), &flags)) ++open;
    return open;
}

BOOL CALLBACK CountWindow(HWND window, LPARAM count) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId()) return TRUE;
    ++*reinterpret_cast<DWORD*>(count);
    EnumChildWindows(window, CountWindow, count);
    return TRUE;
}

// Wine answers 0 for the USER objects; the process's windows are most of them.
DWORD CountWindows() {
    DWORD windows = 0;
    EnumWindows(CountWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

}  // namespace

ProcessCounters ProcessCounters::Now() {
    ProcessCounters counters;
    HANDLE self = GetCurrentProcess();
    if (!GetProcessHandleCount(self, &counters.handles) || counters.handles == 0) counters.handles = CountOpenHandles();
    counters.gdiObjects = GetGuiResources(self, GR_GDIOBJECTS);
    counters.userObjects = GetGuiResources(self, GR_USEROBJECTS);
    counters.windows = CountWindows();
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(self, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        // Windows counts private bytes as pagefile usage too; Wine fills only the latter.
        counters.privateBytes = memory.PrivateUsage ? memory.PrivateUsage : memory.PagefileUsage;
        counters.peakWorkingSet = memory.PeakWorkingSetSize;
        counters.peakPagefile = memory.PeakPagefileUsage;
    }
    return counters;
}

std::string ProcessCounters::Describe() const {
    constexpr double kMegabyte = 1024.0 * 1024.0;
    char text[200];
    std::snprintf(text, sizeof text,
                  "handles %lu, GDI %lu, USER %lu, windows %lu, private %.2f MB, peak working set %.1f MB, "
                  "peak pagefile %.1f MB",
                  static_cast<unsigned long>(handles), static_cast<unsigned long>(gdiObjects),
                  static_cast<unsigned long>(userObjects), static_cast<unsigned long>(windows),
                  privateBytes / kMegabyte, peakWorkingSet / kMegabyte,
                  peakPagefile / kMegabyte);
    return text;
}

}  // namespace exl::test
