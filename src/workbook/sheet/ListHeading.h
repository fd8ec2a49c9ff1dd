#pragma once
// A new workbook's list that reads well: its heading row in bold, kept on screen
// when the list scrolls, with a filter over the headings and the records below.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "workbook/sheet/CellReference.h"

namespace exl::workbook {

// The bold font and the cell format of headings, added to the least style sheet
// after its default font and Standard format: the heading's style is format 1.
constexpr const char* kBoldFont = "<font><b/><sz val=\"10\"/><name val=\"Arial\"/></font>";
constexpr const char* kHeadingCellFormat =
    "<xf numFmtId=\"0\" fontId=\"1\" fillId=\"0\" borderId=\"0\" xfId=\"0\" applyFont=\"1\"/>";
constexpr const char* kHeadingStyle = "1";

// What a new sheet shows of its list beyond the cells: each of `columns` is as wide
// as its longest text; `headed` is the list under its heading row (its first row),
// which is frozen and filtered; nullopt: widths only.
struct ListLook {
    std::vector<std::uint32_t> columns;
    std::optional<CellArea> headed;
};

// The <sheetViews> that freeze the rows down to the heading row; "" for a heading
// in the sheet's last row, below which nothing could scroll.
std::string FrozenHeadingView(std::uint32_t headingRow);
// The sheet's <autoFilter> over the list.
std::string ListFilter(const CellArea& headed);
// The workbook's <definedNames> with the hidden name Excel keeps for each sheet's
// filter (looks[i] belongs to sheet i + 1); "" when no sheet has one.
std::string FilterDatabaseNames(const std::vector<std::string>& sheetNames, const std::vector<ListLook>& looks);

}  // namespace exl::workbook
