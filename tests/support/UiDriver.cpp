#include "UiDriver.h"

#include <commctrl.h>

#include <chrono>
#include <thread>

namespace exl::test {

namespace {

constexpr int kPollMs = 20;
constexpr int kMessageBoxTextId = 0xFFFF;  // the static that holds a message box's text

std::string ClassOf(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof(name));
    return name;
}

std::string TextOf(HWND window) {
    char text[4096] = {};
    SendMessageA(window, WM_GETTEXT, sizeof(text), reinterpret_cast<LPARAM>(text));
    return text;
}

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
    reinterpret_cast<std::vector<HWND>*>(list)->push_back(window);
    return TRUE;
}

template <typename Predicate>
bool PollUntil(int timeoutMs, Predicate done) {
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        Sleep(kPollMs);
    }
    return true;
}

}  // namespace

bool UiDriver::IsDialog(HWND window) { return ClassOf(window) == "#32770"; }

bool UiDriver::IsMessageBox(HWND window) { return IsDialog(window) && GetDlgItem(window, kMessageBoxTextId) != nullptr; }

std::vector<HWND> UiDriver::ThreadWindows() {
    std::vector<HWND> windows;
    EnumThreadWindows(uiThread_, &CollectWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
}

HWND UiDriver::WaitForWindow(const std::string& title, int timeoutMs) {
    HWND found = nullptr;
    bool ok = PollUntil(timeoutMs, [&] {
        for (HWND window : ThreadWindows())
            if (IsWindowVisible(window) && TextOf(window) == title && !IsMessageBox(window)) found = window;
        return found != nullptr;
    });
    if (!ok) throw UiTimeout("no window titled \"" + title + "\"");
    return found;
}

ShownMessageBox UiDriver::WaitForMessageBox(int timeoutMs, HWND except) {
    ShownMessageBox box;
    bool ok = PollUntil(timeoutMs, [&] {
        for (HWND window : ThreadWindows())
            if (window != except && IsWindowVisible(window) && IsMessageBox(window)) box.window = window;
        return box.window != nullptr;
    });
    if (!ok) throw UiTimeout("no message box appeared");
    box.caption = TextOf(box.window);
    box.text = TextOf(GetDlgItem(box.window, kMessageBoxTextId));
    for (int id : {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO}) {
        HWND button = GetDlgItem(box.window, id);
        if (button && IsWindowVisible(button)) box.buttons.push_back(id);
    }
    return box;
}

void UiDriver::Answer(const ShownMessageBox& box, int buttonId) {
    PostMessageA(box.window, WM_COMMAND, MAKEWPARAM(buttonId, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box.window, buttonId)));
    if (!WaitUntilGone(box.window)) throw UiTimeout("message box \"" + box.caption + "\" stays open");
}

bool UiDriver::WaitUntilGone(HWND window, int timeoutMs) {
    return PollUntil(timeoutMs, [&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

std::string UiDriver::Title(HWND window) { return TextOf(window); }

std::string UiDriver::Text(HWND dialog, int id) { return TextOf(GetDlgItem(dialog, id)); }

void UiDriver::SetText(HWND dialog, int id, const std::string& text) {
    SendMessageA(GetDlgItem(dialog, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

void UiDriver::Click(HWND dialog, int id) {
    // Posted, so a click that opens a modal window does not block the script.
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
    Sleep(kPollMs);
}

void UiDriver::ClickAndWait(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

int UiDriver::CheckState(HWND dialog, int id) {
    return static_cast<int>(SendMessageA(GetDlgItem(dialog, id), BM_GETCHECK, 0, 0));
}

bool UiDriver::IsVisible(HWND dialog, int id) {
    return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool UiDriver::IsEnabled(HWND dialog, int id) {
    return (GetWindowLongA(GetDlgItem(dialog, id), GWL_STYLE) & WS_DISABLED) == 0;
}

void UiDriver::Focus(HWND dialog, int id) {
    SendMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, id)), TRUE);
}

void UiDriver::PressF1(HWND dialog, int id) {
    HELPINFO info = {};
    info.cbSize = sizeof(info);
    info.iContextType = HELPINFO_WINDOW;
    info.iCtrlId = id;
    info.hItemHandle = id ? GetDlgItem(dialog, id) : dialog;
    SendMessageA(dialog, WM_HELP, 0, reinterpret_cast<LPARAM>(&info));
}

void UiDriver::Close(HWND dialog) { PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0); }

int UiDriver::ListRowCount(HWND dialog, int id) {
    return static_cast<int>(SendMessageA(GetDlgItem(dialog, id), LVM_GETITEMCOUNT, 0, 0));
}

int UiDriver::ListColumnCount(HWND dialog, int id) {
    HWND header = reinterpret_cast<HWND>(SendMessageA(GetDlgItem(dialog, id), LVM_GETHEADER, 0, 0));
    return static_cast<int>(SendMessageA(header, HDM_GETITEMCOUNT, 0, 0));
}

std::string UiDriver::ListCell(HWND dialog, int id, int row, int column) {
    char text[1024] = {};
    LVITEMA item = {};
    item.iSubItem = column;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    SendMessageA(GetDlgItem(dialog, id), LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
    return text;
}

LPARAM UiDriver::ListItemData(HWND dialog, int id, int row) {
    LVITEMA item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageA(GetDlgItem(dialog, id), LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item));
    return item.lParam;
}

std::string UiDriver::ListHeading(HWND dialog, int id, int column) {
    char text[256] = {};
    LVCOLUMNA col = {};
    col.mask = LVCF_TEXT;
    col.pszText = text;
    col.cchTextMax = sizeof(text);
    SendMessageA(GetDlgItem(dialog, id), LVM_GETCOLUMNA, column, reinterpret_cast<LPARAM>(&col));
    return text;
}

void UiDriver::SelectListRow(HWND dialog, int id, int row) {
    HWND list = GetDlgItem(dialog, id);
    LVITEMA clear = {};
    clear.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&clear));
    LVITEMA select = {};
    select.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    select.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&select));
}

void UiDriver::DoubleClickList(HWND dialog, int id, int row) {
    NMITEMACTIVATE activate = {};
    activate.hdr.hwndFrom = GetDlgItem(dialog, id);
    activate.hdr.idFrom = static_cast<UINT_PTR>(id);
    activate.hdr.code = NM_DBLCLK;
    activate.iItem = row;
    activate.iSubItem = 0;
    // Posting would lose the block; the handler may open a modal dialog, so send it
    // from a thread of its own and let the script go on.
    std::thread([dialog, id, activate]() mutable {
        SendMessageA(dialog, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&activate));
    }).detach();
    Sleep(kPollMs * 5);
}

}  // namespace exl::test
