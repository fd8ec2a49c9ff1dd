#include "workbook/file/SystemErrorText.h"

namespace exl::workbook {

namespace {

// Longer system texts are cut here; none comes near it.
constexpr DWORD kMostChars = 512;

}  // namespace

std::string SystemErrorText(DWORD error) {
    char text[kMostChars] = {};
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                                  kMostChars, nullptr);
    std::string line(text, length);
    // The system ends its texts with a line break; inner ones become blanks.
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n' || line.back() == ' ')) line.pop_back();
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    const std::string number = "(" + std::to_string(error) + ")";
    return line.empty() ? number : line + " " + number;
}

}  // namespace exl::workbook
