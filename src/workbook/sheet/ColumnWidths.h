#pragma once
// Column widths from the texts a sheet holds, in the unit Excel stores: characters
// of the widest digit of the workbook's default font, plus the cell's padding.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace exl::workbook {

// Below this many characters a column keeps Excel's standard width; above the
// most, a long text wraps the eye across the screen, so it is cut off in view.
constexpr std::size_t kStandardWidthCharacters = 8;
constexpr std::size_t kMostWidthCharacters = 60;

// The characters of a cell's stored text (UTF-8, see EncodeCellText): code points,
// each "_xHHHH_" escape counted as the one character it stands for.
std::size_t CharacterCount(std::string_view stored);

// The <col> width, in 1/256 characters, of a column whose longest text has
// `characters` characters: one character of margin, at least the standard width,
// at most kMostWidthCharacters, and the padding of 5 pixels of Arial 10 (whose
// widest digit is 7 pixels at 96 dpi) that Excel adds to every width.
std::uint32_t ColumnWidth256(std::size_t characters);
// The width as the width attribute writes it: "24.7109375".
std::string FormatWidth(std::uint32_t width256);

// The longest text of each of the columns, kept as the rows go by.
class ColumnWidths {
public:
    // Measures these columns; the others keep the standard width.
    explicit ColumnWidths(const std::vector<std::uint32_t>& columns);

    // A cell's stored text; `extra` characters for what else the cell shows.
    void Add(std::uint32_t column, std::string_view stored, std::size_t extra = 0);
    // "<cols>...</cols>" with a <col> for every column that holds a text; "" when
    // none does.
    std::string ColsXml() const;
    // The most bytes ColsXml can give, whatever the texts.
    std::size_t MostColsXmlSize() const;

private:
    static constexpr std::size_t kNotMeasured = ~std::size_t{0};
    std::vector<std::size_t> longest_;  // by column; 0: nothing seen yet
};

}  // namespace exl::workbook
