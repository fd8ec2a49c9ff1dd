#include "workbook/SheetXml.h"

#include <algorithm>
#include <limits>
#include <map>
#include <vector>

#include "workbook/FormulaShift.h"
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
constexpr std::uint32_t kBeyondLastColumn = std::numeric_limits<std::uint32_t>::max();

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

// A template cell's <f> element.
struct TemplateFormula {
    Span whole{};
    Span text{};  // between its tags
    std::string_view qualifiedName;
    std::vector<XmlAttribute> attributes;
    std::string type;         // "shared", "array", ...; "" for a formula of the cell's own
    std::string sharedIndex;  // si
    std::string ref;

    bool IsShared() const { return type == "shared" && !sharedIndex.empty(); }
    // The cell that holds the text of a shared formula; the others hold only si.
    bool IsSharedAnchor() const { return IsShared() && !ref.empty(); }
};

struct TemplateCell {
    std::uint32_t column = 0;
    std::string_view qualifiedName;
    std::vector<XmlAttribute> attributes;
    std::string style;
    Span whole{};
    std::size_t startTagEnd = 0;
    std::optional<TemplateFormula> formula;
    std::vector<Span> values;  // the <v> children: a formula's stored result
};

struct TemplateRow {
    std::uint32_t number = 0;
    std::string_view qualifiedName;  // "" for a row the template lacks
    std::vector<XmlAttribute> attributes;
    std::string style;  // of a row with its own format
    Span whole{};
    std::vector<TemplateCell> cells;
    std::vector<Span> others;  // children other than cells (extLst)
    bool hasFormula = false;
};

// A shared formula whose anchor the rows wrote over. Its text goes to the group's
// first cell that stays, so the cells after it keep their formulas.
struct OrphanedGroup {
    CellPosition anchor;  // where the text stood
    CellArea area;        // the group's ref
    std::string text;     // unescaped
    std::optional<CellArea> newArea;  // once a cell has taken the text
};

// A template cell as it will stand at the row it moves to.
struct MovedCell {
    std::uint32_t column = 0;
    std::string xml;
};

bool Contains(const CellArea& area, const CellPosition& cell) {
    return cell.row >= area.first.row && cell.row <= area.last.row && cell.column >= area.first.column &&
           cell.column <= area.last.column;
}

CellArea Destination(const CellMove& move) {
    return {{move.from.first.row + move.rows, move.from.first.column},
            {move.from.last.row + move.rows, move.from.last.column}};
}

std::optional<CellArea> AreaWritten(RowSource* rows, const std::vector<CellMove>& moves) {
    std::optional<CellArea> area = rows ? rows->Area() : std::nullopt;
    for (const CellMove& move : moves) area = area ? area->Union(Destination(move)) : Destination(move);
    return area;
}

class SheetPatcher {
public:
    SheetPatcher(std::string_view xml, RowSource* rows, const std::vector<CellMove>& moves, PartOutput& out)
        : xml_(xml), reader_(xml), own_(rows), moves_(moves), out_(out), area_(AreaWritten(rows, moves)) {}

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
            if (!CopyUpTo(reader_.TokenBegin()) || !Put("<" + name + ">") || !EmitRowsBelow(kBeyondLastRow) ||
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
                return CopyUpTo(reader_.TokenBegin()) && EmitRowsBelow(kBeyondLastRow);
            }
        }
    }

    bool OnRow() {
        TemplateRow row;
        if (!ReadRow(row)) return false;
        if (!CopyUpTo(row.whole.begin) || !EmitRowsBelow(row.number)) return false;
        const bool merging = own_.Has() && own_.Row().number == row.number;
        const bool movingIn = !movedIn_.empty() && movedIn_.begin()->first == row.number;
        if (!merging && !movingIn && !row.hasFormula && !MovesOut(row)) return true;  // copied as it is
        std::string out;
        AppendRow(out, row, merging ? own_.Row().cells : std::vector<CellValue>(), TakeMovedIn(row.number));
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
                row.hasFormula = row.hasFormula || row.cells.back().formula;
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
            const std::string_view name = reader_.LocalName();
            if (token == XmlToken::StartElement && name == "f") ReadFormulaStart(cell);
            // The end of an empty <f/> has no bytes of its own; ReadFormulaStart took it.
            if (token == XmlToken::EndElement && name == "f" && cell.formula->whole.end == 0) {
                cell.formula->text.end = reader_.TokenBegin();
                cell.formula->whole.end = reader_.TokenEnd();
            }
            if (token == XmlToken::StartElement && name == "v") valueBegin = reader_.TokenBegin();
            if (token == XmlToken::EndElement && name == "v") cell.values.push_back({valueBegin, reader_.TokenEnd()});
        }
    }

    void ReadFormulaStart(TemplateCell& cell) {
        TemplateFormula& formula = cell.formula.emplace();
        formula.whole = {reader_.TokenBegin(), reader_.IsEmptyElement() ? reader_.TokenEnd() : 0};
        formula.text = {reader_.TokenEnd(), reader_.TokenEnd()};
        formula.qualifiedName = reader_.QualifiedName();
        formula.attributes = reader_.Attributes();
        formula.type = AttributeValue(reader_, "t");
        formula.sharedIndex = AttributeValue(reader_, "si");
        formula.ref = AttributeValue(reader_, "ref");
    }

    bool MovesOut(const TemplateRow& row) const {
        for (const TemplateCell& cell : row.cells)
            if (MoveOf({row.number, cell.column})) return true;
        return false;
    }

    const CellMove* MoveOf(const CellPosition& cell) const {
        for (const CellMove& move : moves_)
            if (Contains(move.from, cell)) return &move;
        return nullptr;
    }

    // Takes a cell that moves into the row it goes to; false for one that stays.
    bool MoveAway(std::uint32_t row, const TemplateCell& cell) {
        const CellMove* move = MoveOf({row, cell.column});
        if (!move) return false;
        MovedCell& away = movedIn_[row + move->rows].emplace_back();
        away.column = cell.column;
        AppendTemplateCell(away.xml, row, cell, row + move->rows);
        return true;
    }

    std::vector<MovedCell> TakeMovedIn(std::uint32_t row) {
        const auto found = movedIn_.find(row);
        if (found == movedIn_.end()) return {};
        std::vector<MovedCell> cells = std::move(found->second);
        movedIn_.erase(found);
        std::stable_sort(cells.begin(), cells.end(),
                         [](const MovedCell& a, const MovedCell& b) { return a.column < b.column; });
        return cells;
    }

    // The row with its cells: the rows' own cells win over cells moved here, which win
    // over the template's.
    void AppendRow(std::string& out, const TemplateRow& row, const std::vector<CellValue>& own,
                   const std::vector<MovedCell>& movedIn) {
        AppendRowStart(out, row, !own.empty() || !movedIn.empty());
        auto next = own.begin();
        auto moved = movedIn.begin();
        auto cell = row.cells.begin();
        for (;;) {
            std::uint32_t column = kBeyondLastColumn;
            if (next != own.end()) column = std::min(column, next->column);
            if (moved != movedIn.end()) column = std::min(column, moved->column);
            if (cell != row.cells.end()) column = std::min(column, cell->column);
            if (column == kBeyondLastColumn) break;
            const TemplateCell* under = cell != row.cells.end() && cell->column == column ? &*cell : nullptr;
            const bool movesAway = under && MoveAway(row.number, *under);
            if (next != own.end() && next->column == column) {
                if (under && !movesAway) Overwritten({row.number, column}, *under);
                AppendCellXml(out, prefix_, row.number, *next++,
                              under ? std::string_view(under->style) : NewCellStyle(row, column));
            } else if (moved != movedIn.end() && moved->column == column) {
                if (under && !movesAway) Overwritten({row.number, column}, *under);
                out.append(moved->xml);
            } else if (!movesAway) {
                AppendTemplateCell(out, row.number, *under);
            }
            if (moved != movedIn.end() && moved->column == column) ++moved;
            if (under) ++cell;
        }
        for (const Span& other : row.others) out.append(Raw(other.begin, other.end));
        out.append("</").append(row.qualifiedName.empty() ? prefix_ + "row" : std::string(row.qualifiedName));
        out.append(">");
    }

    // A row whose cells change loses its "spans" hint, which may no longer hold.
    void AppendRowStart(std::string& out, const TemplateRow& row, bool cellsChange) const {
        if (row.qualifiedName.empty()) {
            out.append("<").append(prefix_).append("row r=\"").append(std::to_string(row.number)).append("\">");
            return;
        }
        out.append("<").append(row.qualifiedName);
        for (const XmlAttribute& attribute : row.attributes)
            if (!(cellsChange && attribute.qualifiedName == "spans"))
                out.append(" ").append(Raw(attribute.begin, attribute.end));
        out.append(">");
    }

    // A cell the template does not have takes the style Excel would give a typed one.
    std::string_view NewCellStyle(const TemplateRow& row, std::uint32_t column) const {
        return row.style.empty() ? columns_.Of(column) : std::string_view(row.style);
    }

    // A template cell written over: when it held a shared formula's text, the text
    // waits for the group's next cell.
    void Overwritten(const CellPosition& at, const TemplateCell& cell) {
        if (!cell.formula || !cell.formula->IsSharedAnchor()) return;
        const TemplateFormula& formula = *cell.formula;
        OrphanedGroup group;
        group.anchor = at;
        const std::optional<CellArea> area = ParseCellArea(formula.ref);
        if (!area || !UnescapeXml(Raw(formula.text.begin, formula.text.end), false, group.text)) return;
        group.area = *area;
        orphans_[formula.sharedIndex] = std::move(group);
    }

    // The <f> element a template cell gets in place of its own; "" when it keeps its
    // own. The first cell of an orphaned group that stays takes the text, moved by its
    // distance to the old anchor, and the group narrowed from there; a cell outside
    // the narrowed group (left of the new anchor) gets the formula as its own.
    std::string RegroupedFormula(const CellPosition& at, const TemplateFormula& formula) {
        if (!formula.IsShared() || formula.IsSharedAnchor()) return {};
        const auto found = orphans_.find(formula.sharedIndex);
        if (found == orphans_.end()) return {};
        OrphanedGroup& group = found->second;
        const std::string text =
            ShiftFormula(group.text, static_cast<std::int64_t>(at.row) - group.anchor.row,
                         static_cast<std::int64_t>(at.column) - group.anchor.column);
        if (!group.newArea) {
            group.newArea =
                CellArea{at, {std::max(at.row, group.area.last.row), std::max(at.column, group.area.last.column)}};
            // A group of one cell is no group.
            const bool alone = group.newArea->first.row == group.newArea->last.row &&
                               group.newArea->first.column == group.newArea->last.column;
            return FormulaElement(formula, text, alone ? std::string() : FormatCellArea(*group.newArea));
        }
        if (Contains(*group.newArea, at)) return {};
        return FormulaElement(formula, text, {});
    }

    // <f> with the text: a shared formula's anchor over `ref`, or one of the cell's own
    // when ref is "". Other attributes of the element stay.
    std::string FormulaElement(const TemplateFormula& formula, const std::string& text, const std::string& ref) const {
        std::string element = "<" + std::string(formula.qualifiedName);
        if (!ref.empty()) element += " t=\"shared\" ref=\"" + ref + "\" si=\"" + formula.sharedIndex + "\"";
        for (const XmlAttribute& attribute : formula.attributes) {
            const std::string_view name = attribute.qualifiedName;
            if (name == "t" || name == "ref" || name == "si") continue;
            element.append(" ").append(Raw(attribute.begin, attribute.end));
        }
        element += ">";
        AppendEscapedText(element, text);
        return element + "</" + std::string(formula.qualifiedName) + ">";
    }

    // A template cell as it stays, or at another row (movedTo, 0: its own). A formula
    // keeps its text and loses its stored result and the result's type.
    void AppendTemplateCell(std::string& out, std::uint32_t row, const TemplateCell& cell, std::uint32_t movedTo = 0) {
        if (!cell.formula && movedTo == 0) {
            out.append(Raw(cell.whole.begin, cell.whole.end));
            return;
        }
        out.append("<").append(cell.qualifiedName);
        for (const XmlAttribute& attribute : cell.attributes) {
            if (cell.formula && attribute.qualifiedName == "t") continue;
            if (movedTo != 0 && attribute.qualifiedName == "r") continue;
            out.append(" ").append(Raw(attribute.begin, attribute.end));
        }
        if (movedTo != 0) {
            out.append(" r=\"");
            AppendCellReference(out, {movedTo, cell.column});
            out.append("\"");
        }
        out.append(">");
        // The children in order, the stored results dropped and the formula replaced.
        std::vector<std::pair<Span, std::string>> replaced;
        if (cell.formula) {
            for (const Span& value : cell.values) replaced.push_back({value, {}});
            std::string formula = RegroupedFormula({row, cell.column}, *cell.formula);
            if (!formula.empty()) replaced.push_back({cell.formula->whole, std::move(formula)});
        }
        std::sort(replaced.begin(), replaced.end(),
                  [](const auto& a, const auto& b) { return a.first.begin < b.first.begin; });
        std::size_t from = cell.startTagEnd;
        for (const auto& [span, text] : replaced) {
            out.append(Raw(from, span.begin)).append(text);
            from = span.end;
        }
        out.append(Raw(from, cell.whole.end));
    }

    // The rows' own rows, and rows that cells move to, that come before the template's
    // row `number`.
    bool EmitRowsBelow(std::uint32_t number) {
        std::string out;
        for (;;) {
            const std::uint32_t ownRow = own_.Has() ? own_.Row().number : kBeyondLastRow;
            const std::uint32_t movedRow = movedIn_.empty() ? kBeyondLastRow : movedIn_.begin()->first;
            const std::uint32_t next = std::min(ownRow, movedRow);
            if (next >= number) break;
            TemplateRow none;
            none.number = next;
            AppendRow(out, none, ownRow == next ? own_.Row().cells : std::vector<CellValue>(), TakeMovedIn(next));
            if (ownRow == next && !own_.Next() && !own_.Problem().empty()) return Fail(own_.Problem());
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
    const std::vector<CellMove>& moves_;
    PartOutput& out_;
    std::optional<CellArea> area_;
    std::size_t copied_ = 0;
    std::string pending_;
    std::string prefix_;
    ColumnStyles columns_;
    bool inColumns_ = false;
    bool sawSheetData_ = false;
    std::uint32_t lastRow_ = 0;
    std::map<std::string, OrphanedGroup> orphans_;  // by si
    std::map<std::uint32_t, std::vector<MovedCell>> movedIn_;  // by the row they move to
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

std::string NewSheetStart(const std::optional<CellArea>& area) {
    std::string xml(kXmlDeclaration);
    xml += kNewSheetStart;
    if (area) xml += "<dimension ref=\"" + FormatCellArea(*area) + "\"/>";
    return xml;
}

bool WriteSheetRows(RowSource& rows, PartOutput& out, std::string& problem) {
    std::string xml;
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

bool PatchSheet(std::string_view sheetXml, RowSource* rows, PartOutput& out, std::string& problem,
                const std::vector<CellMove>& moves) {
    return SheetPatcher(sheetXml, rows, moves, out).Run(problem);
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

namespace exl::workbook {

std::vector<CellArea> ReadMergedCells(std::string_view sheetXml) {
    std::vector<CellArea> merged;
    XmlReader reader(sheetXml);
    for (XmlToken token = reader.Next(); token != XmlToken::End && token != XmlToken::Error; token = reader.Next()) {
        if (token != XmlToken::StartElement || reader.Depth() != kRowDepth || reader.LocalName() != "mergeCell")
            continue;
        if (const std::optional<CellArea> area = ParseCellArea(AttributeValue(reader, "ref"))) merged.push_back(*area);
    }
    return merged;
}

}  // namespace exl::workbook
