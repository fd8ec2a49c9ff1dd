#include "UserInput.h"

namespace exl::test {

namespace {

bool SendMouseButton(DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    return SendInput(1, &input, sizeof(input)) == 1;
}

}  // namespace

bool PressMouseOn(HWND control) {
    RECT area;
    if (!GetClientRect(control, &area)) return false;
    POINT middle = {area.right / 2, area.bottom / 2};
    return ClientToScreen(control, &middle) && SetCursorPos(middle.x, middle.y) &&
           SendMouseButton(MOUSEEVENTF_LEFTDOWN);
}

bool ReleaseMouse() { return SendMouseButton(MOUSEEVENTF_LEFTUP); }

bool ClickWithMouse(HWND control) { return PressMouseOn(control) && ReleaseMouse(); }

bool PressKey(WORD virtualKey) {
    INPUT keys[2] = {};
    for (INPUT& key : keys) {
        key.type = INPUT_KEYBOARD;
        key.ki.wVk = virtualKey;
    }
    keys[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return SendInput(2, keys, sizeof(INPUT)) == 2;
}

}  // namespace exl::test
