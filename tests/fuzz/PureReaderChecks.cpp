#include "PureReaderChecks.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>

#include "CellAddress.h"
#include "profile/ProfileNumber.h"

namespace exl::fuzz {

// strtol answers where the text's leading number fits a long.
std::string CheckNumbers(const std::string& input) {
    const std::int16_t limit = CharacterLimitFromText(input);
    const std::int16_t number = NumberFromText(input);
    if (!input.empty() && input[0] == '?') return limit == 0 ? "" : "a limit text beginning with ? limits";
    errno = 0;
    const long value = std::strtol(input.c_str(), nullptr, 10);
    if (errno == ERANGE) return value > 0 && limit != 0 ? "a limit beyond 16 bits limits" : "";
    if (number != static_cast<std::int16_t>(static_cast<std::uint16_t>(value)))
        return "a typed number is not the leading number's low 16 bits";
    if (limit != (value >= 0 && value <= INT16_MAX ? value : 0)) return "a character limit is not the leading number";
    return "";
}

std::string CheckAddress(const std::string& input) {
    using namespace exl::standin;
    std::wstring text;
    for (unsigned char c : input) text += static_cast<wchar_t>(c >= 0xF0 ? 0x100 + c : c);
    std::uint32_t hash = 0;
    for (unsigned char c : input) hash = hash * 31u + c;
    const int column = static_cast<int>(hash % 100000u) - 10;
    const std::wstring name = ColumnName(column);
    for (const CellLimits& limits : {kLimitsUpTo2003, kLimitsFrom2007}) {
        if (auto cell = ParseCell(text, limits)) {
            if (cell->row < 1 || cell->row > limits.rows || cell->column < 1 || cell->column > limits.columns)
                return "a cell outside the sheet";
            auto again = ParseCell(CellName(*cell), limits);
            if (!again || !(*again == *cell)) return "a cell's name does not parse back to it";
        }
        if (auto rect = ParseRect(text, limits)) {
            if (rect->CellCount() < 1 || !rect->Contains(rect->first) || !rect->Contains(rect->last))
                return "a rectangle without its corners";
        }
        if (column >= 1 && static_cast<bool>(ParseCell(name + L"1", limits)) != (column <= limits.columns))
            return "a column name does not parse back within the sheet's columns";
    }
    return "";
}

}  // namespace exl::fuzz
