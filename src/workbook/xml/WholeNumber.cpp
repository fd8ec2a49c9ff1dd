#include "workbook/xml/WholeNumber.h"

#include <limits>

namespace exl::workbook {

bool ReadWholeNumber(std::string_view text, std::uint32_t& number) {
    if (text.empty() || text.size() > 10) return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > std::numeric_limits<std::uint32_t>::max()) return false;
    number = static_cast<std::uint32_t>(value);
    return true;
}

}  // namespace exl::workbook
