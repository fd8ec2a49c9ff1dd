#pragma once
// Pictures of windows as the display shows them, for looking at dialogs after a run.
#include <windows.h>

#include <string>

namespace exl::test {

// Saves the window as a 24-bit BMP file: its client area as the screen shows it,
// its frame and caption as the platform draws them (no window manager draws them).
// False when the window has no area or the file cannot be written.
bool SaveWindowImage(HWND window, const std::string& bmpPath);

// Whether a control's text shows whole in its client area, wrapped at word breaks
// as a static text wraps it (a button: on one line), in the control's own font.
bool TextShowsWhole(HWND control);
// Whether a window's title fits its caption bar beside the close box.
bool TitleShowsWhole(HWND window);

}  // namespace exl::test
