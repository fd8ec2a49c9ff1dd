// The XML reader: which documents it takes, and that its tokens cover every byte.
#include <gtest/gtest.h>

#include "workbook/XmlReader.h"

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

}  // namespace
}  // namespace exl::workbook::test
