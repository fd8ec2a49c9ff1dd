#pragma once
// Drives the windows of the test's UI thread from a background thread while that
// thread sits in a modal dialog or message box: finds windows by title, reads and
// sets control texts, clicks, moves the focus, presses F1, reads list views and
// answers message boxes.
#include <windows.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace exl::test {

struct ShownMessageBox {
    HWND window = nullptr;
    std::string caption;
    std::string text;
    std::vector<int> buttons;  // ids of the buttons it offers (IDOK, IDYES, IDNO, ...)
};

// Thrown by a driver step that times out; the script then unblocks the UI thread.
struct UiTimeout : std::runtime_error {
    using std::runtime_error::runtime_error;
};

class UiDriver {
public:
    explicit UiDriver(DWORD uiThread) : uiThread_(uiThread) {}

    // A visible top-level window of the UI thread whose title is exactly `title`.
    HWND WaitForWindow(const std::string& title, int timeoutMs = 20000);
    // The next visible message box of the UI thread, other than `except`.
    ShownMessageBox WaitForMessageBox(int timeoutMs = 20000, HWND except = nullptr);
    // Answers a message box and waits until it has gone.
    void Answer(const ShownMessageBox& box, int buttonId);
    // Waits until the window is gone; false on timeout.
    bool WaitUntilGone(HWND window, int timeoutMs = 20000);

    std::string Title(HWND window);
    std::string Text(HWND dialog, int id);
    void SetText(HWND dialog, int id, const std::string& text);
    // A real button click (BM_CLICK), so automatic radio buttons and check boxes change.
    void Click(HWND dialog, int id);
    // The same click, sent: it has been handled when this returns. Only for a click
    // whose handler opens no modal window (that would block the script).
    void ClickAndWait(HWND dialog, int id);
    int CheckState(HWND dialog, int id);
    bool IsVisible(HWND dialog, int id);
    bool IsEnabled(HWND dialog, int id);
    // Moves the focus inside the dialog, so the control that had it sees it go.
    void Focus(HWND dialog, int id);
    void PressF1(HWND dialog, int id = 0);
    // Esc / the close box.
    void Close(HWND dialog);

    int ListRowCount(HWND dialog, int id);
    int ListColumnCount(HWND dialog, int id);
    std::string ListCell(HWND dialog, int id, int row, int column);
    LPARAM ListItemData(HWND dialog, int id, int row);
    std::string ListHeading(HWND dialog, int id, int column);
    // Selects one row (and only it), as a click on it would.
    void SelectListRow(HWND dialog, int id, int row);
    // The list's double-click notification for a row (-1: an empty part of the list).
    void DoubleClickList(HWND dialog, int id, int row);

    std::vector<HWND> ThreadWindows();
    // A message box: a dialog-class window with the static that holds the text.
    static bool IsMessageBox(HWND window);
    // Any window of the dialog class (dialogs and message boxes).
    static bool IsDialog(HWND window);
    DWORD UiThread() const { return uiThread_; }

private:
    DWORD uiThread_;
};

}  // namespace exl::test
