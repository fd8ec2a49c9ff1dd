#include "workbook/sheet/WorkbookWriting.h"

#include "workbook/sheet/EntryOutput.h"
#include "workbook/sheet/ListSheet.h"
#include "workbook/sheet/PartEdits.h"
#include "workbook/sheet/SheetPatcher.h"
#include "workbook/sheet/SheetXml.h"
#include "workbook/xml/XmlEscape.h"

namespace exl::workbook {

namespace {

constexpr const char* kRelationshipType = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/";

RowSource* RowsOf(const std::vector<RowSource*>& rows, std::size_t index) {
    return index < rows.size() ? rows[index] : nullptr;
}

std::string NewContentTypes(std::size_t sheets) {
    std::string xml = kXmlDeclaration;
    xml +=
        "<Types xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\">"
        "<Default Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
        "<Default Extension=\"xml\" ContentType=\"application/xml\"/>"
        "<Override PartName=\"/xl/workbook.xml\" ContentType=\"";
    xml += kWorkbookType;
    xml +=
        "\"/><Override PartName=\"/xl/styles.xml\" "
        "ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml\"/>";
    for (std::size_t i = 1; i <= sheets; ++i)
        xml += "<Override PartName=\"/xl/worksheets/sheet" + std::to_string(i) +
               ".xml\" ContentType=\"application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml\"/>";
    return xml + "</Types>";
}

std::string NewPackageRelationships() {
    return std::string(kXmlDeclaration) +
           "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">"
           "<Relationship Id=\"rId1\" Type=\"" + kRelationshipType +
           "officeDocument\" Target=\"xl/workbook.xml\"/></Relationships>";
}

std::string NewWorkbookPart(const std::vector<std::string>& sheetNames, const std::string& definedNames) {
    std::string xml = std::string(kXmlDeclaration) +
                      "<workbook xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\" "
                      "xmlns:r=\"http://schemas.openxmlformats.org/officeDocument/2006/relationships\"><sheets>";
    for (std::size_t i = 0; i < sheetNames.size(); ++i) {
        const std::string number = std::to_string(i + 1);
        xml += "<sheet name=\"";
        AppendEscapedAttribute(xml, sheetNames[i]);
        xml += "\" sheetId=\"" + number + "\" r:id=\"rId" + number + "\"/>";
    }
    return xml + "</sheets>" + definedNames + "</workbook>";
}

std::string NewWorkbookRelationships(std::size_t sheets) {
    std::string xml = std::string(kXmlDeclaration) +
                      "<Relationships xmlns=\"http://schemas.openxmlformats.org/package/2006/relationships\">";
    for (std::size_t i = 1; i <= sheets; ++i)
        xml += "<Relationship Id=\"rId" + std::to_string(i) + "\" Type=\"" + kRelationshipType +
               "worksheet\" Target=\"worksheets/sheet" + std::to_string(i) + ".xml\"/>";
    xml += "<Relationship Id=\"rId" + std::to_string(sheets + 1) + "\" Type=\"" + kRelationshipType +
           "styles\" Target=\"styles.xml\"/>";
    return xml + "</Relationships>";
}

bool Failed(ZipWriter& out, std::string& problem) {
    problem = out.Problem();
    return false;
}

// A template part changed by `edit`, written as a new entry.
template <class Edit>
bool WriteEditedPart(const ZipArchive& zip, const ZipEntryInfo& entry, ZipWriter& out, std::string& problem,
                     Edit edit) {
    std::string xml, edited;
    if (!ReadPart(zip, entry.name, xml, problem) || !edit(xml, edited, problem)) return false;
    return out.AddEntry(entry.name, edited) || Failed(out, problem);
}

// What happens to each worksheet of the template.
struct SheetPlan {
    const SheetEntry* sheet;
    RowSource* rows;
    std::vector<CellMove> moves;
    bool patch;
    // The sheet's XML when the plan had to unpack it to look for formulas; the patch
    // takes it from here rather than unpacking the sheet again.
    std::string xml;
};

bool WritePatchedSheet(const ZipArchive& zip, const ZipEntryInfo& entry, SheetPlan& plan, ZipWriter& out,
                       std::string& problem) {
    std::string xml = std::move(plan.xml);
    if (xml.empty() && !ReadPart(zip, entry.name, xml, problem)) return false;
    if (!out.BeginEntry(entry.name)) return Failed(out, problem);
    EntryOutput part(out);
    if (!PatchSheet(xml, plan.rows, part, problem, plan.moves)) {
        if (out.Failed()) problem = out.Problem();
        problem = entry.name + ": " + problem;
        return false;
    }
    return out.EndEntry() || Failed(out, problem);
}

std::vector<CellMove> MovesOf(const std::vector<TableGrowth>& growths, std::string_view sheetPart) {
    std::vector<CellMove> moves;
    for (const TableGrowth& growth : growths)
        if (const std::optional<CellMove> move = growth.TotalsMove())
            if (FoldAscii(growth.table.sheetPart) == FoldAscii(sheetPart)) moves.push_back(*move);
    return moves;
}

bool PlanSheets(const ZipArchive& zip, const WorkbookPackage& package, const std::vector<RowSource*>& rows,
                const std::vector<TableGrowth>& growths, std::vector<SheetPlan>& plans, bool& anyFormulas,
                std::string& problem) {
    anyFormulas = false;
    for (std::size_t i = 0; i < package.sheets.size(); ++i) {
        const SheetEntry& sheet = package.sheets[i];
        RowSource* source = RowsOf(rows, i);
        if (source && sheet.kind != SheetKind::Worksheet) {
            problem = "rows for a sheet that is no worksheet: " + sheet.name;
            return false;
        }
        if (sheet.kind != SheetKind::Worksheet) continue;
        std::string xml;
        if (!sheet.holdsFormulas && !ReadPart(zip, sheet.part, xml, problem)) return false;
        const bool formulas = sheet.holdsFormulas ? *sheet.holdsFormulas : HoldsFormulas(xml);
        anyFormulas = anyFormulas || formulas;
        std::vector<CellMove> moves = MovesOf(growths, sheet.part);
        const bool patch = source || formulas || !moves.empty();
        if (!patch) xml.clear();
        plans.push_back({&sheet, source, std::move(moves), patch, std::move(xml)});
    }
    return true;
}

SheetPlan* PlanOf(std::vector<SheetPlan>& plans, std::string_view part) {
    for (SheetPlan& plan : plans)
        if (plan.patch && FoldAscii(plan.sheet->part) == FoldAscii(part)) return &plan;
    return nullptr;
}

const TableGrowth* GrowthOf(const std::vector<TableGrowth>& growths, std::string_view part) {
    for (const TableGrowth& growth : growths)
        if (FoldAscii(growth.table.part) == FoldAscii(part)) return &growth;
    return nullptr;
}

}  // namespace

std::string StylesPart(const std::vector<std::string>& cellFormats, const std::vector<std::string>& moreFonts) {
    std::string formats, fonts;
    for (const std::string& format : cellFormats) formats += format;
    for (const std::string& font : moreFonts) fonts += font;
    return std::string(kXmlDeclaration) +
           "<styleSheet xmlns=\"http://schemas.openxmlformats.org/spreadsheetml/2006/main\">"
           "<fonts count=\"" + std::to_string(1 + moreFonts.size()) +
           "\"><font><sz val=\"10\"/><name val=\"Arial\"/></font>" + fonts + "</fonts>"
           "<fills count=\"2\"><fill><patternFill patternType=\"none\"/></fill>"
           "<fill><patternFill patternType=\"gray125\"/></fill></fills>"
           "<borders count=\"1\"><border><left/><right/><top/><bottom/><diagonal/></border></borders>"
           "<cellStyleXfs count=\"1\"><xf numFmtId=\"0\" fontId=\"0\" fillId=\"0\" borderId=\"0\"/></cellStyleXfs>"
           "<cellXfs count=\"" +
           std::to_string(cellFormats.size()) + "\">" + formats +
           "</cellXfs><cellStyles count=\"1\"><cellStyle name=\"Standard\" xfId=\"0\" builtinId=\"0\"/>"
           "</cellStyles></styleSheet>";
}

bool WriteNewWorkbook(const std::vector<std::string>& sheetNames, const std::vector<RowSource*>& rows,
                      ZipWriter& out, std::string& problem, const std::string& stylesPart,
                      const std::vector<ListLook>& looks) {
    const std::size_t sheets = sheetNames.size();
    const std::string leastStyles = looks.empty() ? StylesPart({kStandardCellFormat})
                                                  : StylesPart({kStandardCellFormat, kHeadingCellFormat}, {kBoldFont});
    if (!out.AddEntry(kContentTypesPart, NewContentTypes(sheets)) ||
        !out.AddEntry("_rels/.rels", NewPackageRelationships()) ||
        !out.AddEntry("xl/workbook.xml", NewWorkbookPart(sheetNames, FilterDatabaseNames(sheetNames, looks))) ||
        !out.AddEntry("xl/_rels/workbook.xml.rels", NewWorkbookRelationships(sheets)) ||
        !out.AddEntry("xl/styles.xml", stylesPart.empty() ? leastStyles : stylesPart))
        return Failed(out, problem);
    for (std::size_t i = 0; i < sheets; ++i) {
        const std::string name = "xl/worksheets/sheet" + std::to_string(i + 1) + ".xml";
        if (RowsOf(rows, i) && i < looks.size()) {
            if (!WriteListSheet(name, *RowsOf(rows, i), looks[i], out, problem)) return false;
            continue;
        }
        if (!out.BeginEntry(name)) return Failed(out, problem);
        EntryOutput part(out);
        struct NoRows : RowSource {
            bool NextRow(SheetRow&) override { return false; }
        } none;
        RowSource* source = RowsOf(rows, i);
        if (!WriteNewSheet(source ? *source : none, part, problem)) {
            if (out.Failed()) problem = out.Problem();
            return false;
        }
        if (!out.EndEntry()) return Failed(out, problem);
    }
    return out.Finish() || Failed(out, problem);
}

bool WriteTemplateCopy(const ZipArchive& zip, const WorkbookPackage& package, const std::vector<RowSource*>& rows,
                       ZipWriter& out, std::string& problem, const std::vector<TableGrowth>& growths) {
    std::vector<SheetPlan> plans;
    bool anyFormulas = false;
    if (!PlanSheets(zip, package, rows, growths, plans, anyFormulas, problem)) return false;
    const std::string calcChain = FoldAscii(package.calcChainPart);
    const std::string workbookRelationships = FoldAscii(RelationshipsPartOf(package.workbookPart));
    for (const ZipEntryInfo& entry : zip.Entries()) {
        const std::string name = FoldAscii(entry.name);
        bool written = true;
        if (!calcChain.empty() && name == calcChain) {
            continue;
        } else if (name == FoldAscii(kContentTypesPart) && (package.isTemplate || !calcChain.empty())) {
            written = WriteEditedPart(zip, entry, out, problem, [&](const std::string& xml, std::string& edited, std::string& why) {
                return EditContentTypes(xml, package.workbookPart, package.calcChainPart, edited, why);
            });
        } else if (name == workbookRelationships && !calcChain.empty()) {
            written = WriteEditedPart(zip, entry, out, problem, [](const std::string& xml, std::string& edited, std::string& why) {
                return DropRelationships(xml, "calcChain", edited, why);
            });
        } else if (name == FoldAscii(package.workbookPart) && anyFormulas) {
            written = WriteEditedPart(zip, entry, out, problem, [](const std::string& xml, std::string& edited, std::string& why) {
                return AskFullCalculation(xml, edited, why);
            });
        } else if (SheetPlan* plan = PlanOf(plans, entry.name)) {
            written = WritePatchedSheet(zip, entry, *plan, out, problem);
        } else if (const TableGrowth* growth = GrowthOf(growths, entry.name)) {
            written = WriteEditedPart(zip, entry, out, problem, [&](const std::string& xml, std::string& edited, std::string& why) {
                return GrowTablePart(xml, *growth, edited, why);
            });
        } else {
            written = out.CopyEntry(entry, zip.PackedData(entry)) || Failed(out, problem);
        }
        if (!written) return false;
    }
    return out.Finish() || Failed(out, problem);
}

}  // namespace exl::workbook
