#pragma once
// The cells that go into one worksheet, handed over row by row, so a sheet of any
// length is written without holding it: the source makes each row when the writer
// asks for it.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "workbook/sheet/CellReference.h"

namespace exl::workbook {

enum class CellKind {
    Blank,    // no value: empties the cell, keeping its style
    Text,     // a text cell
    Number,   // a number cell
    Boolean,  // a truth value: text "1" or "0"
    Formula,  // a formula without its "=" and without a stored result
};

struct CellValue {
    CellValue() = default;
    CellValue(std::uint32_t column_, CellKind kind_, std::string text_, std::string style_ = {})
        : column(column_), kind(kind_), text(std::move(text_)), style(std::move(style_)) {}

    std::uint32_t column = 0;
    CellKind kind = CellKind::Blank;
    // Text and Formula: the stored form (EncodeCellText). Number: the number as XML
    // writes it ("-12", "3.5"); anything else is written as text.
    std::string text;
    // The cell's style (an index of the workbook's cellXfs) where the sheet gives it
    // none; "" for the default. A template cell's own style always wins.
    std::string style;
};

struct SheetRow {
    std::uint32_t number = 0;
    std::vector<CellValue> cells;  // ascending columns, each once
};

class RowSource {
public:
    virtual ~RowSource() = default;
    // Fills the next row (rows ascending, each once); false when none is left.
    virtual bool NextRow(SheetRow& row) = 0;
    // The area the rows may reach, for the sheet's dimension; nullopt when unknown.
    virtual std::optional<CellArea> Area() const { return std::nullopt; }
};

// Where the XML of a part goes as it is made, in pieces of about kPartOutputChunk.
constexpr std::size_t kPartOutputChunk = 1 << 16;
class PartOutput {
public:
    virtual ~PartOutput() = default;
    virtual bool Write(std::string_view bytes) = 0;
};

class StringPartOutput : public PartOutput {
public:
    bool Write(std::string_view bytes) override {
        text.append(bytes);
        return true;
    }
    std::string text;
};

}  // namespace exl::workbook
