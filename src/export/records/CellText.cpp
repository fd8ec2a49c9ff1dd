#include "export/records/CellText.h"

namespace exl {

namespace {

// Excel keeps 15 significant digits; a longer number would be rounded.
constexpr std::size_t kMostExactDigits = 15;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// What may follow a leading sign in a text Excel reads as a number.
bool CanFollowSignInNumber(char c) { return IsDigit(c) || c == ' ' || c == '.' || c == ',' || c == '%'; }

}  // namespace

bool IsPlainWholeNumber(std::string_view text) {
    // "0" alone: Excel would show "-0" as 0, which is not what the drawing holds.
    if (text == "0") return true;
    if (!text.empty() && text.front() == '-') text.remove_prefix(1);
    if (text.empty() || text.size() > kMostExactDigits || text.front() == '0') return false;
    for (char c : text)
        if (!IsDigit(c)) return false;
    return true;
}

bool ReadsAsFormula(std::string_view text) {
    if (text.empty()) return false;
    const char first = text.front();
    if (first == '=' || first == '@') return true;
    if (first != '+' && first != '-') return false;
    for (char c : text.substr(1))
        if (!CanFollowSignInNumber(c)) return true;
    return false;
}

std::string TextForExcel(std::string value, const CellTextRules& rules) {
    // An empty value writes no cell; an apostrophe alone would make one.
    if (value.empty()) return value;
    const bool asText = rules.valuesAsText ? !IsPlainWholeNumber(value)
                                           : !rules.formulasAllowed && ReadsAsFormula(value);
    if (asText) value.insert(value.begin(), kTextPrefix);
    return value;
}

}  // namespace exl
