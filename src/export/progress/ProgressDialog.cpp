#include "export/progress/ProgressDialog.h"

#include <commctrl.h>

#include "catalogue/MessageCatalogue.h"
#include "resource.h"

namespace exl {

namespace {

constexpr int kProgressSection = 4;
constexpr int kTitleKey = 1;
constexpr CatalogueControlText kControlTexts[] = {{IDCANCEL, 2}};
// A window that never validates itself must not keep the writing waiting.
constexpr int kMostPaintsPerRound = 16;

// A progress bar paints itself at once when its position changes; held, it is only
// marked for painting.
class PaintingHeld {
public:
    explicit PaintingHeld(HWND control) : control_(control) { SendMessageA(control_, WM_SETREDRAW, FALSE, 0); }
    ~PaintingHeld() {
        SendMessageA(control_, WM_SETREDRAW, TRUE, 0);
        InvalidateRect(control_, nullptr, TRUE);
    }
    PaintingHeld(const PaintingHeld&) = delete;
    PaintingHeld& operator=(const PaintingHeld&) = delete;

private:
    HWND control_;
};

}  // namespace

ProgressDialog::ProgressDialog() : Dialog(IDD, nullptr) {}

ProgressDialog::~ProgressDialog() {
    // The owner first, so the platform gives the activation back to it rather than
    // to another program's window.
    if (disabledOwner_) EnableWindow(disabledOwner_, TRUE);
    Destroy();
}

bool ProgressDialog::Open() {
    INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    HWND owner = GetActiveWindow();
    if (!Create(owner)) return false;
    if (owner && IsWindowEnabled(owner)) {
        EnableWindow(owner, FALSE);
        disabledOwner_ = owner;
    }
    ShowWindow(Hwnd(), SW_SHOW);
    return true;
}

bool ProgressDialog::OnInitDialog() {
    SetDialogTexts(Hwnd(), kProgressSection, kTitleKey, kControlTexts);
    SendMessageA(Item(IDC_PROGRESS_BAR), PBM_SETRANGE, 0, MAKELPARAM(0, kBarRange));
    return true;
}

void ProgressDialog::Show(const std::string& text, int barPosition) {
    if (text != shownText_) {
        SetItemText(IDC_PROGRESS_TEXT, text);
        shownText_ = text;
    }
    if (barPosition != shownBarPosition_) {
        PaintingHeld later(Item(IDC_PROGRESS_BAR));
        SendMessageA(Item(IDC_PROGRESS_BAR), PBM_SETPOS, static_cast<WPARAM>(barPosition), 0);
        shownBarPosition_ = barPosition;
    }
}

void ProgressDialog::HandleInput() { Handle(PM_QS_INPUT | PM_QS_POSTMESSAGE); }

void ProgressDialog::PaintWhatWaits() {
    MSG message;
    // The filter by window takes the controls' paint messages too.
    for (int round = 0;
         round < kMostPaintsPerRound && Hwnd() && PeekMessageA(&message, Hwnd(), WM_PAINT, WM_PAINT, PM_REMOVE); ++round)
        DispatchMessageA(&message);
}

void ProgressDialog::HandleAllMessages() {
    Handle(0);
    MSG message;
    for (int round = 0; round < kMostPaintsPerRound && PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE);
         ++round)
        DispatchMessageA(&message);
}

void ProgressDialog::Handle(UINT filter) {
    MSG message;
    // Filtered by window: nothing meant for the host is dispatched.
    while (Hwnd() && PeekMessageA(&message, Hwnd(), 0, 0, PM_REMOVE | filter)) {
        if (IsDialogMessageA(Hwnd(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace exl
