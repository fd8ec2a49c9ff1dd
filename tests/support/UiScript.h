#pragma once
// Scripted steps against the windows of the test's UI thread, run on a background
// thread while that thread sits in a modal dialog or message box.
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "UiDriver.h"

namespace exl::test {

// Runs scripted steps on a background thread against the windows of the thread that
// creates it. Join() after the modal code has returned; a step that failed or timed
// out fails the test, and meanwhile every window of the UI thread is closed so the
// test cannot hang.
class UiScript {
public:
    explicit UiScript(std::function<void(UiDriver&)> steps);
    ~UiScript();
    UiScript(const UiScript&) = delete;
    UiScript& operator=(const UiScript&) = delete;

    void Join();
    bool Failed() const { return failed_; }

private:
    // How long the UI thread may go on after the last step before the script closes its windows.
    static constexpr int kUiReturnTimeoutMs = 60000;
    void Run(std::function<void(UiDriver&)> steps);
    void Rescue();

    UiDriver driver_;
    std::atomic<bool> uiReturned_{false};
    std::atomic<bool> failed_{false};
    std::string failure_;
    std::thread thread_;
};

// Runs `command` on this thread while a script confirms the dialog titled
// `dialogTitle` with OK (after `onDialog`, when given, has worked on it) and answers
// every message box that follows with the button `answer` names (on the script's
// thread), or else with its first button, until the command has returned. Returns
// those message boxes in order; the command's answer goes to `result`.
using DialogSteps = std::function<void(UiDriver&, HWND dialog)>;
using BoxAnswer = std::function<int(const ShownMessageBox& box)>;
std::vector<ShownMessageBox> RunConfirming(const std::string& dialogTitle, const std::function<int()>& command,
                                           int& result, const DialogSteps& onDialog = {},
                                           const BoxAnswer& answer = {});

}  // namespace exl::test
