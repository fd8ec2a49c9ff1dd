#pragma once
// The numbers a profile or a user types as text: character limits such as "?5"
// or "  -12x", and typed counts and rows. Pure text work, nothing read from files.
#include <cstdint>
#include <string>

namespace exl {

// "AnzZeich_%i" absent, or beginning with this, means no limit.
constexpr const char* kNoLimitText = "?";

// The character limit of a limit text: 0 (no limit) when the text begins with "?";
// otherwise its leading decimal whole number (leading blanks, an optional sign,
// digits up to the first other character; no digits gives 0). A negative number
// or one that does not fit 16 bits has no sound meaning and also gives 0.
std::int16_t CharacterLimitFromText(const std::string& text);
// A typed number (table count, header row) as the editor uses it before the file is
// read again: the leading decimal whole number (leading blanks, an optional sign,
// digits up to the first other character; no digits gives 0), kept to 16 bits like
// a stored number.
std::int16_t NumberFromText(const std::string& text);

}  // namespace exl
