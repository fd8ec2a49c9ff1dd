#pragma once
// What a cell holds once a value is put into it. Excel does not store the text it
// is given: it reads it as if the user had typed it, in the system's locale, and
// stores a number, a date, a truth value, a formula or a text. The stand-in reads
// a put text as a German Excel does, so tests see what a real Excel would make of
// the plug-in's values.
//
// What a German Excel makes of a typed text, as far as the stand-in models it
// (blanks around numbers, dates, times and truth values do not count):
//
//   typed                        stored                               shown as (format)
//   ---------------------------  -----------------------------------  -----------------
//   'text                        text "text", with the quote prefix   Standard
//   '                            text "", with the quote prefix       Standard
//   =formula                     formula "=formula", not computed     -
//   @formula                     formula "=formula"                   -
//   +x, -x (not a number below)  formula "=+x", "=-x"                 -
//   +, -, @ alone                text                                 Standard
//   12  -5  +3  0012             number 12, -5, 3, 12                 Standard
//   12,5  ,5  12,  1.234.567,8   number (, decimals, . thousands)     Standard
//   1E5  1,5e-3                  number 100000, 0.0015                0,00E+00
//   12%  -12 %  12,5%            number 0.12, -0.12, 0.125            0%, 0,00%
//   16 or more digits            15 significant digits, the rest      Standard
//                                cut to zeros, as Excel does (it
//                                does not round up)
//   1.5  8.8  31.12              date of this year, day.month         TT. MMM
//   1.5.2020  01.05.20  8.8.8    date; years 00-29 are 20xx, 30-99    TT.MM.JJJJ
//                                19xx; 1900 to 9999
//   12:30  7:05:09               time (fraction of a day)             hh:mm, hh:mm:ss
//   1.5.2020 12:30               date and time                        TT.MM.JJJJ hh:mm
//   WAHR, FALSCH (any case)      truth value                          -
//
// Dates are Excel serials: days since 30.12.1899, and for January and February
// 1900 one less, as Excel counts the 29.2.1900 it believes in.
//
// Not modelled, and therefore kept as text: currency ("5 €"), fractions ("3/4"),
// numbers in parentheses ("(5)") or with a trailing sign ("5-"), dates with "/" or
// "-", month names ("1. Mai"), a day.month without year ending in "." ("1.5."),
// month.year ("5.2020"), hours from 24 up ("25:00"), the 29.2.1900, numbers beyond
// Excel's range, and English truth values (TRUE). Thousands separators set no
// number format. Formulas are neither checked nor computed: Excel refuses a
// malformed one ("=", "=1+") with its error 1004 and translates function names
// into the file's English ones; the stand-in stores the formula as typed.
#include <optional>
#include <string>

namespace exl::standin {

enum class CellKind { Text, Number, Date, Time, Boolean, Formula };

// The number formats Excel sets on its own while reading a typed text: Excel's
// built-in format ids, as a workbook file names them.
namespace number_format {
inline constexpr int kGeneral = 0;
inline constexpr int kPercent = 9;           // 0%
inline constexpr int kPercentDecimals = 10;  // 0,00%
inline constexpr int kScientific = 11;       // 0,00E+00
inline constexpr int kDate = 14;             // TT.MM.JJJJ (the system's short date)
inline constexpr int kDayMonth = 16;         // TT. MMM
inline constexpr int kTime = 20;             // hh:mm
inline constexpr int kTimeSeconds = 21;      // hh:mm:ss
inline constexpr int kDateTime = 22;         // TT.MM.JJJJ hh:mm
// The format as a German Excel shows it; "" for one the stand-in does not set.
const wchar_t* GermanCode(int id);
// Formats that show a date or a time, so that a number under them is one.
bool ShowsDate(int id);
bool ShowsTimeOnly(int id);
}  // namespace number_format

struct CellContent {
    CellKind kind = CellKind::Text;
    std::wstring entered;  // the text as put (for a cell read from a file, its value as text)
    std::wstring text;     // Text: the text without the prefix; Formula: the formula with "="
    double number = 0;     // Number, Date and Time: the value; Boolean: 1 or 0
    bool quotePrefix = false;
    int numberFormat = number_format::kGeneral;
};

// The cell a typed text makes; nullopt for the empty text, which empties the cell.
std::optional<CellContent> ReadTyped(const std::wstring& typed);
// A cell holding a value of its own type (not read from a text).
CellContent NumberCell(double value, int numberFormat = number_format::kGeneral);
CellContent BooleanCell(bool value);

// "<kind>[']" and the value: text' "0012", number 12.5, date 46242 [TT. MMM],
// formula "=1+1", boolean WAHR. The "'" marks the quote prefix; a number format
// other than Standard follows in brackets; texts are quoted as in the call log.
std::wstring Describe(const CellContent& cell);
// The shortest decimal text that reads back as the same double, with "." for the
// point, written out from 10^-7 to 10^21 and with "E" beyond: the form of the
// file and the dump ("12.5", "1234567890123450", "1E+21").
std::wstring NumberText(double value);

}  // namespace exl::standin
