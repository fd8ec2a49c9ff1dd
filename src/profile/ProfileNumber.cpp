#include "profile/ProfileNumber.h"

#include <cctype>

namespace exl {

namespace {

// The leading decimal whole number of a text: leading blanks, an optional sign,
// the digits up to the first other character (no digits: 0). The magnitude wraps
// in 32 bits instead of overflowing; beyond16Bits remembers that it left 0..32767.
struct LeadingNumber {
    bool negative = false;
    std::uint32_t magnitude = 0;
    bool beyond16Bits = false;
};

LeadingNumber ParseLeadingNumber(const std::string& text) {
    LeadingNumber number;
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) number.negative = text[at++] == '-';
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
        number.magnitude = number.magnitude * 10u + static_cast<std::uint32_t>(text[at] - '0');
        if (number.magnitude > static_cast<std::uint32_t>(INT16_MAX)) number.beyond16Bits = true;
    }
    return number;
}

}  // namespace

std::int16_t CharacterLimitFromText(const std::string& text) {
    if (!text.empty() && text[0] == kNoLimitText[0]) return 0;
    LeadingNumber number = ParseLeadingNumber(text);
    // A negative limit or one beyond 16 bits has no sound meaning: no limit.
    if (number.negative || number.beyond16Bits) return 0;
    return static_cast<std::int16_t>(number.magnitude);
}

std::int16_t NumberFromText(const std::string& text) {
    LeadingNumber number = ParseLeadingNumber(text);
    std::uint32_t value = number.negative ? 0u - number.magnitude : number.magnitude;
    // Only the low 16 bits stay, like a stored number.
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
}

}  // namespace exl
