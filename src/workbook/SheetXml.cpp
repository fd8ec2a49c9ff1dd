#include "workbook/SheetXml.h"

#include <algorithm>
#include <limits>
#include <vector>

#include "workbook/XmlEscape.h"
#include "workbook/XmlReader.h"

namespace exl::workbook {

namespace {

constexpr std::string_view kXmlDeclaration = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr std::string_view kNewSheetStart =
    "<worksheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
    "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\">";
// Depths of the worksheet's elements, the root being 1.
constexpr std::size_t kSheetChildDepth = 2;
constexpr std::size_t kRowDepth = 3;
constexpr std::size_t kCellDepth = 4;
constexpr std::size_t kCellChildDepth = 5;
// Built XML goes out in pieces of about this size.
constexpr std::size_t kOutputChunk = 1 << 16;
constexpr std::uint32_t kBeyondLastRow = std::numeric_limits<std::uint32_t>::max();

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

bool IsOn(std::string_view value) { return value == "1" || value == "true"; }

// A whole number attribute such as r="12"; false when absent or not a number that fits.
bool ReadNumber(std::string_view text, std::uint32_t& number) {
    if (text.empty() || text.size() > 10) return false;
    std::uint64_t value = 0;
    for (char c : text) {
        if (!IsDigit(c)) return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value > std::numeric_limits<std::uint32_t>::max()) return false;
    number = static_cast<std::uint32_t>(value);
    return true;
}

std::string ElementPrefix(std::string_view prefix) {
    return prefix.empty() ? std::string() : std::string(prefix) + ":";
}

// The styles that <cols> gives whole columns.
class ColumnStyles {
public:
    void Add(std::uint32_t first, std::uint32_t last, std::string style) {
        ranges_.push_back({first, last, std::move(style)});
    }
    std::string_view Of(std::uint32_t column) const {
        for (const Range& range : ranges_)
            if (column >= range.first && column <= range.last) return range.style;
        return {};
    }

private:
    struct Range {
        std::uint32_t first;
        std::uint32_t last;
        std::string style;
    };
    std::vector<Range> ranges_;
};

// The source's rows, checked for order and limits as they come, so a faulty source
// cannot make a file that Excel refuses.
class CheckedRows {
public:
    explicit CheckedRows(RowSource* source) : source_(source) {}

    // The next row into Row(); false at the end or on a fault (Problem() set).
    bool Next() {
        has_ = source_ && source_->NextRow(row_);
        if (!has_) return false;
        if (row_.number < 1 || row_.number > kMostRows || row_.number <= last_) return Refuse("rows out of order");
        last_ = row_.number;
        std::uint32_t column = 0;
        for (const CellValue& cell : row_.cells) {
            if (cell.column <= column || cell.column > kMostColumns) return Refuse("cells out of order");
            column = cell.column;
        }
        return true;
    }
    bool Has() const { return has_; }
    const SheetRow& Row() const { return row_; }
    const std::string& Problem() const { return problem_; }

private:
    bool Refuse(const char* problem) {
        problem_ = problem;
        has_ = false;
        return false;
    }

    RowSource* source_;
    SheetRow row_;
    bool has_ = false;
    std::uint32_t last_ = 0;
    std::string problem_;
};

void AppendOwnRow(std::string& out, const std::string& prefix, const SheetRow& row, const ColumnStyles& columns) {
    out.append("<").append(prefix).append("row r=\"").append(std::to_string(row.number)).append("\">");
    for (const CellValue& cell : row.cells) AppendCellXml(out, prefix, row.number, cell, columns.Of(cell.column));
    out.append("</").append(prefix).append("row>");
}

struct Span {
    std::size_t begin;
    std::size_t end;
};

struct TemplateCell {
    std::uint32_t column = 0;
    std::string_view qualifiedName;
    std::vector<XmlAttribute> attributes;
    std::string style;
    Span whole{};
    std::size_t startTagEnd = 0;
    bool hasFormula = false;
    std::vector<Span> values;  // the <v> children: a formula's stored result
};

struct TemplateRow {
    std::uint32_t number = 0;
    std::string_view qualifiedName;
    std::vector<XmlAttribute> attributes;
    std::string style;  // of a row with its own format
    Span whole{};
    std::vector<TemplateCell> cells;
    std::vector<Span> others;  // children other than cells (extLst)
    bool hasFormula = false;
};

class SheetPatcher {
public:
    SheetPatcher(std::string_view xml, RowSource* rows, PartOutput& out)
        : xml_(xml), reader_(xml), own_(rows), out_(out), area_(rows ? rows->Area() : std::nullopt) {}

    bool Run(std::string& problem) {
        const bool done = Walk() && Put({}, true);
        problem = problem_;
        return done;
    }

private:
    bool Walk() {
        if (!own_.Next() && !own_.Problem().empty()) return Fail(own_.Problem());
        for (;;) {
            switch (reader_.Next()) {
            case XmlToken::Error: return Fail("sheet unreadable: " + reader_.Error());
            case XmlToken::End: return CopyUpTo(xml_.size());
            case XmlToken::StartElement:
                if (!OnStart()) return false;
                break;
            case XmlToken::EndElement:
                if (reader_.Depth() == kSheetChildDepth && reader_.LocalName() == "cols") inColumns_ = false;
                if (reader_.Depth() == 1 && !sawSheetData_ && own_.Has()) return Fail("worksheet without sheetData");
                break;
            default: break;
            }
        }
    }

    bool OnStart() {
        const std::size_t depth = reader_.Depth();
        const std::string_view name = reader_.LocalName();
        if (depth == 1 && name != "worksheet") return Fail("not a worksheet");
        if (depth == kSheetChildDepth && name == "dimension") return OnDimension();
        if (depth == kSheetChildDepth && name == "cols") inColumns_ = !reader_.IsEmptyElement();
        if (depth == kSheetChildDepth && name == "sheetData") return OnSheetData();
        if (depth == kRowDepth && inColumns_ && name == "col") OnColumn();
        return true;
    }

    void OnColumn() {
        std::uint32_t first = 0, last = 0;
        const std::string style = AttributeValue(reader_, "style");
        if (!style.empty() && ReadNumber(AttributeValue(reader_, "min"), first) &&
            ReadNumber(AttributeValue(reader_, "max"), last))
            columns_.Add(first, last, style);
    }

    bool OnDimension() {
        if (!area_) return true;
        const std::optional<CellArea> stated = ParseCellArea(AttributeValue(reader_, "ref"));
        const CellArea area = stated ? stated->Union(*area_) : *area_;
        if (!CopyUpTo(reader_.TokenBegin())) return false;
        std::string tag = "<" + std::string(reader_.QualifiedName()) + " ref=\"" + FormatCellArea(area) + "\"";
        for (const XmlAttribute& attribute : reader_.Attributes())
            if (attribute.qualifiedName != "ref") tag.append(" ").append(Raw(attribute.begin, attribute.end));
        tag += reader_.IsEmptyElement() ? "/>" : ">";
        copied_ = reader_.TokenEnd();
        return Put(tag);
    }

    bool OnSheetData() {
        sawSheetData_ = true;
        prefix_ = ElementPrefix(reader_.Prefix());
        if (reader_.IsEmptyElement()) {
            const std::string name(reader_.QualifiedName());
            if (!CopyUpTo(reader_.TokenBegin()) || !Put("<" + name + ">") || !EmitOwnRowsBelow(kBeyondLastRow) ||
                !Put("</" + name + ">"))
                return false;
            copied_ = reader_.TokenEnd();
            reader_.Next();  // its end
            return true;
        }
        for (;;) {
            const XmlToken token = reader_.Next();
            if (token == XmlToken::Error) return Fail("sheet unreadable: " + reader_.Error());
            if (token == XmlToken::StartElement && reader_.Depth() == kRowDepth && reader_.LocalName() == "row") {
                if (!OnRow()) return false;
            } else if (token == XmlToken::EndElement && reader_.Depth() == kSheetChildDepth) {
                return CopyUpTo(reader_.TokenBegin()) && EmitOwnRowsBelow(kBeyondLastRow);
            }
        }
    }

    bool OnRow() {
        TemplateRow row;
        if (!ReadRow(row)) return false;
        if (!CopyUpTo(row.whole.begin) || !EmitOwnRowsBelow(row.number)) return false;
        const bool merging = own_.Has() && own_.Row().number == row.number;
        if (!merging && !row.hasFormula) return true;  // copied as it is
        std::string out;
        AppendRow(out, row, merging);
        copied_ = row.whole.end;
        if (merging && !own_.Next() && !own_.Problem().empty()) return Fail(own_.Problem());
        return Put(out);
    }

    bool ReadRow(TemplateRow& row) {
        row.whole.begin = reader_.TokenBegin();
        row.qualifiedName = reader_.QualifiedName();
        row.attributes = reader_.Attributes();
        const std::string number = AttributeValue(reader_, "r");
        if (number.empty()) {
            row.number = lastRow_ + 1;
        } else if (!ReadNumber(number, row.number)) {
            return Fail("row without a proper number");
        }
        if (row.number <= lastRow_ || row.number > kMostRows) return Fail("rows out of order");
        lastRow_ = row.number;
        if (IsOn(AttributeValue(reader_, "customFormat"))) row.style = AttributeValue(reader_, "s");
        std::uint32_t lastColumn = 0;
        std::size_t otherBegin = 0;
        for (;;) {
            const XmlToken token = reader_.Next();
            if (token == XmlToken::Error) return Fail("sheet unreadable: " + reader_.Error());
            const std::size_t depth = reader_.Depth();
            if (token == XmlToken::EndElement && depth == kRowDepth) {
                row.whole.end = reader_.TokenEnd();
                return true;
            }
            if (token == XmlToken::StartElement && depth == kCellDepth && reader_.LocalName() == "c") {
                row.cells.emplace_back();
                if (!ReadCell(row.cells.back(), lastColumn)) return false;
                row.hasFormula = row.hasFormula || row.cells.back().hasFormula;
            } else if (token == XmlToken::StartElement && depth == kCellDepth) {
                otherBegin = reader_.TokenBegin();
            } else if (token == XmlToken::EndElement && depth == kCellDepth) {
                row.others.push_back({otherBegin, reader_.TokenEnd()});
            }
        }
    }

    bool ReadCell(TemplateCell& cell, std::uint32_t& lastColumn) {
        cell.whole.begin = reader_.TokenBegin();
        cell.startTagEnd = reader_.TokenEnd();
        cell.qualifiedName = reader_.QualifiedName();
        cell.attributes = reader_.Attributes();
        cell.style = AttributeValue(reader_, "s");
        const std::string reference = AttributeValue(reader_, "r");
        if (reference.empty()) {
            cell.column = lastColumn + 1;
        } else if (const std::optional<CellPosition> position = ParseCellReference(reference)) {
            cell.column = position->column;
        } else {
            return Fail("cell without a proper reference");
        }
        if (cell.column <= lastColumn || cell.column > kMostColumns) return Fail("cells out of order");
        lastColumn = cell.column;
        std::size_t valueBegin = 0;
        for (;;) {
            const XmlToken token = reader_.Next();
            if (token == XmlToken::Error) return Fail("sheet unreadable: " + reader_.Error());
            const std::size_t depth = reader_.Depth();
            if (token == XmlToken::EndElement && depth == kCellDepth) {
                cell.whole.end = reader_.TokenEnd();
                return true;
            }
            if (depth != kCellChildDepth) continue;
            if (token == XmlToken::StartElement && reader_.LocalName() == "f") cell.hasFormula = true;
            if (token == XmlToken::StartElement && reader_.LocalName() == "v") valueBegin = reader_.TokenBegin();
            if (token == XmlToken::EndElement && reader_.LocalName() == "v")
                cell.values.push_back({valueBegin, reader_.TokenEnd()});
        }
    }

    void AppendRow(std::string& out, const TemplateRow& row, bool merging) {
        out.append("<").append(row.qualifiedName);
        for (const XmlAttribute& attribute : row.attributes)
            if (!(merging && attribute.qualifiedName == "spans"))
                out.append(" ").append(Raw(attribute.begin, attribute.end));
        out.append(">");
        const std::vector<CellValue> none;
        const std::vector<CellValue>& own = merging ? own_.Row().cells : none;
        auto next = own.begin();
        for (const TemplateCell& cell : row.cells) {
            for (; next != own.end() && next->column < cell.column; ++next)
                AppendCellXml(out, prefix_, row.number, *next, NewCellStyle(row, next->column));
            if (next != own.end() && next->column == cell.column) {
                AppendCellXml(out, prefix_, row.number, *next++, cell.style);
            } else {
                AppendTemplateCell(out, cell);
            }
        }
        for (; next != own.end(); ++next)
            AppendCellXml(out, prefix_, row.number, *next, NewCellStyle(row, next->column));
        for (const Span& other : row.others) out.append(Raw(other.begin, other.end));
        out.append("</").append(row.qualifiedName).append(">");
    }

    // A cell the template does not have takes the style Excel would give a typed one.
    std::string_view NewCellStyle(const TemplateRow& row, std::uint32_t column) const {
        return row.style.empty() ? columns_.Of(column) : std::string_view(row.style);
    }

    // A formula keeps its text and loses its stored result and the result's type.
    void AppendTemplateCell(std::string& out, const TemplateCell& cell) {
        if (!cell.hasFormula) {
            out.append(Raw(cell.whole.begin, cell.whole.end));
            return;
        }
        out.append("<").append(cell.qualifiedName);
        for (const XmlAttribute& attribute : cell.attributes)
            if (attribute.qualifiedName != "t") out.append(" ").append(Raw(attribute.begin, attribute.end));
        out.append(">");
        std::size_t from = cell.startTagEnd;
        for (const Span& value : cell.values) {
            out.append(Raw(from, value.begin));
            from = value.end;
        }
        out.append(Raw(from, cell.whole.end));
    }

    bool EmitOwnRowsBelow(std::uint32_t number) {
        std::string out;
        while (own_.Has() && own_.Row().number < number) {
            AppendOwnRow(out, prefix_, own_.Row(), columns_);
            if (!own_.Next() && !own_.Problem().empty()) return Fail(own_.Problem());
            if (out.size() < kOutputChunk) continue;
            if (!Put(out)) return false;
            out.clear();
        }
        return Put(out);
    }

    std::string_view Raw(std::size_t begin, std::size_t end) const { return xml_.substr(begin, end - begin); }

    bool CopyUpTo(std::size_t offset) {
        if (offset <= copied_) return true;
        const std::string_view bytes = Raw(copied_, offset);
        copied_ = offset;
        return Put(bytes);
    }

    bool Put(std::string_view bytes, bool flush = false) {
        pending_.append(bytes);
        if (pending_.size() < kOutputChunk && !flush) return true;
        const bool written = out_.Write(pending_);
        pending_.clear();
        return written || Fail("cannot write");
    }

    bool Fail(const std::string& problem) {
        if (problem_.empty()) problem_ = problem;
        return false;
    }

    std::string_view xml_;
    XmlReader reader_;
    CheckedRows own_;
    PartOutput& out_;
    std::optional<CellArea> area_;
    std::size_t copied_ = 0;
    std::string pending_;
    std::string prefix_;
    ColumnStyles columns_;
    bool inColumns_ = false;
    bool sawSheetData_ = false;
    std::uint32_t lastRow_ = 0;
    std::string problem_;
};

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

bool WriteNewSheet(RowSource& rows, PartOutput& out, std::string& problem) {
    std::string xml(kXmlDeclaration);
    xml += kNewSheetStart;
    if (const std::optional<CellArea> area = rows.Area()) xml += "<dimension ref=\"" + FormatCellArea(*area) + "\"/>";
    xml += "<sheetData>";
    CheckedRows own(&rows);
    const ColumnStyles none;
    while (own.Next()) {
        AppendOwnRow(xml, "", own.Row(), none);
        if (xml.size() < kOutputChunk) continue;
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
    xml += "</sheetData></worksheet>";
    if (!out.Write(xml)) {
        problem = "cannot write";
        return false;
    }
    return true;
}

bool PatchSheet(std::string_view sheetXml, RowSource* rows, PartOutput& out, std::string& problem) {
    return SheetPatcher(sheetXml, rows, out).Run(problem);
}

bool HoldsFormulas(std::string_view sheetXml) {
    XmlReader reader(sheetXml);
    for (;;) {
        switch (reader.Next()) {
        case XmlToken::End: return false;
        case XmlToken::Error: return true;
        case XmlToken::StartElement:
            if (reader.Depth() == kCellChildDepth && reader.LocalName() == "f") return true;
            break;
        default: break;
        }
    }
}

}  // namespace exl::workbook
