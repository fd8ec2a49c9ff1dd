#pragma once
// A whole number as an XML attribute holds it (r="12"), read strictly.
#include <cstdint>
#include <string_view>

namespace exl::workbook {

// Digits only, at most 10 of them, within 32 bits; false when absent or anything else
// (a sign, a blank, "1x"), so no reader takes a value the writer never meant.
bool ReadWholeNumber(std::string_view text, std::uint32_t& number);

}  // namespace exl::workbook
