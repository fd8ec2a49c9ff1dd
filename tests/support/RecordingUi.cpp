#include "RecordingUi.h"

namespace exl::test {

int RecordingUi::ShowMessageBox(HWND owner, const char* text, const char* caption, UINT flags) {
    boxes.push_back({owner != nullptr, text ? text : "", caption ? caption : "", flags});
    if (answers_.empty()) {
        switch (flags & MB_TYPEMASK) {
        case MB_YESNO: return IDYES;
        case MB_RETRYCANCEL: return IDCANCEL;
        default: return IDOK;
        }
    }
    int answer = answers_.front();
    answers_.pop_front();
    return answer;
}

BOOL RecordingUi::ShowHelp(HWND, const char* helpFile, UINT command, ULONG_PTR data) {
    helpCalls.push_back({helpFile ? helpFile : "", command, static_cast<unsigned long>(data)});
    return helpSucceeds_ ? TRUE : FALSE;
}

void RecordingUi::PauseKeepingWindowsPainted(DWORD milliseconds) {
    pauses.push_back(milliseconds);
    clock += milliseconds;
}

}  // namespace exl::test
