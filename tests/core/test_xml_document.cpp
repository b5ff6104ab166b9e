#include "XmlTestSupport.h"

#include "config/CXmlDocument.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {
// Parses a text that must be well-formed.
CXmlDocument Doc(const std::string& text) {
    CXmlDocument doc;
    EXPECT_TRUE(doc.SetDocumentText(text)) << doc.Result();
    return doc;
}

// Attribute `attr` of every `name` element on the current level, from the first.
std::vector<std::string> Walk(CXmlDocument& doc, const std::string& name, const std::string& attr) {
    std::vector<std::string> out;
    while (doc.FindElement(name))
        out.push_back(doc.GetAttribute(attr));
    return out;
}

} // namespace

TEST(XmlDocumentEdit, AddingToEmptyElementSplitsIt) {
    CXmlDocument doc = Doc("<config/>");
    ASSERT_TRUE(doc.FindElement("config"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.AddElement("item"));
    EXPECT_EQ(doc.DocumentText(), "<config>\r\n<item/>\r\n</config>");

    // The index follows the text: a second element goes after the first, attributes land in
    // the right tag, and the parent can be left and found again.
    ASSERT_TRUE(doc.SetAttribute("key", "area"));
    ASSERT_TRUE(doc.AddElement("item"));
    ASSERT_TRUE(doc.SetAttribute("key", "bank"));
    EXPECT_EQ(doc.DocumentText(),
              "<config>\r\n<item key=\"area\"/>\r\n<item key=\"bank\"/>\r\n</config>");
    CXmlDocument again = Doc(doc.DocumentText());
    ASSERT_TRUE(again.FindElement("config") && again.EnterElement());
    EXPECT_EQ(Walk(again, "item", "key"), (std::vector<std::string>{"area", "bank"}));

    // A parent with a space before its "/>" keeps it.
    CXmlDocument spaced = Doc("<r>\r\n<item key=\"area\" />\r\n</r>");
    ASSERT_TRUE(spaced.FindElement("r") && spaced.EnterElement() && spaced.FindElement("item") &&
                spaced.EnterElement());
    ASSERT_TRUE(spaced.AddElement("area"));
    EXPECT_EQ(spaced.DocumentText(), "<r>\r\n<item key=\"area\" >\r\n<area/>\r\n</item>\r\n</r>");
}

TEST(XmlDocumentEdit, AddedElementsFollowThePlacementRules) {
    // No current element: at the end of the parent's content, before its end tag.
    CXmlDocument last = Doc("<item key=\"area\">\r\n<area name=\"a\"/>\r\n</item>");
    ASSERT_TRUE(last.FindElement("item") && last.EnterElement());
    ASSERT_TRUE(last.AddElement("area"));
    EXPECT_EQ(last.DocumentText(),
              "<item key=\"area\">\r\n<area name=\"a\"/>\r\n<area/>\r\n</item>");

    // Start and end tag with nothing between.
    CXmlDocument bare = Doc("<config></config>");
    ASSERT_TRUE(bare.FindElement("config") && bare.EnterElement() && bare.AddElement("item"));
    EXPECT_EQ(bare.DocumentText(), "<config>\r\n<item/>\r\n</config>");

    // After a current element: past the whitespace before the next tag, so the old line break
    // stays with the old element; no indentation is added.
    CXmlDocument indented = Doc("<r>\r\n  <a/>\r\n  <b/>\r\n  </r>");
    ASSERT_TRUE(indented.FindElement("r") && indented.EnterElement() && indented.FindElement("a"));
    ASSERT_TRUE(indented.AddElement("n"));
    EXPECT_EQ(indented.DocumentText(), "<r>\r\n  <a/>\r\n  <n/>\r\n<b/>\r\n  </r>");
    // ... and the new element is the sibling between a and b.
    ASSERT_TRUE(indented.FindElement("b"));
    ASSERT_TRUE(indented.LeaveElement() && indented.EnterElement());
    ASSERT_TRUE(indented.AddElement("z")); // no current: last child, takes the whitespace
    EXPECT_EQ(indented.DocumentText(), "<r>\r\n  <a/>\r\n  <n/>\r\n<b/>\r\n  <z/>\r\n</r>");

    // Text after the current element: the new element goes right after it.
    CXmlDocument text = Doc("<r><a/> tail</r>");
    ASSERT_TRUE(text.FindElement("r") && text.EnterElement() && text.FindElement("a"));
    ASSERT_TRUE(text.AddElement("n"));
    EXPECT_EQ(text.DocumentText(), "<r><a/><n/>\r\n tail</r>");

    // Names that would break the markup are refused and change nothing.
    for (const char* bad : {"", "a b", "a>", "1a", "a/", "a\"b"})
        EXPECT_FALSE(text.AddElement(bad)) << bad;
    EXPECT_EQ(text.DocumentText(), "<r><a/><n/>\r\n tail</r>");
}

TEST(XmlDocumentEdit, NestedEditsKeepEveryLaterElementInPlace) {
    CXmlDocument doc = Doc("<?xml version=\"1.0\"?>\r\n<!-- lists -->\r\n<config>\r\n"
                           "<item key=\"employees\">\r\n<departments name=\"d1\">\r\n"
                           "<employees name=\"e1\"/>\r\n</departments>\r\n"
                           "<departments name=\"d2\"/>\r\n</item>\r\n"
                           "<item key=\"unit\">\r\n<unit name=\"个\" note=\"\"/>\r\n</item>\r\n"
                           "</config>\r\n");
    ASSERT_TRUE(doc.FindElement("config") && doc.EnterElement());
    ASSERT_TRUE(doc.FindElement("item") && doc.EnterElement());
    ASSERT_TRUE(doc.FindElement("departments") && doc.EnterElement());
    ASSERT_TRUE(doc.AddElement("employees"));
    ASSERT_TRUE(doc.SetAttribute("name", "张三"));
    ASSERT_TRUE(doc.SetAttribute("tel", "<&>"));
    ASSERT_TRUE(doc.LeaveElement());
    ASSERT_TRUE(doc.FindElement("departments"));
    EXPECT_EQ(doc.GetAttribute("name"), "d2");
    ASSERT_TRUE(doc.EnterElement() && doc.AddElement("employees") &&
                doc.SetAttribute("name", "e3"));
    ASSERT_TRUE(doc.LeaveElement() && doc.LeaveElement());
    ASSERT_TRUE(doc.FindElement("item"));
    EXPECT_EQ(doc.GetAttribute("key"), "unit");
    ASSERT_TRUE(doc.EnterElement() && doc.FindElement("unit"));
    EXPECT_EQ(doc.GetAttribute("name"), "个");
    EXPECT_EQ(doc.DocumentText(),
              "<?xml version=\"1.0\"?>\r\n<!-- lists -->\r\n<config>\r\n"
              "<item key=\"employees\">\r\n<departments name=\"d1\">\r\n"
              "<employees name=\"e1\"/>\r\n<employees name=\"张三\" tel=\"&lt;&amp;&gt;\"/>\r\n"
              "</departments>\r\n"
              "<departments name=\"d2\">\r\n<employees name=\"e3\"/>\r\n</departments>\r\n"
              "</item>\r\n"
              "<item key=\"unit\">\r\n<unit name=\"个\" note=\"\"/>\r\n</item>\r\n"
              "</config>\r\n");
    // The edited text parses to the same structure the edits built.
    CXmlDocument again = Doc(doc.DocumentText());
    ASSERT_TRUE(again.FindElement("config") && again.EnterElement() && again.FindElement("item") &&
                again.EnterElement() && again.FindElement("departments") && again.EnterElement());
    EXPECT_EQ(Walk(again, "employees", "name"), (std::vector<std::string>{"e1", "张三"}));
}

TEST(XmlDocumentAttributes, ValuesAreEscapedAndReadBackUnchanged) {
    CXmlDocument doc = Doc("<r><area/></r>");
    ASSERT_TRUE(doc.FindElement("r") && doc.EnterElement() && doc.FindElement("area"));
    const std::string tricky = "A&B \"q\" <x> it's 100% _ 中文";
    ASSERT_TRUE(doc.SetAttribute("name", tricky));
    ASSERT_TRUE(doc.SetAttribute("note", ""));
    EXPECT_EQ(doc.DocumentText(), "<r><area name=\"A&amp;B &quot;q&quot; &lt;x&gt; "
                                  "it&apos;s 100% _ 中文\" note=\"\"/></r>");
    EXPECT_EQ(doc.GetAttribute("name"), tricky);
    EXPECT_EQ(doc.GetAttribute("note"), "");
    EXPECT_EQ(doc.GetAttribute("Name"), ""); // names are case-sensitive
    EXPECT_EQ(doc.GetAttribute("missing"), "");

    // Replacing a value replaces it with its quotes, whatever quoting it had; the element stays
    // an empty-element tag in the index.
    CXmlDocument quoting = Doc("<a x='1' y=2 z/>");
    ASSERT_TRUE(quoting.FindElement("a"));
    EXPECT_EQ(quoting.GetAttribute("x"), "1");
    EXPECT_EQ(quoting.GetAttribute("y"), "2");
    ASSERT_TRUE(quoting.SetAttribute("x", "one"));
    ASSERT_TRUE(quoting.SetAttribute("y", "two"));
    ASSERT_TRUE(quoting.SetAttribute("z", "three"));
    EXPECT_EQ(quoting.DocumentText(), "<a x=\"one\" y=\"two\" z=\"three\"/>");
    ASSERT_TRUE(quoting.EnterElement() && quoting.AddElement("c"));
    EXPECT_EQ(quoting.DocumentText(), "<a x=\"one\" y=\"two\" z=\"three\">\r\n<c/>\r\n</a>");

    // An unquoted value stops before "/>".
    CXmlDocument unquoted = Doc("<a href=x/y/>");
    ASSERT_TRUE(unquoted.FindElement("a"));
    EXPECT_EQ(unquoted.GetAttribute("href"), "x/y");

    // New attributes go after the last one, before "/>" or ">" and the blank before it.
    CXmlDocument spaced = Doc("<a  b=\"1\"  />");
    ASSERT_TRUE(spaced.FindElement("a") && spaced.SetAttribute("c", "2"));
    EXPECT_EQ(spaced.DocumentText(), "<a  b=\"1\" c=\"2\"  />");

    EXPECT_FALSE(CXmlDocument().SetAttribute("a", "b")) << "no current element";
}

TEST(XmlDocumentAttributes, ReferencesDecode) {
    struct Case {
        const char* raw;
        const char* decoded;
    };
    const Case cases[] = {
        {"&#x4E2D;&#20013;&#X4e2d;", "中中中"},
        {"&lt;&gt;&amp;&quot;&apos;", "<>&\"'"},
        {"&AMP;&Lt;&NBSP;", "&<\xC2\xA0"},          // capitals decode like lower case
        {"&Agrave;&agrave;&Alpha;&alpha;", "ÀàΑα"}, // but exact names keep their case
        {"&permil;&copy;&thetasym;&euro;", "‰©ϑ€"},
        {"&#x1F600;", "\xF0\x9F\x98\x80"}, // beyond U+FFFF
        {"a & b", "a & b"},                // a lone ampersand
        {"&amp", "&amp"},                  // no semicolon
        {"&nosuchname;", "&nosuchname;"},  // unknown name
        {"&#0;&#xD800;&#x110000;&#12a;&#;&#x;", "&#0;&#xD800;&#x110000;&#12a;&#;&#x;"},
        {"&#00000065;", "A"},             // nine characters before ';'
        {"&#000000065;", "&#000000065;"}, // ten are too many
        {"&&amp;", "&&"},
    };
    for (const auto& c : cases) {
        CXmlDocument doc = Doc(std::string("<a v=\"") + c.raw + "\"/>");
        ASSERT_TRUE(doc.FindElement("a"));
        EXPECT_EQ(doc.GetAttribute("v"), c.decoded) << c.raw;
    }
}

TEST(XmlDocumentCursor, FindElementIsExactAndMovesOnlyOnSuccess) {
    CXmlDocument doc = Doc("<config><item key=\"a\"/><Item key=\"b\"/><items/><item key=\"c\"/>"
                           "</config>");
    EXPECT_FALSE(doc.FindElement("Config"));
    ASSERT_TRUE(doc.FindElement("config"));
    EXPECT_FALSE(doc.FindElement("config")) << "one root only";
    ASSERT_TRUE(doc.EnterElement());
    EXPECT_EQ(doc.GetAttribute("key"), "") << "no current element after entering";
    EXPECT_FALSE(doc.FindElement("ITEM"));
    EXPECT_EQ(Walk(doc, "item", "key"), (std::vector<std::string>{"a", "c"}));
    EXPECT_EQ(doc.GetAttribute("key"), "c") << "a failed search keeps the cursor";
    ASSERT_TRUE(doc.LeaveElement());
    EXPECT_FALSE(doc.LeaveElement()) << "already at the document level";
    ASSERT_TRUE(doc.EnterElement());
    // Entering again goes back to the child that was current when the element was left.
    EXPECT_EQ(doc.GetAttribute("key"), "c");
    EXPECT_FALSE(CXmlDocument().EnterElement());
}

TEST(XmlDocumentEdit, RemovingElementsClosesTheGap) {
    const std::string three = "<r>\r\n<x n=\"1\"><y/></x>\r\n<x n=\"2\"/>\r\n<x n=\"3\"/>\r\n</r>";
    CXmlDocument doc = Doc(three);
    ASSERT_TRUE(doc.FindElement("r") && doc.EnterElement() && doc.FindElement("x"));
    const uint32_t recordsBefore = doc.ElementIndex().End();
    ASSERT_TRUE(doc.RemoveElement());
    EXPECT_EQ(doc.DocumentText(), "<r>\r\n<x n=\"2\"/>\r\n<x n=\"3\"/>\r\n</r>");
    EXPECT_EQ(doc.GetAttribute("n"), "") << "no current element after removing the first";
    ASSERT_TRUE(doc.FindElement("x"));
    EXPECT_EQ(doc.GetAttribute("n"), "2");
    ASSERT_TRUE(doc.FindElement("x"));
    ASSERT_TRUE(doc.RemoveElement()); // the last: the line break before </r> goes with it
    EXPECT_EQ(doc.DocumentText(), "<r>\r\n<x n=\"2\"/>\r\n</r>");
    EXPECT_EQ(doc.GetAttribute("n"), "2") << "the previous sibling is current";
    EXPECT_FALSE(doc.FindElement("x"));

    // Freed records are used again.
    ASSERT_TRUE(doc.AddElement("x") && doc.AddElement("x") && doc.AddElement("x"));
    EXPECT_EQ(doc.ElementIndex().End(), recordsBefore);
    CXmlDocument again = Doc(doc.DocumentText());
    ASSERT_TRUE(again.FindElement("r") && again.EnterElement());
    EXPECT_EQ(Walk(again, "x", "n"), (std::vector<std::string>{"2", "", "", ""}));

    // Text after the element stays, and so does the whitespace before it.
    CXmlDocument text = Doc("<r>  <a/> tail <b/></r>");
    ASSERT_TRUE(text.FindElement("r") && text.EnterElement() && text.FindElement("a"));
    ASSERT_TRUE(text.RemoveElement());
    EXPECT_EQ(text.DocumentText(), "<r>   tail <b/></r>");
    ASSERT_TRUE(text.FindElement("b") && text.RemoveElement());
    EXPECT_EQ(text.DocumentText(), "<r>   tail </r>");
    ASSERT_TRUE(text.LeaveElement() && text.RemoveElement());
    EXPECT_EQ(text.DocumentText(), "");
    EXPECT_FALSE(text.RemoveElement());
}

TEST(XmlDocumentParse, MarkupThatIsNotAnElementIsSteppedOver) {
    CXmlDocument doc = Doc("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
                           "<!DOCTYPE r [\r\n<!ENTITY e \"<x>\">\r\n<!-- ] > -->\r\n"
                           "<?pi ]>?>\r\n<!ELEMENT r ANY>\r\n]>\r\n"
                           "<r><!-- <c/> --><![CDATA[<d/> ]] >]]>text > <e/><?p <f/>?></r>");
    ASSERT_TRUE(doc.FindElement("r") && doc.EnterElement());
    EXPECT_FALSE(doc.FindElement("c"));
    EXPECT_FALSE(doc.FindElement("d"));
    EXPECT_FALSE(doc.FindElement("f"));
    EXPECT_TRUE(doc.FindElement("e"));
}

TEST(XmlDocumentParse, MalformedMarkupIsRecoveredAndReported) {
    struct Case {
        const char* text;
        const char* entry;
    };
    const Case cases[] = {
        {"<r>< x/></r>", "<first_tag_syntax"},
        {"<r><!x></r>", "<exclamation_tag_syntax"},
        {"<r><!-x></r>", "<comment_tag_syntax"},
        {"<r><![CDAT[x]]></r>", "<cdata_section_syntax"},
        {"<!DOCTYPE r <x/>><r/>", "<doctype_tag_syntax"},
        {"<r><a", "<unterminated_tag_syntax node=\"start_tag\""},
        {"<r></r", "<unterminated_tag_syntax node=\"end_tag\""},
        {"<r><![CDATA[x", "<unterminated_tag_syntax node=\"cdata_section\""},
        {"<r/><?pi", "<unterminated_tag_syntax node=\"processing_instruction\""},
        {"<r/><!-- x", "<unterminated_tag_syntax node=\"comment\""},
        {"<!DOCTYPE r [ <!ENTITY", "<unterminated_tag_syntax node=\"document_type\""},
        {"<r></x></r>", "<lone_end_tag tagname=\"x\""},
        {"<r><a></r>", "<unended_start_tag tagname=\"a\""},
        {"just text", "<no_root_element"},
        {"<a/><b/>", "<root_has_sibling"},
    };
    for (const auto& c : cases) {
        CXmlDocument doc;
        EXPECT_FALSE(doc.SetDocumentText(c.text)) << c.text;
        EXPECT_NE(doc.Result().find(c.entry), std::string::npos) << c.text << " " << doc.Result();
    }

    // An element closed by an outer end tag ends with its start tag; what it held follows it.
    CXmlDocument doc;
    EXPECT_FALSE(doc.SetDocumentText("<r><a n=\"1\"><b n=\"2\"><c n=\"3\"/></r><z/>"));
    ASSERT_TRUE(doc.FindElement("r") && doc.EnterElement());
    ASSERT_TRUE(doc.FindElement("a"));
    ASSERT_TRUE(doc.EnterElement());
    EXPECT_FALSE(doc.FindElement("b"));
    ASSERT_TRUE(doc.LeaveElement());
    EXPECT_TRUE(doc.FindElement("b"));
    EXPECT_TRUE(doc.FindElement("c"));
    EXPECT_EQ(doc.GetAttribute("n"), "3");
    // An unended element can still be edited without disturbing its neighbours.
    CXmlDocument edit;
    edit.SetDocumentText("<r><a><b/></r>");
    ASSERT_TRUE(edit.FindElement("r") && edit.EnterElement() && edit.FindElement("a"));
    ASSERT_TRUE(edit.SetAttribute("k", "v") && edit.FindElement("b"));
    ASSERT_TRUE(edit.SetAttribute("k", "w"));
    EXPECT_EQ(edit.DocumentText(), "<r><a k=\"v\"><b k=\"w\"/></r>");
    ASSERT_TRUE(edit.RemoveElement());
    EXPECT_EQ(edit.DocumentText(), "<r><a k=\"v\"></r>");

    // Adding into an unended element and removing again gives the text back: the whitespace
    // after the element lies outside the unended parent and stays.
    CXmlDocument inside;
    const std::string text = "<r><a>\r\n<b/></r>";
    inside.SetDocumentText(text);
    ASSERT_TRUE(inside.FindElement("r") && inside.EnterElement() && inside.FindElement("a") &&
                inside.EnterElement());
    ASSERT_TRUE(inside.AddElement("c"));
    EXPECT_EQ(inside.DocumentText(), "<r><a><c/>\r\n\r\n<b/></r>");
    ASSERT_TRUE(inside.AddElement("d")) << "after c, still inside a";
    EXPECT_EQ(inside.DocumentText(), "<r><a><c/>\r\n<d/>\r\n\r\n<b/></r>");
    ASSERT_TRUE(inside.RemoveElement() && inside.RemoveElement()); // d, then c
    EXPECT_EQ(inside.DocumentText(), text);
    ASSERT_TRUE(inside.LeaveElement() && inside.FindElement("b"));
}

TEST(XmlDocumentParse, TagsLongerThanTheirIndexFieldsStayEditable) {
    // Start tags beyond 4 MiB and end tags beyond 1023 characters are measured in the text.
    const std::string big(5 * 1024 * 1024, 'v');
    const std::string longEnd = "</item" + std::string(2000, ' ') + ">";
    CXmlDocument doc =
        Doc("<config><item big=\"" + big + "\"><a/>" + longEnd + "<item k=\"2\"/>" + "</config>");
    ASSERT_TRUE(doc.FindElement("config") && doc.EnterElement() && doc.FindElement("item"));
    EXPECT_EQ(doc.GetAttribute("big").size(), big.size());
    ASSERT_TRUE(doc.SetAttribute("k", "1"));
    ASSERT_TRUE(doc.EnterElement());
    ASSERT_TRUE(doc.AddElement("b")); // before the long end tag
    ASSERT_TRUE(doc.LeaveElement() && doc.FindElement("item"));
    EXPECT_EQ(doc.GetAttribute("k"), "2");
    const std::string& t = doc.DocumentText();
    EXPECT_EQ(t.substr(0, 20), "<config><item big=\"v");
    EXPECT_EQ(t.substr(t.find("\" k=\"1\">")),
              "\" k=\"1\"><a/><b/>\r\n" + longEnd + "<item k=\"2\"/></config>");
}

TEST(XmlDocumentParse, DeepNestingNeitherOverflowsNorCrawls) {
    const size_t depth = 100000;
    std::string open, close;
    for (size_t i = 0; i < depth; ++i)
        open += "<a>";
    CXmlDocument unended;
    EXPECT_FALSE(unended.SetDocumentText(open + "</a>" + open));
    std::string closed = open;
    for (size_t i = 0; i < depth; ++i)
        closed += "</a>";
    CXmlDocument doc = Doc(closed);
    ASSERT_TRUE(doc.FindElement("a") && doc.RemoveElement());
    EXPECT_EQ(doc.DocumentText(), "");
}
