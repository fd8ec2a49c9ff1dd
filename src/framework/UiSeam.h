#pragma once
#include <windows.h>

namespace exl {

// Every message box, help call and wait of the plug-in goes through this seam, so
// unit tests can see the flags and help commands that no window shows, and wait
// on a clock of their own instead of sleeping.
class UiSeam {
public:
    virtual ~UiSeam() = default;
    virtual int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT flags);
    virtual BOOL ShowHelp(HWND window, const char* helpFile, UINT command, ULONG_PTR data);
    // Milliseconds since some fixed moment; wraps as GetTickCount does.
    virtual DWORD TickCount();
    // Waits about `milliseconds` and meanwhile dispatches the paint messages of the
    // thread's windows, and nothing else: the host's windows stay painted, but no
    // click or key reaches them, so no command of the host can start.
    virtual void PauseKeepingWindowsPainted(DWORD milliseconds);

    static UiSeam& Platform();
};

// Installs a seam for the lifetime of the holder and puts the previous one back.
class ScopedUiSeam {
public:
    explicit ScopedUiSeam(UiSeam& seam);
    ~ScopedUiSeam();
    ScopedUiSeam(const ScopedUiSeam&) = delete;
    ScopedUiSeam& operator=(const ScopedUiSeam&) = delete;

private:
    UiSeam* previous_;
};

}  // namespace exl
