#pragma once
#include <windows.h>

namespace exl {

// Every message box and help call of the plug-in goes through this seam, so unit
// tests can see the flags and help commands that no window shows.
class UiSeam {
public:
    virtual ~UiSeam() = default;
    virtual int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT flags);
    virtual BOOL ShowHelp(HWND window, const char* helpFile, UINT command, ULONG_PTR data);

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
