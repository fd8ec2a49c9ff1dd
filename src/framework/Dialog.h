#pragma once
#include <windows.h>

#include <cstddef>
#include <string>

namespace exl {

// Moves values between a dialog's members and its controls in one direction.
class DataExchange {
public:
    DataExchange(HWND dialog, bool saving) : dialog_(dialog), saving_(saving) {}
    bool Saving() const { return saving_; }
    bool Failed() const { return failed_; }

    // Check-state transfer: towards the box a value outside 0..2 is first set to 0
    // (2 is the indeterminate state); back from the box the member gets its state.
    void Check(int controlId, int& value);
    // Whole-text transfer.
    void Text(int controlId, std::string& value);
    // Whole-number transfer; a text that is not a number fails the exchange.
    void Int(int controlId, int& value);

private:
    HWND dialog_;
    bool saving_;
    bool failed_ = false;
};

// One button of a radio group and the value it stands for.
struct RadioValue {
    int controlId;
    int value;
};

// The modal dialog base: runs a template from the application's resource module,
// exchanges data in both directions, and routes commands, notifications and F1
// to handler methods. A derived class names its template and overrides handlers.
class Dialog {
public:
    Dialog(int templateId, HWND parent);
    virtual ~Dialog();
    Dialog(const Dialog&) = delete;
    Dialog& operator=(const Dialog&) = delete;

    // IDOK or IDCANCEL, or -1 when the template cannot be run or a handler failed.
    // Memory that ran out in a handler ends the dialog and is raised here again
    // (std::bad_alloc), once the platform's dialog procedure is behind it.
    INT_PTR DoModal();
    // Modeless: creates the template's window owned by `owner` (nullptr: none), shown
    // only when the template says so. False when it cannot be made. The window lives
    // until Destroy or the end of the object; its messages are the caller's to handle.
    bool Create(HWND owner);
    void Destroy();
    HWND Hwnd() const { return hwnd_; }

protected:
    virtual void DoDataExchange(DataExchange& exchange) {}
    // Runs the data exchange towards the controls. Returning true lets the platform
    // give the focus to the first control that takes it.
    virtual bool OnInitDialog();
    // Transfers the controls into the members and closes with IDOK.
    virtual void OnOK();
    virtual void OnCancel();
    // Return true when the command was handled (id is the low word only).
    virtual bool OnCommand(int controlId, int notification, HWND control) { return false; }
    virtual bool OnNotify(NMHDR& header, LRESULT& result) { return false; }
    // F1; the message then goes on to the window's default processing.
    virtual void OnHelp() {}

    bool UpdateData(bool saveAndValidate);
    void EndDialog(INT_PTR result);

    HWND Item(int controlId) const { return GetDlgItem(hwnd_, controlId); }
    // At most maxChars characters of the control's text.
    std::string ItemText(int controlId, std::size_t maxChars = 0x7FFF) const;
    void SetItemText(int controlId, const std::string& text);
    void SetCheck(int controlId, int state);
    int Check(int controlId) const;

    // Checks the button that stands for `value` and clears the others of the group;
    // a value no button stands for leaves the group as it is.
    template <std::size_t N>
    void ShowRadioValue(const RadioValue (&group)[N], int value) {
        ShowRadioValue(group, N, value);
    }
    // The value of the group's button `controlId`; false when it is not one of them.
    template <std::size_t N>
    static bool RadioValueOf(const RadioValue (&group)[N], int controlId, int& value) {
        for (const RadioValue& button : group) {
            if (button.controlId != controlId) continue;
            value = button.value;
            return true;
        }
        return false;
    }

private:
    void ShowRadioValue(const RadioValue* group, std::size_t count, int value);
    static INT_PTR CALLBACK StaticProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // Whether the window that owns this dialog is a dialog of this class too.
    bool OwnedByDialogOfOurs() const;
    INT_PTR Proc(UINT message, WPARAM wParam, LPARAM lParam);

    int templateId_;
    HWND parent_;
    HWND hwnd_ = nullptr;
    bool outOfMemory_ = false;
};

// The text of any window, whole.
std::string WindowText(HWND window, std::size_t maxChars = 0x7FFF);

}  // namespace exl
