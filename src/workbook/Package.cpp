#include "workbook/Package.h"

#include "workbook/XmlReader.h"

namespace exl::workbook {

namespace {

constexpr std::string_view kContentTypesPart = "[Content_Types].xml";

struct ContentTypes {
    std::vector<std::pair<std::string, std::string>> defaults;   // folded extension, type
    std::vector<std::pair<std::string, std::string>> overrides;  // folded part name without "/", type

    std::string Of(std::string_view part) const {
        const std::string folded = FoldAscii(part);
        for (const auto& [name, type] : overrides)
            if (name == folded) return type;
        const std::size_t dot = folded.rfind('.');
        const std::string extension = dot == std::string::npos ? std::string() : folded.substr(dot + 1);
        for (const auto& [name, type] : defaults)
            if (name == extension) return type;
        return {};
    }
};

bool ReadContentTypes(const ZipArchive& zip, ContentTypes& types, std::string& detail) {
    std::string xml;
    if (!ReadPart(zip, kContentTypesPart, xml, detail)) return false;
    XmlReader reader(xml);
    for (;;) {
        const XmlToken token = reader.Next();
        if (token == XmlToken::End) return true;
        if (token == XmlToken::Error) {
            detail = "content types unreadable: " + reader.Error();
            return false;
        }
        if (token != XmlToken::StartElement || reader.Depth() != 2) continue;
        const std::string type = AttributeValue(reader, "ContentType");
        if (reader.LocalName() == "Default")
            types.defaults.emplace_back(FoldAscii(AttributeValue(reader, "Extension")), type);
        if (reader.LocalName() == "Override") {
            std::string part = AttributeValue(reader, "PartName");
            if (!part.empty() && part[0] == '/') part.erase(0, 1);
            types.overrides.emplace_back(FoldAscii(part), type);
        }
    }
}

bool IsWorkbookType(std::string_view type) {
    return type == kWorkbookType || type == kTemplateType || type == kMacroWorkbookType || type == kMacroTemplateType;
}

SheetKind KindOf(std::string_view relationshipType) {
    if (RelationshipTypeIs(relationshipType, "worksheet")) return SheetKind::Worksheet;
    if (RelationshipTypeIs(relationshipType, "chartsheet")) return SheetKind::Chartsheet;
    return SheetKind::Other;
}

const Relationship* FindRelationship(const std::vector<Relationship>& relationships, std::string_view id) {
    for (const Relationship& relationship : relationships)
        if (relationship.id == id) return &relationship;
    return nullptr;
}

// The <sheet> entries of the workbook part, in order.
bool ReadSheets(const ZipArchive& zip, WorkbookPackage& package, const std::vector<Relationship>& relationships,
                std::string& detail) {
    std::string xml;
    if (!ReadPart(zip, package.workbookPart, xml, detail)) return false;
    XmlReader reader(xml);
    for (;;) {
        const XmlToken token = reader.Next();
        if (token == XmlToken::End) break;
        if (token == XmlToken::Error) {
            detail = "workbook part unreadable: " + reader.Error();
            return false;
        }
        // workbook/sheets/sheet
        if (token != XmlToken::StartElement || reader.Depth() != 3 || reader.LocalName() != "sheet") continue;
        const Relationship* relationship = FindRelationship(relationships, AttributeValue(reader, "id"));
        if (!relationship || relationship->external || !zip.Find(relationship->target)) {
            detail = "sheet without its part";
            return false;
        }
        package.sheets.push_back({AttributeValue(reader, "name"), KindOf(relationship->type), relationship->target});
    }
    if (package.sheets.empty()) {
        detail = "workbook without sheets";
        return false;
    }
    return true;
}

}  // namespace

bool RelationshipTypeIs(std::string_view type, std::string_view name) {
    return type.size() > name.size() && type.compare(type.size() - name.size(), name.size(), name) == 0 &&
           type[type.size() - name.size() - 1] == '/';
}

std::string RelationshipsPartOf(std::string_view part) {
    const std::size_t slash = part.rfind('/');
    const std::string_view folder = slash == std::string_view::npos ? std::string_view() : part.substr(0, slash + 1);
    return std::string(folder) + "_rels/" + std::string(part.substr(folder.size())) + ".rels";
}

std::string ResolveTarget(std::string_view sourcePart, std::string_view target) {
    std::string path;
    if (!target.empty() && target[0] == '/') {
        path = target.substr(1);
    } else {
        const std::size_t slash = sourcePart.rfind('/');
        path = std::string(slash == std::string_view::npos ? std::string_view() : sourcePart.substr(0, slash + 1));
        path += target;
    }
    std::vector<std::string> segments;
    std::size_t start = 0;
    while (start <= path.size()) {
        std::size_t slash = path.find('/', start);
        if (slash == std::string::npos) slash = path.size();
        const std::string segment = path.substr(start, slash - start);
        if (segment == "..") {
            if (!segments.empty()) segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = slash + 1;
    }
    std::string joined;
    for (const std::string& segment : segments) joined += (joined.empty() ? "" : "/") + segment;
    return joined;
}

bool ReadPart(const ZipArchive& zip, std::string_view part, std::string& content, std::string& detail) {
    const ZipEntryInfo* entry = zip.Find(part);
    if (!entry) {
        detail = "part missing: " + std::string(part);
        return false;
    }
    if (!zip.Read(*entry, content)) {
        detail = "part damaged: " + std::string(part);
        return false;
    }
    return true;
}

bool ReadRelationships(const ZipArchive& zip, std::string_view part, std::vector<Relationship>& relationships,
                       std::string& detail) {
    relationships.clear();
    const std::string relationshipsPart = RelationshipsPartOf(part);
    if (!zip.Find(relationshipsPart)) return true;
    std::string xml;
    if (!ReadPart(zip, relationshipsPart, xml, detail)) return false;
    XmlReader reader(xml);
    for (;;) {
        const XmlToken token = reader.Next();
        if (token == XmlToken::End) return true;
        if (token == XmlToken::Error) {
            detail = relationshipsPart + " unreadable: " + reader.Error();
            return false;
        }
        if (token != XmlToken::StartElement || reader.Depth() != 2 || reader.LocalName() != "Relationship") continue;
        Relationship relationship;
        relationship.id = AttributeValue(reader, "Id");
        relationship.type = AttributeValue(reader, "Type");
        relationship.external = AttributeValue(reader, "TargetMode") == "External";
        const std::string target = AttributeValue(reader, "Target");
        relationship.target = relationship.external ? target : ResolveTarget(part, target);
        relationships.push_back(std::move(relationship));
    }
}

PackageProblem ReadPackage(const ZipArchive& zip, WorkbookPackage& package, std::string& detail) {
    package = WorkbookPackage();
    ContentTypes types;
    std::vector<Relationship> packageRelationships;
    if (!zip.Find(kContentTypesPart) || !zip.Find(RelationshipsPartOf(""))) {
        detail = "no package of parts";
        return PackageProblem::NotWorkbook;
    }
    if (!ReadContentTypes(zip, types, detail) || !ReadRelationships(zip, "", packageRelationships, detail))
        return PackageProblem::Damaged;
    for (const Relationship& relationship : packageRelationships)
        if (RelationshipTypeIs(relationship.type, "officeDocument") && !relationship.external)
            package.workbookPart = relationship.target;
    package.workbookContentType = types.Of(package.workbookPart);
    if (package.workbookPart.empty() || !IsWorkbookType(package.workbookContentType)) {
        detail = "no spreadsheet of a kind that can be filled";
        return PackageProblem::NotWorkbook;
    }
    std::vector<Relationship> relationships;
    if (!ReadRelationships(zip, package.workbookPart, relationships, detail) ||
        !ReadSheets(zip, package, relationships, detail))
        return PackageProblem::Damaged;
    for (const Relationship& relationship : relationships)
        if (RelationshipTypeIs(relationship.type, "calcChain")) package.calcChainPart = relationship.target;
    // Excel goes by the content type alone: it runs macros of a macro workbook only,
    // and opens such a workbook only under a macro extension.
    const std::string& type = package.workbookContentType;
    package.hasMacros = type == kMacroWorkbookType || type == kMacroTemplateType;
    package.isTemplate = type == kTemplateType || type == kMacroTemplateType;
    return PackageProblem::None;
}

}  // namespace exl::workbook
