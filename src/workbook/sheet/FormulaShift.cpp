#include "workbook/sheet/FormulaShift.h"

#include <optional>

#include "workbook/sheet/CellReference.h"

namespace exl::workbook {

namespace {

constexpr std::string_view kBrokenReference = "#REF!";
constexpr std::size_t kMostColumnLetters = 3;
constexpr std::size_t kMostRowDigits = 7;

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// What names, references and function names are made of; bytes of UTF-8 sequences too,
// since a name may hold any letter.
bool IsWordCharacter(char c) {
    return IsLetter(c) || IsDigit(c) || c == '_' || c == '.' || c == '$' || c == '\\' || c == '?' ||
           static_cast<unsigned char>(c) >= 0x80;
}

std::size_t WordEnd(std::string_view text, std::size_t at) {
    while (at < text.size() && IsWordCharacter(text[at])) ++at;
    return at;
}

// One side of a reference: "$B$2", "B2", "$B", "7".
struct ReferencePart {
    bool hasColumn = false;
    bool hasRow = false;
    bool columnFixed = false;
    bool rowFixed = false;
    std::int64_t column = 0;
    std::int64_t row = 0;

    bool SameKind(const ReferencePart& other) const { return hasColumn == other.hasColumn && hasRow == other.hasRow; }
    bool IsCell() const { return hasColumn && hasRow; }

    // false when the part leaves the sheet.
    bool Shift(std::int64_t rows, std::int64_t columns) {
        if (hasColumn && !columnFixed) column += columns;
        if (hasRow && !rowFixed) row += rows;
        return (!hasColumn || (column >= 1 && column <= kMostColumns)) && (!hasRow || (row >= 1 && row <= kMostRows));
    }

    void AppendTo(std::string& out) const {
        if (hasColumn) {
            if (columnFixed) out += '$';
            AppendColumnLetters(out, static_cast<std::uint32_t>(column));
        }
        if (hasRow) {
            if (rowFixed) out += '$';
            out += std::to_string(row);
        }
    }
};

std::optional<ReferencePart> ParsePart(std::string_view word) {
    ReferencePart part;
    std::size_t at = 0;
    const bool leadingDollar = at < word.size() && word[at] == '$';
    if (leadingDollar) ++at;
    const std::size_t lettersBegin = at;
    while (at < word.size() && IsLetter(word[at])) ++at;
    const std::string_view letters = word.substr(lettersBegin, at - lettersBegin);
    if (!letters.empty()) {
        if (letters.size() > kMostColumnLetters) return std::nullopt;
        const std::optional<std::uint32_t> column = ColumnFromLetters(letters);
        if (!column) return std::nullopt;
        part.hasColumn = true;
        part.columnFixed = leadingDollar;
        part.column = *column;
        if (at < word.size() && word[at] == '$') {
            part.rowFixed = true;
            ++at;
        }
    } else {
        part.rowFixed = leadingDollar;
    }
    const std::size_t digitsBegin = at;
    while (at < word.size() && IsDigit(word[at])) ++at;
    const std::string_view digits = word.substr(digitsBegin, at - digitsBegin);
    if (at != word.size() || digits.size() > kMostRowDigits) return std::nullopt;
    if (digits.empty()) {
        // A column alone; "B$" is no reference.
        if (!part.hasColumn || part.rowFixed) return std::nullopt;
        return part;
    }
    if (digits.front() == '0') return std::nullopt;
    part.hasRow = true;
    part.row = std::stoll(std::string(digits));
    if (part.row > kMostRows) return std::nullopt;
    return part;
}

// A word that is followed by one of these is a function, sheet or table name.
bool IsNameByWhatFollows(std::string_view text, std::size_t end) {
    return end < text.size() && (text[end] == '(' || text[end] == '!' || text[end] == '[');
}

// Copies a quoted run (a text "..." or a sheet name '...', the quote doubled inside)
// from `at`; returns where it ends.
std::size_t CopyQuoted(std::string_view text, std::size_t at, std::string& out) {
    const char quote = text[at];
    std::size_t end = at + 1;
    for (;;) {
        while (end < text.size() && text[end] != quote) ++end;
        if (end + 1 < text.size() && text[end + 1] == quote) {
            end += 2;
            continue;
        }
        end = end < text.size() ? end + 1 : end;
        break;
    }
    out.append(text.substr(at, end - at));
    return end;
}

// Copies a bracketed run ("[1]", "Tabelle1[[#Totals],[Menge]]") from `at`.
std::size_t CopyBracketed(std::string_view text, std::size_t at, std::string& out) {
    std::size_t end = at;
    int depth = 0;
    do {
        if (text[end] == '[') ++depth;
        if (text[end] == ']') --depth;
        ++end;
    } while (end < text.size() && depth > 0);
    out.append(text.substr(at, end - at));
    return end;
}

// Copies an error value ("#N/A", "#DIV/0!") from `at`.
std::size_t CopyErrorValue(std::string_view text, std::size_t at, std::string& out) {
    std::size_t end = at + 1;
    while (end < text.size() && (IsLetter(text[end]) || IsDigit(text[end]) || text[end] == '/' ||
                                 text[end] == '!' || text[end] == '?' || text[end] == '_'))
        ++end;
    out.append(text.substr(at, end - at));
    return end;
}

// A word and what may follow it as a range ("B2:C3", "A:A", "1:3"), moved; returns
// where it ends.
std::size_t ShiftWord(std::string_view text, std::size_t at, std::int64_t rows, std::int64_t columns,
                      std::string& out) {
    const std::size_t end = WordEnd(text, at);
    const std::string_view word = text.substr(at, end - at);
    std::optional<ReferencePart> first = IsNameByWhatFollows(text, end) ? std::nullopt : ParsePart(word);
    if (first && end < text.size() && text[end] == ':') {
        const std::size_t secondEnd = WordEnd(text, end + 1);
        std::optional<ReferencePart> second =
            IsNameByWhatFollows(text, secondEnd) ? std::nullopt : ParsePart(text.substr(end + 1, secondEnd - end - 1));
        if (second && second->SameKind(*first)) {
            if (first->Shift(rows, columns) && second->Shift(rows, columns)) {
                first->AppendTo(out);
                out += ':';
                second->AppendTo(out);
            } else {
                out.append(kBrokenReference);
            }
            return secondEnd;
        }
    }
    if (first && first->IsCell()) {
        if (first->Shift(rows, columns))
            first->AppendTo(out);
        else
            out.append(kBrokenReference);
        return end;
    }
    out.append(word);
    return end;
}

}  // namespace

std::string ShiftFormula(std::string_view formula, std::int64_t rows, std::int64_t columns) {
    std::string out;
    out.reserve(formula.size() + 8);
    std::size_t at = 0;
    while (at < formula.size()) {
        const char c = formula[at];
        if (c == '"' || c == '\'') {
            at = CopyQuoted(formula, at, out);
        } else if (c == '[') {
            at = CopyBracketed(formula, at, out);
        } else if (c == '#') {
            at = CopyErrorValue(formula, at, out);
        } else if (IsDigit(c) || c == '.') {
            // A number ("1.5E+3" goes as "1.5E", "+", "3") or the first row of a range.
            const std::size_t end = WordEnd(formula, at);
            const bool rowRange = end < formula.size() && formula[end] == ':';
            at = rowRange ? ShiftWord(formula, at, rows, columns, out) : (out.append(formula.substr(at, end - at)), end);
        } else if (IsWordCharacter(c)) {
            at = ShiftWord(formula, at, rows, columns, out);
        } else {
            out += c;
            ++at;
        }
    }
    return out;
}

}  // namespace exl::workbook
