#pragma once
// Input as the user gives it: through the system's input queue (SendInput), so it
// goes to the window under the cursor or to the one with the keyboard focus, and is
// taken only where the program reads its queue. From any thread.
#include <windows.h>

namespace exl::test {

// Moves the cursor to the middle of the control and presses the left button. False
// when the system did not take all of it.
bool PressMouseOn(HWND control);
// Lets the left button go where the cursor is.
bool ReleaseMouse();
// Both.
bool ClickWithMouse(HWND control);
// Presses the key and lets it go.
bool PressKey(WORD virtualKey);

}  // namespace exl::test
