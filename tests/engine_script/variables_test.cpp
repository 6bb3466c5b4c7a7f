// Variables by name and by path in every form, from scripts and from the
// host, with the case rules of each version and the scopes that SetTarget,
// _global and _levelN give.
#include "script_test_support.h"

using namespace scripttest;

namespace {

// Root places clip "a" holding clip "b"; `rootScript` runs in root frame 1,
// `innerScript` in b's first frame.
std::unique_ptr<Player> nested(const Actions& rootScript, uint8_t version = 8, const Actions* innerScript = nullptr) {
    swfwriter::MovieWriter m({.version = version});
    uint16_t b = spriteWith(m, innerScript);
    swfwriter::SpriteWriter a(version);
    a.place(b, 1, named("b"));
    a.showFrame();
    uint16_t aId = m.defineSprite(a);
    m.place(aId, 1, named("a"));
    m.doAction(rootScript);
    m.showFrame();
    return Player::load(m);
}

TEST(Paths, SettingAndGettingInEveryForm) {
    Actions a;
    a.setVar("/a/b:v", "slash");
    a.setVar("_root.a.w", "dot");
    a.setVar("a/b:z", "relative");
    a.setVar("/:top", "root var");
    for (const char* path :
         {"/a/b:v", "a.b.v", "_root.a.b.v", "_level0.a.b.v", "/a:w", "a.w", "/a/b:z", "/:top", "top", "_root:top"})
        a.traceVar(path);
    a.traceVar("/a/b");
    a.traceVar("this");
    a.traceVar("_level1");
    a.traceVar("/nothing:v");
    auto p = nested(a);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces, (Strings{"slash", "slash", "slash", "slash", "dot", "dot", "relative", "root var",
                                       "root var", "root var", "_level0.a.b", "_level0", "undefined", "undefined"}));
}

TEST(Paths, ChildScriptsReachParentRootAndGlobal) {
    Actions inner;
    inner.traceVar("_parent._name");
    inner.traceVar("_root.q");
    inner.traceVar("g");
    inner.traceVar("../:q2");
    Actions root;
    // Frame scripts run parent first: these are set before b's script runs.
    root.setVar("q", "from root");
    root.setVar("a:q2", "from a");
    root.push({"_global"}).getVariable().push({"g", "global"}).setMember();
    auto p = nested(root, 8, &inner);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces, (Strings{"a", "from root", "global", "from a"}));
}

TEST(Paths, DotPathsThroughObjects) {
    Actions a;
    a.push({"obj", "k", "m", 3, 1}).initObject().push({1}).initObject().setVariable();
    a.traceVar("obj.k.m");
    a.setVar("obj.k.n", 4);
    a.push({"obj"}).getVariable().push({"k"}).getMember().push({"n"}).getMember().trace();
    EXPECT_EQ(traces(a), (Strings{"3", "4"}));
}

TEST(Paths, LocalsShadowGlobals) {
    Actions f;
    f.push({"g", "local"}).defineLocal();
    f.traceVar("g");
    Actions a;
    a.push({"_global"}).getVariable().push({"g", "global"}).setMember();
    a.defineFunction("f", {}, f);
    a.callFunctionNamed("f", {}).pop();
    a.traceVar("g");
    a.setVar("g", "timeline");  // a timeline variable hides the global too
    a.traceVar("g");
    a.push({"_global"}).getVariable().push({"g"}).getMember().trace();
    EXPECT_EQ(traces(a), (Strings{"local", "global", "timeline", "global"}));
}

TEST(Case, IdentifiersIgnoreCaseUpToSwf6) {
    Actions a;
    a.setVar("Foo", 1);
    a.traceVar("foo");
    a.traceVar("/A/B");
    a.push({"o", "Key", 2, 1}).initObject().setVariable();
    a.push({"o"}).getVariable().push({"KEY"}).getMember().trace();
    auto six = nested(a, 6);
    auto seven = nested(a, 7);
    ASSERT_TRUE(six && seven);
    EXPECT_EQ(six->host.traces, (Strings{"1", "_level0.a.b", "2"}));
    EXPECT_EQ(seven->host.traces, (Strings{"undefined", "undefined", "undefined"}));
}

TEST(Case, SetVariableNotFoundInSwf7GoesWhereThePathSays) {
    Actions a;
    a.setVar("x", 1);
    a.setVar("X", 2);
    a.traceVar("x").traceVar("X");
    auto p = nested(a, 7);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces, (Strings{"1", "2"}));
}

TEST(SetTarget, ActionsAndVariablesFollowTheTarget) {
    Actions a;
    a.setTarget("/a");
    a.setVar("x", "inside a");
    a.traceVar("_name");
    a.setTarget("");
    a.traceVar("_name");
    a.traceVar("/a:x");
    a.push({"a"}).getVariable().push({"b"}).getMember().setTarget2();
    a.traceVar("_name");
    a.push({""}).setTarget2();
    a.setTarget("/missing");
    a.push({"still root"}).trace();
    a.setTarget("");
    auto p = nested(a);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces, (Strings{"a", "", "inside a", "b", "still root"}));
}

TEST(Host, GetAndSetVariablesByPath) {
    Actions a;
    a.setVar("/a/b:v", "deep");
    a.setVar("n", 2.5);
    auto p = nested(a);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->engine->getVariable(u"/a/b:v"), u"deep");
    EXPECT_EQ(p->engine->getVariable(u"_root.a.b.v"), u"deep");
    EXPECT_EQ(p->engine->getVariable(u"a.b.v"), u"deep");
    EXPECT_EQ(p->engine->getVariable(u"n"), u"2.5");
    EXPECT_EQ(p->engine->getVariable(u"missing"), std::nullopt);
    EXPECT_EQ(p->engine->getVariable(u"/a/b"), u"_level0.a.b");

    EXPECT_TRUE(p->engine->setVariable(u"/a:fromHost", u"7"));
    EXPECT_TRUE(p->engine->setVariable(u"_root.a.b.other", u"x"));
    EXPECT_TRUE(p->engine->setVariable(u"plain", u"y"));
    EXPECT_FALSE(p->engine->setVariable(u"/nothere:x", u"z"));
    EXPECT_FALSE(p->engine->setVariable(u"nothing.here", u"z"));
    Actions check;
    check.traceVar("/a:fromHost").push({"/a:fromHost"}).getVariable().push({1}).add2().trace();
    check.traceVar("a.b.other").traceVar("plain");
    p->engine->runActions(p->root(), check.bytes());
    EXPECT_EQ(p->host.traces, (Strings{"7", "71", "x", "y"})) << "host values arrive as strings";
}

}  // namespace
