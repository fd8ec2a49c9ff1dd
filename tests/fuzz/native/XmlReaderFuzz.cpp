// libFuzzer target: the workbook library's XML reader and what edits XML with it.
// The tokens of a document that reads to its end make up the document byte for
// byte, and every edit of such a document (a worksheet with rows written in, the
// content types, relationships and workbook part of a copy) reads to its end again.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "workbook/sheet/PartEdits.h"
#include "workbook/sheet/SheetPatcher.h"
#include "workbook/xml/XmlReader.h"

namespace {

using namespace exl::workbook;

void Finding(const char* what) {
    std::fprintf(stderr, "finding [xml-reader] %s\n", what);
    std::abort();
}

// Reads the document to its end; false when it is not well-formed. Checks the tokens'
// bytes, that each end tag has the namespace of its start tag, and that a document
// read through states no other encoding than UTF-8.
bool ReadsToTheEnd(std::string_view document) {
    XmlReader reader(document);
    std::string joined, value;
    std::vector<std::string> namespaces;
    for (;;) {
        switch (reader.Next()) {
        case XmlToken::Error: return false;
        case XmlToken::End:
            if (joined != document) Finding("the tokens do not make up the document");
            if (!DeclaredEncoding(document).empty() && !IsUtf8Name(DeclaredEncoding(document)))
                Finding("a document in another encoding was read");
            return true;
        case XmlToken::Text:
            if (!TokenText(reader, value)) Finding("text that was read cannot be unescaped");
            break;
        case XmlToken::StartElement:
            for (const XmlAttribute& attribute : reader.Attributes())
                if (!UnescapeXml(attribute.rawValue, true, value)) Finding("an attribute that was read cannot be unescaped");
            namespaces.emplace_back(reader.NamespaceUri());
            break;
        case XmlToken::EndElement:
            if (namespaces.empty() || namespaces.back() != reader.NamespaceUri())
                Finding("an end tag in another namespace than its start tag");
            namespaces.pop_back();
            break;
        default: break;
        }
        if (reader.TokenBegin() != joined.size()) Finding("a token does not start where the last one ended");
        joined += reader.TokenBytes();
    }
}

class SomeRows : public RowSource {
public:
    bool NextRow(SheetRow& row) override {
        if (next_ > 4) return false;
        row.number = next_;
        row.cells = {{next_, CellKind::Text, " a&b "}, {next_ + 2, CellKind::Blank, {}}, {9, CellKind::Number, "-3"}};
        ++next_;
        return true;
    }
    std::optional<CellArea> Area() const override { return CellArea{{1, 1}, {4, 9}}; }

private:
    std::uint32_t next_ = 1;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string document(reinterpret_cast<const char*>(data), size);
    if (!ReadsToTheEnd(document)) return 0;
    SomeRows rows;
    StringPartOutput patched;
    std::string problem;
    if (PatchSheet(document, &rows, patched, problem) && !ReadsToTheEnd(patched.text))
        Finding("a patched worksheet is not well-formed");
    std::string edited;
    if (EditContentTypes(document, "xl/workbook.xml", "xl/calcChain.xml", edited, problem) && !ReadsToTheEnd(edited))
        Finding("edited content types are not well-formed");
    if (DropRelationships(document, "calcChain", edited, problem) && !ReadsToTheEnd(edited))
        Finding("edited relationships are not well-formed");
    if (AskFullCalculation(document, edited, problem) && !ReadsToTheEnd(edited))
        Finding("an edited workbook part is not well-formed");
    return 0;
}
