// E4X: XML and XMLList reached as compiled code reaches them (property
// access by name, attribute, index and descendants; methods by call), one
// chain of steps per case, and the instructions of the filter, escaping and
// default namespace through assembled byte code.
#include "avm2/e4x.h"
#include "avm2/conversions.h"
#include "avm2/machine.h"

#include "abc_writer.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

using namespace avm2;
using swfwriter::AbcWriter;
using swfwriter::Code;

namespace {

// Steps, left to right, on the value so far:
//   ".a"  child elements a      "@a" attributes a     "..a" descendants a
//   "[1]" the item at 1         "f(x|y)" method f with texts x, y ("f()" none; "#2" the number 2; "~" null)
//   ".name" on a value that is not XML reads its member
//   ".a=x" / "@a=x" / "[1]=x"   assignment of the text x (the step's value stays)
//   "-.a" / "-@a" / "-[0]"      delete
//   "==<b/>"                    loose equality with new XML("<b/>")
struct E4xCase {
    const char* name;
    const char16_t* source;
    std::vector<const char16_t*> steps;
    const char* expected;  // toXMLString of XML values, toString of others, or "error: <part>"
};

Multiname nameOf(Machine& m, std::u16string_view text, bool attribute, Namespace* const (&publicSet)[1]) {
    Multiname mn;
    mn.namespaces = publicSet;
    mn.attribute = attribute;
    mn.anyName = text == u"*";
    mn.name = m.intern(std::u16string(text));
    mn.text = mn.name->text();
    mn.isIndex = !attribute && arrayIndex(mn.text, mn.index);
    return mn;
}

Value step(Machine& m, Value v, std::u16string s) {
    Namespace* const publicSet[1] = {m.publicNamespace()};
    if (s.starts_with(u"==")) {
        const Value text[1] = {m.string(s.substr(2))};
        Machine::Pin keep(m, text[0]);
        const Value other = m.construct(m.findDefinitionByName(u"XML"), text);
        return Value::boolean(xmlEquals(m, v, other));
    }
    const bool remove = s.starts_with(u"-");
    if (remove)
        s.erase(0, 1);
    if (const size_t open = s.find(u'('); open != std::u16string::npos && !s.starts_with(u".")) {
        const std::u16string method = s.substr(0, open);
        std::u16string rest = s.substr(open + 1, s.size() - open - 2);
        std::vector<Value> args;
        while (!rest.empty()) {
            const size_t bar = rest.find(u'|');
            const std::u16string arg = rest.substr(0, bar);
            args.push_back(arg == u"~"             ? Value::null()
                           : arg.starts_with(u"#") ? Value::number(stringToNumber(arg.substr(1)))
                                                   : m.string(arg));
            rest = bar == std::u16string::npos ? u"" : rest.substr(bar + 1);
        }
        for (const Value& a : args)
            m.pin(a);
        // As compiled calls reach XML's methods (a one-item list answers its item's).
        const Value f = isE4x(v) ? xmlMethod(m, v, nameOf(m, method, false, publicSet)) : Value();
        const Value r = f.isObject() ? m.call(f, v, args) : m.callMember(v, method, args);
        m.unpin(args.size());
        return r;
    }
    if (!isE4x(v))
        return m.getMember(v, s.substr(1));
    std::u16string assigned;
    const size_t eq = s.find(u'=');
    if (eq != std::u16string::npos) {
        assigned = s.substr(eq + 1);
        s.resize(eq);
    }
    bool attribute = false, descendants = false;
    std::u16string name;
    if (s.starts_with(u"..")) {
        descendants = true;
        name = s.substr(2);
        attribute = name.starts_with(u"@");
        if (attribute)
            name.erase(0, 1);
    } else if (s.starts_with(u"@")) {
        attribute = true;
        name = s.substr(1);
    } else if (s.starts_with(u"[")) {
        name = s.substr(1, s.size() - 2);
    } else {
        name = s.substr(1);
    }
    const Multiname mn = nameOf(m, name, attribute, publicSet);
    if (descendants)
        return xmlDescendants(m, v, mn);
    if (remove) {
        (void)xmlDeleteProperty(m, v, mn);
        return v;
    }
    if (eq != std::u16string::npos) {
        xmlSetProperty(m, v, mn, m.string(assigned));
        return v;
    }
    return xmlGetProperty(m, v, mn);
}

std::string run(const E4xCase& c) {
    Machine m;
    std::string out;
    auto r = m.run([&] {
        const Value text = m.string(c.source);
        Machine::Pin keepText(m, text);
        const Value arg[1] = {text};
        Value v = m.construct(m.findDefinitionByName(u"XML"), arg);
        for (const char16_t* s : c.steps) {
            Machine::Pin keep(m, v);
            v = step(m, v, s);
        }
        out = utf16ToUtf8(isE4x(v) ? xmlToXmlString(m, v) : m.toString(v)->text());
        return Value();
    });
    return r ? out : "error: " + r.error().what;
}

const char16_t* const Books =
    u"<lib xmlns:d=\"urn:d\"><book id=\"1\" d:lang=\"en\"><title>A</title><price>5</price></book>"
    u"<book id=\"2\"><title>B</title><price>7</price></book><!-- note --></lib>";

TEST(E4x, Expressions) {
    const E4xCase cases[] = {
        {"ChildText", Books, {u".book", u"[1]", u".title"}, "<title>B</title>"},
        {"SimpleContentToString", Books, {u".book", u"[0]", u".title", u"toString()"}, "A"},
        {"AttributeByName", Books, {u".book", u"@id"}, "1\n2"},
        {"AttributesAsText", Books, {u".book", u"@id", u"toString()"}, "12"},
        {"PrefixedAttribute", Books, {u".book", u"[0]", u"attributes()", u"length()"}, "2"},
        {"Descendants", Books, {u"..title"}, "<title>A</title>\n<title>B</title>"},
        {"DescendantAttributes", Books, {u"..@id", u"length()"}, "2"},
        {"AnyChild", Books, {u".*", u"length()"}, "2"},
        {"CommentsIgnored", Books, {u"comments()", u"length()"}, "0"},
        {"Elements", Books, {u".book", u"[0]", u"elements()", u"length()"}, "2"},
        {"ChildByIndex", Books, {u"child(#1)", u"@id"}, "2"},
        {"ChildByIndexText", Books, {u"child(1)", u"@id"}, "2"},
        {"NameAndKind", Books, {u".book", u"[0]", u"name()"}, "book"},
        {"NodeKindOfAttribute", Books, {u".book", u"[0]", u"@id", u"[0]", u"nodeKind()"}, "attribute"},
        {"ParentOfList", Books, {u".book", u"parent()", u"localName()"}, "lib"},
        {"ChildIndex", Books, {u".book", u"[1]", u"childIndex()"}, "1"},
        {"MissingChildIsEmpty", Books, {u".shelf", u"length()"}, "0"},
        {"SetAttribute", u"<a/>", {u"@x=1<2"}, "<a x=\"1&lt;2\"/>"},
        {"SetChildText", u"<a><b>1</b></a>", {u".b=two"}, "<a>\n  <b>two</b>\n</a>"},
        {"SetNewChild", u"<a/>", {u".c=3"}, "<a>\n  <c>3</c>\n</a>"},
        {"AppendThroughList", u"<a><b>1</b></a>", {u".b", u"[1]=2", u"parent()"}, "<a>\n  <b>1</b>\n  <b>2</b>\n</a>"},
        {"DeleteChildren", u"<a><b/><c/><b/></a>", {u"-.b"}, "<a>\n  <c/>\n</a>"},
        {"DeleteAttribute", u"<a x=\"1\" y=\"2\"/>", {u"-@x"}, "<a y=\"2\"/>"},
        {"DeleteListItem", u"<a><b>1</b><b>2</b></a>", {u".b", u"-[0]", u"parent()"}, "<a>\n  <b>2</b>\n</a>"},
        {"AppendChildTextIsText", u"<a/>", {u"appendChild(<b/>)"}, "<a>&lt;b/&gt;</a>"},
        {"AppendChildXml", u"<a/>", {u"appendChild(x)", u"children()", u"[0]", u"nodeKind()"}, "text"},
        {"PrependChild", u"<a><c/></a>", {u"prependChild(text)"}, "<a>\n  text\n  <c/>\n</a>"},
        {"SetChildren", u"<a><c/></a>", {u"setChildren(x)"}, "<a>x</a>"},
        {"Replace", u"<a><b/><c/></a>", {u"replace(b|y)"}, "<a>\n  y\n  <c/>\n</a>"},
        {"InsertChildBefore", u"<a><b/></a>", {u"insertChildBefore(~|z)"}, "<a>\n  <b/>\n  z\n</a>"},
        {"EscapedText", u"<a>&lt;&amp;</a>", {u"toXMLString()"}, "<a>&lt;&amp;</a>"},
        {"EscapedTextValue", u"<a>&lt;&amp;</a>", {u"toString()"}, "<&"},
        {"WhitespaceTrimmed", u"<a>  hi  </a>", {u"toString()"}, "hi"},
        {"NamespacePrefix", u"<p:a xmlns:p=\"urn:p\"><p:b/></p:a>", {u"namespace()", u".uri"}, "urn:p"},
        {"NamespacedChildKeepsDeclaration",
         u"<p:a xmlns:p=\"urn:p\"><p:b/></p:a>",
         {u"children()"},
         "<p:b xmlns:p=\"urn:p\"/>"},
        {"UnqualifiedMissesNamespaced", u"<a xmlns=\"urn:x\"><b/></a>", {u".b", u"length()"}, "0"},
        {"DeclarationsKept", u"<a xmlns:q=\"urn:q\"/>", {u"namespaceDeclarations()", u".length"}, "1"},
        {"HasSimpleContent", Books, {u".book", u"[0]", u".title", u"hasSimpleContent()"}, "true"},
        {"HasComplexContent", Books, {u"hasComplexContent()"}, "true"},
        {"Contains", u"<a><b>1</b></a>", {u".b", u"contains(1)"}, "true"},
        {"CopyIsDetached", Books, {u".book", u"[0]", u"copy()", u"parent()"}, "undefined"},
        {"Normalize", u"<a>x</a>", {u"appendChild(y)", u"normalize()", u"children()", u"length()"}, "1"},
        {"TextNodes", u"<a>x<b/>y</a>", {u"text()", u"length()"}, "2"},
        {"MalformedRefused", u"<a><b></a>", {}, "error: TypeError: Error #1085"},
        {"TwoRootsRefused", u"<a/><b/>", {}, "error: Error #1088"},
        {"EntityRefused", u"<!DOCTYPE a [<!ENTITY e \"boom\">]><a>&e;</a>", {}, "error: Error #1090"},
        {"UnboundPrefixRefused", u"<p:a/>", {}, "error: Error #1083"},
        {"DeclarationSkipped", u"<?xml version=\"1.0\"?><a/>", {u"name()"}, "a"},
        {"IndexedXmlAssignment", u"<a/>", {u"[0]=x"}, "error: Error #1087"},
        {"CdataPrintedAsCdata", u"<a><![CDATA[x<&y]]></a>", {}, "<a><![CDATA[x<&y]]></a>"},
        {"CdataTextValue", u"<a><![CDATA[x<&y]]></a>", {u"toString()"}, "x<&y"},
        {"CdataBesideText", u"<a>1<![CDATA[ 2 ]]></a>", {u"children()", u"length()"}, "2"},
        {"CdataWhitespaceKept", u"<a><b/><![CDATA[  ]]></a>", {u"children()", u"length()"}, "2"},
        {"OneItemMethodOnLongerList", Books, {u".book", u"name()"}, "error: Error #1086"},
        {"OneItemMethodOnEmptyList", Books, {u".shelf", u"childIndex()"}, "error: Error #1086"},
        {"AttributeThroughEmptyList", u"<a/>", {u"@x", u"[0]=1", u"parent()"}, "<a x=\"1\"/>"},
        {"ValidNameTaken", u"<a/>", {u"setLocalName(b-1.c)"}, "undefined"},
        {"InvalidLocalNameRefused", u"<a/>", {u"setLocalName(1b)"}, "error: Error #1117"},
        {"InvalidNameRefused", u"<a/>", {u"setName(a b)"}, "error: Error #1117"},
        {"AnyChildAnyNamespace", u"<a xmlns:p=\"urn:p\"><p:b/><b/></a>", {u"child(*)", u"length()"}, "2"},
        {"AnyElementAnyNamespace", u"<a xmlns:p=\"urn:p\"><p:b/><b/></a>", {u"elements(*)", u"length()"}, "2"},
        {"AnyAttributeAnyNamespace", Books, {u".book", u"[0]", u"attribute(*)", u"length()"}, "2"},
        {"EqualTrees", u"<a x=\"1\"><b>t</b></a>", {u"==<a x=\"1\"><b>t</b></a>"}, "true"},
        {"AttributesMakeElementsDiffer", u"<a x=\"1\"/>", {u"==<a x=\"2\"/>"}, "false"},
        {"NamesMakeSimpleElementsDiffer", u"<a>t</a>", {u"==<b>t</b>"}, "false"},
        {"AttributeEqualsSimpleElementByText", u"<a x=\"t\"/>", {u"@x", u"==<b>t</b>"}, "true"},
        {"CdataCopied", u"<a><b><![CDATA[<c>]]></b></a>", {u".b", u"copy()"}, "<b><![CDATA[<c>]]></b>"},
    };
    for (const E4xCase& c : cases) {
        const std::string got = run(c);
        const std::string expected = c.expected;
        if (expected.rfind("error: ", 0) == 0)
            EXPECT_NE(got.find(expected.substr(7)), std::string::npos) << c.name << ": " << got;
        else
            EXPECT_EQ(got, expected) << c.name;
    }
}

// Nesting beyond the limit is refused by the parser, not by the stack.
TEST(E4x, DepthLimit) {
    std::u16string deep;
    for (size_t i = 0; i <= MaxXmlDepth; ++i)
        deep += u"<a>";
    for (size_t i = 0; i <= MaxXmlDepth; ++i)
        deep += u"</a>";
    const std::string got = run({"Deep", deep.c_str(), {}, ""});
    EXPECT_NE(got.find("Error #1090"), std::string::npos) << got;
}

struct Names {
    uint32_t xml = 0, xmlList = 0, b = 0, atId = 0, index = 0, length = 0, toXmlString = 0;
    uint32_t qnameClass = 0, namespaceClass = 0, indexAttribute = 0, runtimeNsB = 0, idText = 0;
    uint32_t source = 0, two = 0, bText = 0, empty = 0, markup = 0, elementSource = 0, urn = 0, nsSource = 0, star = 0;
};

struct CodeCase {
    const char* name;
    std::function<void(Code&, const Names&)> build;
    const char* expected;
};

// Local 1 holds new XML(source) when the case starts.
std::string runCode(const CodeCase& c) {
    AbcWriter a;
    Names n;
    const uint32_t pub = a.packageNamespace("");
    n.xml = a.qname(pub, a.string("XML"));
    n.xmlList = a.qname(pub, a.string("XMLList"));
    n.b = a.qname(pub, a.string("b"));
    n.atId = a.qname(pub, a.string("id"), true);
    n.index = a.multiname(0x1B, {a.nsSet({pub})});
    n.indexAttribute = a.multiname(0x1C, {a.nsSet({pub})});
    n.runtimeNsB = a.multiname(0x0F, {a.string("b")});
    n.qnameClass = a.qname(pub, a.string("QName"));
    n.namespaceClass = a.qname(pub, a.string("Namespace"));
    n.idText = a.string("id");
    n.length = a.qname(pub, a.string("length"));
    n.toXmlString = a.qname(pub, a.string("toXMLString"));
    n.source = a.string("<a><b id=\"1\">x</b><c><b id=\"2\">y</b></c><b id=\"2\">z</b></a>");
    n.two = a.string("2");
    n.bText = a.string("b");
    n.empty = a.string("");
    n.markup = a.string("<b>&");
    n.elementSource = a.string("<c/>");
    n.urn = a.string("urn:x");
    n.nsSource = a.string("<a xmlns=\"urn:x\"><b/><b/></a>");
    n.star = a.string("*");
    const uint32_t main = a.method({.flags = 0x40});  // sets dxns
    Code code;
    code.op(Op::GetLex, n.xml).op(Op::PushString, n.source).op(Op::Construct, 1).op(Op::SetLocal1);
    c.build(code, n);
    a.body({.method = main,
            .maxStack = 8,
            .localCount = 6,
            .initScopeDepth = 0,
            .maxScopeDepth = 2,
            .code = code.bytes()});
    Machine m;
    auto file = m.load(a.bytes());
    if (!file)
        return "load error: " + file.error().describe();
    auto result = m.callMethod(**file, main, Value::object(m.global()), {});
    if (!result)
        return "error: " + result.error().what;
    return utf16ToUtf8(m.toString(*result)->text());
}

TEST(E4x, Instructions) {
    const CodeCase cases[] = {
        {"Descendants",
         [](Code& c, const Names& n) {
             c.op(Op::GetLocal1).op(Op::GetDescendants, n.b).op(Op::CallProperty, {n.length, 0}).op(Op::ReturnValue);
         },
         "3"},
        {"DescendantAttributes",
         [](Code& c, const Names& n) {
             c.op(Op::GetLocal1).op(Op::GetDescendants, n.atId).op(Op::ConvertS).op(Op::ReturnValue);
         },
         "122"},
        {"Filter",
         // x.b.(@id == "2"): the loop compilers emit, over a with scope.
         [](Code& c, const Names& n) {
             c.op(Op::GetLocal1).op(Op::GetProperty, n.b).op(Op::CheckFilter).op(Op::SetLocal2);
             c.op(Op::GetLex, n.xmlList).op(Op::PushString, n.empty).op(Op::Construct, 1).op(Op::SetLocal3);
             c.op(Op::PushByte, 0).op(Op::SetLocal, 4).branch(Op::Jump, "test");
             c.label("top").op(Op::Label);
             c.op(Op::GetLocal2).op(Op::GetLocal, 4).op(Op::NextValue).op(Op::Dup).op(Op::SetLocal, 5).op(Op::PushWith);
             c.op(Op::FindPropStrict, n.atId).op(Op::GetProperty, n.atId).op(Op::PushString, n.two).op(Op::Equals);
             c.branch(Op::IfFalse, "skip");
             c.op(Op::GetLocal3).op(Op::GetLocal, 4).op(Op::GetLocal, 5).op(Op::SetProperty, n.index);
             c.label("skip").op(Op::PopScope);
             c.label("test").op(Op::HasNext2, {2, 4}).branch(Op::IfTrue, "top");
             c.op(Op::GetLocal3).op(Op::CallProperty, {n.toXmlString, 0}).op(Op::ReturnValue);
         },
         "<b id=\"2\">z</b>"},
        {"FilterOnText",
         [](Code& c, const Names& n) { c.op(Op::PushString, n.two).op(Op::CheckFilter).op(Op::ReturnValue); },
         "error: TypeError: Error #1123"},
        {"EscapeElementText",
         [](Code& c, const Names& n) { c.op(Op::PushString, n.markup).op(Op::EscXElem).op(Op::ReturnValue); },
         "&lt;b&gt;&amp;"},
        {"EscapeElementXml",
         [](Code& c, const Names& n) {
             c.op(Op::GetLex, n.xml).op(Op::PushString, n.elementSource).op(Op::Construct, 1);
             c.op(Op::EscXElem).op(Op::ReturnValue);
         },
         "<c/>"},
        {"DefaultNamespace",
         [](Code& c, const Names& n) {
             c.op(Op::Dxns, n.urn).op(Op::GetLex, n.xml).op(Op::PushString, n.nsSource).op(Op::Construct, 1);
             c.op(Op::GetProperty, n.b).op(Op::CallProperty, {n.length, 0}).op(Op::ReturnValue);
         },
         "2"},
        {"QNameInDefaultNamespace",
         // default xml namespace = "urn:x"; x[new QName("b")]
         [](Code& c, const Names& n) {
             c.op(Op::Dxns, n.urn).op(Op::GetLex, n.xml).op(Op::PushString, n.nsSource).op(Op::Construct, 1);
             c.op(Op::GetLex, n.qnameClass).op(Op::PushString, n.bText).op(Op::Construct, 1);
             c.op(Op::GetProperty, n.index).op(Op::CallProperty, {n.length, 0}).op(Op::ReturnValue);
         },
         "2"},
        {"ForEachItems",
         [](Code& c, const Names& n) {
             // Sum the ids of x.b with hasnext2/nextvalue.
             c.op(Op::GetLocal1).op(Op::GetProperty, n.b).op(Op::SetLocal2);
             c.op(Op::PushByte, 0).op(Op::SetLocal3).op(Op::PushByte, 0).op(Op::SetLocal, 4);
             c.branch(Op::Jump, "test").label("top").op(Op::Label);
             c.op(Op::GetLocal3).op(Op::GetLocal2).op(Op::GetLocal, 4).op(Op::NextValue);
             c.op(Op::GetProperty, n.atId).op(Op::ConvertD).op(Op::Add).op(Op::SetLocal3);
             c.label("test").op(Op::HasNext2, {2, 4}).branch(Op::IfTrue, "top");
             c.op(Op::GetLocal3).op(Op::ReturnValue);
         },
         "3"},
        {"InOperator",
         [](Code& c, const Names& n) {
             c.op(Op::PushString, n.bText).op(Op::GetLocal1).op(Op::In);
             c.op(Op::PushString, n.two).op(Op::GetLocal1).op(Op::In).op(Op::Add).op(Op::ReturnValue);
         },
         "1"},
        {"TypeOf", [](Code& c, const Names&) { c.op(Op::GetLocal1).op(Op::TypeOf).op(Op::ReturnValue); }, "xml"},
        {"QNameKey",
         // x[new QName("b")]: the children, not a member named by the QName's text.
         [](Code& c, const Names& n) {
             c.op(Op::GetLocal1).op(Op::GetLex, n.qnameClass).op(Op::PushString, n.bText).op(Op::Construct, 1);
             c.op(Op::GetProperty, n.index).op(Op::CallProperty, {n.length, 0}).op(Op::ReturnValue);
         },
         "2"},
        {"QNameAttributeKey",
         // x.b.@[new QName("id")]
         [](Code& c, const Names& n) {
             c.op(Op::GetLocal1).op(Op::GetProperty, n.b).op(Op::GetLex, n.qnameClass).op(Op::PushString, n.idText);
             c.op(Op::Construct, 1).op(Op::GetProperty, n.indexAttribute).op(Op::ConvertS).op(Op::ReturnValue);
         },
         "12"},
        {"NamespacedQNameKey",
         // new XML(<a xmlns="urn:x">...): [new QName("urn:x", "b")], [new QName("", "b")] and
         // [new QName(null, "b")] (any namespace) as three digits
         [](Code& c, const Names& n) {
             c.op(Op::GetLex, n.xml).op(Op::PushString, n.nsSource).op(Op::Construct, 1).op(Op::SetLocal2);
             c.op(Op::PushString, n.empty);
             for (int i = 0; i < 3; ++i) {
                 c.op(Op::GetLocal2).op(Op::GetLex, n.qnameClass);
                 if (i == 0)
                     c.op(Op::PushString, n.urn);
                 else if (i == 1)
                     c.op(Op::PushString, n.empty);
                 else
                     c.op(Op::PushNull);
                 c.op(Op::PushString, n.bText).op(Op::Construct, 2).op(Op::GetProperty, n.index);
                 c.op(Op::CallProperty, {n.length, 0}).op(Op::ConvertS).op(Op::Add);
             }
             c.op(Op::ReturnValue);
         },
         "202"},
        {"StarQNameKeyAnyNamespace",
         // new XML(<a xmlns="urn:x">...)[new QName("*")]
         [](Code& c, const Names& n) {
             c.op(Op::GetLex, n.xml).op(Op::PushString, n.nsSource).op(Op::Construct, 1);
             c.op(Op::GetLex, n.qnameClass).op(Op::PushString, n.star).op(Op::Construct, 1);
             c.op(Op::GetProperty, n.index).op(Op::CallProperty, {n.length, 0}).op(Op::ReturnValue);
         },
         "2"},
        {"PrefixWithoutNamespaceRefused",
         // new Namespace("b", "")
         [](Code& c, const Names& n) {
             c.op(Op::GetLex, n.namespaceClass).op(Op::PushString, n.bText).op(Op::PushString, n.empty);
             c.op(Op::Construct, 2).op(Op::ReturnValue);
         },
         "error: Error #1098"},
        {"NamespaceQualifiedChild",
         // x.ns::b with ns = new Namespace("urn:x")
         [](Code& c, const Names& n) {
             c.op(Op::GetLex, n.xml).op(Op::PushString, n.nsSource).op(Op::Construct, 1);
             c.op(Op::GetLex, n.namespaceClass).op(Op::PushString, n.urn).op(Op::Construct, 1);
             c.op(Op::GetProperty, n.runtimeNsB).op(Op::CallProperty, {n.length, 0}).op(Op::ReturnValue);
         },
         "2"},
    };
    for (const CodeCase& c : cases) {
        const std::string got = runCode(c);
        const std::string expected = c.expected;
        if (expected.rfind("error: ", 0) == 0)
            EXPECT_NE(got.find(expected.substr(7)), std::string::npos) << c.name << ": " << got;
        else
            EXPECT_EQ(got, expected) << c.name;
    }
}

}  // namespace
