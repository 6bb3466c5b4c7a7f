#include "xml/xml_node.h"
#include "xml/xml_parser.h"

#include <gtest/gtest.h>

namespace {

using xml::Node;

struct Parsed {
    std::shared_ptr<Node> document = Node::makeElement("");
    xml::ParseOutcome outcome;
};

Parsed parse(std::string_view text, bool ignoreWhite = false) {
    Parsed parsed;
    parsed.outcome = xml::parseInto(*parsed.document, text, ignoreWhite);
    return parsed;
}

TEST(XmlParse, ReadsWhatTheFormatReads) {
    struct Case {
        const char* text;
        bool ignoreWhite;
        const char* printed;
    } cases[] = {
        {"<a x=\"1\" y='2'>hi<b/></a>", false, "<a x=\"1\" y=\"2\">hi<b /></a>"},
        {"<a/><b/>tail", false, "<a /><b />tail"},  // several top-level nodes
        {"<a>\n  <b>t</b>\n</a>", true, "<a><b>t</b></a>"},
        {"<a>\n  <b>t</b>\n</a>", false, "<a>\n  <b>t</b>\n</a>"},
        {"<a>x &lt; y &amp;&#65;&#x42; &nbsp;</a>", false, "<a>x &lt; y &amp;AB &amp;nbsp;</a>"},
        {"<a><![CDATA[<raw>]]><!-- gone --><?pi gone?></a>", false, "<a>&lt;raw&gt;</a>"},
        {"<a t=\"R&amp;D &unknown;\"/>", false, "<a t=\"R&amp;D &amp;unknown;\" />"},
        {"", false, ""},
    };
    for (const auto& c : cases) {
        const auto parsed = parse(c.text, c.ignoreWhite);
        EXPECT_EQ(parsed.outcome.status, xml::Ok) << c.text;
        EXPECT_EQ(parsed.document->toString(), c.printed) << c.text;
    }
}

TEST(XmlParse, KeepsDeclarationAndDoctypeAsText) {
    const auto parsed =
        parse("<?xml version=\"1.0\"?><!DOCTYPE r [<!ENTITY a \"aaaaaaaaaa\"><!ENTITY b \"&a;&a;&a;&a;\">]><r>&b;</r>");
    EXPECT_EQ(parsed.outcome.status, xml::Ok);
    EXPECT_EQ(parsed.outcome.xmlDecl, "<?xml version=\"1.0\"?>");
    ASSERT_TRUE(parsed.outcome.docTypeDecl);
    EXPECT_EQ(parsed.outcome.docTypeDecl->substr(0, 11), "<!DOCTYPE r");
    EXPECT_EQ(parsed.document->toString(), "<r>&amp;b;</r>");  // entities are never expanded
}

TEST(XmlParse, StatusCodesForBrokenText) {
    struct Case {
        const char* text;
        int status;
    } cases[] = {
        {"<a><![CDATA[open", xml::CdataNotTerminated},
        {"<?xml version=\"1.0\"", xml::DeclarationNotTerminated},
        {"<!DOCTYPE a [ <!ELEMENT a ANY>", xml::DoctypeNotTerminated},
        {"<a><!-- open", xml::CommentNotTerminated},
        {"<a><b c=1/></a>", xml::MalformedElement},
        {"<a b=\"open/>", xml::AttributeNotTerminated},
        {"<a><b></a>", xml::StartTagNotClosed},
        {"<a>", xml::StartTagNotClosed},
        {"</a>", xml::EndTagWithoutStart},
        {"<a></a></b>", xml::EndTagWithoutStart},
        {"<1a/>", xml::MalformedElement},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parse(c.text).outcome.status, c.status) << c.text;
}

TEST(XmlParse, BoundsDepthAndCount) {
    std::string deep;
    for (int i = 0; i < 2000; ++i)
        deep += "<d>";
    EXPECT_EQ(parse(deep).outcome.status, xml::OutOfMemory);
    std::string many;
    for (int i = 0; i < 100; ++i)
        many += "<n/>";
    auto document = Node::makeElement("");
    EXPECT_EQ(xml::parseInto(*document, many, false, xml::ParseLimits{50}).status, xml::OutOfMemory);
    EXPECT_LE(document->children().size(), 50u);
}

TEST(XmlNode, TreeEditingKeepsTheTreeSound) {
    auto document = Node::makeElement("");
    auto a = Node::makeElement("a");
    auto b = Node::makeElement("b");
    auto text = Node::makeText("t<");
    ASSERT_TRUE(document->appendChild(a));
    ASSERT_TRUE(a->appendChild(text));
    ASSERT_TRUE(a->insertBefore(b, text));
    EXPECT_EQ(document->toString(), "<a><b />t&lt;</a>");
    EXPECT_EQ(b->nextSibling(), text);
    EXPECT_EQ(text->previousSibling(), b);
    EXPECT_EQ(a->firstChild(), b);
    EXPECT_EQ(a->lastChild(), text);

    EXPECT_FALSE(b->appendChild(a));  // below itself
    EXPECT_FALSE(a->appendChild(a));
    EXPECT_FALSE(text->appendChild(b));             // text holds no children
    EXPECT_FALSE(document->insertBefore(b, text));  // `before` is not its child
    EXPECT_EQ(document->toString(), "<a><b />t&lt;</a>");

    ASSERT_TRUE(document->appendChild(b));  // moves, not copies
    EXPECT_EQ(document->toString(), "<a>t&lt;</a><b />");
    EXPECT_EQ(b->parent(), document);

    auto copy = a->cloneNode(true);
    EXPECT_EQ(copy->toString(), "<a>t&lt;</a>");
    EXPECT_EQ(copy->parent(), nullptr);
    EXPECT_NE(copy->firstChild(), text);
    EXPECT_EQ(a->cloneNode(false)->toString(), "<a />");

    text->removeNode();
    EXPECT_EQ(text->parent(), nullptr);
    EXPECT_EQ(document->toString(), "<a /><b />");
}

TEST(XmlNode, RefusesToGrowTooDeep) {
    auto top = Node::makeElement("top");
    auto at = top;
    for (int i = 0; i < Node::MaxDepth; ++i) {
        auto child = Node::makeElement("d");
        ASSERT_TRUE(at->appendChild(child)) << i;
        at = child;
    }
    EXPECT_FALSE(at->appendChild(Node::makeElement("x")));
    auto other = Node::makeElement("o");
    EXPECT_FALSE(other->appendChild(top));  // the subtree is already as deep as allowed
}

TEST(XmlNode, Namespaces) {
    const auto parsed = parse("<r xmlns=\"urn:d\" xmlns:p=\"urn:p\"><p:x/><y/></r>");
    const auto r = parsed.document->firstChild();
    const auto x = r->firstChild();
    EXPECT_EQ(x->prefix(), "p");
    EXPECT_EQ(x->localName(), "x");
    EXPECT_EQ(x->namespaceURI(), "urn:p");
    EXPECT_EQ(x->nextSibling()->namespaceURI(), "urn:d");
    EXPECT_EQ(x->prefixForNamespace("urn:p"), "p");
    EXPECT_FALSE(x->namespaceForPrefix("q"));
}

}  // namespace
