#include "workbook/sheet/SheetXml.h"

#include "workbook/sheet/CheckedRows.h"
#include "workbook/xml/XmlEscape.h"

namespace exl::workbook {

namespace {

constexpr std::string_view kNewSheetStart =
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "-12", "3.5", "1E+20": what a number cell's <v> may hold.
bool IsNumberLiteral(std::string_view text) {
    std::size_t at = 0;
    auto digits = [&] {
        const std::size_t start = at;
        while (at < text.size() && IsDigit(text[at])) ++at;
        return at > start;
    };
    if (at < text.size() && text[at] == '-') ++at;
    if (!digits()) return false;
    if (at < text.size() && text[at] == '.') {
        ++at;
        if (!digits()) return false;
    }
    if (at < text.size() && (text[at] == 'E' || text[at] == 'e')) {
        ++at;
        if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
        if (!digits()) return false;
    }
    return at == text.size();
}

// XML readers drop blanks at the ends of an element's text unless told not to.
bool NeedsPreserve(std::string_view text) {
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n'; };
    return !text.empty() && (blank(text.front()) || blank(text.back()));
}

void AppendOwnRow(std::string& out, const SheetRow& row) {
    out.append("<row r=\"").append(std::to_string(row.number)).append("\">");
    for (const CellValue& cell : row.cells) AppendCellXml(out, "", row.number, cell, {});
    out.append("</row>");
}

}  // namespace

void AppendCellXml(std::string& out, std::string_view prefix, std::uint32_t row, const CellValue& cell,
                   std::string_view style) {
    if (style.empty()) style = cell.style;
    if (cell.kind == CellKind::Blank && style.empty()) return;
    out.append("<").append(prefix).append("c r=\"");
    AppendCellReference(out, {row, cell.column});
    out.append("\"");
    if (!style.empty()) {
        out.append(" s=\"");
        AppendEscapedAttribute(out, style);
        out.append("\"");
    }
    if (cell.kind == CellKind::Blank) {
        out.append("/>");
    } else if (cell.kind == CellKind::Boolean) {
        out.append(" t=\"b\"><").append(prefix).append("v>").append(cell.text == "1" ? "1" : "0");
        out.append("</").append(prefix).append("v></").append(prefix).append("c>");
    } else if (cell.kind == CellKind::Formula) {
        out.append("><").append(prefix).append("f>");
        AppendEscapedText(out, cell.text);
        out.append("</").append(prefix).append("f></").append(prefix).append("c>");
    } else if (cell.kind == CellKind::Number && IsNumberLiteral(cell.text)) {
        out.append("><").append(prefix).append("v>").append(cell.text);
        out.append("</").append(prefix).append("v></").append(prefix).append("c>");
    } else {
        out.append(" t=\"inlineStr\"><").append(prefix).append("is><").append(prefix).append("t");
        if (NeedsPreserve(cell.text)) out.append(" xml:space=\"preserve\"");
        out.append(">");
        AppendEscapedText(out, cell.text);
        out.append("</").append(prefix).append("t></").append(prefix).append("is></").append(prefix).append("c>");
    }
}

std::string NewSheetStart(const std::optional<CellArea>& area) {
    std::string xml(kXmlDeclaration);
    xml += kNewSheetStart;
    if (area) xml += "<dimension ref=\"" + FormatCellArea(*area) + "\"/>";
    return xml;
}

bool WriteSheetRows(RowSource& rows, PartOutput& out, std::string& problem) {
    std::string xml;
    CheckedRows own(&rows);
    while (own.Next()) {
        AppendOwnRow(xml, own.Row());
        if (xml.size() < kPartOutputChunk) continue;
        if (!out.Write(xml)) {
            problem = "cannot write";
            return false;
        }
        xml.clear();
    }
    if (!own.Problem().empty()) {
        problem = own.Problem();
        return false;
    }
    if (!out.Write(xml)) {
        problem = "cannot write";
        return false;
    }
    return true;
}

bool WriteNewSheet(RowSource& rows, PartOutput& out, std::string& problem) {
    if (!out.Write(NewSheetStart(rows.Area()) + "<sheetData>")) {
        problem = "cannot write";
        return false;
    }
    if (!WriteSheetRows(rows, out, problem)) return false;
    if (!out.Write("</sheetData></worksheet>")) {
        problem = "cannot write";
        return false;
    }
    return true;
}

}  // namespace exl::workbook
