#include "framework/Dialog.h"

#include <commctrl.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "framework/Application.h"
#include "framework/Ini.h"

namespace exl {

void DataExchange::Check(int controlId, int& value) {
    HWND box = GetDlgItem(dialog_, controlId);
    if (saving_) {
        value = static_cast<int>(SendMessageA(box, BM_GETCHECK, 0, 0));
        return;
    }
    if (value < 0 || value > 2) value = 0;
    SendMessageA(box, BM_SETCHECK, static_cast<WPARAM>(value), 0);
}

void DataExchange::Text(int controlId, std::string& value) {
    HWND control = GetDlgItem(dialog_, controlId);
    if (saving_)
        value = WindowText(control);
    else
        SetWindowTextA(control, value.c_str());
}

void DataExchange::Int(int controlId, int& value) {
    HWND control = GetDlgItem(dialog_, controlId);
    if (!saving_) {
        SetWindowTextA(control, Format("%d", value).c_str());
        return;
    }
    std::string text = WindowText(control);
    char* end = nullptr;
    long parsed = std::strtol(text.c_str(), &end, 10);
    while (end && (*end == ' ' || *end == '\t')) ++end;
    if (text.empty() || !end || *end != '\0') {
        failed_ = true;
        return;
    }
    value = static_cast<int>(parsed);
}

std::string WindowText(HWND window, std::size_t maxChars) {
    int length = GetWindowTextLengthA(window);
    if (length <= 0) return std::string();
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(window, buffer.data(), length + 1);
    std::string text(buffer.data(), copied > 0 ? copied : 0);
    if (text.size() > maxChars) text.resize(maxChars);
    return text;
}

Dialog::Dialog(int templateId, HWND parent) : templateId_(templateId), parent_(parent) {}

// Destroys a modeless window still up; a modal one has gone when DoModal returned.
Dialog::~Dialog() { Destroy(); }

INT_PTR Dialog::DoModal() {
    // Only the list view: the standard controls need no registration, and a common
    // controls library older than version 6 refuses flags it does not know.
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    // Without a parent the dialog is owned by the thread's active window, so a dialog
    // opened from another stays modal to it.
    HWND owner = parent_ ? parent_ : GetActiveWindow();
    outOfMemory_ = false;
    const INT_PTR result = DialogBoxParamA(Application::Instance().ResourceModule(), MAKEINTRESOURCEA(templateId_),
                                           owner, &Dialog::StaticProc, reinterpret_cast<LPARAM>(this));
    if (outOfMemory_) throw std::bad_alloc();
    return result;
}

bool Dialog::Create(HWND owner) {
    return CreateDialogParamA(Application::Instance().ResourceModule(), MAKEINTRESOURCEA(templateId_), owner,
                              &Dialog::StaticProc, reinterpret_cast<LPARAM>(this)) != nullptr;
}

void Dialog::Destroy() {
    // WM_DESTROY empties hwnd_.
    if (hwnd_) DestroyWindow(hwnd_);
}

INT_PTR CALLBACK Dialog::StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* self = nullptr;
    if (message == WM_INITDIALOG) {
        self = reinterpret_cast<Dialog*>(lParam);
        SetWindowLongPtrA(window, DWLP_USER, lParam);
        self->hwnd_ = window;
    } else {
        self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(window, DWLP_USER));
    }
    if (!self) return FALSE;
    // No exception may cross the platform's dialog procedure.
    try {
        return self->Proc(message, wParam, lParam);
    } catch (const std::bad_alloc&) {
        self->outOfMemory_ = true;
        self->EndDialog(-1);
        return TRUE;
    } catch (...) {
        self->EndDialog(-1);
        return TRUE;
    }
}

INT_PTR Dialog::Proc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog() ? TRUE : FALSE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        int notification = HIWORD(wParam);
        if (OnCommand(id, notification, reinterpret_cast<HWND>(lParam))) return TRUE;
        if (id == IDOK && notification == BN_CLICKED) {
            OnOK();
            return TRUE;
        }
        if (id == IDCANCEL) {
            OnCancel();
            return TRUE;
        }
        return FALSE;
    }
    case WM_NOTIFY: {
        LRESULT result = 0;
        if (OnNotify(*reinterpret_cast<NMHDR*>(lParam), result)) {
            SetWindowLongPtrA(hwnd_, DWLP_MSGRESULT, result);
            return TRUE;
        }
        return FALSE;
    }
    case WM_HELP:
        OnHelp();
        // On to the default processing, which hands WM_HELP to the owner. When the
        // owner is another of these dialogs (the editor over the export dialog) it
        // would show its own topic over this one, so the message stops here.
        return OwnedByDialogOfOurs() ? TRUE : FALSE;
    case WM_DESTROY:
        hwnd_ = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

bool Dialog::OwnedByDialogOfOurs() const {
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    return owner && reinterpret_cast<DLGPROC>(GetWindowLongPtrA(owner, DWLP_DLGPROC)) == &Dialog::StaticProc;
}

bool Dialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void Dialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void Dialog::OnCancel() { EndDialog(IDCANCEL); }

bool Dialog::UpdateData(bool saveAndValidate) {
    DataExchange exchange(hwnd_, saveAndValidate);
    DoDataExchange(exchange);
    return !exchange.Failed();
}

void Dialog::EndDialog(INT_PTR result) {
    if (hwnd_) ::EndDialog(hwnd_, result);
}

std::string Dialog::ItemText(int controlId, std::size_t maxChars) const { return WindowText(Item(controlId), maxChars); }

void Dialog::SetItemText(int controlId, const std::string& text) { SetDlgItemTextA(hwnd_, controlId, text.c_str()); }

void Dialog::SetCheck(int controlId, int state) { CheckDlgButton(hwnd_, controlId, static_cast<UINT>(state)); }

void Dialog::ShowRadioValue(const RadioValue* group, std::size_t count, int value) {
    bool known = false;
    for (std::size_t i = 0; i < count; ++i) known = known || group[i].value == value;
    if (!known) return;
    for (std::size_t i = 0; i < count; ++i)
        SetCheck(group[i].controlId, group[i].value == value ? BST_CHECKED : BST_UNCHECKED);
}

int Dialog::Check(int controlId) const { return static_cast<int>(IsDlgButtonChecked(hwnd_, controlId)); }

}  // namespace exl
