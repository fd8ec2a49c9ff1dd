#include "CellContent.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <string_view>
#include <vector>

#include "Arguments.h"

namespace exl::standin {

namespace number_format {

const wchar_t* GermanCode(int id) {
    switch (id) {
    case kPercent: return L"0%";
    case kPercentDecimals: return L"0,00%";
    case kScientific: return L"0,00E+00";
    case kDate: return L"TT.MM.JJJJ";
    case kDayMonth: return L"TT. MMM";
    case kTime: return L"hh:mm";
    case kTimeSeconds: return L"hh:mm:ss";
    case kDateTime: return L"TT.MM.JJJJ hh:mm";
    default: return L"";
    }
}

// Excel's built-in date and time formats are 14 to 22 and 45 to 47.
bool ShowsDate(int id) { return (id >= 14 && id <= 22) || (id >= 45 && id <= 47); }
bool ShowsTimeOnly(int id) { return (id >= 18 && id <= 21) || (id >= 45 && id <= 47); }

}  // namespace number_format

namespace {

using std::wstring_view;

// Excel keeps 15 significant digits and nothing beyond its largest number.
constexpr size_t kSignificantDigits = 15;
constexpr double kLargestNumber = 9.99999999999999e307;
constexpr int kFirstYear = 1900;
constexpr int kLastYear = 9999;
// Two-digit years below this are this century's, as Excel reads them.
constexpr int kCenturyPivot = 30;
constexpr double kSecondsPerDay = 86400;

bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

bool AllDigits(wstring_view text) {
    for (wchar_t c : text)
        if (!IsDigit(c)) return false;
    return !text.empty();
}

int DigitsValue(wstring_view text) {
    int value = 0;
    for (wchar_t c : text) value = value * 10 + (c - L'0');
    return value;
}

wstring_view TrimBlanks(wstring_view text) {
    while (!text.empty() && text.front() == L' ') text.remove_prefix(1);
    while (!text.empty() && text.back() == L' ') text.remove_suffix(1);
    return text;
}

std::vector<wstring_view> Split(wstring_view text, wchar_t separator) {
    std::vector<wstring_view> parts;
    for (size_t at = text.find(separator); at != wstring_view::npos; at = text.find(separator)) {
        parts.push_back(text.substr(0, at));
        text.remove_prefix(at + 1);
    }
    parts.push_back(text);
    return parts;
}

bool EqualsIgnoringCase(wstring_view text, const wchar_t* word) {
    size_t i = 0;
    for (; word[i]; ++i)
        if (i >= text.size() || static_cast<wchar_t>(std::towupper(text[i])) != word[i]) return false;
    return i == text.size();
}

// Reads a run of digits at `at` into `digits`; the number read.
size_t TakeDigits(wstring_view text, size_t& at, std::string& digits) {
    size_t start = at;
    for (; at < text.size() && IsDigit(text[at]); ++at) digits += static_cast<char>(text[at]);
    return at - start;
}

// 0.<digits> x 10^exponent, with the digits beyond the fifteenth significant one cut
// to zeros; nullopt beyond Excel's range.
std::optional<double> ExactValue(std::string digits, int exponent) {
    size_t leadingZeros = digits.find_first_not_of('0');
    if (leadingZeros == std::string::npos) return 0.0;
    digits.erase(0, leadingZeros);
    exponent -= static_cast<int>(leadingZeros);
    if (digits.size() > kSignificantDigits) digits.resize(kSignificantDigits);
    const std::string decimal = "0." + digits + "e" + std::to_string(exponent);
    const double value = std::strtod(decimal.c_str(), nullptr);
    if (!std::isfinite(value) || value > kLargestNumber) return std::nullopt;
    return value;
}

// A German number: sign, digits with "." between groups of three, "," and the
// decimals, then an exponent or a percent sign.
std::optional<CellContent> ReadNumber(wstring_view text) {
    size_t at = 0;
    bool negative = false;
    if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) negative = text[at++] == L'-';
    std::string digits;
    size_t integerDigits = TakeDigits(text, at, digits);
    // Thousands: after one to three digits, each "." stands before exactly three.
    bool grouped = false;
    if (integerDigits >= 1 && integerDigits <= 3) {
        while (at < text.size() && text[at] == L'.') {
            size_t after = at + 1;
            std::string group;
            if (TakeDigits(text, after, group) != 3) break;
            digits += group;
            integerDigits += 3;
            at = after;
            grouped = true;
        }
    }
    size_t decimals = 0;
    if (at < text.size() && text[at] == L',') decimals = TakeDigits(text, ++at, digits);
    if (digits.empty()) return std::nullopt;
    int exponent = static_cast<int>(integerDigits);
    int format = number_format::kGeneral;
    if (!grouped && at < text.size() && (text[at] == L'E' || text[at] == L'e')) {
        ++at;
        bool negativeExponent = false;
        if (at < text.size() && (text[at] == L'+' || text[at] == L'-')) negativeExponent = text[at++] == L'-';
        std::string power;
        const size_t powerDigits = TakeDigits(text, at, power);
        if (powerDigits == 0 || powerDigits > 3) return std::nullopt;
        exponent += negativeExponent ? -std::atoi(power.c_str()) : std::atoi(power.c_str());
        format = number_format::kScientific;
    }
    size_t beforePercent = at;
    while (beforePercent < text.size() && text[beforePercent] == L' ') ++beforePercent;
    if (format == number_format::kGeneral && beforePercent < text.size() && text[beforePercent] == L'%') {
        at = beforePercent + 1;
        exponent -= 2;
        format = decimals ? number_format::kPercentDecimals : number_format::kPercent;
    }
    if (at != text.size()) return std::nullopt;
    std::optional<double> value = ExactValue(digits, exponent);
    if (!value) return std::nullopt;
    return NumberCell(negative && *value != 0 ? -*value : *value, format);
}

bool IsLeapYear(int year) { return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0; }

int DaysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Days from 1.1.1970 to the date (proleptic Gregorian).
long long DaysFromCivil(int year, int month, int day) {
    year -= month <= 2;
    const long long era = (year >= 0 ? year : year - 399) / 400;
    const long long yearOfEra = year - era * 400;
    const long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

double ExcelSerial(int year, int month, int day) {
    const long long serial = DaysFromCivil(year, month, day) - DaysFromCivil(1899, 12, 30);
    // Before 1.3.1900 Excel counts one day less: it takes 1900 for a leap year.
    return static_cast<double>(serial < 61 ? serial - 1 : serial);
}

int ThisYear() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    return now.wYear;
}

// "d.m" (this year) or "d.m.y"; the serial, and whether a year was given.
std::optional<double> ReadDate(wstring_view text, bool& withYear) {
    const std::vector<wstring_view> parts = Split(text, L'.');
    if (parts.size() != 2 && parts.size() != 3) return std::nullopt;
    for (size_t i = 0; i < 2; ++i)
        if (!AllDigits(parts[i]) || parts[i].size() > 2) return std::nullopt;
    withYear = parts.size() == 3;
    int year = ThisYear();
    if (withYear) {
        const wstring_view typedYear = parts[2];
        if (!AllDigits(typedYear) || typedYear.size() == 3 || typedYear.size() > 4) return std::nullopt;
        year = DigitsValue(typedYear);
        if (typedYear.size() <= 2) year += year < kCenturyPivot ? 2000 : 1900;
    }
    const int day = DigitsValue(parts[0]);
    const int month = DigitsValue(parts[1]);
    if (year < kFirstYear || year > kLastYear || month < 1 || month > 12 || day < 1 ||
        day > DaysInMonth(year, month))
        return std::nullopt;
    return ExcelSerial(year, month, day);
}

// "h:mm" or "h:mm:ss" as a fraction of a day; whether seconds were given.
std::optional<double> ReadTime(wstring_view text, bool& withSeconds) {
    const std::vector<wstring_view> parts = Split(text, L':');
    if (parts.size() != 2 && parts.size() != 3) return std::nullopt;
    int values[3] = {0, 0, 0};
    for (size_t i = 0; i < parts.size(); ++i) {
        if (!AllDigits(parts[i]) || parts[i].size() > 2) return std::nullopt;
        values[i] = DigitsValue(parts[i]);
    }
    if (values[0] > 23 || values[1] > 59 || values[2] > 59) return std::nullopt;
    withSeconds = parts.size() == 3;
    return (values[0] * 3600 + values[1] * 60 + values[2]) / kSecondsPerDay;
}

// A date, a time, or a date and a time separated by one blank.
std::optional<CellContent> ReadDateOrTime(wstring_view text) {
    bool withYear = false, withSeconds = false;
    if (auto date = ReadDate(text, withYear))
        return NumberCell(*date, withYear ? number_format::kDate : number_format::kDayMonth);
    if (auto time = ReadTime(text, withSeconds))
        return NumberCell(*time, withSeconds ? number_format::kTimeSeconds : number_format::kTime);
    const size_t blank = text.find(L' ');
    if (blank == wstring_view::npos) return std::nullopt;
    auto date = ReadDate(text.substr(0, blank), withYear);
    auto time = ReadTime(text.substr(blank + 1), withSeconds);
    if (!date || !time) return std::nullopt;
    return NumberCell(*date + *time, number_format::kDateTime);
}

CellContent TextCell(const std::wstring& text, bool quotePrefix) {
    CellContent cell;
    cell.text = text;
    cell.quotePrefix = quotePrefix;
    return cell;
}

CellContent FormulaCell(const std::wstring& formula) {
    CellContent cell;
    cell.kind = CellKind::Formula;
    cell.text = formula;
    return cell;
}

// Everything but the entered text, which the caller adds.
CellContent Read(const std::wstring& typed) {
    const wchar_t first = typed[0];
    if (first == L'\'') return TextCell(typed.substr(1), true);
    if (first == L'=') return FormulaCell(typed);
    if (first == L'@' && typed.size() > 1) return FormulaCell(L"=" + typed.substr(1));
    const wstring_view trimmed = TrimBlanks(typed);
    if (auto number = ReadNumber(trimmed)) return *number;
    if (auto dateOrTime = ReadDateOrTime(trimmed)) return *dateOrTime;
    if (EqualsIgnoringCase(trimmed, L"WAHR") || EqualsIgnoringCase(trimmed, L"FALSCH"))
        return BooleanCell(EqualsIgnoringCase(trimmed, L"WAHR"));
    if ((first == L'+' || first == L'-') && typed.size() > 1) return FormulaCell(L"=" + typed);
    return TextCell(typed, false);
}

const wchar_t* KindName(CellKind kind) {
    switch (kind) {
    case CellKind::Number: return L"number";
    case CellKind::Date: return L"date";
    case CellKind::Time: return L"time";
    case CellKind::Boolean: return L"boolean";
    case CellKind::Formula: return L"formula";
    default: return L"text";
    }
}

}  // namespace

std::optional<CellContent> ReadTyped(const std::wstring& typed) {
    if (typed.empty()) return std::nullopt;
    CellContent cell = Read(typed);
    cell.entered = typed;
    return cell;
}

CellContent NumberCell(double value, int numberFormat) {
    CellContent cell;
    cell.kind = !number_format::ShowsDate(numberFormat)   ? CellKind::Number
                : number_format::ShowsTimeOnly(numberFormat) ? CellKind::Time
                                                             : CellKind::Date;
    cell.number = value;
    cell.numberFormat = numberFormat;
    cell.entered = NumberText(value);
    return cell;
}

CellContent BooleanCell(bool value) {
    CellContent cell;
    cell.kind = CellKind::Boolean;
    cell.number = value ? 1 : 0;
    cell.entered = value ? L"WAHR" : L"FALSCH";
    return cell;
}

std::wstring Describe(const CellContent& cell) {
    std::wstring description = KindName(cell.kind);
    if (cell.quotePrefix) description += L'\'';
    description += L' ';
    switch (cell.kind) {
    case CellKind::Text:
    case CellKind::Formula: description += QuoteText(cell.text); break;
    case CellKind::Boolean: description += cell.number != 0 ? L"WAHR" : L"FALSCH"; break;
    default: description += NumberText(cell.number); break;
    }
    const std::wstring format = number_format::GermanCode(cell.numberFormat);
    if (!format.empty()) description += L" [" + format + L"]";
    return description;
}

std::wstring NumberText(double value) {
    // The fewest significant digits that read back as the same double.
    char scientific[40] = {};
    for (int precision = 0; precision <= 16; ++precision) {
        std::snprintf(scientific, sizeof scientific, "%.*e", precision, value);
        if (std::strtod(scientific, nullptr) == value) break;
    }
    std::string text = scientific;
    const bool negative = text[0] == '-';
    const size_t e = text.find('e');
    const int exponent = std::atoi(text.c_str() + e + 1);
    std::string digits;
    for (size_t i = negative ? 1 : 0; i < e; ++i)
        if (text[i] != '.') digits += text[i];
    while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
    // Written out between 10^-7 and 10^21, as most readers show numbers; else with an exponent.
    std::string plain;
    if (exponent >= 21 || exponent < -7) {
        plain = digits.substr(0, 1) + (digits.size() > 1 ? "." + digits.substr(1) : "") + "E" +
                (exponent < 0 ? "-" : "+") + std::to_string(std::abs(exponent));
    } else if (exponent < 0) {
        plain = "0." + std::string(static_cast<size_t>(-exponent - 1), '0') + digits;
    } else if (digits.size() <= static_cast<size_t>(exponent) + 1) {
        plain = digits + std::string(static_cast<size_t>(exponent) + 1 - digits.size(), '0');
    } else {
        plain = digits.substr(0, static_cast<size_t>(exponent) + 1) + "." + digits.substr(static_cast<size_t>(exponent) + 1);
    }
    if (negative) plain.insert(plain.begin(), '-');
    return std::wstring(plain.begin(), plain.end());
}

}  // namespace exl::standin
