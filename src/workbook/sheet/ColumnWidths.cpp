#include "workbook/sheet/ColumnWidths.h"

#include <algorithm>

namespace exl::workbook {

namespace {

constexpr std::size_t kMarginCharacters = 1;
constexpr std::uint32_t kDigitPixels = 7;
constexpr std::uint32_t kPaddingPixels = 5;
constexpr std::size_t kEscapeLength = 7;  // "_xHHHH_"

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'); }

bool IsEscapeAt(std::string_view text, std::size_t at) {
    if (text.size() - at < kEscapeLength || text[at] != '_' || text[at + 1] != 'x' || text[at + 6] != '_') return false;
    return IsHexDigit(text[at + 2]) && IsHexDigit(text[at + 3]) && IsHexDigit(text[at + 4]) && IsHexDigit(text[at + 5]);
}

bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

std::string ColElement(std::uint32_t column, std::uint32_t width256) {
    const std::string number = std::to_string(column);
    return "<col min=\"" + number + "\" max=\"" + number + "\" width=\"" + FormatWidth(width256) +
           "\" customWidth=\"1\"/>";
}

std::string Cols(const std::string& elements) { return "<cols>" + elements + "</cols>"; }

}  // namespace

std::size_t CharacterCount(std::string_view stored) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < stored.size();) {
        if (IsEscapeAt(stored, at)) {
            at += kEscapeLength;
        } else {
            ++at;
            while (at < stored.size() && IsContinuationByte(stored[at])) ++at;
        }
        ++count;
    }
    return count;
}

std::uint32_t ColumnWidth256(std::size_t characters) {
    const auto shown = static_cast<std::uint32_t>(
        std::clamp(characters + kMarginCharacters, kStandardWidthCharacters, kMostWidthCharacters));
    // Excel's own rule: Truncate((characters * digit + padding) / digit * 256) / 256.
    return (shown * kDigitPixels + kPaddingPixels) * 256 / kDigitPixels;
}

std::string FormatWidth(std::uint32_t width256) {
    // A multiple of 1/256 has at most eight decimals; written without the locale's comma.
    std::string text = std::to_string(width256 / 256);
    std::uint32_t fraction = width256 % 256 * 390625;  // 1/256 = 0.00390625
    if (fraction == 0) return text;
    std::string decimals = std::to_string(fraction);
    decimals.insert(0, 8 - decimals.size(), '0');
    decimals.erase(decimals.find_last_not_of('0') + 1);
    return text + "." + decimals;
}

ColumnWidths::ColumnWidths(const std::vector<std::uint32_t>& columns) {
    for (std::uint32_t column : columns) {
        if (column >= longest_.size()) longest_.resize(column + 1, kNotMeasured);
        longest_[column] = 0;
    }
}

void ColumnWidths::Add(std::uint32_t column, std::string_view stored, std::size_t extra) {
    if (stored.empty() || column >= longest_.size() || longest_[column] == kNotMeasured) return;
    longest_[column] = std::max(longest_[column], CharacterCount(stored) + extra);
}

std::string ColumnWidths::ColsXml() const {
    std::string elements;
    for (std::uint32_t column = 1; column < longest_.size(); ++column)
        if (longest_[column] != 0 && longest_[column] != kNotMeasured)
            elements += ColElement(column, ColumnWidth256(longest_[column]));
    return elements.empty() ? elements : Cols(elements);
}

std::size_t ColumnWidths::MostColsXmlSize() const {
    std::string elements;
    for (std::uint32_t column = 1; column < longest_.size(); ++column)
        if (longest_[column] != kNotMeasured) elements += ColElement(column, ColumnWidth256(kMostWidthCharacters));
    return Cols(elements).size();
}

}  // namespace exl::workbook
