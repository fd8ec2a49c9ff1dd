// The XML reader: which documents it takes, and that its tokens cover every byte.
#include <gtest/gtest.h>

#include "workbook/xml/XmlReader.h"

namespace exl::workbook::test {
namespace {

// The tokens' kinds in order ("<" start, ">" end, "t" text, "m" markup), or the
// error, after checking that the tokens' bytes make up the document.
std::string Read(std::string_view document) {
    XmlReader reader(document);
    std::string kinds, joined;
    for (;;) {
        switch (reader.Next()) {
        case XmlToken::StartElement: kinds += "<"; break;
        case XmlToken::EndElement: kinds += ">"; break;
        case XmlToken::Text: kinds += "t"; break;
        case XmlToken::Markup: kinds += "m"; break;
        case XmlToken::End:
            EXPECT_EQ(joined, document);
            return kinds;
        case XmlToken::Error: return "error";
        }
        joined += reader.TokenBytes();
    }
}

TEST(XmlReader, TakesWellFormedPartsAndRefusesTheRest) {
    struct Case {
        const char* name;
        std::string document;
        const char* tokens;
    } cases[] = {
        {"declaration, blanks, root", "<?xml version=\"1.0\"?>\r\n<a/>\n", "mm<>m"},
        {"byte-order mark", "\xEF\xBB\xBF<a></a>", "m<>"},
        {"nesting, text, comment, CDATA", "<a x='1' y=\"2\"><b>t &amp; &#228;</b><!-- c --><![CDATA[<x>]]></a>",
         "<<t>mt>"},
        {"prefixed names", "<x:a xmlns:x=\"u\"><x:b r:id=\"5\"/></x:a>", "<<>>"},
        {"no root", "<?xml version=\"1.0\"?>", "error"},
        {"empty", "", "error"},
        {"two roots", "<a/><b/>", "error"},
        {"text outside the root", "<a/>x", "error"},
        {"unclosed element", "<a><b></b>", "error"},
        {"mismatched end tag", "<a><b></a></b>", "error"},
        {"< taken into a name", "<a<b/>", "error"},
        {"< in an attribute value", "<a x=\"<\"/>", "error"},
        {"unquoted attribute", "<a x=1/>", "error"},
        {"attribute twice", "<a x=\"1\" x=\"2\"/>", "error"},
        {"attributes run together", "<a x=\"1\"y=\"2\"/>", "error"},
        {"unknown entity", "<a>&nbsp;</a>", "error"},
        {"reference without end", "<a>&amp</a>", "error"},
        {"character reference to NUL", "<a>&#0;</a>", "error"},
        {"character reference beyond Unicode", "<a>&#x110000;</a>", "error"},
        {"document type declaration", "<!DOCTYPE a [<!ENTITY e \"x\">]><a>&e;</a>", "error"},
        {"UTF-16", std::string("\xFF\xFE<\0a\0/\0>\0", 10), "error"},
        {"unclosed comment", "<a><!-- x</a>", "error"},
        {"declaration with encoding and standalone",
         "<?xml version=\"1.0\" encoding=\"utf-8\" standalone='yes'?><a/>", "m<>"},
        {"byte-order mark and declaration", "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<a/>", "mmm<>"},
        {"a processing instruction, no declaration", "<?xml-stylesheet href=\"s\"?><a/>", "m<>"},
        {"another encoding", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?><a/>", "error"},
        {"encoding before version", "<?xml encoding=\"UTF-8\" version=\"1.0\"?><a/>", "error"},
        {"standalone neither yes nor no", "<?xml version=\"1.0\" standalone=\"true\"?><a/>", "error"},
        {"unclosed declaration", "<?xml version=\"1.0\"", "error"},
        {"nested too deeply", [] {
             std::string deep;
             for (int i = 0; i < 300; ++i) deep += "<a>";
             return deep;
         }(),
         "error"},
    };
    for (const Case& c : cases) EXPECT_EQ(Read(c.document), c.tokens) << c.name;
}

TEST(XmlReader, GivesValuesAsAnXmlProcessorDoes) {
    struct Case {
        const char* raw;
        bool attribute;
        const char* value;
    } cases[] = {
        {"a &lt;b&gt; &amp; &quot;c&quot; &apos;", false, "a <b> & \"c\" '"},
        {"&#228;&#xE4;&#x1F600;", false, "\xC3\xA4\xC3\xA4\xF0\x9F\x98\x80"},
        {"line\r\nend\rx", false, "line\nend\nx"},
        {"tab\tline\r\nend", true, "tab line end"},
        {"&#9;&#10;", true, "\t\n"},
    };
    for (const Case& c : cases) {
        std::string value;
        ASSERT_TRUE(UnescapeXml(c.raw, c.attribute, value)) << c.raw;
        EXPECT_EQ(value, c.value) << c.raw;
    }
    XmlReader reader("<a r:id=\"x &amp; y\" s=\"3\"/>");
    ASSERT_EQ(reader.Next(), XmlToken::StartElement);
    EXPECT_EQ(AttributeValue(reader, "id"), "x & y");
    EXPECT_EQ(AttributeValue(reader, "t", "none"), "none");
    EXPECT_TRUE(reader.IsEmptyElement());
}

// Each start tag as "local{uri}", its attributes as " @local{uri}" (the namespace of
// namespace declarations shown as "xmlns"), checked for its end tag too.
std::string Namespaces(std::string_view document) {
    XmlReader reader(document);
    std::string names;
    std::vector<std::string> open;
    for (XmlToken token = reader.Next(); token != XmlToken::End; token = reader.Next()) {
        const std::string name = std::string(reader.LocalName()) + "{" + std::string(reader.NamespaceUri()) + "}";
        if (token == XmlToken::Error) return "error";
        if (token == XmlToken::EndElement) {
            EXPECT_EQ(name, open.back()) << document;
            open.pop_back();
        }
        if (token != XmlToken::StartElement) continue;
        open.push_back(name);
        names += (names.empty() ? "" : " ") + name;
        for (const XmlAttribute& attribute : reader.Attributes()) {
            const std::string_view uri = reader.NamespaceOf(attribute);
            names += " @" + std::string(attribute.LocalName()) + "{" +
                     (uri == "http://www.w3.org/2000/xmlns/" ? std::string("xmlns") : std::string(uri)) + "}";
        }
    }
    return names;
}

TEST(XmlReader, ResolvesNamespacesWhateverThePrefix) {
    struct Case {
        const char* document;
        const char* names;
    } cases[] = {
        {"<a xmlns=\"m\"><b/></a>", "a{m} @xmlns{} b{m}"},
        {"<x:a xmlns:x=\"m\" xmlns:r=\"rel\"><x:b r:id=\"1\" id=\"2\"/></x:a>",
         "a{m} @x{xmlns} @r{xmlns} b{m} @id{rel} @id{}"},
        // A binding holds within its element only; an inner one hides an outer one.
        {"<a xmlns:p=\"one\"><p:b xmlns:p=\"two\"><p:c/></p:b><p:d/></a>",
         "a{} @p{xmlns} b{two} @p{xmlns} c{two} d{one}"},
        {"<a xmlns=\"m\"><b xmlns=\"\"/><c/></a>", "a{m} @xmlns{} b{} @xmlns{} c{m}"},
        {"<a xmlns:p=\"x &amp; y\"><p:b xml:space=\"preserve\"/></a>",
         "a{} @p{xmlns} b{x & y} @space{http://www.w3.org/XML/1998/namespace}"},
        {"<p:a/>", "a{}"},  // a prefix bound nowhere belongs to no namespace
    };
    for (const Case& c : cases) EXPECT_EQ(Namespaces(c.document), c.names) << c.document;
}

TEST(XmlReader, TellsEncodingsAndXsdBooleans) {
    struct EncodingCase {
        std::string document;
        const char* encoding;
        bool utf8;
    } encodings[] = {
        {"<a/>", "", true},
        {"<?xml version=\"1.0\" encoding=\"utf-8\"?><a/>", "utf-8", true},
        {"\xEF\xBB\xBF<?xml version='1.0' encoding='UTF8' standalone='no'?><a/>", "UTF8", true},
        {"<?xml version=\"1.0\" encoding=\"windows-1252\"?><a/>", "windows-1252", false},
        {std::string("\xFF\xFE<\0a\0/\0>\0", 10), "UTF-16", false},
    };
    for (const EncodingCase& c : encodings) {
        EXPECT_EQ(DeclaredEncoding(c.document), c.encoding) << c.document;
        EXPECT_EQ(c.utf8, std::string(c.encoding).empty() || IsUtf8Name(c.encoding)) << c.document;
    }
    struct BooleanCase {
        const char* value;
        bool on;
    } booleans[] = {{"1", true}, {"true", true}, {" true\n", true}, {"0", false}, {"false", false},
                    {"", false}, {"TRUE", false}, {"yes", false}};
    for (const BooleanCase& c : booleans) EXPECT_EQ(IsXsdTrue(c.value), c.on) << c.value;
}

}  // namespace
}  // namespace exl::workbook::test
