#include "CellAddress.h"

#include <algorithm>

namespace exl::standin {
namespace {

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

}  // namespace

std::optional<CellRef> ParseCell(const std::wstring& text, const CellLimits& limits) {
    size_t at = 0;
    if (at < text.size() && text[at] == L'$') ++at;
    int column = 0;
    size_t letters = 0;
    // Excel columns have at most three letters; counting stops overflow early.
    for (; at < text.size() && IsLetter(text[at]); ++at, ++letters) {
        if (letters == 3) return std::nullopt;
        column = column * 26 + (static_cast<int>(text[at] | 0x20) - L'a' + 1);
    }
    if (letters == 0 || column > limits.columns) return std::nullopt;
    if (at < text.size() && text[at] == L'$') ++at;
    int row = 0;
    size_t digits = 0;
    for (; at < text.size() && IsDigit(text[at]); ++at, ++digits) {
        row = row * 10 + (text[at] - L'0');
        if (row > limits.rows) return std::nullopt;
    }
    if (digits == 0 || row < 1 || at != text.size()) return std::nullopt;
    return CellRef{row, column};
}

std::optional<CellRect> ParseRect(const std::wstring& text, const CellLimits& limits) {
    size_t colon = text.find(L':');
    if (colon == std::wstring::npos) {
        auto cell = ParseCell(text, limits);
        if (!cell) return std::nullopt;
        return CellRect{*cell, *cell};
    }
    auto first = ParseCell(text.substr(0, colon), limits);
    auto last = ParseCell(text.substr(colon + 1), limits);
    if (!first || !last) return std::nullopt;
    return CellRect{{std::min(first->row, last->row), std::min(first->column, last->column)},
                    {std::max(first->row, last->row), std::max(first->column, last->column)}};
}

std::wstring ColumnName(int column) {
    std::wstring name;
    for (; column > 0; column = (column - 1) / 26)
        name.insert(name.begin(), static_cast<wchar_t>(L'A' + (column - 1) % 26));
    return name;
}

std::wstring CellName(const CellRef& cell) { return ColumnName(cell.column) + std::to_wstring(cell.row); }

}  // namespace exl::standin
