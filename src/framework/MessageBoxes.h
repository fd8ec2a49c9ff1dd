#pragma once
#include <windows.h>

#include <string>

namespace exl {

// The framework's message box: OK button, exclamation icon, captioned with the
// application title, owned by the thread's active window. Returns the answer.
int FrameworkMessageBox(const std::string& text);

// The platform's message box without owner window, with explicit flags.
int SystemMessageBox(const std::string& text, const std::string& caption, UINT flags);

// Flags the command uses, named for what they show.
constexpr UINT kClosingMessageFlags = MB_OK | MB_ICONEXCLAMATION | MB_SETFOREGROUND;  // 0x10030
constexpr UINT kNoticeMessageFlags = MB_OK | MB_ICONINFORMATION | MB_SETFOREGROUND;   // 0x10040
constexpr UINT kQuestionFlags = MB_YESNO | MB_ICONQUESTION;                           // 0x24
constexpr UINT kRetryQuestionFlags = MB_RETRYCANCEL | MB_ICONEXCLAMATION | MB_SETFOREGROUND;  // 0x10035

}  // namespace exl
