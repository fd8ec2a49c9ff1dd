#pragma once
// The structure of a workbook file read from its zip: the content types, the
// workbook part and its sheets in their order, as Excel's Sheets collection counts
// them (worksheets, chart sheets and the old dialog and macro sheets alike).
#include <string>
#include <string_view>
#include <vector>

#include "workbook/ZipReader.h"

namespace exl::workbook {

enum class PackageProblem {
    None,
    NotWorkbook,  // a zip file, but no spreadsheet of the kinds .xlsx, .xlsm, .xltx, .xltm
    Damaged,      // such a spreadsheet with a part missing or unreadable
};

enum class SheetKind { Worksheet, Chartsheet, Other };

struct SheetEntry {
    std::string name;
    SheetKind kind = SheetKind::Other;
    std::string part;  // its zip entry
};

struct Relationship {
    std::string id;
    std::string type;
    std::string target;  // a part name (zip entry), unless external
    bool external = false;
};

struct WorkbookPackage {
    std::string workbookPart;  // "xl/workbook.xml"
    std::string workbookContentType;
    std::vector<SheetEntry> sheets;
    std::string calcChainPart;  // "" when there is none
    bool hasMacros = false;
    bool isTemplate = false;
};

PackageProblem ReadPackage(const ZipArchive& zip, WorkbookPackage& package, std::string& detail);

// A part's content; false (detail set) when the entry is missing or damaged.
bool ReadPart(const ZipArchive& zip, std::string_view part, std::string& content, std::string& detail);
// The relationships of a part ("" for the package's own), targets resolved to part
// names. false when the relationship part exists but cannot be read.
bool ReadRelationships(const ZipArchive& zip, std::string_view part, std::vector<Relationship>& relationships,
                       std::string& detail);
// "xl/_rels/workbook.xml.rels" for "xl/workbook.xml"; "_rels/.rels" for "".
std::string RelationshipsPartOf(std::string_view part);
// A relationship target resolved against the folder of the part it belongs to.
std::string ResolveTarget(std::string_view sourcePart, std::string_view target);
// Whether a relationship type ends in "/name" (the transitional and strict URIs differ before it).
bool RelationshipTypeIs(std::string_view type, std::string_view name);

// The workbook part's content types.
constexpr std::string_view kWorkbookType = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
constexpr std::string_view kTemplateType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml";
constexpr std::string_view kMacroWorkbookType = "application/vnd.ms-excel.sheet.macroEnabled.main+xml";
constexpr std::string_view kMacroTemplateType = "application/vnd.ms-excel.template.macroEnabled.main+xml";

}  // namespace exl::workbook
