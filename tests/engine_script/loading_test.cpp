// LoadVars and loadVariables: loads that arrive between frames, through the
// sandbox, with their callbacks.
#include "script_test_support.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

using namespace scripttest;

namespace {

namespace fs = std::filesystem;

// Ticks until `count` traces arrived (or five seconds passed).
void tickUntil(Player& p, size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (p.host.traces.size() < count && std::chrono::steady_clock::now() < deadline) {
        p.engine->tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// name = new LoadVars(); name.onLoad = function(ok) { trace(prefix + ok + " " + this.a + " " + this.b); }
void newLoadVars(Actions& a, const std::string& name, const std::string& prefix) {
    a.push({name, 0, "LoadVars"}).newObject().setVariable();
    Actions onLoad;
    onLoad.push({prefix, "ok"}).getVariable().add2().push({" "}).add2();
    onLoad.push({"this"}).getVariable().push({"a"}).getMember().add2().push({" "}).add2();
    onLoad.push({"this"}).getVariable().push({"b"}).getMember().add2().trace();
    a.push({name}).getVariable().push({"onLoad"}).defineFunction("", {"ok"}, onLoad).setMember();
}

class LoadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/moviehost-load-XXXXXX";
        m_folder = fs::path(::mkdtemp(pattern));
        fs::create_directories(m_folder / "data");
        std::ofstream(m_folder / "data/vars.txt") << "a=1&b=hello+world%21";
        std::ofstream(m_folder / "data/style.css") << ".a { color: #00FF00 }";
        std::ofstream(m_folder / "data/broken.css") << ".a { color";
        std::ofstream(m_folder.parent_path() / (m_folder.filename().string() + "-beside.txt")) << "a=out";
        fs::create_symlink("/etc/hostname", m_folder / "data/link.txt");
    }
    void TearDown() override {
        fs::remove_all(m_folder);
        fs::remove(m_folder.parent_path() / (m_folder.filename().string() + "-beside.txt"));
    }

    // A movie whose first frame runs `setup` and stops on the second, which
    // runs `start`; it plays from the temporary folder.
    std::unique_ptr<Player> play(const Actions& setup, const Actions& start) {
        swfwriter::MovieWriter m({.version = 8});
        m.doAction(setup);
        m.showFrame();
        Actions second = start;
        second.stop();
        m.doAction(second);
        m.showFrame();
        auto p = Player::load(m);
        p->host.url = u"file://" + script::utf8ToUtf16((m_folder / "main.swf").string());
        return p;
    }

    fs::path m_folder;
};

TEST_F(LoadingTest, LoadVarsArriveBetweenFrames) {
    Actions setup;
    newLoadVars(setup, "lv", "ok ");
    newLoadVars(setup, "refused", "refused ");
    newLoadVars(setup, "missing", "missing ");
    newLoadVars(setup, "scheme", "scheme ");
    newLoadVars(setup, "climb", "climb ");
    newLoadVars(setup, "link", "link ");
    Actions start;
    start.callMethodOn("lv", "load", {"data/vars.txt"}).pop();
    start.callMethodOn("refused", "load", {"/etc/passwd"}).pop();
    start.callMethodOn("missing", "load", {"data/none.txt"}).pop();
    start.callMethodOn("scheme", "load", {"ftp://example.com/v.txt"}).pop();
    // A file beside the movie's folder, and a link inside it that leads out.
    start.callMethodOn("climb", "load", {"../" + m_folder.filename().string() + "-beside.txt"}).pop();
    start.callMethodOn("link", "load", {"data/link.txt"}).pop();
    start.push({"started"}).trace();  // load() returned at once, before anything arrived
    auto p = play(setup, start);
    p->engine->tick();
    ASSERT_FALSE(p->host.traces.empty());
    EXPECT_EQ(p->host.traces.front(), "started");
    tickUntil(*p, 7);
    ASSERT_EQ(p->host.traces.size(), 7u);
    std::vector<std::string> results(p->host.traces.begin() + 1, p->host.traces.end());
    std::sort(results.begin(), results.end());
    EXPECT_EQ(results, (Strings{"climb false undefined undefined", "link false undefined undefined",
                                "missing false undefined undefined", "ok true 1 hello world!",
                                "refused false undefined undefined", "scheme false undefined undefined"}));
    EXPECT_EQ(p->var("lv.loaded"), "true");
    EXPECT_EQ(p->var("refused.loaded"), "false");
}

TEST_F(LoadingTest, StyleSheetsLoadAndParseTheirFile) {
    Actions setup;
    for (const char* name : {"good", "broken", "missing"}) {
        setup.push({name, 0, "TextField"}).getVariable().push({"StyleSheet"}).newMethod().setVariable();
        // onLoad: trace(name + " " + ok + " " + this.getStyleNames())
        Actions onLoad;
        onLoad.push({std::string(name) + " ", "ok"}).getVariable().add2().push({" "}).add2();
        onLoad.push({0, "this"}).getVariable().push({"getStyleNames"}).callMethod().add2().trace();
        setup.push({name}).getVariable().push({"onLoad"}).defineFunction("", {"ok"}, onLoad).setMember();
    }
    Actions start;
    start.callMethodOn("good", "load", {"data/style.css"}).pop();
    start.callMethodOn("broken", "load", {"data/broken.css"}).pop();
    start.callMethodOn("missing", "load", {"data/none.css"}).pop();
    auto p = play(setup, start);
    tickUntil(*p, 3);
    std::vector<std::string> results = p->host.traces;
    std::sort(results.begin(), results.end());
    EXPECT_EQ(results, (Strings{"broken false ", "good true .a", "missing false "}));
    EXPECT_EQ(p->var("good.loaded"), "true");
}

TEST_F(LoadingTest, LoadVariablesFillAClip) {
    Actions start;
    start.push({"data/vars.txt", "_root"}).getUrl2(0x03);  // loadVariables(url, target)
    Actions setup;
    auto p = play(setup, start);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (p->var("a") != "1" && std::chrono::steady_clock::now() < deadline) {
        p->engine->tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(p->var("a"), "1");
    EXPECT_EQ(p->var("b"), "hello world!");
}

TEST(LoadVars, DecodesAndEncodes) {
    Actions a;
    a.push({"lv", 0, "LoadVars"}).newObject().setVariable();
    a.callMethodOn("lv", "decode", {"x=1&y=a+b%26c&&=skip"}).pop();
    a.push({"lv"}).getVariable().push({"y"}).getMember().trace();
    a.callMethodOn("lv", "toString", {}).trace();
    a.push({"lv"}).getVariable().push({"contentType"}).getMember().trace();
    EXPECT_EQ(traces(a), (Strings{"a b&c", "y=a%20b%26c&x=1", "application/x-www-form-urlencoded"}));
}

TEST(XmlSocket, RefusesAtTheNextFrame) {
    Actions a;
    a.push({"s", 0, "XMLSocket"}).newObject().setVariable();
    Actions onConnect;
    onConnect.push({"connected "}).push({"ok"}).getVariable().add2().trace();
    a.push({"s"}).getVariable().push({"onConnect"}).defineFunction("", {"ok"}, onConnect).setMember();
    a.callMethodOn("s", "connect", {"127.0.0.1", 1024}).trace();
    auto p = runFrame(a);
    EXPECT_EQ(p->host.traces, (Strings{"true"})) << "connect() starts the attempt and returns";
    p->engine->tick();
    EXPECT_EQ(p->host.traces, (Strings{"true", "connected false"}));
}

TEST(ContextMenu, ObjectsKeepTheirItems) {
    Actions a;
    a.push({"m", 0, "ContextMenu"}).newObject().setVariable();
    a.push({"m"}).getVariable().push({"builtInItems"}).getMember().push({"zoom"}).getMember().trace();
    a.callMethodOn("m", "hideBuiltInItems", {}).pop();
    a.push({"m"}).getVariable().push({"builtInItems"}).getMember().push({"print"}).getMember().trace();
    // new ContextMenuItem("Hello", null, false, false): disabled
    a.push({"i"}).push({false, false, Null{}, "Hello", 4, "ContextMenuItem"}).newObject().setVariable();
    a.push({"i"}).getVariable().push({"caption"}).getMember().trace();
    a.push({"i"}).getVariable().push({"enabled"}).getMember().trace();
    a.push({"i"}).getVariable().push({"visible"}).getMember().trace();
    a.push({"i"}).getVariable().push({1, "m"}).getVariable().push({"customItems"}).getMember();
    a.push({"push"}).callMethod().pop();
    a.push({"c"}).push({0, "m"}).getVariable().push({"copy"}).callMethod().setVariable();
    a.push({"c"})
        .getVariable()
        .push({"customItems"})
        .getMember()
        .push({0})
        .getMember()
        .push({"caption"})
        .getMember()
        .trace();
    a.push({"c"}).getVariable().push({"builtInItems"}).getMember().push({"zoom"}).getMember().trace();
    EXPECT_EQ(traces(a), (Strings{"true", "false", "Hello", "false", "true", "Hello", "false"}));
}

TEST(ContextMenu, StageShowMenuReadsBackAndHidesTheBuiltInItemsOfNewMenus) {
    const struct {
        PushValue value;
        std::string shown;
    } cases[] = {{false, "false"}, {0, "false"}, {"", "false"}, {true, "true"}, {1, "true"}};
    for (const auto& c : cases) {
        Actions a;
        a.push({"Stage"}).getVariable().push({"showMenu"}).getMember().trace();
        a.push({"Stage"}).getVariable().push({"showMenu", c.value}).setMember();
        a.push({"Stage"}).getVariable().push({"showMenu"}).getMember().trace();
        a.push({"m", 0, "ContextMenu"}).newObject().setVariable();
        a.push({"m"}).getVariable().push({"builtInItems"}).getMember().push({"play"}).getMember().trace();
        EXPECT_EQ(traces(a), (Strings{"true", c.shown, c.shown}));
    }
}

}  // namespace
