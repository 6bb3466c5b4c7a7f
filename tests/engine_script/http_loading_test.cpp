// Loads of ActionScript 2 movies over HTTP against a local server: a movie
// served from one origin reads it, reads another origin only by that
// origin's crossdomain.xml, and every failure reaches the script's callbacks
// with its status or error string. A local movie reaches no server at all.
#include "script_test_support.h"

#include "local_http_server.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

using namespace scripttest;
using nettest::httpAnswer;
using nettest::HttpRequest;
using nettest::LocalHttpServer;

namespace {

std::string percentEncoded(const std::string& text) {
    std::string out;
    for (const unsigned char c : text) {
        if (std::isalnum(c) != 0) {
            out += char(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            out += escape;
        }
    }
    return out;
}

// A movie whose first frame runs `setup`, the second `start` (and stops),
// played as if it had come from `url`.
std::unique_ptr<Player> play(const std::string& url, const Actions& setup, const Actions& start) {
    swfwriter::MovieWriter m({.version = 8});
    m.doAction(setup);
    m.showFrame();
    Actions second = start;
    second.stop();
    m.doAction(second);
    m.showFrame();
    auto p = Player::load(m);
    p->host.url = script::utf8ToUtf16(url);
    return p;
}

void tickUntil(Player& p, size_t traces) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (p.host.traces.size() < traces && std::chrono::steady_clock::now() < deadline) {
        p.engine->tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// name = new LoadVars() (or another class that loads: XML), whose
// onHTTPStatus keeps the status and whose onLoad traces "name ok status a".
void newLoadVars(Actions& a, const std::string& name, const std::string& className = "LoadVars") {
    a.push({name, 0, className}).newObject().setVariable();
    Actions onStatus;
    onStatus.push({"this"}).getVariable().push({"st", "s"}).getVariable().setMember();
    a.push({name}).getVariable().push({"onHTTPStatus"}).defineFunction("", {"s"}, onStatus).setMember();
    Actions onLoad;
    onLoad.push({name + " ", "ok"}).getVariable().add2().push({" "}).add2();
    onLoad.push({"this"}).getVariable().push({"st"}).getMember().add2().push({" "}).add2();
    onLoad.push({"this"}).getVariable().push({"a"}).getMember().add2().trace();
    a.push({name}).getVariable().push({"onLoad"}).defineFunction("", {"ok"}, onLoad).setMember();
}

// A clip "holder" and a MovieClipLoader "mcl" whose listener traces
// "start|complete|init|error <target> <b> <c>" and counts progress in "steps".
Actions clipLoaderSetup() {
    Actions setup;
    setup.callMethodOn("_root", "createEmptyMovieClip", {"holder", 1}).pop();
    setup.push({"mcl", 0, "MovieClipLoader"}).newObject().setVariable();
    setup.push({"lis", 0, "Object"}).newObject().setVariable();
    for (const auto& [event, tag] : {std::pair{"onLoadStart", "start"}, std::pair{"onLoadComplete", "complete"},
                                     std::pair{"onLoadInit", "init"}, std::pair{"onLoadError", "error"}}) {
        // lis.<event> = function(t, b, c) { trace(tag + " " + t + " " + b + " " + c); }
        Actions body;
        body.push({std::string(tag) + " "}).push({"t"}).getVariable().add2();
        body.push({" "}).add2().push({"b"}).getVariable().add2();
        body.push({" "}).add2().push({"c"}).getVariable().add2().trace();
        setup.push({"lis"}).getVariable().push({event}).defineFunction("", {"t", "b", "c"}, body).setMember();
    }
    // Each progress step is counted once, with its bytes.
    Actions progress;
    progress.push({"steps", "steps"}).getVariable().push({"b"}).getVariable().add2().push({";"}).add2();
    progress.setVariable();
    setup.push({"steps", ""}).setVariable();
    setup.push({"lis"}).getVariable().push({"onLoadProgress"}).defineFunction("", {"t", "b", "c"}, progress);
    setup.setMember();
    setup.push({"lis"}).getVariable().push({1, "mcl"}).getVariable().push({"addListener"}).callMethod().pop();
    return setup;
}

Actions loadClip(const std::string& url) {
    Actions start;
    start.push({"holder", url, 2, "mcl"}).getVariable().push({"loadClip"}).callMethod().pop();
    return start;
}

class HttpLoadingTest : public ::testing::Test {
protected:
    HttpLoadingTest() {
        m_home.serve("/movies/vars.txt", "a=home");  // next to the movie
        m_home.serve("/notamovie.txt", "a=1");
        m_home.route("/status", [](const HttpRequest& request, const LocalHttpServer::Send& send) {
            send(httpAnswer(std::stoi(request.path.substr(request.path.find('?') + 1)), "a=status"));
        });
        // Answers what it was sent, as variables: method, path, body, two headers.
        m_home.route("/echo", [](const HttpRequest& request, const LocalHttpServer::Send& send) {
            send(httpAnswer(200,
                            "a=" + percentEncoded(request.method + " " + request.path + " " + request.body + " " +
                                                  request.header("X-Token") + " " + request.header("Content-Type"))));
        });
        m_allowing.serve("/vars.txt", "a=allowing");
        m_allowing.serve("/crossdomain.xml",
                         "<cross-domain-policy><allow-access-from domain=\"127.0.0.1\"/></cross-domain-policy>");
        m_denying.serve("/vars.txt", "a=denying");
        m_denying.serve("/crossdomain.xml",
                        "<cross-domain-policy><allow-access-from domain=\"example.com\"/></cross-domain-policy>");
        m_silent.serve("/vars.txt", "a=silent");  // no crossdomain.xml at all
    }

    LocalHttpServer m_home;
    LocalHttpServer m_allowing;
    LocalHttpServer m_denying;
    LocalHttpServer m_silent;
};

TEST_F(HttpLoadingTest, LoadVarsOfARemoteMovie) {
    const struct {
        std::string name;
        std::string url;
        std::string expected;
    } cases[] = {
        {"own", "vars.txt", "own true 200 home"},
        {"created", "/status?201", "created true 201 status"},
        {"failed", "/status?500", "failed false 500 undefined"},
        {"missing", "/none.txt", "missing false 404 undefined"},
        {"allowed", m_allowing.url("/vars.txt"), "allowed true 200 allowing"},
        {"denied", m_denying.url("/vars.txt"), "denied false 0 undefined"},
        {"nopolicy", m_silent.url("/vars.txt"), "nopolicy false 0 undefined"},
        {"file", "file:///etc/hostname", "file false 0 undefined"},
    };
    Actions setup;
    Actions start;
    for (const auto& c : cases) {
        newLoadVars(setup, c.name);
        start.callMethodOn(c.name, "load", {c.url}).pop();
    }
    auto p = play(m_home.url("/movies/main.swf"), setup, start);
    tickUntil(*p, std::size(cases));
    Strings expected;
    for (const auto& c : cases)
        expected.push_back(c.expected);
    Strings got = p->host.traces;
    std::sort(expected.begin(), expected.end());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, expected);
    EXPECT_TRUE(p->host.errors.empty());
}

// sendAndLoad posts the sender's variables with its headers and content
// type (or puts them in the query for GET); the answer lands in the target.
TEST_F(HttpLoadingTest, SendAndLoadRoundTrip) {
    const struct {
        std::string method;
        std::string expected;
    } cases[] = {
        {"POST", "got true 200 POST /echo x=a%20b t1 application/x-www-form-urlencoded"},
        {"GET", "got true 200 GET /echo?x=a%20b  t1 "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.method);
        Actions setup;
        setup.push({"src", 0, "LoadVars"}).newObject().setVariable();
        setup.push({"src"}).getVariable().push({"x", "a b"}).setMember();
        setup.callMethodOn("src", "addRequestHeader", {"X-Token", "t1"}).pop();
        newLoadVars(setup, "got");
        Actions start;
        start.push({c.method, "got"}).getVariable().push({"/echo", 3, "src"}).getVariable();
        start.push({"sendAndLoad"}).callMethod().pop();
        auto p = play(m_home.url("/main.swf"), setup, start);
        tickUntil(*p, 1);
        EXPECT_EQ(p->host.traces, Strings{c.expected});
    }
}

// A local movie reads no network: the load fails and the server never hears of it.
TEST_F(HttpLoadingTest, ALocalMovieReachesNoServer) {
    std::atomic<int> asked{0};
    m_home.route("/counted.txt", [&asked](const HttpRequest&, const LocalHttpServer::Send& send) {
        ++asked;
        send(httpAnswer(200, "a=1"));
    });
    Actions setup;
    newLoadVars(setup, "lv");
    Actions start;
    start.callMethodOn("lv", "load", {m_home.url("/counted.txt")}).pop();
    auto p = play("file:///tmp/main.swf", setup, start);
    tickUntil(*p, 1);
    EXPECT_EQ(p->host.traces, Strings{"lv false 0 undefined"});
    EXPECT_EQ(asked, 0);
}

// MovieClipLoader over HTTP: a movie arrives (with progress in several steps
// while it trickles in), and failures name their error string and status.
TEST_F(HttpLoadingTest, MovieClipLoaderOverHttp) {
    swfwriter::MovieWriter child({.version = 8});
    child.place(child.rectangle(0, 0, 800, 600, {0, 255, 0}), 1);
    Actions first;
    first.push({"arrived", "yes"}).setVariable();
    child.doAction(first);
    child.showFrame();
    const auto bytes = child.finish();
    const std::string movie(bytes.begin(), bytes.end());
    m_home.serve("/child.swf", movie);
    m_home.route("/trickle.swf", [&movie](const HttpRequest&, const LocalHttpServer::Send& send) {
        if (!send("HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(movie.size()) + "\r\n\r\n"))
            return;
        for (size_t at = 0; at < movie.size(); at += 16) {
            if (!send(movie.substr(at, 16)))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
    });
    const struct {
        std::string url;
        Strings traces;
    } cases[] = {
        {"child.swf",
         {"start _level0.holder undefined undefined", "complete _level0.holder 200 undefined",
          "init _level0.holder undefined undefined"}},
        {"trickle.swf",
         {"start _level0.holder undefined undefined", "complete _level0.holder 200 undefined",
          "init _level0.holder undefined undefined"}},
        {"none.swf", {"error _level0.holder URLNotFound 404"}},
        {"notamovie.txt", {"start _level0.holder undefined undefined", "error _level0.holder LoadNeverCompleted 200"}},
        {m_denying.url("/vars.txt"), {"error _level0.holder URLNotFound 0"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        auto p = play(m_home.url("/main.swf"), clipLoaderSetup(), loadClip(c.url));
        tickUntil(*p, c.traces.size());
        EXPECT_EQ(p->host.traces, c.traces);
        if (c.traces.size() == 3) {
            EXPECT_EQ(p->var("holder.arrived"), "yes");
            const std::string steps = p->var("steps");
            EXPECT_NE(steps.find(std::to_string(movie.size()) + ";"), std::string::npos) << steps;
            if (c.url == "trickle.swf") {
                EXPECT_GT(std::count(steps.begin(), steps.end(), ';'), 2) << "it arrives in steps: " << steps;
            }
        }
    }
}

// The fetch limits, narrowed through the environment, and a peer whose
// certificate no system CA signed: each reaches the script's onLoadError,
// a load cut off as LoadNeverCompleted, one that never began as URLNotFound.
TEST_F(HttpLoadingTest, LimitsAndTlsFailuresReachOnLoadError) {
    const nettest::NarrowedFetchLimits narrowed;
    // No length said: the limit is passed while the bytes come.
    m_home.route("/big.swf", [](const HttpRequest&, const LocalHttpServer::Send& send) {
        if (!send("HTTP/1.0 200 OK\r\n\r\nFWS" + std::string(200, 'x')))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        (void)send(std::string(5000, 'x'));
    });
    m_home.route("/slow.swf", [](const HttpRequest&, const LocalHttpServer::Send& send) {
        if (!send("HTTP/1.0 200 OK\r\nContent-Length: 100\r\n\r\nFWS"))
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    });
    const std::string folder = nettest::tlsFolder();
    std::unique_ptr<LocalHttpServer> secure;
    if (!folder.empty()) {
        secure =
            std::make_unique<LocalHttpServer>(nettest::TlsIdentity{folder + "/server.pem", folder + "/server.key"});
        secure->serve("/child.swf", "FWS");
    }
    struct Case {
        std::string movie;  // the loading movie's URL; it loads child.swf beside it
        std::string url;
        Strings traces;
    };
    std::vector<Case> cases = {
        // Its first bytes came, then too many, or nothing until the time limit.
        {m_home.url("/main.swf"),
         "big.swf",
         {"start _level0.holder undefined undefined", "error _level0.holder LoadNeverCompleted 0"}},
        {m_home.url("/main.swf"),
         "slow.swf",
         {"start _level0.holder undefined undefined", "error _level0.holder LoadNeverCompleted 0"}},
    };
    // Of the same origin, so that only the handshake can fail.
    if (secure)
        cases.push_back({secure->url("/main.swf"), "child.swf", {"error _level0.holder URLNotFound 0"}});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.movie + " " + c.url);
        auto p = play(c.movie, clipLoaderSetup(), loadClip(c.url));
        tickUntil(*p, c.traces.size());
        EXPECT_EQ(p->host.traces, c.traces);
    }
}

// Answers only the limits stop, to LoadVars and XML: too many bytes, too
// slow, redirects in a loop or a circle. Each fails through onData(undefined)
// and onLoad(false); no tick waits for the network, and the endless answer
// is no longer read once the limit is passed.
TEST_F(HttpLoadingTest, LimitsFailLoadVarsAndXmlLoads) {
    const nettest::NarrowedFetchLimits narrowed;
    std::atomic<uint64_t> endlessSent{0};
    nettest::routeHostile(m_home, endlessSent);
    Actions setup;
    Actions start;
    Strings expected;
    for (const std::string path : {"/endless", "/declared", "/slow", "/loop", "/circle-a"}) {
        for (const std::string className : {"LoadVars", "XML"}) {
            const std::string name = className + path.substr(1);
            newLoadVars(setup, name, className);
            start.callMethodOn(name, "load", {path}).pop();
            // No answer came: status 0, even after redirects.
            expected.push_back(name + " false 0 undefined");
        }
    }
    // A script's own onData hears of the failure as undefined.
    setup.push({"raw", 0, "LoadVars"}).newObject().setVariable();
    Actions onData;
    onData.push({"raw "}).push({"d"}).getVariable().typeOf().add2().trace();
    setup.push({"raw"}).getVariable().push({"onData"}).defineFunction("", {"d"}, onData).setMember();
    start.callMethodOn("raw", "load", {"/endless"}).pop();
    expected.push_back("raw undefined");

    auto p = play(m_home.url("/main.swf"), setup, start);
    auto slowest = std::chrono::steady_clock::duration::zero();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (p->host.traces.size() < expected.size() && std::chrono::steady_clock::now() < deadline) {
        const auto before = std::chrono::steady_clock::now();
        p->engine->tick();
        slowest = std::max(slowest, std::chrono::steady_clock::now() - before);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    Strings got = p->host.traces;
    std::sort(expected.begin(), expected.end());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, expected);
    EXPECT_LT(slowest, std::chrono::milliseconds(200)) << "a tick waited for the network";
    // The socket buffers hold a few MiB at most; a reader that went on would take all 256.
    EXPECT_LT(endlessSent.load(), uint64_t(32) << 20);
    EXPECT_TRUE(p->host.errors.empty());
}

}  // namespace
