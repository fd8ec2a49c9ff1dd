#include "UiScript.h"

#include <gtest/gtest.h>

namespace exl::test {

UiScript::UiScript(std::function<void(UiDriver&)> steps)
    : driver_(GetCurrentThreadId()), thread_([this, steps] { Run(steps); }) {}

UiScript::~UiScript() {
    if (thread_.joinable()) {
        uiReturned_ = true;
        thread_.join();
    }
}

void UiScript::Run(std::function<void(UiDriver&)> steps) {
    try {
        steps(driver_);
    } catch (const std::exception& error) {
        failure_ = error.what();
        failed_ = true;
        Rescue();
        return;
    }
    // Steps that ended early (a failed assertion returns from them) can leave a modal
    // window open: then the test fails here instead of hanging until the ctest timeout.
    for (int waited = 0; !uiReturned_ && waited < kUiReturnTimeoutMs; waited += 100) Sleep(100);
    if (!uiReturned_) {
        failure_ = "the script ended, but the UI thread is still in a modal window";
        failed_ = true;
        Rescue();
    }
}

void UiScript::Rescue() {
    // Close whatever the UI thread shows until it has come back from its modal run.
    while (!uiReturned_) {
        for (HWND window : driver_.ThreadWindows()) {
            if (!IsWindowVisible(window)) continue;
            if (UiDriver::IsMessageBox(window)) {
                int first = GetDlgItem(window, IDOK) ? IDOK : IDNO;
                PostMessageA(window, WM_COMMAND, MAKEWPARAM(first, BN_CLICKED), 0);
            } else if (UiDriver::IsDialog(window)) {
                PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
        }
        Sleep(200);
    }
}

void UiScript::Join() {
    uiReturned_ = true;
    if (thread_.joinable()) thread_.join();
    EXPECT_FALSE(failed_) << "UI script failed: " << failure_;
}


std::vector<ShownMessageBox> RunConfirming(const std::string& dialogTitle, const std::function<int()>& command,
                                           int& result, const DialogSteps& onDialog, const BoxAnswer& answer) {
    std::vector<ShownMessageBox> boxes;
    std::atomic<bool> commandReturned{false};
    UiScript script([&](UiDriver& ui) {
        HWND dialog = ui.WaitForWindow(dialogTitle);
        if (onDialog) onDialog(ui, dialog);
        ui.Click(dialog, IDOK);
        // Answer whatever follows until the command has returned.
        while (!commandReturned) {
            try {
                ShownMessageBox box = ui.WaitForMessageBox(200);
                boxes.push_back(box);
                ui.Answer(box, answer ? answer(box) : box.buttons.empty() ? IDOK : box.buttons.front());
            } catch (const UiTimeout&) {
            }
        }
    });
    result = command();
    commandReturned = true;
    script.Join();
    return boxes;
}

}  // namespace exl::test
