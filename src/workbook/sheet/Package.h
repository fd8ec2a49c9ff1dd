#pragma once
// The structure of a workbook file read from its zip: the content types, the
// workbook part and its sheets in their order, as Excel's Sheets collection counts
// them (worksheets, chart sheets and the old dialog and macro sheets alike).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "workbook/xml/XmlReader.h"
#include "workbook/zip/ZipReader.h"

namespace exl::workbook {

enum class PackageProblem {
    None,
    NotWorkbook,     // a zip file, but no spreadsheet of the kinds .xlsx, .xlsm, .xltx, .xltm
    Damaged,         // such a spreadsheet with a part missing or unreadable
    TooLarge,        // a part to be read unpacks to more than kMostPartBytes
    OutsidePackage,  // the workbook or a sheet lies outside the file (an external or climbing target)
    Encoding,        // a part in another encoding than UTF-8
};

// What a refusal names: the part (or the target outside the package), the encoding
// a part states, the unpacked size of a part too large, the method an entry is
// packed with.
struct PackageFault {
    std::string part;
    std::string encoding;
    std::uint64_t bytes = 0;
    std::uint16_t method = 0;
};

enum class SheetKind { Worksheet, Chartsheet, Other };

struct SheetEntry {
    std::string name;
    SheetKind kind = SheetKind::Other;
    std::string part;  // its zip entry
    // Whether the worksheet holds a formula cell, once CheckWorksheets has read it,
    // so that filling the template unpacks the sheet no second time to ask.
    std::optional<bool> holdsFormulas;
};

struct Relationship {
    std::string id;
    std::string type;
    std::string target;  // a part name (zip entry), unless external
    // TargetMode="External", or a relative target that climbs above the package's
    // root; the target then stays as written.
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
// The same, with what a refusal concerns in `fault`.
PackageProblem ReadPackage(const ZipArchive& zip, WorkbookPackage& package, std::string& detail, PackageFault& fault);
// Whether every worksheet of the package can be read: unpacked within the limit,
// UTF-8, well-formed. A template is checked so before anyone is asked where to save.
// Notes for each worksheet whether it holds formulas.
PackageProblem CheckWorksheets(const ZipArchive& zip, WorkbookPackage& package, std::string& detail,
                               PackageFault& fault);

// A part's content; false (detail set) when the entry is missing, damaged or unpacks
// to more than kMostPartBytes.
bool ReadPart(const ZipArchive& zip, std::string_view part, std::string& content, std::string& detail);
// The relationships of a part ("" for the package's own), targets resolved to part
// names. false when the relationship part exists but cannot be read.
bool ReadRelationships(const ZipArchive& zip, std::string_view part, std::vector<Relationship>& relationships,
                       std::string& detail);
// "xl/_rels/workbook.xml.rels" for "xl/workbook.xml"; "_rels/.rels" for "".
std::string RelationshipsPartOf(std::string_view part);
// A relationship target resolved against the folder of the part it belongs to (an
// absolute one against the package's root) into a part name. false when it climbs
// above the root ("../../etc"): it names no part of the package.
bool ResolveTarget(std::string_view sourcePart, std::string_view target, std::string& part);
// Whether a relationship type ends in "/name" (the transitional and strict URIs differ before it).
bool RelationshipTypeIs(std::string_view type, std::string_view name);

// The part that names every part's content type.
constexpr std::string_view kContentTypesPart = "[Content_Types].xml";

// The namespaces of the elements read, each in its transitional and strict form.
constexpr std::string_view kSpreadsheetNamespace = "http://schemas.openxmlformats.org/spreadsheetml/2006/main";
constexpr std::string_view kStrictSpreadsheetNamespace = "http://purl.oclc.org/ooxml/spreadsheetml/main";
constexpr std::string_view kRelationshipsNamespace =
    "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view kStrictRelationshipsNamespace = "http://purl.oclc.org/ooxml/officeDocument/relationships";
constexpr std::string_view kContentTypesNamespace = "http://schemas.openxmlformats.org/package/2006/content-types";
constexpr std::string_view kPackageRelationshipsNamespace =
    "http://schemas.openxmlformats.org/package/2006/relationships";

// Whether the reader stands on a SpreadsheetML element of that local name.
bool IsSpreadsheetElement(const XmlReader& reader, std::string_view localName);

// The workbook part's content types.
constexpr std::string_view kWorkbookType = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
constexpr std::string_view kTemplateType =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.template.main+xml";
constexpr std::string_view kMacroWorkbookType = "application/vnd.ms-excel.sheet.macroEnabled.main+xml";
constexpr std::string_view kMacroTemplateType = "application/vnd.ms-excel.template.macroEnabled.main+xml";

}  // namespace exl::workbook
