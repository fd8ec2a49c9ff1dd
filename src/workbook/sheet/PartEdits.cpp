#include "workbook/sheet/PartEdits.h"

#include <vector>

#include "workbook/sheet/Package.h"
#include "workbook/xml/XmlEscape.h"
#include "workbook/xml/XmlReader.h"
#include "workbook/zip/ZipReader.h"

namespace exl::workbook {

namespace {

// Replaces the bytes [begin, end) with `text`; edits come in document order.
struct Edit {
    std::size_t begin;
    std::size_t end;
    std::string text;
};

std::string ApplyEdits(std::string_view xml, const std::vector<Edit>& edits) {
    std::string out;
    out.reserve(xml.size() + 64);
    std::size_t from = 0;
    for (const Edit& edit : edits) {
        out.append(xml.substr(from, edit.begin - from)).append(edit.text);
        from = edit.end;
    }
    return out.append(xml.substr(from));
}

// The start tag under the reader with one attribute set (replaced or added).
std::string StartTagWith(const XmlReader& reader, std::string_view xml, std::string_view name,
                         std::string_view value) {
    std::string tag = "<" + std::string(reader.QualifiedName());
    bool set = false;
    for (const XmlAttribute& attribute : reader.Attributes()) {
        tag += ' ';
        if (attribute.qualifiedName == name) {
            tag.append(name).append("=\"");
            AppendEscapedAttribute(tag, value);
            tag += '"';
            set = true;
        } else {
            tag.append(xml.substr(attribute.begin, attribute.end - attribute.begin));
        }
    }
    if (!set) {
        tag.append(" ").append(name).append("=\"");
        AppendEscapedAttribute(tag, value);
        tag += '"';
    }
    return tag + (reader.IsEmptyElement() ? "/>" : ">");
}

// Walks the document; `visit` sees every start tag and may record edits. An element
// that visit removes (by returning true) is cut out whole.
template <class Visit>
bool EditElements(std::string_view xml, std::string& out, std::string& problem, Visit visit) {
    XmlReader reader(xml);
    std::vector<Edit> edits;
    std::size_t removing = 0;  // depth of the element being cut, 0 for none
    std::size_t removeBegin = 0;
    for (;;) {
        const XmlToken token = reader.Next();
        if (token == XmlToken::Error) {
            problem = "part unreadable: " + reader.Error();
            return false;
        }
        if (token == XmlToken::End) break;
        if (token == XmlToken::StartElement && removing == 0 && visit(reader, edits)) {
            removing = reader.Depth();
            removeBegin = reader.TokenBegin();
        } else if (token == XmlToken::EndElement && removing == reader.Depth()) {
            edits.push_back({removeBegin, reader.TokenEnd(), {}});
            removing = 0;
        }
    }
    out = ApplyEdits(xml, edits);
    return true;
}

bool SamePart(std::string partName, std::string_view part) {
    if (!partName.empty() && partName[0] == '/') partName.erase(0, 1);
    return !part.empty() && FoldAscii(partName) == FoldAscii(part);
}

// The workbook's children that come after calcPr, in the format's order.
bool FollowsCalculationProperties(std::string_view name) {
    for (const char* later : {"oleSize", "customWorkbookViews", "pivotCaches", "smartTagPr", "smartTagTypes",
                              "webPublishing", "fileRecoveryPr", "webPublishObjects", "extLst"})
        if (name == later) return true;
    return false;
}

}  // namespace

std::string_view WorkbookTypeOf(std::string_view templateType) {
    if (templateType == kTemplateType) return kWorkbookType;
    if (templateType == kMacroTemplateType) return kMacroWorkbookType;
    return {};
}

bool EditContentTypes(std::string_view xml, std::string_view workbookPart, std::string_view droppedPart,
                      std::string& out, std::string& problem) {
    return EditElements(xml, out, problem, [&](const XmlReader& reader, std::vector<Edit>& edits) {
        if (reader.Depth() != 2 || reader.LocalName() != "Override") return false;
        const std::string part = AttributeValue(reader, "PartName");
        if (SamePart(part, droppedPart)) return true;
        const std::string_view asWorkbook = WorkbookTypeOf(AttributeValue(reader, "ContentType"));
        if (SamePart(part, workbookPart) && !asWorkbook.empty())
            edits.push_back({reader.TokenBegin(), reader.TokenEnd(), StartTagWith(reader, xml, "ContentType", asWorkbook)});
        return false;
    });
}

bool DropRelationships(std::string_view xml, std::string_view type, std::string& out, std::string& problem) {
    return EditElements(xml, out, problem, [&](const XmlReader& reader, std::vector<Edit>&) {
        return reader.Depth() == 2 && reader.LocalName() == "Relationship" &&
               RelationshipTypeIs(AttributeValue(reader, "Type"), type);
    });
}

bool AskFullCalculation(std::string_view xml, std::string& out, std::string& problem) {
    std::string prefix;
    bool done = false;
    std::size_t rootEnd = std::string_view::npos;
    XmlReader reader(xml);
    std::vector<Edit> edits;
    for (XmlToken token = reader.Next(); token != XmlToken::End; token = reader.Next()) {
        if (token == XmlToken::Error) {
            problem = "workbook part unreadable: " + reader.Error();
            return false;
        }
        if (token == XmlToken::StartElement && reader.Depth() == 1 && !reader.Prefix().empty())
            prefix = std::string(reader.Prefix()) + ":";
        // The end tag of an empty root has no bytes: nothing can go in there.
        if (token == XmlToken::EndElement && reader.Depth() == 1 && reader.TokenBegin() != reader.TokenEnd())
            rootEnd = reader.TokenBegin();
        if (done || token != XmlToken::StartElement || reader.Depth() != 2) continue;
        if (reader.LocalName() == "calcPr") {
            edits.push_back({reader.TokenBegin(), reader.TokenEnd(), StartTagWith(reader, xml, "fullCalcOnLoad", "1")});
            done = true;
        } else if (FollowsCalculationProperties(reader.LocalName())) {
            edits.push_back({reader.TokenBegin(), reader.TokenBegin(), "<" + prefix + "calcPr fullCalcOnLoad=\"1\"/>"});
            done = true;
        }
    }
    if (!done && rootEnd != std::string_view::npos)
        edits.push_back({rootEnd, rootEnd, "<" + prefix + "calcPr fullCalcOnLoad=\"1\"/>"});
    out = ApplyEdits(xml, edits);
    return true;
}

}  // namespace exl::workbook
