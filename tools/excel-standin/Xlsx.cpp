#include "Xlsx.h"

#include <windows.h>

#include <cstdlib>
#include <map>
#include <optional>

#include "Text.h"
#include "Xml.h"
#include "Zip.h"

namespace exl::standin {
namespace {

constexpr char kXmlHead[] = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n";
constexpr char kMainNs[] = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr char kRelNs[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr char kPackageRelNs[] = "http://schemas.openxmlformats.org/package/2006/relationships";
constexpr char kWorksheetType[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet";
constexpr char kStylesType[] = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles";

bool IsHex(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'A' && c <= L'F') || (c >= L'a' && c <= L'f'); }

// "_xHHHH_" at `at`.
bool IsEscapeAt(const std::wstring& text, size_t at) {
    if (at + 7 > text.size() || text[at] != L'_' || text[at + 1] != L'x' || text[at + 6] != L'_') return false;
    for (size_t i = at + 2; i < at + 6; ++i)
        if (!IsHex(text[i])) return false;
    return true;
}

std::wstring Escape(unsigned code) {
    wchar_t buffer[8];
    swprintf(buffer, 8, L"_x%04X_", code);
    return buffer;
}

std::string ContentTypes(size_t sheets) {
    std::string xml = kXmlHead;
    xml +=
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml\"/>"
        "<Override PartName=\"/xl/styles.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
    for (size_t i = 1; i <= sheets; ++i)
        xml += "<Override PartName=\"/xl/worksheets/sheet" + std::to_string(i) +
               ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
    return xml + "</Types>";
}

std::string PackageRels() {
    return std::string(kXmlHead) + "<Relationships xmlns=\"" + kPackageRelNs +
           "\"><Relationship Id=\"rId1\" "
           "Type=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument\" "
           "Target=\"xl/workbook.xml\"/></Relationships>";
}

std::string WorkbookPart(const Workbook& workbook) {
    std::string xml = std::string(kXmlHead) + "<workbook xmlns=\"" + kMainNs + "\" xmlns:r=\"" + kRelNs + "\"><sheets>";
    for (size_t i = 0; i < workbook.sheets.size(); ++i) {
        std::string number = std::to_string(i + 1);
        xml += "<sheet name=\"" + EscapeXml(ToUtf8(workbook.sheets[i]->name)) + "\" sheetId=\"" + number +
               "\" r:id=\"rId" + number + "\"/>";
    }
    // Formulas are stored without results: the reader computes them on opening.
    return xml + "</sheets><calcPr fullCalcOnLoad=\"1\"/></workbook>";
}

std::string WorkbookRels(size_t sheets) {
    std::string xml = std::string(kXmlHead) + "<Relationships xmlns=\"" + kPackageRelNs + "\">";
    for (size_t i = 1; i <= sheets; ++i)
        xml += "<Relationship Id=\"rId" + std::to_string(i) + "\" Type=\"" + kWorksheetType +
               "\" Target=\"worksheets/sheet" + std::to_string(i) + ".xml\"/>";
    xml += "<Relationship Id=\"rId" + std::to_string(sheets + 1) + "\" Type=\"" + kStylesType +
           "\" Target=\"styles.xml\"/>";
    return xml + "</Relationships>";
}

// A cell style as the file keeps it: a built-in number format and the quote prefix.
struct CellStyle {
    int numberFormat = number_format::kGeneral;
    bool quotePrefix = false;
    bool operator==(const CellStyle& other) const {
        return numberFormat == other.numberFormat && quotePrefix == other.quotePrefix;
    }
};

// The styles the cells of a workbook use, numbered as the file's cellXfs; 0 is Standard.
class StyleTable {
public:
    int IndexOf(const CellStyle& style) {
        for (size_t i = 0; i < styles_.size(); ++i)
            if (styles_[i] == style) return static_cast<int>(i);
        styles_.push_back(style);
        return static_cast<int>(styles_.size()) - 1;
    }

    // The least style sheet Excel accepts: one font, the two required fills, one border,
    // and the cell styles in use.
    std::string Part() const {
        std::string xfs;
        for (const CellStyle& style : styles_)
            xfs += "<xf numFmtId=\"" + std::to_string(style.numberFormat) +
                   "\" fontId=\"0\" fillId=\"0\" borderId=\"0\" xfId=\"0\"" +
                   (style.numberFormat ? " applyNumberFormat=\"1\"" : "") + (style.quotePrefix ? " quotePrefix=\"1\"" : "") +
                   "/>";
        return std::string(kXmlHead) + "<styleSheet xmlns=\"" + kMainNs +
               "\"><fonts count=\"1\"><font><sz val=\"10\"/><name val=\"Arial\"/></font></fonts>"
               "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
               "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
               "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
               "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
               "<cellXfs count=\"" +
               std::to_string(styles_.size()) + "\">" + xfs +
               "</cellXfs>"
               "<cellStyles count=\"1\"><cellStyle name=\"Standard\" xfId=\"0\" builtinId=\"0\"/></cellStyles>"
               "</styleSheet>";
    }

private:
    std::vector<CellStyle> styles_{CellStyle{}};
};

// One <c> element: text inline (with the quote prefix as its style), numbers, dates
// and times as numbers under their format, truth values as such, formulas without "=".
std::string CellElement(const CellRef& at, const CellContent& cell, StyleTable& styles) {
    const int style = styles.IndexOf({cell.numberFormat, cell.quotePrefix});
    std::string head = "<c r=\"" + ToUtf8(CellName(at)) + "\"" + (style ? " s=\"" + std::to_string(style) + "\"" : "");
    switch (cell.kind) {
    case CellKind::Text:
        return head + " t=\"inlineStr\"><is><t xml:space=\"preserve\">" + EscapeXml(EncodeCellText(cell.text)) +
               "</t></is></c>";
    case CellKind::Formula:
        return head + "><f>" + EscapeXml(EncodeCellText(cell.text.substr(1))) + "</f></c>";
    case CellKind::Boolean: return head + " t=\"b\"><v>" + (cell.number != 0 ? "1" : "0") + "</v></c>";
    default: return head + "><v>" + ToUtf8(NumberText(cell.number)) + "</v></c>";
    }
}

std::string SheetPart(const Sheet& sheet, StyleTable& styles) {
    std::string xml = std::string(kXmlHead) + "<worksheet xmlns=\"" + kMainNs + "\"><sheetData>";
    int row = 0;
    for (const auto& [at, cell] : sheet.cells) {
        if (at.row != row) {
            if (row != 0) xml += "</row>";
            row = at.row;
            xml += "<row r=\"" + std::to_string(row) + "\">";
        }
        xml += CellElement(at, cell, styles);
    }
    if (row != 0) xml += "</row>";
    return xml + "</sheetData></worksheet>";
}

// A part name relative to the folder of `base` ("xl/workbook.xml"), or absolute.
std::string ResolvePart(const std::string& base, const std::string& target) {
    std::string path =
        target.size() && target[0] == '/' ? target.substr(1) : base.substr(0, base.rfind('/') + 1) + target;
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        std::string part = path.substr(start, slash - start);
        if (part == "..") {
            if (!parts.empty()) parts.pop_back();
        } else if (!part.empty() && part != ".") {
            parts.push_back(part);
        }
        start = slash + 1;
    }
    std::string joined;
    for (const auto& part : parts) joined += (joined.empty() ? "" : "/") + part;
    return joined;
}

std::string RelsOf(const std::string& part) {
    size_t slash = part.rfind('/');
    std::string folder = slash == std::string::npos ? "" : part.substr(0, slash + 1);
    return folder + "_rels/" + part.substr(folder.size()) + ".rels";
}

bool EndsWith(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

class PackageReader {
public:
    bool Open(const std::string& bytes, std::wstring& error) {
        std::vector<ZipEntry> entries;
        std::string reason;
        if (!ParseZip(bytes, entries, reason)) {
            error = L"not a valid workbook file (" + FromUtf8(reason) + L")";
            return false;
        }
        for (auto& entry : entries) parts_[entry.name] = std::move(entry.data);
        return true;
    }

    // The parsed part, or nullptr (error set) when it is missing or broken.
    std::unique_ptr<XmlNode> Part(const std::string& name, std::wstring& error) const {
        auto found = parts_.find(name);
        if (found == parts_.end()) {
            error = L"part missing: " + FromUtf8(name);
            return nullptr;
        }
        std::string reason;
        auto root = ParseXml(found->second, reason);
        if (!root) error = L"part " + FromUtf8(name) + L" unreadable: " + FromUtf8(reason);
        return root;
    }

    bool Has(const std::string& name) const { return parts_.count(name) != 0; }

    // Relationship id -> (type, resolved part name) of a part; empty when it has none.
    std::map<std::string, std::pair<std::string, std::string>> Relationships(const std::string& part) const {
        std::map<std::string, std::pair<std::string, std::string>> found;
        std::wstring ignored;
        std::string rels = part.empty() ? "_rels/.rels" : RelsOf(part);
        if (!Has(rels)) return found;
        auto root = Part(rels, ignored);
        if (!root) return found;
        for (const XmlNode* relation : root->Children("Relationship")) {
            const std::string* id = relation->Attribute("Id");
            const std::string* type = relation->Attribute("Type");
            const std::string* target = relation->Attribute("Target");
            if (id && type && target) found[*id] = {*type, ResolvePart(part, *target)};
        }
        return found;
    }

private:
    std::map<std::string, std::string> parts_;
};

std::wstring InlineText(const XmlNode& inlineString) {
    // Plain text is one <t>; rich text is runs <r><t>; phonetic runs (<rPh>) are not content.
    std::string text;
    for (const auto& child : inlineString.children) {
        if (child->name == "t")
            text += child->text;
        else if (child->name == "r")
            for (const XmlNode* run : child->Children("t")) text += run->text;
    }
    return DecodeCellText(text);
}

// The first part of the workbook's relationships whose type ends so, or "".
std::string RelatedPart(const PackageReader& package, const std::string& workbookPart, const std::string& typeEnd) {
    for (const auto& [id, relation] : package.Relationships(workbookPart))
        if (EndsWith(relation.first, typeEnd)) return relation.second;
    return {};
}

std::vector<std::wstring> SharedStrings(const PackageReader& package, const std::string& workbookPart) {
    std::vector<std::wstring> strings;
    std::wstring ignored;
    const std::string part = RelatedPart(package, workbookPart, "/sharedStrings");
    auto root = part.empty() ? nullptr : package.Part(part, ignored);
    if (root)
        for (const XmlNode* item : root->Children("si")) strings.push_back(InlineText(*item));
    return strings;
}

// The cell styles (cellXfs) by index. Formats beyond the built-in ones (164 and up)
// count as Standard: the stand-in does not read their codes.
std::vector<CellStyle> CellStyles(const PackageReader& package, const std::string& workbookPart) {
    constexpr int kFirstCustomFormat = 164;
    std::vector<CellStyle> styles;
    std::wstring ignored;
    const std::string part = RelatedPart(package, workbookPart, "/styles");
    auto root = part.empty() ? nullptr : package.Part(part, ignored);
    const XmlNode* xfs = root ? root->Child("cellXfs") : nullptr;
    for (const XmlNode* xf : xfs ? xfs->Children("xf") : std::vector<const XmlNode*>{}) {
        CellStyle style;
        const std::string* format = xf->Attribute("numFmtId");
        const std::string* prefix = xf->Attribute("quotePrefix");
        style.numberFormat = format ? std::atoi(format->c_str()) : 0;
        if (style.numberFormat >= kFirstCustomFormat) style.numberFormat = number_format::kGeneral;
        style.quotePrefix = prefix && (*prefix == "1" || *prefix == "true");
        styles.push_back(style);
    }
    return styles;
}

CellContent LoadedText(const std::wstring& text, bool quotePrefix) {
    CellContent cell;
    cell.text = text;
    cell.quotePrefix = quotePrefix;
    cell.entered = (quotePrefix ? L"'" : L"") + text;
    return cell;
}

// A number cell's value; a value that is no number is kept as text.
CellContent LoadedNumber(const std::string& value, const CellStyle& style) {
    char* end = nullptr;
    const double number = std::strtod(value.c_str(), &end);
    if (value.empty() || *end != '\0') return LoadedText(DecodeCellText(value), style.quotePrefix);
    return NumberCell(number, style.numberFormat);
}

struct SheetSources {
    const std::vector<std::wstring>& shared;
    const std::vector<CellStyle>& styles;
};

// What a <c> element holds; nullopt for a cell without content.
std::optional<CellContent> LoadedCell(const XmlNode& cell, const SheetSources& sources) {
    const std::string* type = cell.Attribute("t");
    const std::string* styleIndex = cell.Attribute("s");
    const size_t index = styleIndex ? std::strtoul(styleIndex->c_str(), nullptr, 10) : 0;
    const CellStyle style = index < sources.styles.size() ? sources.styles[index] : CellStyle{};
    const XmlNode* formula = cell.Child("f");
    if (formula && !formula->text.empty()) {
        CellContent content;
        content.kind = CellKind::Formula;
        content.text = L"=" + DecodeCellText(formula->text);
        content.entered = content.text;
        return content;
    }
    std::wstring text;
    const XmlNode* value = cell.Child("v");
    if (type && *type == "inlineStr") {
        if (const XmlNode* is = cell.Child("is")) text = InlineText(*is);
    } else if (!value) {
        return std::nullopt;
    } else if (type && *type == "s") {
        const size_t at = std::strtoul(value->text.c_str(), nullptr, 10);
        if (at < sources.shared.size()) text = sources.shared[at];
    } else if (type && *type == "b") {
        return BooleanCell(value->text == "1");
    } else if (!type || *type == "n") {
        return LoadedNumber(value->text, style);
    } else {
        text = DecodeCellText(value->text);  // "str", "e": a result or an error value as text
    }
    if (text.empty() && !style.quotePrefix) return std::nullopt;
    return LoadedText(text, style.quotePrefix);
}

bool ReadSheet(const XmlNode& root, const SheetSources& sources, Sheet& sheet) {
    const XmlNode* data = root.Child("sheetData");
    if (!data) return false;
    for (const XmlNode* row : data->Children("row")) {
        for (const XmlNode* cell : row->Children("c")) {
            const std::string* reference = cell->Attribute("r");
            if (!reference) continue;
            // A file may hold any cell of today's sheets; Range reaches those within the version's limits.
            auto at = ParseCell(FromUtf8(*reference), kLimitsFrom2007);
            if (!at) continue;
            if (auto content = LoadedCell(*cell, sources)) sheet.cells[*at] = *content;
        }
    }
    return true;
}

}  // namespace

std::string EncodeCellText(const std::wstring& text) {
    std::wstring safe;
    safe.reserve(text.size());
    for (size_t at = 0; at < text.size(); ++at) {
        wchar_t c = text[at];
        bool pair =
            c >= 0xD800 && c <= 0xDBFF && at + 1 < text.size() && text[at + 1] >= 0xDC00 && text[at + 1] <= 0xDFFF;
        if (pair) {
            safe += c;
            safe += text[++at];
        } else if ((c < 0x20 && c != L'\t' && c != L'\n') || (c >= 0xD800 && c <= 0xDFFF) || c == 0xFFFE ||
                   c == 0xFFFF) {
            safe += Escape(c);
        } else if (IsEscapeAt(text, at)) {
            safe += Escape(L'_');
        } else {
            safe += c;
        }
    }
    return ToUtf8(safe);
}

std::wstring DecodeCellText(const std::string& utf8) {
    std::wstring text = FromUtf8(utf8);
    std::wstring out;
    out.reserve(text.size());
    for (size_t at = 0; at < text.size(); ++at) {
        if (IsEscapeAt(text, at)) {
            out += static_cast<wchar_t>(std::wcstoul(text.substr(at + 2, 4).c_str(), nullptr, 16));
            at += 6;
        } else {
            out += text[at];
        }
    }
    return out;
}

bool SaveXlsx(const Workbook& workbook, const std::wstring& path, std::wstring& error) {
    StyleTable styles;
    std::vector<ZipEntry> entries{
        {"[Content_Types].xml", ContentTypes(workbook.sheets.size())},
        {"_rels/.rels", PackageRels()},
        {"xl/workbook.xml", WorkbookPart(workbook)},
        {"xl/_rels/workbook.xml.rels", WorkbookRels(workbook.sheets.size())},
    };
    for (size_t i = 0; i < workbook.sheets.size(); ++i)
        entries.push_back(
            {"xl/worksheets/sheet" + std::to_string(i + 1) + ".xml", SheetPart(*workbook.sheets[i], styles)});
    entries.push_back({"xl/styles.xml", styles.Part()});
    if (!WriteWholeFile(path, BuildZip(entries))) {
        error = L"cannot write " + path;
        return false;
    }
    return true;
}

bool LoadXlsx(const std::wstring& path, Workbook& workbook, bool& missing, std::wstring& error) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    DWORD lastError = GetLastError();
    missing =
        attributes == INVALID_FILE_ATTRIBUTES &&
        (lastError == ERROR_FILE_NOT_FOUND || lastError == ERROR_PATH_NOT_FOUND || lastError == ERROR_INVALID_NAME);
    std::string bytes;
    if (missing || (attributes & FILE_ATTRIBUTE_DIRECTORY) || !ReadWholeFile(path, bytes)) {
        error = missing ? L"file not found" : L"cannot read the file";
        return false;
    }
    PackageReader package;
    if (!package.Open(bytes, error)) return false;
    std::string workbookPart = "xl/workbook.xml";
    for (const auto& [id, relation] : package.Relationships(""))
        if (EndsWith(relation.first, "/officeDocument")) workbookPart = relation.second;
    auto root = package.Part(workbookPart, error);
    if (!root) return false;
    const XmlNode* sheets = root->Child("sheets");
    auto relations = package.Relationships(workbookPart);
    const std::vector<std::wstring> shared = SharedStrings(package, workbookPart);
    const std::vector<CellStyle> styles = CellStyles(package, workbookPart);
    const SheetSources sources{shared, styles};
    workbook.sheets.clear();
    for (const XmlNode* entry : sheets ? sheets->Children("sheet") : std::vector<const XmlNode*>{}) {
        const std::string* name = entry->Attribute("name");
        const std::string* id = entry->Attribute("id");
        auto relation = id ? relations.find(*id) : relations.end();
        if (!name || relation == relations.end()) {
            error = L"sheet entry without name or part";
            return false;
        }
        auto part = package.Part(relation->second.second, error);
        auto sheet = std::make_shared<Sheet>();
        sheet->name = FromUtf8(*name);
        if (!part || !ReadSheet(*part, sources, *sheet)) {
            if (error.empty()) error = L"sheet without data: " + sheet->name;
            return false;
        }
        workbook.sheets.push_back(sheet);
    }
    if (workbook.sheets.empty()) {
        error = L"workbook without sheets";
        return false;
    }
    return true;
}

}  // namespace exl::standin
