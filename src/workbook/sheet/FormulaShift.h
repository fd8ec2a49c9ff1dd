#pragma once
// A formula's text as Excel gives it to another cell when it is copied there (and as
// the other cells of a shared formula read it): relative references move by the
// distance, $-absolute parts stay.
#include <cstdint>
#include <string>
#include <string_view>

namespace exl::workbook {

// The formula (without "=", as a sheet part holds it, unescaped) moved by rows and
// columns. Cell references ("B2", "$B2", "Blatt!B$2"), ranges of them, whole columns
// ("C:C") and whole rows ("3:5") move; texts in quotes, sheet names, function and
// defined names, structured references ("Tabelle1[Menge]") and error values stay. A
// reference moved off the sheet becomes #REF!, as Excel writes it.
std::string ShiftFormula(std::string_view formula, std::int64_t rows, std::int64_t columns);

}  // namespace exl::workbook
