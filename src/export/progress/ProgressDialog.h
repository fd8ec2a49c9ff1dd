#pragma once
#include <string>

#include "framework/Dialog.h"

namespace exl {

// The modeless window over template 2005 that shows how far the transfer has come
// and offers Abbrechen. While it is up its owner, the host's window, is disabled,
// as under a modal dialog; the caller handles this window's messages and no others,
// so no host command can start meanwhile.
class ProgressDialog : public Dialog {
public:
    enum { IDD = 2005 };
    // The bar runs from 0 to this.
    static constexpr int kBarRange = 1000;

    ProgressDialog();
    ~ProgressDialog() override;

    // Creates and shows the window, owned by the thread's active window. False when
    // it cannot be made.
    bool Open();
    // The text and the bar's position (0 to kBarRange); what is unchanged is left alone.
    // Both are painted later: in the next wait for Excel's answer (see HandleInput),
    // or where there is none, by PaintWhatWaits.
    void Show(const std::string& text, int barPosition);
    // Handles the input and posted messages queued for this window and its controls:
    // the filter by window takes its controls' messages too, so a click on Abbrechen
    // (down, then up through the button's capture) and Esc (IsDialogMessage) are taken
    // here whatever the server is. COM's wait for an Excel in another process leaves
    // input queued; it only paints, as Excel works, so painting costs the writing nothing.
    void HandleInput();
    // Paints what of this window is still unpainted: an Excel in this process answers
    // without a wait, and nothing else would paint it, Abbrechen included.
    void PaintWhatWaits();
    // Handles everything queued for this window, and the paint messages of the
    // thread's other windows (the host's): for waits in which no COM call runs.
    void HandleAllMessages();
    // Abbrechen, Esc or the close box.
    bool StopAsked() const { return stopAsked_; }

protected:
    bool OnInitDialog() override;
    // Enter ends nothing.
    void OnOK() override {}
    void OnCancel() override { stopAsked_ = true; }

private:
    // Messages of this window and its controls that the filter lets through.
    void Handle(UINT filter);

    HWND disabledOwner_ = nullptr;
    bool stopAsked_ = false;
    std::string shownText_;
    int shownBarPosition_ = -1;
};

}  // namespace exl
