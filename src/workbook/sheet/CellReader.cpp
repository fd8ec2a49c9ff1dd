#include "workbook/sheet/CellReader.h"

#include <cstdlib>
#include <optional>
#include <string_view>

#include "workbook/sheet/CellTextCoding.h"
#include "workbook/sheet/SheetDepths.h"
#include "workbook/xml/WholeNumber.h"
#include "workbook/xml/XmlReader.h"

namespace exl::workbook {

namespace {

// Plain text is one <t>; rich text runs of <r><t>; phonetic runs (<rPh>) are no content.
class StringItemText {
public:
    explicit StringItemText(std::size_t itemDepth) : itemDepth_(itemDepth) {}
    // Feeds a token inside the item.
    bool Take(const XmlReader& reader, XmlToken token) {
        if (token == XmlToken::StartElement && IsSpreadsheetElement(reader, "t")) {
            const std::size_t depth = reader.Depth();
            inText_ = depth == itemDepth_ + 1 || (depth == itemDepth_ + 2 && inRun_);
        } else if (token == XmlToken::StartElement && reader.Depth() == itemDepth_ + 1) {
            inRun_ = IsSpreadsheetElement(reader, "r");
        } else if (token == XmlToken::EndElement && IsSpreadsheetElement(reader, "t")) {
            inText_ = false;
        } else if (token == XmlToken::Text && inText_) {
            std::string piece;
            if (!TokenText(reader, piece)) return false;
            text_ += piece;
        }
        return true;
    }
    std::wstring Decoded() const { return DecodeCellText(text_); }

private:
    std::size_t itemDepth_;
    bool inRun_ = false;
    bool inText_ = false;
    std::string text_;
};

bool Unreadable(const XmlReader& reader, std::string& problem) {
    problem = "part unreadable: " + reader.Error();
    return false;
}

// The workbook's own parts of a relationship type (shared strings, styles), read in
// their order; false when one cannot be read or `read` refuses it.
template <typename ReadPartXml>
bool ReadWorkbookParts(const ZipArchive& zip, const WorkbookPackage& package, std::string_view type,
                       std::string& problem, ReadPartXml read) {
    std::vector<Relationship> relationships;
    if (!ReadRelationships(zip, package.workbookPart, relationships, problem)) return false;
    for (const Relationship& relationship : relationships) {
        if (!RelationshipTypeIs(relationship.type, type) || relationship.external) continue;
        std::string xml;
        if (!ReadPart(zip, relationship.target, xml, problem) || !read(xml)) return false;
    }
    return true;
}

bool ReadSharedStrings(const ZipArchive& zip, const WorkbookPackage& package, std::vector<std::wstring>& strings,
                       std::string& problem) {
    return ReadWorkbookParts(zip, package, "sharedStrings", problem, [&](const std::string& xml) {
        XmlReader reader(xml);
        StringItemText item(2);
        for (XmlToken token = reader.Next(); token != XmlToken::End; token = reader.Next()) {
            if (token == XmlToken::Error) return Unreadable(reader, problem);
            if (token == XmlToken::StartElement && reader.Depth() == 2) item = StringItemText(2);
            if (token == XmlToken::EndElement && reader.Depth() == 2) strings.push_back(item.Decoded());
            if (reader.Depth() > 2 && !item.Take(reader, token)) return Unreadable(reader, problem);
        }
        return true;
    });
}

// One <c> element, read from its start tag to its end.
class CellElement {
public:
    CellElement(const XmlReader& reader, std::uint32_t row, std::uint32_t previousColumn)
        : type_(AttributeValue(reader, "t")),
          style_(static_cast<std::uint32_t>(std::strtoul(AttributeValue(reader, "s").c_str(), nullptr, 10))),
          inlineText_(kCellChildDepth) {
        const std::string reference = AttributeValue(reader, "r");
        if (reference.empty()) {
            position_ = CellPosition{row, previousColumn + 1};
        } else if (const auto position = ParseCellReference(reference)) {
            position_ = *position;
        } else {
            position_ = CellPosition{};
        }
    }

    bool Take(const XmlReader& reader, XmlToken token) {
        if (token == XmlToken::StartElement && reader.Depth() == kCellChildDepth) {
            inValue_ = IsSpreadsheetElement(reader, "v");
            inFormula_ = IsSpreadsheetElement(reader, "f");
        }
        if (token == XmlToken::EndElement && reader.Depth() == kCellChildDepth) inValue_ = inFormula_ = false;
        if (token == XmlToken::Text && inFormula_) return TakeText(reader, formula_);
        if (type_ == "inlineStr") return inlineText_.Take(reader, token);
        if (token == XmlToken::Text && inValue_) {
            hasValue_ = true;
            return TakeText(reader, value_);
        }
        return true;
    }

    // The cell, when it has a place and a value.
    bool Result(const std::vector<std::wstring>& shared, ReadCell& cell) const {
        if (position_.row == 0) return false;
        cell.position = position_;
        cell.style = style_;
        cell.kind = CellKind::Text;
        // A formula shared from another cell carries no text of its own: its value stands.
        if (!formula_.empty()) {
            cell.kind = CellKind::Formula;
            cell.text = L"=" + DecodeCellText(formula_);
        } else if (type_ == "inlineStr") {
            cell.text = inlineText_.Decoded();
        } else if (!hasValue_) {
            return false;
        } else if (type_ == "s") {
            const std::size_t index = std::strtoul(value_.c_str(), nullptr, 10);
            if (index >= shared.size()) return false;
            cell.text = shared[index];
        } else {
            cell.text = DecodeCellText(value_);
            if (type_.empty() || type_ == "n") cell.kind = CellKind::Number;
            if (type_ == "b") cell.kind = CellKind::Boolean;
        }
        // An empty text is a cell only with a style of its own (a quote prefix, say).
        return !cell.text.empty() || (cell.kind == CellKind::Text && style_ != 0);
    }
    std::uint32_t Column() const { return position_.column; }

private:
    static bool TakeText(const XmlReader& reader, std::string& into) {
        std::string piece;
        if (!TokenText(reader, piece)) return false;
        into += piece;
        return true;
    }

    CellPosition position_;
    std::string type_;
    std::uint32_t style_;
    StringItemText inlineText_;
    bool inValue_ = false;
    bool inFormula_ = false;
    bool hasValue_ = false;
    std::string value_;
    std::string formula_;
};

bool ReadSheetCells(const std::string& xml, const std::vector<std::wstring>& shared, ReadSheet& sheet,
                    std::string& problem) {
    XmlReader reader(xml);
    std::uint32_t row = 0, column = 0;
    std::optional<CellElement> cell;
    for (XmlToken token = reader.Next(); token != XmlToken::End; token = reader.Next()) {
        if (token == XmlToken::Error) return Unreadable(reader, problem);
        const std::size_t depth = reader.Depth();
        if (token == XmlToken::StartElement && depth == kRowDepth && IsSpreadsheetElement(reader, "row")) {
            const std::string stated = AttributeValue(reader, "r");
            if (stated.empty()) {
                ++row;
            } else if (!ReadWholeNumber(stated, row) || row == 0 || row > kMostRows) {
                problem = "row without a proper number";
                return false;
            }
            column = 0;
        } else if (token == XmlToken::StartElement && depth == kCellDepth && IsSpreadsheetElement(reader, "c")) {
            cell.emplace(reader, row, column);
        } else if (token == XmlToken::EndElement && depth == kCellDepth && cell) {
            ReadCell read;
            if (cell->Result(shared, read)) sheet.cells.push_back(std::move(read));
            column = cell->Column();
            cell.reset();
        } else if (cell && !cell->Take(reader, token)) {
            return Unreadable(reader, problem);
        }
    }
    return true;
}

}  // namespace

bool ReadCellFormats(const ZipArchive& zip, const WorkbookPackage& package, std::vector<CellFormat>& formats,
                     std::string& problem) {
    formats.clear();
    return ReadWorkbookParts(zip, package, "styles", problem, [&](const std::string& xml) {
        XmlReader reader(xml);
        bool inCellFormats = false;
        for (XmlToken token = reader.Next(); token != XmlToken::End; token = reader.Next()) {
            if (token == XmlToken::Error) return Unreadable(reader, problem);
            if (reader.Depth() == 2 && (token == XmlToken::StartElement || token == XmlToken::EndElement))
                inCellFormats = token == XmlToken::StartElement && IsSpreadsheetElement(reader, "cellXfs");
            if (token != XmlToken::StartElement || !inCellFormats || reader.Depth() != 3) continue;
            const bool quotePrefix = IsXsdTrue(AttributeValue(reader, "quotePrefix"));
            formats.push_back({std::atoi(AttributeValue(reader, "numFmtId").c_str()), quotePrefix});
        }
        return true;
    });
}

bool ReadWorkbookCells(const ZipArchive& zip, const WorkbookPackage& package, std::vector<ReadSheet>& sheets,
                       std::string& problem) {
    std::vector<std::wstring> shared;
    if (!ReadSharedStrings(zip, package, shared, problem)) return false;
    sheets.clear();
    for (const SheetEntry& entry : package.sheets) {
        ReadSheet sheet;
        sheet.name = entry.name;
        sheet.kind = entry.kind;
        if (entry.kind == SheetKind::Worksheet) {
            std::string xml;
            if (!ReadPart(zip, entry.part, xml, problem) || !ReadSheetCells(xml, shared, sheet, problem)) {
                problem = entry.name + ": " + problem;
                return false;
            }
        }
        sheets.push_back(std::move(sheet));
    }
    return true;
}

}  // namespace exl::workbook
