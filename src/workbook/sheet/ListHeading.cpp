#include "workbook/sheet/ListHeading.h"

#include "workbook/xml/XmlEscape.h"

namespace exl::workbook {

namespace {

// "'Tabelle1'!$A$1:$F$9": quoted, so that any sheet name reads as one.
std::string AbsoluteReference(const std::string& sheetName, const CellArea& area) {
    std::string reference = "'";
    for (char c : sheetName) reference += c == '\'' ? std::string("''") : std::string(1, c);
    reference += "'!$";
    AppendColumnLetters(reference, area.first.column);
    reference += "$" + std::to_string(area.first.row) + ":$";
    AppendColumnLetters(reference, area.last.column);
    return reference + "$" + std::to_string(area.last.row);
}

}  // namespace

std::string FrozenHeadingView(std::uint32_t headingRow) {
    if (headingRow < 1 || headingRow >= kMostRows) return {};
    std::string below;
    AppendCellReference(below, {headingRow + 1, 1});
    return "<sheetViews><sheetView workbookViewId=\"0\"><pane ySplit=\"" + std::to_string(headingRow) +
           "\" topLeftCell=\"" + below + "\" activePane=\"bottomLeft\" state=\"frozen\"/>"
           "<selection pane=\"bottomLeft\" activeCell=\"" + below + "\" sqref=\"" + below +
           "\"/></sheetView></sheetViews>";
}

std::string ListFilter(const CellArea& headed) { return "<autoFilter ref=\"" + FormatCellArea(headed) + "\"/>"; }

std::string FilterDatabaseNames(const std::vector<std::string>& sheetNames, const std::vector<ListLook>& looks) {
    std::string names;
    for (std::size_t sheet = 0; sheet < looks.size() && sheet < sheetNames.size(); ++sheet) {
        if (!looks[sheet].headed) continue;
        names += "<definedName name=\"_xlnm._FilterDatabase\" localSheetId=\"" + std::to_string(sheet) +
                 "\" hidden=\"1\">";
        AppendEscapedText(names, AbsoluteReference(sheetNames[sheet], *looks[sheet].headed));
        names += "</definedName>";
    }
    return names.empty() ? names : "<definedNames>" + names + "</definedNames>";
}

}  // namespace exl::workbook
