#pragma once
// What a value from the drawing becomes on its way into a cell. Excel reads a text
// put into Range.Value as if it were typed: "8.8" turns into a date, "0012" into 12,
// "=..." into a formula (and so does "-M8", a reference to cell M8). A leading
// apostrophe is Excel's own way of keeping a typed text as text; the apostrophe is
// only the cell's prefix character, not part of its value.
#include <string>
#include <string_view>

namespace exl {

// The apostrophe that keeps the rest of a typed text as text.
constexpr char kTextPrefix = '\'';

// An optional "-" and 1 to 15 digits, without a leading zero unless "0" is the whole
// number: a value Excel keeps exactly as a number, so quantities can be summed.
bool IsPlainWholeNumber(std::string_view text);

// Would Excel take this typed text as a formula? A leading "=" or "@", or a leading
// "+" or "-" followed by anything but digits, blanks, ".", "," and "%" ("-5" and
// "-1.234,5" are numbers, "-M8" and "+49 (711) 1234" are formulas).
bool ReadsAsFormula(std::string_view text);

// How the profile wants the values handed over.
struct CellTextRules {
    bool formulasAllowed = false;  // [Datei] "Formeln"=1
    bool valuesAsText = false;     // [Datei] "AlsText"=1, which always keeps formulas out
};

// The value as it goes to Excel: with the apostrophe in front when it would otherwise
// become a formula, or, with valuesAsText, whenever it is not a plain whole number.
// The text itself is already converted and cut to its limit; the apostrophe comes on top.
std::string TextForExcel(std::string value, const CellTextRules& rules);

}  // namespace exl
