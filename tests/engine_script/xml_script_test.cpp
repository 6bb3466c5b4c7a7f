// XML and XMLNode as scripts see them: the tree through properties, one
// object per node, edits that show in the markup, status codes, loading.
#include "script_test_support.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

using namespace scripttest;

namespace {

namespace fs = std::filesystem;

// Pushes the value at a dotted path ("x.firstChild.nodeName").
void pushPath(Actions& a, const std::string& path) {
    std::stringstream parts(path);
    std::string part;
    std::getline(parts, part, '.');
    a.push({part}).getVariable();
    while (std::getline(parts, part, '.'))
        a.push({part}).getMember();
}

// path.method(args), its result left on the stack.
void callPath(Actions& a, const std::string& path, const std::string& method, const std::vector<PushValue>& args) {
    std::vector<PushValue> reversed(args.rbegin(), args.rend());
    reversed.emplace_back(int(args.size()));
    a.push(reversed);
    pushPath(a, path);
    a.push({method}).callMethod();
}

// path.method(the values at the given paths), its result left on the stack.
void callWithPaths(Actions& a, const std::string& path, const std::string& method,
                   const std::vector<std::string>& argPaths) {
    for (auto it = argPaths.rbegin(); it != argPaths.rend(); ++it)
        pushPath(a, *it);
    a.push({int(argPaths.size())});
    pushPath(a, path);
    a.push({method}).callMethod();
}

// name = new XML(text)
void newXml(Actions& a, const std::string& name, const std::string& text) {
    a.push({name}).push({text, 1, "XML"}).newObject().setVariable();
}

struct PathCase {
    std::string path;
    std::string expected;
};

TEST(XmlScript, TreeReadsThroughProperties) {
    const std::string text =
        "<?xml version=\"1.0\"?><!DOCTYPE r><r a=\"1\" b=\"x&amp;y\"><c>t&lt;</c><d/>  "
        "<e:f xmlns:e=\"urn:e\"/></r>";
    Actions a;
    newXml(a, "x", text);
    auto p = runFrame(a);
    ASSERT_TRUE(p->host.errors.empty());
    const PathCase cases[] = {
        {"x.status", "0"},
        {"x.xmlDecl", "<?xml version=\"1.0\"?>"},
        {"x.docTypeDecl", "<!DOCTYPE r>"},
        {"x.nodeType", "1"},
        {"x.nodeName", "null"},
        {"x.firstChild.nodeName", "r"},
        {"x.firstChild.nodeValue", "null"},
        {"x.firstChild.attributes.a", "1"},
        {"x.firstChild.attributes.b", "x&y"},
        {"x.firstChild.firstChild.firstChild.nodeValue", "t<"},
        {"x.firstChild.firstChild.firstChild.nodeType", "3"},
        {"x.firstChild.firstChild.firstChild.nodeName", "null"},
        {"x.firstChild.childNodes.length", "4"},
        {"x.firstChild.lastChild.prefix", "e"},
        {"x.firstChild.lastChild.localName", "f"},
        {"x.firstChild.lastChild.namespaceURI", "urn:e"},
        {"x.firstChild.lastChild.previousSibling.nodeValue", "  "},
        {"x.firstChild.firstChild.nextSibling.nodeName", "d"},
        {"x.firstChild.firstChild.parentNode.nodeName", "r"},
        {"x.firstChild.parentNode.nodeType", "1"},
        {"x.parentNode", "null"},
        {"x.firstChild.lastChild.nextSibling", "null"},
        {"x.firstChild.childNodes.2.nodeValue", "  "},
    };
    for (const auto& c : cases)
        EXPECT_EQ(p->var(c.path), c.expected) << c.path;
}

TEST(XmlScript, MethodsEditAndPrint) {
    Actions a;
    newXml(a, "x", "<r a=\"1\"><c/></r>");
    // Identity: the same node is the same object, and keeps what a script puts on it.
    pushPath(a, "x.firstChild");
    a.push({"tag", "kept"}).setMember();
    a.push({"same"});
    pushPath(a, "x.firstChild.firstChild.parentNode");
    pushPath(a, "x.firstChild");
    a.strictEquals().setVariable();
    // e = x.createElement("e"); e.attributes.q = "a\"b"; t = x.createTextNode("1<2")
    a.push({"e"});
    callPath(a, "x", "createElement", {"e"});
    a.setVariable();
    pushPath(a, "e.attributes");
    a.push({"q", "a\"b"}).setMember();
    a.push({"t"});
    callPath(a, "x", "createTextNode", {"1<2"});
    a.setVariable();
    callWithPaths(a, "e", "appendChild", {"t"});
    a.pop();
    callWithPaths(a, "x.firstChild", "insertBefore", {"e", "x.firstChild.firstChild"});
    a.pop();
    pushPath(a, "x.firstChild");
    a.push({"attributes"}).getMember().push({"a", "2"}).setMember();
    pushPath(a, "x.firstChild");
    a.push({"nodeName", "root"}).setMember();
    a.push({"s1"});
    callPath(a, "x", "toString", {});
    a.setVariable();
    // A node cannot go below itself; the tree stays as it was.
    callWithPaths(a, "e", "appendChild", {"x.firstChild"});
    a.pop();
    a.push({"deep"});
    callPath(a, "x.firstChild", "cloneNode", {true});
    a.setVariable();
    a.push({"shallow"});
    callPath(a, "x.firstChild", "cloneNode", {false});
    a.setVariable();
    callPath(a, "e", "removeNode", {});
    a.pop();
    a.push({"s2"});
    callPath(a, "x", "toString", {});
    a.setVariable();
    a.push({"ds"});
    callPath(a, "deep", "toString", {});
    a.setVariable();
    a.push({"ss"});
    callPath(a, "shallow", "toString", {});
    a.setVariable();
    a.push({"hc"});
    callPath(a, "shallow", "hasChildNodes", {});
    a.setVariable();
    a.push({"ns"});
    callPath(a, "x.firstChild", "getNamespaceForPrefix", {"none"});
    a.setVariable();
    auto p = runFrame(a);
    ASSERT_TRUE(p->host.errors.empty());
    // A collection in between must not lose the node's own properties.
    p->engine->collectGarbage();
    const PathCase cases[] = {
        {"same", "true"},
        {"x.firstChild.tag", "kept"},
        {"s1", "<root a=\"2\"><e q=\"a&quot;b\">1&lt;2</e><c /></root>"},
        {"s2", "<root a=\"2\"><c /></root>"},
        {"ds", "<root a=\"2\"><e q=\"a&quot;b\">1&lt;2</e><c /></root>"},
        {"ss", "<root a=\"2\" />"},
        {"hc", "false"},
        {"e.parentNode", "null"},
        {"ns", "null"},
        {"deep.parentNode", "null"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(p->var(c.path), c.expected) << c.path;
}

TEST(XmlScript, StatusCodesAndHostileText) {
    std::string deep;
    for (int i = 0; i < 600; ++i)
        deep += "<a>";
    const struct {
        std::string text;
        std::string status;
        std::string firstValue;  // x.firstChild.firstChild.nodeValue
    } cases[] = {
        {"<a>1</a>", "0", "1"},
        {"<a>", "-9", "<none>"},
        {"</a>", "-10", "<none>"},
        {"<a b='1>", "-8", "<none>"},
        {"<!-- x", "-5", "<none>"},
        {"<![CDATA[x", "-2", "<none>"},
        {"<?xml version='1.0'", "-3", "<none>"},
        {"<!DOCTYPE x", "-4", "<none>"},
        // Entities are never expanded: a DOCTYPE's declarations stay text.
        {"<!DOCTYPE r [<!ENTITY e \"boom\">]><a>&e;</a>", "0", "&e;"},
        {deep, "-7", ""},
    };
    for (const auto& c : cases) {
        Actions a;
        newXml(a, "x", c.text);
        auto p = runFrame(a);
        ASSERT_TRUE(p->host.errors.empty()) << c.text;
        EXPECT_EQ(p->var("x.status"), c.status) << c.text;
        if (!c.firstValue.empty()) {
            EXPECT_EQ(p->var("x.firstChild.firstChild.nodeValue"), c.firstValue) << c.text;
        }
    }
}

TEST(XmlScript, IgnoreWhiteFromThePrototypeAndSubclasses) {
    Actions a;
    a.push({"XML"}).getVariable().push({"prototype"}).getMember().push({"ignoreWhite", true}).setMember();
    newXml(a, "x", "<r>\n  <c/>\n</r>");
    // function Sub() {} Sub.prototype = new XML(); s = new Sub(); s.parseXML("<q/>")
    Actions body;
    a.push({"Sub"}).defineFunction("", {}, body).setVariable();
    a.push({"Sub"}).getVariable().push({"prototype", 0, "XML"}).newObject().setMember();
    a.push({"s", 0, "Sub"}).newObject().setVariable();
    callPath(a, "s", "parseXML", {"<q/>"});
    a.pop();
    auto p = runFrame(a);
    ASSERT_TRUE(p->host.errors.empty());
    EXPECT_EQ(p->var("x.firstChild.childNodes.length"), "1");
    EXPECT_EQ(p->var("s.firstChild.nodeName"), "q");
}

class XmlLoadTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/moviehost-xml-XXXXXX";
        m_folder = fs::path(::mkdtemp(pattern));
        std::ofstream(m_folder / "data.xml") << "<list><item id=\"7\">seven</item></list>";
    }
    void TearDown() override { fs::remove_all(m_folder); }
    fs::path m_folder;
};

TEST_F(XmlLoadTest, LoadsBetweenFramesAndCallsOnLoad) {
    const struct {
        std::string url;
        std::string trace;
    } cases[] = {
        {"data.xml", "true true 0 seven"},
        {"missing.xml", "false false 0 undefined"},
        {"/etc/hostname", "false false 0 undefined"},
    };
    for (const auto& c : cases) {
        Actions setup;
        newXml(setup, "x", "");
        // x.onLoad = function(ok) { trace(ok + " " + this.loaded + " " + this.status + " " + ...nodeValue) }
        Actions onLoad;
        onLoad.push({"ok"}).getVariable().push({" "}).add2();
        onLoad.push({"this"}).getVariable().push({"loaded"}).getMember().add2().push({" "}).add2();
        onLoad.push({"this"}).getVariable().push({"status"}).getMember().add2().push({" "}).add2();
        onLoad.push({"this"}).getVariable().push({"firstChild"}).getMember().push({"firstChild"}).getMember();
        onLoad.push({"firstChild"}).getMember().push({"nodeValue"}).getMember().add2().trace();
        setup.push({"x"}).getVariable().push({"onLoad"}).defineFunction("", {"ok"}, onLoad).setMember();
        // The load starts on the second frame, once the movie has its place.
        Actions start;
        start.callMethodOn("x", "load", {c.url}).pop();
        start.stop();
        swfwriter::MovieWriter m({.version = 8});
        m.doAction(setup);
        m.showFrame();
        m.doAction(start);
        m.showFrame();
        auto p = Player::load(m);
        p->host.url = u"file://" + script::utf8ToUtf16((m_folder / "main.swf").string());
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (p->host.traces.empty() && std::chrono::steady_clock::now() < deadline) {
            p->engine->tick();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        EXPECT_EQ(p->host.traces, (Strings{c.trace})) << c.url;
    }
}

}  // namespace
