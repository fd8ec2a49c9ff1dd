#pragma once
// Byte texts in failure reports: printable ASCII as it is, every other byte (and
// the backslash) as \xNN, so a report shows CR, NUL and code-page bytes exactly.
// Header-only: the fuzzers, which do without the test framework, use it too.
#include <cstdio>
#include <string>

namespace exl::test {

// At most limit bytes of text, then "..." when it was longer.
inline std::string EscapedBytes(const std::string& text, std::size_t limit = std::string::npos) {
    std::string shown;
    for (std::size_t i = 0; i < text.size() && i < limit; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x20 && c < 0x7f && c != '\\') {
            shown += static_cast<char>(c);
        } else {
            char hex[8];
            std::snprintf(hex, sizeof(hex), "\\x%02X", c);
            shown += hex;
        }
    }
    if (text.size() > limit) shown += "...";
    return shown;
}

}  // namespace exl::test
