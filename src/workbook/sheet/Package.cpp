#include "workbook/sheet/Package.h"

#include "workbook/sheet/SheetPatcher.h"

namespace exl::workbook {

namespace {

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

bool IsIn(const XmlReader& reader, std::string_view namespaceUri, std::string_view localName) {
    return reader.LocalName() == localName && reader.NamespaceUri() == namespaceUri;
}

// The relationship id of a <sheet>: r:id, whatever prefix the relationships namespace has.
std::string SheetRelationshipId(const XmlReader& reader) {
    std::string id;
    for (const XmlAttribute& attribute : reader.Attributes()) {
        const std::string_view uri = reader.NamespaceOf(attribute);
        if (attribute.LocalName() == "id" && (uri == kRelationshipsNamespace || uri == kStrictRelationshipsNamespace) &&
            UnescapeXml(attribute.rawValue, true, id))
            return id;
    }
    return {};
}

// A part that is read whole as XML: there, not damaged, within the size limit, UTF-8.
PackageProblem ReadXmlPart(const ZipArchive& zip, std::string_view part, std::string& xml, std::string& detail,
                           PackageFault& fault) {
    fault.part = std::string(part);
    const ZipEntryInfo* entry = zip.Find(part);
    if (entry && entry->size > kMostPartBytes) {
        fault.bytes = entry->size;
        detail = "part too large: " + fault.part;
        return PackageProblem::TooLarge;
    }
    if (!ReadPart(zip, part, xml, detail)) return PackageProblem::Damaged;
    const std::string encoding = DeclaredEncoding(xml);
    if (!encoding.empty() && !IsUtf8Name(encoding)) {
        fault.encoding = encoding;
        detail = fault.part + " in the encoding " + encoding;
        return PackageProblem::Encoding;
    }
    return PackageProblem::None;
}

PackageProblem Unreadable(const XmlReader& reader, std::string_view part, std::string& detail) {
    detail = std::string(part) + " unreadable: " + reader.Error();
    return PackageProblem::Damaged;
}

PackageProblem ReadContentTypes(const ZipArchive& zip, ContentTypes& types, std::string& detail,
                                PackageFault& fault) {
    std::string xml;
    const PackageProblem read = ReadXmlPart(zip, kContentTypesPart, xml, detail, fault);
    if (read != PackageProblem::None) return read;
    XmlReader reader(xml);
    for (;;) {
        const XmlToken token = reader.Next();
        if (token == XmlToken::End) return PackageProblem::None;
        if (token == XmlToken::Error) return Unreadable(reader, kContentTypesPart, detail);
        if (token != XmlToken::StartElement || reader.Depth() != 2) continue;
        const std::string type = AttributeValue(reader, "ContentType");
        if (IsIn(reader, kContentTypesNamespace, "Default"))
            types.defaults.emplace_back(FoldAscii(AttributeValue(reader, "Extension")), type);
        if (IsIn(reader, kContentTypesNamespace, "Override")) {
            std::string part = AttributeValue(reader, "PartName");
            if (!part.empty() && part[0] == '/') part.erase(0, 1);
            types.overrides.emplace_back(FoldAscii(part), type);
        }
    }
}

PackageProblem ReadRelationshipsOf(const ZipArchive& zip, std::string_view part,
                                   std::vector<Relationship>& relationships, std::string& detail,
                                   PackageFault& fault) {
    relationships.clear();
    const std::string relationshipsPart = RelationshipsPartOf(part);
    if (!zip.Find(relationshipsPart)) return PackageProblem::None;
    std::string xml;
    const PackageProblem read = ReadXmlPart(zip, relationshipsPart, xml, detail, fault);
    if (read != PackageProblem::None) return read;
    XmlReader reader(xml);
    for (;;) {
        const XmlToken token = reader.Next();
        if (token == XmlToken::End) return PackageProblem::None;
        if (token == XmlToken::Error) return Unreadable(reader, relationshipsPart, detail);
        if (token != XmlToken::StartElement || reader.Depth() != 2 ||
            !IsIn(reader, kPackageRelationshipsNamespace, "Relationship"))
            continue;
        Relationship relationship;
        relationship.id = AttributeValue(reader, "Id");
        relationship.type = AttributeValue(reader, "Type");
        relationship.target = AttributeValue(reader, "Target");
        std::string resolved;
        relationship.external = AttributeValue(reader, "TargetMode") == "External" ||
                                !ResolveTarget(part, relationship.target, resolved);
        if (!relationship.external) relationship.target = std::move(resolved);
        relationships.push_back(std::move(relationship));
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

PackageProblem OutsidePackage(const Relationship& relationship, std::string& detail, PackageFault& fault) {
    fault.part = relationship.target;
    detail = "part outside the package: " + relationship.target;
    return PackageProblem::OutsidePackage;
}

// The <sheet> entries of the workbook part, in order.
PackageProblem ReadSheets(const ZipArchive& zip, WorkbookPackage& package,
                          const std::vector<Relationship>& relationships, std::string& detail, PackageFault& fault) {
    std::string xml;
    const PackageProblem read = ReadXmlPart(zip, package.workbookPart, xml, detail, fault);
    if (read != PackageProblem::None) return read;
    XmlReader reader(xml);
    for (;;) {
        const XmlToken token = reader.Next();
        if (token == XmlToken::End) break;
        if (token == XmlToken::Error) return Unreadable(reader, package.workbookPart, detail);
        // workbook/sheets/sheet
        if (token != XmlToken::StartElement || reader.Depth() != 3 || !IsSpreadsheetElement(reader, "sheet")) continue;
        const Relationship* relationship = FindRelationship(relationships, SheetRelationshipId(reader));
        if (relationship && relationship->external) return OutsidePackage(*relationship, detail, fault);
        if (!relationship || !zip.Find(relationship->target)) {
            detail = "sheet without its part";
            return PackageProblem::Damaged;
        }
        package.sheets.push_back({AttributeValue(reader, "name"), KindOf(relationship->type), relationship->target, {}});
    }
    if (package.sheets.empty()) {
        detail = "workbook without sheets";
        return PackageProblem::Damaged;
    }
    return PackageProblem::None;
}

// The workbook part the package's relationships name; OutsidePackage when it lies elsewhere.
PackageProblem FindWorkbookPart(const std::vector<Relationship>& packageRelationships, WorkbookPackage& package,
                                std::string& detail, PackageFault& fault) {
    for (const Relationship& relationship : packageRelationships) {
        if (!RelationshipTypeIs(relationship.type, "officeDocument")) continue;
        if (relationship.external) return OutsidePackage(relationship, detail, fault);
        package.workbookPart = relationship.target;
    }
    return PackageProblem::None;
}

}  // namespace

bool IsSpreadsheetElement(const XmlReader& reader, std::string_view localName) {
    return reader.LocalName() == localName &&
           (reader.NamespaceUri() == kSpreadsheetNamespace || reader.NamespaceUri() == kStrictSpreadsheetNamespace);
}

bool RelationshipTypeIs(std::string_view type, std::string_view name) {
    return type.size() > name.size() && type.compare(type.size() - name.size(), name.size(), name) == 0 &&
           type[type.size() - name.size() - 1] == '/';
}

std::string RelationshipsPartOf(std::string_view part) {
    const std::size_t slash = part.rfind('/');
    const std::string_view folder = slash == std::string_view::npos ? std::string_view() : part.substr(0, slash + 1);
    return std::string(folder) + "_rels/" + std::string(part.substr(folder.size())) + ".rels";
}

bool ResolveTarget(std::string_view sourcePart, std::string_view target, std::string& part) {
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
            if (segments.empty()) return false;
            segments.pop_back();
        } else if (!segment.empty() && segment != ".") {
            segments.push_back(segment);
        }
        start = slash + 1;
    }
    part.clear();
    for (const std::string& segment : segments) part += (part.empty() ? "" : "/") + segment;
    return true;
}

bool ReadPart(const ZipArchive& zip, std::string_view part, std::string& content, std::string& detail) {
    const ZipEntryInfo* entry = zip.Find(part);
    if (!entry) {
        detail = "part missing: " + std::string(part);
        return false;
    }
    if (entry->size > kMostPartBytes) {
        detail = "part too large: " + std::string(part);
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
    PackageFault fault;
    return ReadRelationshipsOf(zip, part, relationships, detail, fault) == PackageProblem::None;
}

PackageProblem ReadPackage(const ZipArchive& zip, WorkbookPackage& package, std::string& detail) {
    PackageFault fault;
    return ReadPackage(zip, package, detail, fault);
}

PackageProblem ReadPackage(const ZipArchive& zip, WorkbookPackage& package, std::string& detail, PackageFault& fault) {
    package = WorkbookPackage();
    ContentTypes types;
    std::vector<Relationship> packageRelationships;
    if (!zip.Find(kContentTypesPart) || !zip.Find(RelationshipsPartOf(""))) {
        detail = "no package of parts";
        return PackageProblem::NotWorkbook;
    }
    PackageProblem problem = ReadContentTypes(zip, types, detail, fault);
    if (problem == PackageProblem::None) problem = ReadRelationshipsOf(zip, "", packageRelationships, detail, fault);
    if (problem == PackageProblem::None) problem = FindWorkbookPart(packageRelationships, package, detail, fault);
    if (problem != PackageProblem::None) return problem;
    package.workbookContentType = types.Of(package.workbookPart);
    if (package.workbookPart.empty() || !IsWorkbookType(package.workbookContentType)) {
        detail = "no spreadsheet of a kind that can be filled";
        return PackageProblem::NotWorkbook;
    }
    std::vector<Relationship> relationships;
    problem = ReadRelationshipsOf(zip, package.workbookPart, relationships, detail, fault);
    if (problem == PackageProblem::None) problem = ReadSheets(zip, package, relationships, detail, fault);
    if (problem != PackageProblem::None) return problem;
    for (const Relationship& relationship : relationships)
        if (RelationshipTypeIs(relationship.type, "calcChain") && !relationship.external)
            package.calcChainPart = relationship.target;
    // Excel goes by the content type alone: it runs macros of a macro workbook only,
    // and opens such a workbook only under a macro extension.
    const std::string& type = package.workbookContentType;
    package.hasMacros = type == kMacroWorkbookType || type == kMacroTemplateType;
    package.isTemplate = type == kTemplateType || type == kMacroTemplateType;
    fault = PackageFault();
    return PackageProblem::None;
}

PackageProblem CheckWorksheets(const ZipArchive& zip, WorkbookPackage& package, std::string& detail,
                               PackageFault& fault) {
    for (SheetEntry& sheet : package.sheets) {
        if (sheet.kind != SheetKind::Worksheet) continue;
        std::string xml;
        const PackageProblem read = ReadXmlPart(zip, sheet.part, xml, detail, fault);
        if (read != PackageProblem::None) return read;
        XmlReader reader(xml);
        bool formulas = false;
        for (XmlToken token = reader.Next(); token != XmlToken::End; token = reader.Next()) {
            if (token == XmlToken::Error) return Unreadable(reader, sheet.part, detail);
            formulas = formulas || (token == XmlToken::StartElement && IsCellFormula(reader));
        }
        sheet.holdsFormulas = formulas;
    }
    fault = PackageFault();
    return PackageProblem::None;
}

}  // namespace exl::workbook
