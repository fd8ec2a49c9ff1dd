#include "framework/UiSeam.h"

#include "framework/Application.h"

namespace exl {

int UiSeam::ShowMessageBox(HWND owner, const char* text, const char* caption, UINT flags) {
    return MessageBoxA(owner, text, caption, flags);
}

BOOL UiSeam::ShowHelp(HWND window, const char* helpFile, UINT command, ULONG_PTR data) {
    return WinHelpA(window, helpFile, command, data);
}

DWORD UiSeam::TickCount() { return GetTickCount(); }

void UiSeam::PauseKeepingWindowsPainted(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    for (DWORD waited = 0; waited < milliseconds; waited = GetTickCount() - start) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, milliseconds - waited, QS_PAINT);
        // Bounded by the time too: a window that never validates itself keeps its
        // WM_PAINT in the queue for ever.
        MSG message;
        while (GetTickCount() - start < milliseconds && PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE))
            DispatchMessageA(&message);
    }
}

UiSeam& UiSeam::Platform() {
    static UiSeam platform;
    return platform;
}

ScopedUiSeam::ScopedUiSeam(UiSeam& seam) : previous_(Application::Instance().ReplaceUi(&seam)) {}

ScopedUiSeam::~ScopedUiSeam() { Application::Instance().ReplaceUi(previous_); }

}  // namespace exl
