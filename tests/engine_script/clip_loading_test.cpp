// Content loaded into clips (loadMovie, unloadMovie, MovieClipLoader): images
// from the movie's folder, landing at the frame boundary after the load
// started, and every failure reaching the listeners.
#include "script_test_support.h"

#include "image_encoder.h"

#include "model/edit_text_object.h"
#include "model/limits.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

using namespace scripttest;

namespace {

namespace fs = std::filesystem;

void writeFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

// lis.<event> = function(t, b, c) { trace(tag + " " + t + " " + b + " " + c); }
void listen(Actions& a, const std::string& event, const std::string& tag) {
    Actions body;
    body.push({tag + " "}).push({"t"}).getVariable().add2();
    body.push({" "}).add2().push({"b"}).getVariable().add2();
    body.push({" "}).add2().push({"c"}).getVariable().add2().trace();
    a.push({"lis"}).getVariable().push({event}).defineFunction("", {"t", "b", "c"}, body).setMember();
}

class ClipLoadingTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/moviehost-clipload-XXXXXX";
        m_folder = fs::path(::mkdtemp(pattern));
        const auto image = swfwriter::Image::filled(3, 2, 200, 10, 10);
        writeFile(m_folder / "a.png", swfwriter::encodePng(image));
        writeFile(m_folder / "a.jpg", swfwriter::encodeJpeg(image));
        swfwriter::GifPicture gif{5, 4, {{0, 0, 255}, {0, 0, 0}}, std::vector<uint8_t>(20, 0)};
        writeFile(m_folder / "a.gif", swfwriter::encodeGif(gif));
        std::ofstream(m_folder / "text.txt") << "a=1";
        // A movie whose character 1 is bigger than the main movie's
        // character 1, with scripts on both its frames.
        swfwriter::MovieWriter other({.version = 8});
        other.place(other.rectangle(0, 0, 800, 600, {0, 255, 0}), 1);
        Actions first;
        first.push({"loadedVar", "here"}).setVariable().push({"loaded "}).push({"this"}).getVariable().add2().trace();
        other.doAction(first);
        other.showFrame();
        Actions second;
        second.push({"second "}).push({"_root"}).getVariable().add2().trace();
        other.doAction(second);
        other.showFrame();
        writeFile(m_folder / "other.swf", other.finish());
    }
    void TearDown() override { fs::remove_all(m_folder); }

    // Frame 1 makes the clip "holder" (with a variable) and the loader
    // "mcl" with the listener "lis"; frame 2 runs `start` and stops.
    std::unique_ptr<Player> play(const Actions& start, const Actions& extra = {}) {
        Actions setup;
        setup.callMethodOn("_root", "createEmptyMovieClip", {"holder", 1}).pop();
        setup.push({"holder"}).getVariable().push({"kept", "yes"}).setMember();
        setup.push({"mcl", 0, "MovieClipLoader"}).newObject().setVariable();
        setup.push({"lis", 0, "Object"}).newObject().setVariable();
        listen(setup, "onLoadStart", "start");
        listen(setup, "onLoadComplete", "complete");
        listen(setup, "onLoadInit", "init");
        listen(setup, "onLoadError", "error");
        // Progress is only remembered: how often it comes depends on the reads.
        Actions progress;
        progress.push({"progress", "b"})
            .getVariable()
            .push({"/"})
            .add2()
            .push({"c"})
            .getVariable()
            .add2()
            .setVariable();
        setup.push({"lis"})
            .getVariable()
            .push({"onLoadProgress"})
            .defineFunction("", {"t", "b", "c"}, progress)
            .setMember();
        setup.callMethodOn("mcl", "addListener", {}).pop();
        setup.push({"lis"}).getVariable().push({1, "mcl"}).getVariable().push({"addListener"}).callMethod().pop();
        setup.append(extra);
        swfwriter::MovieWriter m({.version = 8});
        m.rectangle(0, 0, 200, 200, {0, 0, 255});  // character 1, never placed
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

TEST_F(ClipLoadingTest, ImagesAndFailuresReachTheListenersAtTheNextFrame) {
    const auto size = [&](const char* name) { return std::to_string(fs::file_size(m_folder / name)); };
    const struct {
        std::string url;
        Strings traces;
        std::string width;
        std::string kept;  // the clip's variable after the load (<none>: gone)
    } cases[] = {
        {"a.png",
         {"start _level0.holder undefined undefined", "complete _level0.holder 0 undefined",
          "init _level0.holder undefined undefined"},
         "3",
         "<none>"},
        {"a.jpg",
         {"start _level0.holder undefined undefined", "complete _level0.holder 0 undefined",
          "init _level0.holder undefined undefined"},
         "3",
         "<none>"},
        {"a.gif",
         {"start _level0.holder undefined undefined", "complete _level0.holder 0 undefined",
          "init _level0.holder undefined undefined"},
         "5",
         "<none>"},
        {"none.png", {"error _level0.holder URLNotFound 0"}, "0", "yes"},
        {"/etc/hostname", {"error _level0.holder URLNotFound 0"}, "0", "yes"},
        {"text.txt",
         {"start _level0.holder undefined undefined", "error _level0.holder LoadNeverCompleted 0"},
         "0",
         "yes"},
        {"other.swf",
         {"start _level0.holder undefined undefined", "complete _level0.holder 0 undefined", "loaded _level0.holder",
          "init _level0.holder undefined undefined"},
         "40",
         "<none>"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        Actions start;
        start.push({"ok"})
            .push({"holder", c.url, 2, "mcl"})
            .getVariable()
            .push({"loadClip"})
            .callMethod()
            .setVariable();
        auto p = play(start);
        p->engine->tick();  // frame 2 starts the load; it lands before the next frame
        Actions total;
        total.push({"bytes"}).push({0, "holder"}).getVariable().push({"getBytesTotal"}).callMethod().setVariable();
        const auto totalBytes = total.bytes();
        p->engine->runActions(p->root(), totalBytes);
        EXPECT_EQ(p->var("ok"), "true");
        EXPECT_EQ(p->host.traces, c.traces);
        EXPECT_EQ(p->var("holder._width"), c.width);
        EXPECT_EQ(p->var("holder.kept"), c.kept);
        if (c.width != "0") {
            const std::string bytes = size(c.url.c_str());
            EXPECT_EQ(p->var("progress"), bytes + "/" + bytes);
            EXPECT_EQ(p->var("bytes"), bytes) << "getBytesTotal counts the loaded content";
        }
        EXPECT_TRUE(p->host.errors.empty());
    }
}

TEST_F(ClipLoadingTest, ImagesInHtmlTextLoadTheirFilesAndTakeTheirSize) {
    const struct {
        std::string url;
        double width, height;  // twips of the laid-out box
        std::string clipWidth;
    } cases[] = {
        {"a.png", 60, 40, "3"},  {"a.gif", 100, 80, "5"},      {"other.swf", 800, 600, "40"},
        {"none.png", 0, 0, "0"}, {"/etc/hostname", 0, 0, "0"}, {"text.txt", 0, 0, "0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.url);
        Actions start;
        start.callMethodOn("_root", "createTextField", {"t", 5, 0, 0, 200, 100}).pop();
        start.push({"t"}).getVariable().push({"html", true}).setMember();
        start.push({"t"}).getVariable().push({"multiline", true}).setMember();
        start.push({"t"})
            .getVariable()
            .push({"htmlText", "<img src='" + c.url + "' id='pic' hspace='0' vspace='0'>x"})
            .setMember();
        // Reading its height lays the text out before the file is there.
        start.push({"th"}).push({"t"}).getVariable().push({"textHeight"}).getMember().setVariable();
        auto p = play(start);
        p->engine->tick();  // frame 2 sets the text and starts the load; it lands
        model::DisplayObject* made = p->root().displayList().findByName("t", false);
        auto* field = made ? made->as<model::EditTextObject>() : nullptr;
        ASSERT_NE(field, nullptr);
        ASSERT_EQ(field->layout().images.size(), 1u);
        EXPECT_EQ(field->layout().images[0].width, 0.0) << "a zero box until the next frame";
        const uint32_t before = field->contentVersion();
        p->engine->tick();  // the field lays out again
        EXPECT_EQ(field->layout().images[0].width, c.width);
        EXPECT_EQ(field->layout().images[0].height, c.height);
        EXPECT_EQ(p->var("t.pic._width"), c.clipWidth) << "the id names the image's clip";
        if (c.width > 0) {
            EXPECT_NE(field->contentVersion(), before) << "the field redraws when its image arrives";
        }
        EXPECT_TRUE(p->host.errors.empty());
    }
}

TEST_F(ClipLoadingTest, ALoadedMoviePlaysWithItsOwnCharacters) {
    Actions start;
    start.push({"other.swf", "holder"}).getUrl2(0x02);  // loadMovie("other.swf", "holder")
    auto p = play(start);
    p->engine->tick();
    EXPECT_EQ(p->var("holder._width"), "40");
    EXPECT_EQ(p->var("holder.loadedVar"), "here");
    EXPECT_EQ(p->var("holder._totalframes"), "2");
    Actions lock;
    lock.push({"holder"}).getVariable().push({"_lockroot", true}).setMember();
    const auto lockBytes = lock.bytes();
    p->engine->runActions(p->root(), lockBytes);
    p->engine->tick();
    ASSERT_FALSE(p->host.traces.empty());
    EXPECT_EQ(p->host.traces.back(), "second _level0.holder") << "it plays on, its _root locked to itself";
    EXPECT_EQ(p->var("holder._currentframe"), "2");
    EXPECT_TRUE(p->host.errors.empty());
}

// Each movie's code keeps its own version's rules, whoever runs it: names
// without case up to SWF 6 (also on objects of the other movie, and frame
// labels of its clips), undefined as "" before SWF 7, and getSWFVersion per
// clip.
TEST_F(ClipLoadingTest, ALoadedMovieKeepsItsOwnVersionRules) {
    const struct {
        uint8_t root;
        uint8_t loaded;
        std::string loadedSees;  // typeof foo, typeof _global.Box.item, "[" + undefined + "]"
        std::string rootSees;    // typeof holder.foo, then holder.f() (the loaded movie's function)
        std::string jumps;       // holder's frame after gotoAndStop("mark"), then GoToLabel "OTHER"
    } cases[] = {
        {7, 6, "string string []", "undefined string", "1 1"},
        {6, 7, "undefined undefined [undefined]", "string undefined", "2 3"},
        {8, 8, "undefined undefined [undefined]", "undefined undefined", "1 1"},
        {6, 6, "string string []", "string string", "2 3"},
        {5, 8, "undefined undefined [undefined]", "string undefined", "2 3"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.root) + " loads " + std::to_string(c.loaded));
        swfwriter::MovieWriter loaded({.version = c.loaded});
        Actions own;
        own.push({"Foo", "up"}).setVariable();
        own.push({"seen"}).push({"foo"}).getVariable().typeOf().push({" "}).add2();
        own.push({"_global"}).getVariable().push({"Box"}).getMember().push({"item"}).getMember().typeOf().add2();
        own.push({" ["}).add2().push({"nothing"}).getVariable().add2().push({"]"}).add2().setVariable();
        Actions body;
        body.push({"_global"})
            .getVariable()
            .push({"Box"})
            .getMember()
            .push({"item"})
            .getMember()
            .typeOf()
            .returnValue();
        own.push({"f"}).defineFunction("", {}, body).setVariable();
        own.stop();
        loaded.doAction(own);
        loaded.showFrame();
        loaded.label("Mark");
        loaded.showFrame();
        loaded.label("Other");
        loaded.showFrame();
        writeFile(m_folder / "versioned.swf", loaded.finish());

        swfwriter::MovieWriter root({.version = c.root});
        Actions setup;
        setup.callMethodOn("_root", "createEmptyMovieClip", {"holder", 1}).pop();
        setup.push({"_global"}).getVariable().push({"Box", 0, "Object"}).newObject().setMember();
        setup.push({"_global"}).getVariable().push({"Box"}).getMember().push({"Item", "x"}).setMember();
        root.doAction(setup);
        root.showFrame();
        root.doAction(Actions().push({"versioned.swf", "holder"}).getUrl2(0x02));  // once the url is known
        root.showFrame();
        root.showFrame();  // the load lands by now
        Actions after;
        after.push({"seen"}).push({"holder"}).getVariable().push({"foo"}).getMember().typeOf();
        after.push({" "}).add2().push({0, "holder"}).getVariable().push({"f"}).callMethod().add2().setVariable();
        after.push({"version", 0, "holder"}).getVariable().push({"getSWFVersion"}).callMethod().setVariable();
        after.callMethodOn("holder", "gotoAndStop", {"mark"}).pop();
        after.push({"jumps", "holder"}).getVariable().push({"_currentframe"}).getMember().setVariable();
        after.setTarget("holder").gotoLabel("OTHER").setTarget("");
        after.push({"jumps", "jumps"}).getVariable().push({" "}).add2();
        after.push({"holder"}).getVariable().push({"_currentframe"}).getMember().add2().setVariable();
        after.stop();
        root.doAction(after);
        root.showFrame();
        auto p = Player::load(root);
        p->host.url = u"file://" + script::utf8ToUtf16((m_folder / "main.swf").string());
        for (int i = 0; i < 4; ++i)
            p->engine->tick();
        EXPECT_EQ(p->var("holder.seen"), c.loadedSees);
        EXPECT_EQ(p->var("seen"), c.rootSees);
        EXPECT_EQ(p->var("version"), std::to_string(c.loaded));
        EXPECT_EQ(p->var("jumps"), c.jumps) << "labels match by the calling movie's rule";
        EXPECT_TRUE(p->host.errors.empty());
    }
}

TEST_F(ClipLoadingTest, LevelsLoadAboveTheRootAndUnload) {
    Actions start;
    start.push({"other.swf", "_level3"}).getUrl2(0x02);  // loadMovieNum("other.swf", 3)
    auto p = play(start);
    EXPECT_EQ(p->var("_level3"), "<none>");
    p->engine->tick();
    EXPECT_EQ(p->var("_level3._width"), "40");
    EXPECT_EQ(p->var("_level3.loadedVar"), "here");
    EXPECT_EQ(p->var("_level3._parent"), "<none>");
    p->engine->tick();
    ASSERT_FALSE(p->host.traces.empty());
    EXPECT_EQ(p->host.traces.back(), "second _level3") << "a level is its movie's _root";
    Actions next;
    next.push({"depth", 0, "_root"}).getVariable().push({"getNextHighestDepth"}).callMethod().setVariable();
    next.push({"", "_level3"}).getUrl2(0x02);  // unloadMovieNum(3)
    const auto bytes = next.bytes();
    p->engine->runActions(p->root(), bytes);
    EXPECT_EQ(p->var("depth"), "2") << "levels take no depth of _level0";
    EXPECT_EQ(p->var("_level3"), "<none>");
}

TEST_F(ClipLoadingTest, LoadMovieAndUnloadMovieActOnTheClip) {
    Actions start;
    start.push({"a.png", "holder"}).getUrl2(0x02);  // loadMovie("a.png", "holder")
    auto p = play(start);
    p->engine->tick();
    EXPECT_EQ(p->var("holder._width"), "3");
    EXPECT_EQ(p->var("holder._height"), "2");
    EXPECT_EQ(p->var("holder.kept"), "<none>");
    EXPECT_EQ(p->host.urls.size(), 0u) << "clip loads are not the host's";
    Actions unload;
    unload.push({"", "holder"}).getUrl2(0x02);  // unloadMovie("holder")
    unload.push({"after"}).push({"holder"}).getVariable().push({"_width"}).getMember().setVariable();
    const auto bytes = unload.bytes();
    p->engine->runActions(p->root(), bytes);
    EXPECT_EQ(p->var("after"), "0");
}

TEST_F(ClipLoadingTest, HostileLoadsStayBounded) {
    // A loader that loads again from every onLoadInit: one load per frame.
    Actions again;
    again.push({"count", "count"}).getVariable().increment().setVariable();
    again.push({"holder", "a.png", 2, "mcl"}).getVariable().push({"loadClip"}).callMethod().pop();
    Actions extra;
    extra.push({"lis"}).getVariable().push({"onLoadInit"}).defineFunction("", {}, again).setMember();
    // A load into a clip removed before it lands.
    extra.callMethodOn("_root", "createEmptyMovieClip", {"doomed", 2}).pop();
    Actions start;
    start.push({"count", 0}).setVariable();
    start.push({"holder", "a.png", 2, "mcl"}).getVariable().push({"loadClip"}).callMethod().pop();
    start.push({"doomed", "a.png", 2, "mcl"}).getVariable().push({"loadClip"}).callMethod().pop();
    start.callMethodOn("doomed", "removeMovieClip", {}).pop();
    // Levels in the millions and missing targets are refused at once.
    start.push({"level"})
        .push({5000000, "a.png", 2, "mcl"})
        .getVariable()
        .push({"loadClip"})
        .callMethod()
        .setVariable();
    start.push({"a.png", "_level5000000"}).getUrl2(0x02);  // loadMovieNum("a.png", 5000000)
    start.push({"missing"})
        .push({"nowhere", "a.png", 2, "mcl"})
        .getVariable()
        .push({"loadClip"})
        .callMethod()
        .setVariable();
    auto p = play(start, extra);
    for (int i = 0; i < 4; ++i)
        p->engine->tick();
    EXPECT_EQ(p->var("level"), "false");
    EXPECT_EQ(p->var("_level5000000"), "<none>");
    EXPECT_EQ(p->var("missing"), "false");
    EXPECT_EQ(p->var("count"), "4") << "one load lands per frame";
    EXPECT_EQ(p->var("holder._width"), "3");
    bool doomedFailed = false;
    for (const auto& t : p->host.traces)
        doomedFailed = doomedFailed || t.rfind("error", 0) == 0;
    EXPECT_TRUE(doomedFailed) << "a removed target fails through onLoadError";
}

// A movie that loads itself into a clip of its own, in every copy: the
// copies stop at the limit of loaded movies alive at once, and the load
// past it fails through onLoadError.
TEST_F(ClipLoadingTest, AMovieLoadingItselfStopsNesting) {
    swfwriter::MovieWriter self({.version = 8});
    Actions a;
    a.push({"_level0"}).getVariable().push({"copies"});
    a.push({"_level0"}).getVariable().push({"copies"}).getMember().push({0}).bitOr().increment().setMember();
    a.push({1, "holder", 2, "this"}).getVariable().push({"createEmptyMovieClip"}).callMethod().pop();
    a.push({"lis", 0, "Object"}).newObject().setVariable();
    Actions onError;
    onError.push({"_level0"}).getVariable().push({"error", "c"}).getVariable().setMember();
    a.push({"lis"}).getVariable().push({"onLoadError"}).defineFunction("", {"t", "c"}, onError).setMember();
    a.push({"mcl", 0, "MovieClipLoader"}).newObject().setVariable();
    a.push({"lis"}).getVariable().push({1, "mcl"}).getVariable().push({"addListener"}).callMethod().pop();
    a.push({"holder"}).getVariable().push({"self.swf", 2, "mcl"}).getVariable().push({"loadClip"}).callMethod().pop();
    a.stop();
    self.showFrame();  // the second frame loads, once the url is known
    self.doAction(a);
    self.showFrame();
    const auto bytes = self.finish();
    writeFile(m_folder / "self.swf", bytes);
    auto p = Player::load(bytes);
    p->host.url = u"file://" + script::utf8ToUtf16((m_folder / "self.swf").string());
    const size_t limit = model::Limits{}.maxLoadedMovies;
    for (size_t i = 0; i < 4 * limit; ++i)
        p->engine->tick();
    EXPECT_EQ(p->var("copies"), std::to_string(limit + 1)) << "the root and the nested copies";
    EXPECT_EQ(p->var("error"), "LoadNeverCompleted");
    EXPECT_TRUE(p->host.errors.empty());
}

}  // namespace
