// Movies of other origins loaded into a network movie: who may script whom,
// what a loaded movie's _url says, and where its own loads resolve.
#include "script_test_support.h"

#include "../engine_net/local_http_server.h"

#include <chrono>
#include <thread>

using namespace scripttest;

namespace {

// The child: keeps a secret, may open itself up, and says what it sees of
// the root and where it lives.
std::string childMovie(const Actions& grant) {
    swfwriter::MovieWriter m({.version = 8});
    Actions a = grant;
    a.setVar("secret", "s");
    a.push({"child sees "}).push({"_level0.rootVar"}).getVariable().add2().trace();
    a.push({"child url "}).push({"_url"}).getVariable().add2().trace();
    a.push({"FSCommand:child", "x"}).getUrl2(0);
    m.doAction(a);
    m.showFrame();
    const auto bytes = m.finish();
    return std::string(bytes.begin(), bytes.end());
}

Actions allow(const std::string& domain) {
    Actions a;
    a.callMethodOn("System.security", "allowDomain", {domain}).pop();
    return a;
}

class MovieOriginsTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_other.serve("/crossdomain.xml",
                      "<cross-domain-policy><allow-access-from domain=\"*\"/></cross-domain-policy>");
    }

    // The root at m_home loads `url` into "holder" and, once it is in, says
    // what it reads of it.
    std::unique_ptr<Player> play(const std::string& url, const Actions& rootGrant) {
        Actions setup = rootGrant;
        setup.setVar("rootVar", "r");
        setup.callMethodOn("_root", "createEmptyMovieClip", {"holder", 1}).pop();
        setup.push({"mcl", 0, "MovieClipLoader"}).newObject().setVariable();
        setup.push({"lis", 0, "Object"}).newObject().setVariable();
        Actions init;
        init.push({"init "}).push({"t"}).getVariable().push({"secret"}).getMember().add2();
        init.push({" "}).add2().push({"holder.secret"}).getVariable().add2().trace();
        setup.push({"lis"}).getVariable().push({"onLoadInit"}).defineFunction("", {"t"}, init).setMember();
        setup.callMethodOn("mcl", "addListener", {}).pop();
        setup.push({"lis"}).getVariable().push({1, "mcl"}).getVariable().push({"addListener"}).callMethod().pop();
        setup.callMethodOn("mcl", "loadClip", {url, "holder"}).pop();
        setup.stop();
        swfwriter::MovieWriter m({.version = 8});
        m.doAction(setup);
        m.showFrame();
        auto movie = m.finish();
        auto parsed = swf::parseMovie(movie);
        auto p = std::make_unique<Player>();
        p->movie = parsed.value();
        p->stage = model::Stage::create(p->movie);
        p->host.url = script::utf8ToUtf16(m_home.url("/main.swf"));
        p->engine = script::Engine::create(*p->stage, p->host);
        p->engine->runPending();
        // Network loads land whenever they arrive: frames pass until then.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (std::chrono::steady_clock::now() < deadline && p->host.traces.size() < 3) {
            p->engine->tick();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return p;
    }

    nettest::LocalHttpServer m_home;
    nettest::LocalHttpServer m_other;  // another port: another origin
};

TEST_F(MovieOriginsTest, OtherOriginsReachEachOtherOnlyWhereGranted) {
    const struct {
        const char* name;
        bool sameOrigin;
        Actions childGrant;
        Actions rootGrant;
        std::string childSees;
        std::string rootSees;
    } cases[] = {
        {"same origin", true, {}, {}, "r", "s s"},
        {"no grants", false, {}, {}, "undefined", "undefined undefined"},
        {"the child lets the root in", false, allow("127.0.0.1"), {}, "undefined", "s s"},
        {"a URL names the domain", false, allow("http://127.0.0.1:1/x.swf"), {}, "undefined", "s s"},
        {"the child lets everyone in", false, allow("*"), {}, "undefined", "s s"},
        {"another domain is no help", false, allow("example.com"), {}, "undefined", "undefined undefined"},
        {"the root lets the child in", false, {}, allow("127.0.0.1"), "r", "undefined undefined"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        nettest::LocalHttpServer& server = c.sameOrigin ? m_home : m_other;
        server.serve("/child.swf", childMovie(c.childGrant));
        auto p = play(server.url("/child.swf"), c.rootGrant);
        const Strings expected{"child sees " + c.childSees, "child url " + server.url("/child.swf"),
                               "init " + c.rootSees};
        EXPECT_EQ(p->host.traces, expected);
        // AllowScriptAccess "sameDomain": only movies of the root's origin call the host.
        EXPECT_EQ(p->host.fscommands.size(), c.sameOrigin ? 1u : 0u);
        // The host itself is no script of any movie: it reads everything.
        EXPECT_EQ(p->var("holder.secret"), "s");
        EXPECT_TRUE(p->host.errors.empty());
    }
}

TEST(HostAccess, AllowScriptAccessGatesEveryCallOut) {
    const struct {
        std::u16string access;
        std::u16string url;
        bool calls;
    } cases[] = {
        {u"sameDomain", u"file:///movies/test.swf", true},
        {u"sameDomain", u"http://127.0.0.1/test.swf", true},  // the root is of its own origin
        {u"always", u"http://127.0.0.1/test.swf", true},
        {u"never", u"file:///movies/test.swf", false},
        {u"never", u"http://127.0.0.1/test.swf", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(utf8(c.access + u" " + c.url));
        Actions a;
        a.push({"FSCommand:go", "now"}).getUrl2(0);
        a.push({"http://example.com/page", "_blank"}).getUrl2(0);
        a.callMethodOn("ExternalInterface", "call", {"f"}).pop();
        a.push({"added"}).defineFunction("", {}, Actions());
        a.push({Null{}, "cb", 3, "ExternalInterface"}).getVariable().push({"addCallback"}).callMethod().setVariable();
        swfwriter::MovieWriter m({.version = 8});
        m.doAction(a);
        m.showFrame();
        auto parsed = swf::parseMovie(m.finish());
        auto p = std::make_unique<Player>();
        p->movie = parsed.value();
        p->stage = model::Stage::create(p->movie);
        p->host.url = c.url;
        p->host.access = c.access;
        p->engine = script::Engine::create(*p->stage, p->host);
        p->engine->runPending();
        EXPECT_EQ(p->host.fscommands.size(), c.calls ? 1u : 0u);
        EXPECT_EQ(p->host.urls.size(), c.calls ? 1u : 0u);
        EXPECT_EQ(p->host.calls.size(), c.calls ? 1u : 0u);
        EXPECT_EQ(p->var("added"), c.calls ? "true" : "false");
    }
}

}  // namespace
