#pragma once
// A UI seam for unit tests: records every message box and help call and answers
// message boxes from a queue (when it is empty: IDYES to Yes/No, IDCANCEL to
// Retry/Cancel, else IDOK). Its clock stands still but for the pauses, which it
// records and passes at once.
#include <deque>
#include <string>
#include <vector>

#include "framework/UiSeam.h"

namespace exl::test {

struct RecordedMessageBox {
    bool hasOwner = false;
    std::string text;
    std::string caption;
    unsigned flags = 0;
};

struct RecordedHelpCall {
    std::string helpFile;
    unsigned command = 0;
    unsigned long data = 0;
};

class RecordingUi : public UiSeam {
public:
    RecordingUi() : installed_(*this) {}
    int ShowMessageBox(HWND owner, const char* text, const char* caption, UINT flags) override;
    BOOL ShowHelp(HWND window, const char* helpFile, UINT command, ULONG_PTR data) override;
    DWORD TickCount() override { return clock; }
    void PauseKeepingWindowsPainted(DWORD milliseconds) override;

    void QueueAnswer(int answer) { answers_.push_back(answer); }
    void SetHelpSucceeds(bool succeeds) { helpSucceeds_ = succeeds; }

    std::vector<RecordedMessageBox> boxes;
    std::vector<RecordedHelpCall> helpCalls;
    std::vector<DWORD> pauses;
    // What TickCount answers; starts near the wrap, as a machine up for 49 days has it.
    DWORD clock = 0xFFFFF000u;

private:
    std::deque<int> answers_;
    bool helpSucceeds_ = true;
    ScopedUiSeam installed_;
};

}  // namespace exl::test
