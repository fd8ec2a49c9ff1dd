#include "workbook/SheetTables.h"

#include "workbook/Package.h"
#include "workbook/XmlReader.h"

namespace exl::workbook {

namespace {

// A count attribute such as headerRowCount; the fallback when absent or no small number.
std::uint32_t CountAttribute(const XmlReader& reader, std::string_view name, std::uint32_t fallback) {
    const std::string text = AttributeValue(reader, name);
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos) return fallback;
    return static_cast<std::uint32_t>(std::stoul(text));
}

bool ReadTablePart(const ZipArchive& zip, SheetTable& table, std::string& problem) {
    std::string xml;
    if (!ReadPart(zip, table.part, xml, problem)) return false;
    XmlReader reader(xml);
    for (XmlToken token = reader.Next(); token != XmlToken::End; token = reader.Next()) {
        if (token == XmlToken::Error) {
            problem = table.part + " unreadable: " + reader.Error();
            return false;
        }
        if (token != XmlToken::StartElement) continue;
        const std::optional<CellArea> area = ParseCellArea(AttributeValue(reader, "ref"));
        if (reader.Depth() != 1 || reader.LocalName() != "table" || !area) break;
        table.area = *area;
        table.name = AttributeValue(reader, "displayName", AttributeValue(reader, "name"));
        table.headerRows = CountAttribute(reader, "headerRowCount", 1);
        table.totalsRows = CountAttribute(reader, "totalsRowCount", 0);
        if (table.area.last.row - table.area.first.row + 1 < table.headerRows + table.totalsRows) break;
        return true;
    }
    problem = table.part + ": no table with a proper range";
    return false;
}

// The start tag under the reader with its ref ending in another row.
std::string WithLastRow(const XmlReader& reader, std::string_view xml, std::uint32_t lastRow) {
    std::optional<CellArea> area = ParseCellArea(AttributeValue(reader, "ref"));
    std::string tag = "<" + std::string(reader.QualifiedName());
    for (const XmlAttribute& attribute : reader.Attributes()) {
        tag += ' ';
        if (area && attribute.qualifiedName == "ref") {
            area->last.row = lastRow;
            tag += "ref=\"" + FormatCellArea(*area) + "\"";
        } else {
            tag.append(xml.substr(attribute.begin, attribute.end - attribute.begin));
        }
    }
    return tag + (reader.IsEmptyElement() ? "/>" : ">");
}

}  // namespace

bool ReadSheetTables(const ZipArchive& zip, std::string_view sheetPart, std::vector<SheetTable>& tables,
                     std::string& problem) {
    std::vector<Relationship> relationships;
    if (!ReadRelationships(zip, sheetPart, relationships, problem)) return false;
    for (const Relationship& relationship : relationships) {
        if (relationship.external || !RelationshipTypeIs(relationship.type, "table")) continue;
        SheetTable table;
        table.sheetPart = std::string(sheetPart);
        table.part = relationship.target;
        if (!ReadTablePart(zip, table, problem)) return false;
        tables.push_back(std::move(table));
    }
    return true;
}

std::optional<CellMove> TableGrowth::TotalsMove() const {
    if (table.totalsRows == 0 || lastDataRow <= table.LastDataRow()) return std::nullopt;
    const CellArea totals{{table.LastDataRow() + 1, table.area.first.column}, table.area.last};
    return CellMove{totals, lastDataRow - table.LastDataRow()};
}

bool GrowTablePart(std::string_view xml, const TableGrowth& growth, std::string& out, std::string& problem) {
    XmlReader reader(xml);
    out.clear();
    std::size_t copied = 0;
    for (XmlToken token = reader.Next(); token != XmlToken::End; token = reader.Next()) {
        if (token == XmlToken::Error) {
            problem = "table part unreadable: " + reader.Error();
            return false;
        }
        if (token != XmlToken::StartElement) continue;
        const std::string_view name = reader.LocalName();
        std::uint32_t lastRow = 0;
        if (reader.Depth() == 1 && name == "table") lastRow = growth.GrownArea().last.row;
        // The filter covers the heading and the data, not the totals.
        if ((reader.Depth() == 2 && name == "autoFilter") || (reader.Depth() == 3 && name == "sortState"))
            lastRow = growth.lastDataRow;
        if (lastRow == 0) continue;
        out.append(xml.substr(copied, reader.TokenBegin() - copied)).append(WithLastRow(reader, xml, lastRow));
        copied = reader.TokenEnd();
    }
    out.append(xml.substr(copied));
    return true;
}

}  // namespace exl::workbook
