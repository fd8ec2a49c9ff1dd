#include "workbook/sheet/CellReference.h"

#include <algorithm>

namespace exl::workbook {

namespace {

constexpr std::size_t kMostColumnLetters = 3;
constexpr std::size_t kMostRowDigits = 7;

char UpperLetter(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

CellArea CellArea::Union(const CellArea& other) const {
    return {{std::min(first.row, other.first.row), std::min(first.column, other.first.column)},
            {std::max(last.row, other.last.row), std::max(last.column, other.last.column)}};
}

std::optional<std::uint32_t> ColumnFromLetters(std::string_view letters) {
    if (letters.empty() || letters.size() > kMostColumnLetters) return std::nullopt;
    std::uint32_t column = 0;
    for (char c : letters) {
        const char upper = UpperLetter(c);
        if (upper < 'A' || upper > 'Z') return std::nullopt;
        column = column * 26 + static_cast<std::uint32_t>(upper - 'A' + 1);
    }
    if (column > kMostColumns) return std::nullopt;
    return column;
}

void AppendColumnLetters(std::string& out, std::uint32_t column) {
    char letters[kMostColumnLetters + 1];
    std::size_t count = 0;
    while (column > 0 && count < sizeof letters) {
        --column;
        letters[count++] = static_cast<char>('A' + column % 26);
        column /= 26;
    }
    while (count > 0) out += letters[--count];
}

void AppendCellReference(std::string& out, const CellPosition& cell) {
    AppendColumnLetters(out, cell.column);
    char digits[12];
    std::size_t count = 0;
    std::uint32_t row = cell.row;
    do {
        digits[count++] = static_cast<char>('0' + row % 10);
        row /= 10;
    } while (row > 0);
    while (count > 0) out += digits[--count];
}

std::optional<CellPosition> ParseCellReference(std::string_view text) {
    std::size_t letters = 0;
    while (letters < text.size() && UpperLetter(text[letters]) >= 'A' && UpperLetter(text[letters]) <= 'Z') ++letters;
    const std::optional<std::uint32_t> column = ColumnFromLetters(text.substr(0, letters));
    const std::string_view digits = text.substr(letters);
    if (!column || digits.empty() || digits.size() > kMostRowDigits || digits[0] == '0') return std::nullopt;
    std::uint32_t row = 0;
    for (char c : digits) {
        if (c < '0' || c > '9') return std::nullopt;
        row = row * 10 + static_cast<std::uint32_t>(c - '0');
    }
    if (row > kMostRows) return std::nullopt;
    return CellPosition{row, *column};
}

std::optional<CellArea> ParseCellArea(std::string_view text) {
    const std::size_t colon = text.find(':');
    const auto first = ParseCellReference(text.substr(0, colon));
    if (!first) return std::nullopt;
    if (colon == std::string_view::npos) return CellArea{*first, *first};
    const auto last = ParseCellReference(text.substr(colon + 1));
    if (!last) return std::nullopt;
    return CellArea{*first, *first}.Union(CellArea{*last, *last});
}

std::string FormatCellArea(const CellArea& area) {
    std::string text;
    AppendCellReference(text, area.first);
    if (area.first.row == area.last.row && area.first.column == area.last.column) return text;
    text += ':';
    AppendCellReference(text, area.last);
    return text;
}

}  // namespace exl::workbook
