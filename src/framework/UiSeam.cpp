#include "framework/UiSeam.h"

#include "framework/Application.h"

namespace exl {

int UiSeam::ShowMessageBox(HWND owner, const char* text, const char* caption, UINT flags) {
    return MessageBoxA(owner, text, caption, flags);
}

BOOL UiSeam::ShowHelp(HWND window, const char* helpFile, UINT command, ULONG_PTR data) {
    return WinHelpA(window, helpFile, command, data);
}

UiSeam& UiSeam::Platform() {
    static UiSeam platform;
    return platform;
}

ScopedUiSeam::ScopedUiSeam(UiSeam& seam) : previous_(Application::Instance().ReplaceUi(&seam)) {}

ScopedUiSeam::~ScopedUiSeam() { Application::Instance().ReplaceUi(previous_); }

}  // namespace exl
