// SharedObject and System as movies use them.
#include "script_test_support.h"

#include "net/url_variables.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

using namespace scripttest;

namespace {

namespace fs = std::filesystem;

class StorageTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/moviehost-so-XXXXXX";
        m_folder = fs::path(::mkdtemp(pattern));
        const char* old = std::getenv("XDG_DATA_HOME");
        m_saved = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("XDG_DATA_HOME", m_folder.c_str(), 1);
    }
    void TearDown() override {
        if (m_saved)
            setenv("XDG_DATA_HOME", m_saved->c_str(), 1);
        else
            unsetenv("XDG_DATA_HOME");
        fs::remove_all(m_folder);
    }
    // The file the test movie (file:///movies/test.swf) keeps "game" in.
    fs::path gameFile() const { return m_folder / "moviehost/localhost/movies/test.swf/game.sol"; }

    fs::path m_folder;
    std::optional<std::string> m_saved;
};

// so = SharedObject.getLocal(name)
void getLocal(Actions& a, const std::string& name) {
    a.push({"so"}).callMethodOn("SharedObject", "getLocal", {name}).setVariable();
}

// so.data.<member> = value, or trace(so.data.<member>)
void setData(Actions& a, const std::string& member, PushValue value) {
    a.push({"so"}).getVariable().push({"data"}).getMember().push({member, value}).setMember();
}
void traceData(Actions& a, const std::string& member) {
    a.push({"so"}).getVariable().push({"data"}).getMember().push({member}).getMember().trace();
}

TEST_F(StorageTest, DataSurvivesTheMovie) {
    Actions first;
    getLocal(first, "game");
    setData(first, "score", 42);
    setData(first, "name", "ann");
    first.push({"so"}).getVariable().push({"data"}).getMember().push({"list", "a", 1, 2}).initArray().setMember();
    first.callMethodOn("so", "flush", {}).trace();
    first.push({"so"}).getVariable().callMethodOn("SharedObject", "getLocal", {"game"}).equals2().trace();
    first.callMethodOn("SharedObject", "getLocal", {"bad name"}).trace();
    EXPECT_EQ(traces(first), (Strings{"true", "true", "null"}));
    EXPECT_TRUE(fs::exists(gameFile()));

    Actions second;
    getLocal(second, "game");
    traceData(second, "score");
    traceData(second, "name");
    traceData(second, "list");
    second.push({"so"}).getVariable().push({"data"}).getMember().push({"list"}).getMember();
    second.push({1}).getMember().trace();
    second.callMethodOn("so", "getSize", {}).push({40}).greater().trace();
    second.callMethodOn("so", "clear", {}).pop();
    traceData(second, "score");
    EXPECT_EQ(traces(second), (Strings{"42", "ann", "1,a", "a", "true", "undefined"}));
    EXPECT_FALSE(fs::exists(gameFile()));
}

TEST_F(StorageTest, FlushOverTheLimitFailsThroughOnStatus) {
    Actions a;
    getLocal(a, "game");
    a.setVar("s", "xxxxxxxx");
    for (int i = 0; i < 14; ++i)  // 8 << 14 = 128 KiB
        a.push({"s", "s"}).getVariable().push({"s"}).getVariable().add2().setVariable();
    setData(a, "big", 0);
    a.push({"so"}).getVariable().push({"data"}).getMember().push({"big", "s"}).getVariable().setMember();
    Actions onStatus;
    onStatus.push({"info"}).getVariable().push({"code"}).getMember().trace();
    a.push({"so"}).getVariable().push({"onStatus"}).defineFunction("", {"info"}, onStatus).setMember();
    a.callMethodOn("so", "flush", {}).trace();
    EXPECT_EQ(traces(a), (Strings{"SharedObject.Flush.Failed", "false"}));
    EXPECT_FALSE(fs::exists(gameFile()));
}

// Room asked for beyond the limit is refused like data beyond it.
TEST_F(StorageTest, FlushAskingForMoreRoomThanTheLimitFails) {
    Actions a;
    getLocal(a, "game");
    setData(a, "score", 1);
    Actions onStatus;
    onStatus.push({"info"}).getVariable().push({"code"}).getMember().trace();
    a.push({"so"}).getVariable().push({"onStatus"}).defineFunction("", {"info"}, onStatus).setMember();
    a.callMethodOn("so", "flush", {200 * 1024}).trace();
    a.callMethodOn("so", "flush", {1024}).trace();
    EXPECT_EQ(traces(a), (Strings{"SharedObject.Flush.Failed", "false", "true"}));
}

TEST_F(StorageTest, DamagedFilesStartEmpty) {
    fs::create_directories(gameFile().parent_path());
    for (const std::string& bytes : {std::string("\x00\xBF\x00\x00\x00\x05TCSO!", 11), std::string(5000, '\x0A')}) {
        std::ofstream(gameFile(), std::ios::binary) << bytes;
        Actions a;
        getLocal(a, "game");
        traceData(a, "score");
        a.push({"so"}).getVariable().typeOf().trace();
        EXPECT_EQ(traces(a), (Strings{"undefined", "object"}));
    }
}

// A loaded movie keeps its shared objects under its own path, and data a
// movie never flushed is written when it closes.
TEST_F(StorageTest, EachMovieKeepsItsOwnAndClosingWritesThem) {
    const fs::path site = m_folder / "site";
    fs::create_directories(site);
    swfwriter::MovieWriter child({.version = 8});
    Actions childFrame;
    getLocal(childFrame, "game");
    setData(childFrame, "who", "child");
    child.doAction(childFrame);
    child.showFrame();
    const auto childBytes = child.finish();
    std::ofstream(site / "child.swf", std::ios::binary)
        .write(reinterpret_cast<const char*>(childBytes.data()), std::streamsize(childBytes.size()));

    swfwriter::MovieWriter m({.version = 8});
    Actions first;
    first.callMethodOn("_root", "createEmptyMovieClip", {"holder", 1}).pop();
    m.doAction(first);
    m.showFrame();
    Actions second;
    getLocal(second, "game");
    setData(second, "who", "main");
    second.push({"child.swf", "holder"}).getUrl2(0x02);  // loadMovie("child.swf", "holder")
    second.stop();
    m.doAction(second);
    m.showFrame();
    const auto mainBytes = m.finish();
    const std::u16string mainUrl = u"file://" + script::utf8ToUtf16((site / "main.swf").string());
    {
        auto p = Player::load(mainBytes);
        p->host.url = mainUrl;
        for (int i = 0; i < 3; ++i)
            p->engine->tick();
        EXPECT_EQ(p->var("holder.so.data.who"), "child");
    }
    const fs::path files = m_folder / "moviehost/localhost" / site.relative_path();
    EXPECT_TRUE(fs::exists(files / "main.swf/game.sol"));
    EXPECT_TRUE(fs::exists(files / "child.swf/game.sol"));

    Actions again;
    getLocal(again, "game");
    traceData(again, "who");
    swfwriter::MovieWriter reader({.version = 8});
    reader.doAction(Actions{});
    reader.showFrame();
    reader.doAction(again);
    reader.showFrame();
    auto p = Player::load(reader);
    p->host.url = mainUrl;
    p->engine->tick();
    EXPECT_EQ(p->host.traces, Strings{"main"});
}

TEST(System, DescribesThePlayer) {
    Actions a;
    a.push({"System"}).getVariable().push({"capabilities"}).getMember().push({"version"}).getMember().trace();
    a.push({"System"}).getVariable().push({"security"}).getMember().push({"sandboxType"}).getMember().trace();
    a.push({"System"}).getVariable().push({"capabilities"}).getMember().push({"screenResolutionX"}).getMember().trace();
    a.push({"System"}).getVariable().push({"setClipboard"}).getMember().typeOf().trace();
    EXPECT_EQ(traces(a), (Strings{"LNX 10,0,0,0", "localWithFile", "550", "function"}));
}

// The screen is the surface the control shows the movie on, whatever the scale mode.
TEST(System, TheScreenIsTheShownSurface) {
    Actions a;
    a.push({"System"}).getVariable().push({"capabilities"}).getMember().push({"screenResolutionX"}).getMember();
    a.push({"x"}).add2();
    a.push({"System"}).getVariable().push({"capabilities"}).getMember().push({"screenResolutionY"}).getMember();
    a.add2().trace();
    const auto bytes = a.bytes();
    auto p = runFrame(Actions{});
    p->stage->setLayout({model::ScaleMode::ShowAll, 0, 800, 600});
    p->engine->runActions(p->root(), bytes);
    EXPECT_EQ(p->host.traces, Strings{"800x600"});
}

// serverString carries the same answers as the properties, URL-encoded.
TEST(System, ServerStringAgreesWithTheProperties) {
    const struct {
        const char* key;
        const char* property;
    } rows[] = {{"V", "version"},     {"M", "manufacturer"},       {"OS", "os"},
                {"PT", "playerType"}, {"L", "language"},           {"A", "hasAudio"},
                {"MP3", "hasMP3"},    {"SV", "hasStreamingVideo"}, {"AVD", "avHardwareDisable"},
                {"TLS", "hasTLS"},    {"DP", "screenDPI"}};
    Actions a;
    a.push({"System"}).getVariable().push({"capabilities"}).getMember().push({"serverString"}).getMember().trace();
    for (const auto& row : rows)
        a.push({"System"}).getVariable().push({"capabilities"}).getMember().push({row.property}).getMember().trace();
    const Strings out = traces(a);
    ASSERT_EQ(out.size(), std::size(rows) + 1);
    std::map<std::string, std::string> server;
    for (const auto& [key, value] : net::decodeVariables(out[0]))
        server[key] = value;
    EXPECT_EQ(server["R"], "550x400") << "the stage is the screen";
    for (size_t i = 0; i < std::size(rows); ++i) {
        std::string expected = out[i + 1];
        if (expected == "true" || expected == "false")
            expected = expected.substr(0, 1) == "t" ? "t" : "f";
        EXPECT_EQ(server[rows[i].key], expected) << rows[i].key;
    }
}

}  // namespace
