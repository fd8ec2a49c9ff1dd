#include "workbook/sheet/SheetTables.h"

#include "workbook/sheet/Package.h"
#include "workbook/xml/XmlEscape.h"
#include "workbook/xml/XmlReader.h"

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
    bool proper = false;
    for (XmlToken token = reader.Next(); token != XmlToken::End; token = reader.Next()) {
        if (token == XmlToken::Error) {
            problem = table.part + " unreadable: " + reader.Error();
            return false;
        }
        if (token != XmlToken::StartElement) continue;
        if (reader.Depth() == 3 && reader.LocalName() == "tableColumn")
            table.columnNames.push_back(AttributeValue(reader, "name"));
        if (reader.Depth() != 1) continue;
        const std::optional<CellArea> area = ParseCellArea(AttributeValue(reader, "ref"));
        if (reader.LocalName() != "table" || !area) break;
        table.area = *area;
        table.name = AttributeValue(reader, "displayName", AttributeValue(reader, "name"));
        table.headerRows = CountAttribute(reader, "headerRowCount", 1);
        table.totalsRows = CountAttribute(reader, "totalsRowCount", 0);
        proper = table.area.last.row - table.area.first.row + 1 >= table.headerRows + table.totalsRows;
        if (!proper) break;
    }
    if (!proper) problem = table.part + ": no table with a proper range";
    return proper;
}

// The start tag under the reader with one attribute's value replaced.
std::string WithAttribute(const XmlReader& reader, std::string_view xml, std::string_view name,
                          std::string_view value) {
    std::string tag = "<" + std::string(reader.QualifiedName());
    for (const XmlAttribute& attribute : reader.Attributes()) {
        tag += ' ';
        if (attribute.qualifiedName == name) {
            tag.append(name).append("=\"");
            AppendEscapedAttribute(tag, value);
            tag += '"';
        } else {
            tag.append(xml.substr(attribute.begin, attribute.end - attribute.begin));
        }
    }
    return tag + (reader.IsEmptyElement() ? "/>" : ">");
}

// The start tag under the reader with its ref ending in another row; "" for none.
std::string WithLastRow(const XmlReader& reader, std::string_view xml, std::uint32_t lastRow) {
    std::optional<CellArea> area = ParseCellArea(AttributeValue(reader, "ref"));
    if (!area) return {};
    area->last.row = lastRow;
    return WithAttribute(reader, xml, "ref", FormatCellArea(*area));
}

const std::string* NewName(const TableGrowth& growth, std::size_t column) {
    for (const auto& [index, name] : growth.newNames)
        if (index == column) return &name;
    return nullptr;
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
    std::size_t column = 0;
    for (XmlToken token = reader.Next(); token != XmlToken::End; token = reader.Next()) {
        if (token == XmlToken::Error) {
            problem = "table part unreadable: " + reader.Error();
            return false;
        }
        if (token != XmlToken::StartElement) continue;
        const std::string_view name = reader.LocalName();
        std::string tag;
        if (reader.Depth() == 1 && name == "table") tag = WithLastRow(reader, xml, growth.GrownArea().last.row);
        // The filter covers the heading and the data, not the totals.
        if ((reader.Depth() == 2 && name == "autoFilter") || (reader.Depth() == 3 && name == "sortState"))
            tag = WithLastRow(reader, xml, growth.lastDataRow);
        if (reader.Depth() == 3 && name == "tableColumn")
            if (const std::string* newName = NewName(growth, column++)) tag = WithAttribute(reader, xml, "name", *newName);
        if (tag.empty()) continue;
        out.append(xml.substr(copied, reader.TokenBegin() - copied)).append(tag);
        copied = reader.TokenEnd();
    }
    out.append(xml.substr(copied));
    return true;
}

}  // namespace exl::workbook
