// The movie's scripts as an embedding application meets them: our control
// inside the real hosting library, driven through IMoviePlayer only. Input
// goes through the player's mouse and key operations (window messages in
// surface pixels), events come back to IMovieListener objects, and the
// scripting operations read and write what the scripts see.
#include "control_harness.h"

#include "moviehost/movie_loader.h"

#include "platform/testing.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>
#include <vector>

using namespace controltest;
using swfwriter::Actions;
using swfwriter::Null;

namespace {

constexpr swfwriter::Color kRed{255, 0, 0};
constexpr swfwriter::Color kBlue{0, 0, 255};
constexpr uint32_t OpaqueBlue = argb(255, 0, 0, 255);

// Records what reaches it; answers FlashCall with `answer` through the
// player (AnswerMovieCall) when one is set, otherwise passes it on.
struct RecordingListener final : IMovieListener {
    IMoviePlayer* player = nullptr;
    std::vector<std::pair<std::u16string, std::u16string>> commands;
    std::vector<std::u16string> requests;
    std::optional<std::u16string> answer;
    std::function<void(const std::u16string&)> onCommand;

    HRESULT OnFlashCall(LPCWSTR request) override {
        requests.emplace_back(request != nullptr ? request : u"");
        if (!answer)
            return E_NOTIMPL;
        player->AnswerMovieCall(answer->c_str());
        return S_OK;
    }
    HRESULT OnFSCommand(LPCWSTR command, LPCWSTR args) override {
        commands.emplace_back(command != nullptr ? command : u"", args != nullptr ? args : u"");
        if (onCommand)
            onCommand(commands.back().first);
        return S_OK;
    }
};

// obj.method(args on the stack already, count included) with the result dropped.
Actions& callOn(Actions& a, const std::string& object, const std::string& method) {
    return a.push({object}).getVariable().push({method}).callMethod();
}

// target.member = function(params) { body }
void assignFunction(Actions& a, const std::string& target, const std::string& member,
                    const std::vector<std::string>& params, const Actions& body) {
    a.push({target}).getVariable().push({member});
    a.defineFunction("", params, body).setMember();
}

class HostedScripting : public ::testing::Test {
protected:
    void SetUp() override {
        platform::testing::UseManualClock(9'000'000);
        loader = GetMovieLoader();
        player = loader->NewPlayer(200, 100);
        ASSERT_NE(player, nullptr);
        listener.player = player;
        player->AddListener(&listener);
    }
    void TearDown() override {
        if (player != nullptr)
            loader->DeletePlayer(player);
        platform::testing::UseRealClock();
    }

    std::u16string read(const char16_t* name) {
        const WCHAR* value = player->ReadVariable(name);
        return value != nullptr ? std::u16string(value) : u"<null>";
    }
    // As the host does: open, then play. The first frame's scripts run in
    // PlayMovie, after it has set the movie going.
    void open(swfwriter::MovieWriter& movie, const std::string& name) {
        ASSERT_TRUE(player->OpenMovie(wide(saveMovie(movie, name)).c_str()));
        player->PlayMovie();
    }
    bool dirty() {
        const RECT* first = nullptr;
        LONG count = 0;
        return player->CollectDirtyRects(nullptr, &first, &count) && count > 0;
    }
    // The failure a player operation raises, or S_OK when it raises none.
    template <typename F>
    HRESULT raised(F&& operation, std::u16string* description = nullptr) {
        try {
            operation();
        } catch (const _com_error& error) {
            if (description != nullptr)
                *description = error.Description();
            return error.Error();
        }
        return S_OK;
    }

    IMovieLoader* loader = nullptr;
    IMoviePlayer* player = nullptr;
    RecordingListener listener;
};

// A 200 x 100 stage with a button from (20, 20) to (60, 60) pixels, red when
// up or hovered and blue while pressed; its release sets clicked = "yes"
// and counts the clicks. The movie stops on its one frame.
void buttonMovie(swfwriter::MovieWriter& movie) {
    const uint16_t up = movie.rectangle(400, 400, 800, 800, kRed);
    const uint16_t down = movie.rectangle(400, 400, 800, 800, kBlue);
    Actions release;
    release.setVar("clicked", "yes");
    release.push({"clicks", "clicks"}).getVariable().increment().setVariable();
    const uint16_t button =
        movie.defineButton2({{.up = true, .over = true, .down = false, .hit = true, .characterId = up, .depth = 1},
                             {.up = false, .over = false, .down = true, .hit = false, .characterId = down, .depth = 2}},
                            {{.actions = release.bytes()}});
    movie.place(button, 1);
    Actions start;
    start.setVar("clicks", 0).stop();
    movie.doAction(start);
    movie.showFrame();
}

TEST_F(HostedScripting, AButtonClickedThroughTheMouseRunsItsActions) {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100, .frameRate = 10});
    buttonMovie(movie);
    open(movie, "button.swf");
    EXPECT_EQ(read(u"clicked"), u"") << "an undefined variable reads as empty";

    DibSurface surface(200, 100, false);
    player->DrawDirtyRegion(surface.dc());
    EXPECT_EQ(hex(surface.at(40, 40)), hex(OpaqueRed));

    // Outside the button, and with the right button over it: nothing.
    EXPECT_EQ(player->ChangeMouseButton(150, 80, 0, true), S_OK);
    EXPECT_EQ(player->ChangeMouseButton(150, 80, 0, false), S_OK);
    EXPECT_EQ(player->ChangeMouseButton(40, 40, 1, true), S_OK);
    EXPECT_EQ(player->ChangeMouseButton(40, 40, 1, false), S_OK);
    EXPECT_EQ(read(u"clicked"), u"");

    EXPECT_EQ(player->MoveMouse(40, 40), S_OK);
    player->DrawDirtyRegion(surface.dc());
    EXPECT_EQ(player->ChangeMouseButton(40, 40, 0, true), S_OK);
    EXPECT_TRUE(dirty()) << "the pressed button's look changed";
    player->DrawDirtyRegion(surface.dc());
    EXPECT_EQ(hex(surface.at(40, 40)), hex(OpaqueBlue));
    EXPECT_EQ(read(u"clicked"), u"") << "buttons act on release";
    EXPECT_EQ(player->ChangeMouseButton(40, 40, 0, false), S_OK);
    EXPECT_EQ(read(u"clicked"), u"yes");
    EXPECT_EQ(read(u"clicks"), u"1");
    player->DrawDirtyRegion(surface.dc());
    EXPECT_EQ(hex(surface.at(40, 40)), hex(OpaqueRed));
}

// On a 400 x 100 surface the stage is shown at scale 1 with 100-pixel
// borders left and right; on 400 x 200 at scale 2. Clicks land where the
// button is drawn.
TEST_F(HostedScripting, ClicksFollowTheStageIntoALetterboxedOrScaledSurface) {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100, .frameRate = 10});
    buttonMovie(movie);
    open(movie, "button_scaled.swf");
    player->ResizeSurface(400, 100);
    (void)player->ChangeMouseButton(40, 40, 0, true);
    (void)player->ChangeMouseButton(40, 40, 0, false);
    EXPECT_EQ(read(u"clicks"), u"0") << "(40, 40) is on the left border now";
    (void)player->ChangeMouseButton(140, 40, 0, true);
    (void)player->ChangeMouseButton(140, 40, 0, false);
    EXPECT_EQ(read(u"clicks"), u"1");

    player->ResizeSurface(400, 200);
    (void)player->ChangeMouseButton(130, 30, 0, true);
    (void)player->ChangeMouseButton(130, 30, 0, false);
    EXPECT_EQ(read(u"clicks"), u"1") << "(65, 15) on the stage: off the button";
    (void)player->ChangeMouseButton(110, 110, 0, true);
    (void)player->ChangeMouseButton(110, 110, 0, false);
    EXPECT_EQ(read(u"clicks"), u"2");
}

TEST_F(HostedScripting, FsCommandsReachTheListenerWithCommandAndArgumentsInOrder) {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100});
    Actions a;
    a.fscommand("first", "alpha");
    a.fscommand("second", "b, c & d");
    movie.doAction(a);
    movie.showFrame();
    open(movie, "fscommand.swf");
    EXPECT_EQ(listener.commands,
              (std::vector<std::pair<std::u16string, std::u16string>>{{u"first", u"alpha"}, {u"second", u"b, c & d"}}));
}

// answer = ExternalInterface.call("getName", "who", 2); the second call
// nobody answers gives undefined.
TEST_F(HostedScripting, AFlashCallAnsweredThroughAnswerMovieCallReturnsIntoTheScript) {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100});
    Actions a;
    a.push({"answer", 2, "who", "getName", 3});
    callOn(a, "ExternalInterface", "call").setVariable();
    a.push({"kind"});
    a.push({"nobody", 1});
    callOn(a, "ExternalInterface", "call").typeOf().setVariable();
    movie.doAction(a);
    movie.showFrame();

    listener.answer = u"<string>Ada &amp; Grace</string>";
    open(movie, "flashcall.swf");
    ASSERT_EQ(listener.requests.size(), 2u);
    EXPECT_EQ(listener.requests[0],
              u"<invoke name=\"getName\" returntype=\"xml\"><arguments><string>who</string>"
              u"<number>2</number></arguments></invoke>");
    EXPECT_EQ(read(u"answer"), u"Ada & Grace");
    EXPECT_EQ(read(u"kind"), u"string") << "the listener answered the second call too";

    listener.answer.reset();
    listener.requests.clear();
    player->CallTargetFrame(0, u"/");
    EXPECT_EQ(listener.requests.size(), 2u);
    EXPECT_EQ(read(u"kind"), u"undefined") << "nobody answered";

    std::u16string description;
    EXPECT_EQ(raised([&] { player->AnswerMovieCall(u"<true/>"); }, &description), E_UNEXPECTED)
        << "no call is being handled";
    EXPECT_NE(description.find(u"FlashCall"), std::u16string::npos) << narrow(description);
}

// ExternalInterface.addCallback("add", null, function(a, b) { last = a; return a + b; })
TEST_F(HostedScripting, InvokeMovieFunctionCallsARegisteredCallback) {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100});
    Actions add;
    add.push({"last", "a"}).getVariable().setVariable();
    add.push({"a"}).getVariable().push({"b"}).getVariable().add2().returnValue();
    Actions a;
    a.defineFunction("", {"a", "b"}, add).push({Null{}, "add", 3});
    callOn(a, "ExternalInterface", "addCallback").pop();
    movie.doAction(a);
    movie.showFrame();
    open(movie, "callback.swf");

    const WCHAR* answer = player->InvokeMovieFunction(
        u"<invoke name=\"add\" "
        u"returntype=\"xml\"><arguments><number>2</number><number>3</number></arguments></invoke>");
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(std::u16string(answer), u"<number>5</number>");
    EXPECT_EQ(read(u"last"), u"2");

    const WCHAR* text = player->InvokeMovieFunction(
        u"<invoke name=\"add\" returntype=\"xml\"><arguments><string>x</string><string>y</string></arguments>"
        u"</invoke>");
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(std::u16string(text), u"<string>xy</string>");

    EXPECT_EQ(player->InvokeMovieFunction(u"<invoke name=\"subtract\" returntype=\"xml\"><arguments/></invoke>"),
              nullptr)
        << "an unregistered name gives no response";
    EXPECT_EQ(player->InvokeMovieFunction(u"not a request"), nullptr);
}

// Frame 1 loops for ever; frame 2 records that it ran. The clock stops the
// loop, reports it, and plays on.
TEST_F(HostedScripting, ARunawayScriptIsStoppedAndTheMoviePlaysOn) {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100, .frameRate = 10});
    movie.showFrame();
    Actions loop;
    loop.setVar("entered", "yes").label("top").jump("top");
    movie.doAction(loop);
    movie.showFrame();
    Actions after;
    after.setVar("reached", "yes").stop();
    movie.doAction(after);
    movie.showFrame();
    open(movie, "runaway.swf");
    (void)takeErrorInfo();

    ASSERT_EQ(runClock(100), 1);
    EXPECT_EQ(player->QueryFrame(), 1);
    const ErrorText error = takeErrorInfo();
    EXPECT_TRUE(error.present);
    EXPECT_NE(error.description.find(u"too long"), std::u16string::npos) << narrow(error.description);
    EXPECT_EQ(read(u"entered"), u"yes");

    ASSERT_EQ(runClock(100), 1);
    EXPECT_EQ(player->QueryFrame(), 2) << "the movie played on";
    EXPECT_EQ(read(u"reached"), u"yes");

    // The same loop run from a scripting call fails that call.
    std::u16string description;
    EXPECT_EQ(raised([&] { player->CallTargetFrame(1, u"/"); }, &description), E_FAIL);
    EXPECT_NE(description.find(u"too long"), std::u16string::npos) << narrow(description);
    EXPECT_EQ(player->QueryFrame(), 2);
}

// A sprite "box" at (20, 20) pixels holding a sprite "inner"; the root holds
// three frames, stops on the first, counts calls in the third (labelled
// "count").
void nestedMovie(swfwriter::MovieWriter& movie) {
    const uint16_t square = movie.rectangle(0, 0, 400, 400, kRed);
    swfwriter::SpriteWriter inner(8);
    inner.place(square, 1);
    inner.showFrame();
    const uint16_t innerId = movie.defineSprite(inner);
    swfwriter::SpriteWriter box(8);
    box.place(innerId, 1, {.name = "inner"});
    box.showFrame();
    const uint16_t boxId = movie.defineSprite(box);
    movie.place(boxId, 1, {.matrix = swfwriter::Matrix::translate(400, 400), .name = "box"});
    Actions first;
    first.setVar("calls", 0).stop();
    movie.doAction(first);
    movie.showFrame();
    movie.showFrame();
    movie.label("count");
    Actions count;
    count.push({"calls", "calls"}).getVariable().increment().setVariable();
    movie.doAction(count);
    movie.showFrame();
}

// The host plays the movie right after opening it; a stop() in the first
// frame's script still holds it there, as it does in a player that shows the
// first frame only once it has been set going.
TEST_F(HostedScripting, AStopInTheFirstFrameHoldsAgainstTheHostsPlay) {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100, .frameRate = 10});
    nestedMovie(movie);
    ASSERT_TRUE(player->OpenMovie(wide(saveMovie(movie, "held.swf")).c_str()));
    EXPECT_EQ(player->QueryPlayState(), 1) << "a new movie plays";
    player->PlayMovie();
    EXPECT_EQ(player->QueryPlayState(), 2);
    EXPECT_EQ(runClock(100), 1);
    EXPECT_EQ(runClock(100), 1);
    EXPECT_EQ(player->QueryFrame(), 0);

    // Without a call in between, the first tick runs the scripts before it
    // would advance.
    ASSERT_TRUE(player->OpenMovie(wide(saveMovie(movie, "held_by_clock.swf")).c_str()));
    EXPECT_EQ(runClock(100), 1);
    EXPECT_EQ(player->QueryFrame(), 0);
    EXPECT_EQ(player->QueryPlayState(), 2);
}

TEST_F(HostedScripting, VariablesByEveryPathForm) {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100});
    nestedMovie(movie);
    open(movie, "paths.swf");
    player->WriteVariable(u"/box:v", u"slash");
    EXPECT_EQ(read(u"_root.box.v"), u"slash");
    player->WriteVariable(u"_root.box.inner.w", u"deep");
    EXPECT_EQ(read(u"/box/inner:w"), u"deep");
    player->WriteVariable(u"top", u"t");
    EXPECT_EQ(read(u"top"), u"t");
    EXPECT_EQ(read(u"/:top"), u"t");
    EXPECT_EQ(read(u"calls"), u"0") << "set by the first frame's script";
    EXPECT_EQ(read(u"/nothere:v"), u"") << "an absent value reads as empty, not as a failure";

    std::u16string description;
    EXPECT_EQ(raised([&] { player->WriteVariable(u"/nothere:v", u"x"); }, &description), E_INVALIDARG);
    EXPECT_NE(description.find(u"/nothere:v"), std::u16string::npos) << narrow(description);
}

TEST_F(HostedScripting, NumberedPropertiesReadAndWriteAndRedraw) {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100});
    nestedMovie(movie);
    open(movie, "properties.swf");
    EXPECT_EQ(player->ReadTargetNumber(0, u"/box"), 20.0) << "_x";
    EXPECT_EQ(std::u16string(player->ReadTargetProperty(13, u"/box/inner")), u"inner") << "_name";
    EXPECT_EQ(std::u16string(player->ReadTargetProperty(11, u"_root.box.inner")), u"/box/inner") << "_target";

    DibSurface surface(200, 100, false);
    player->DrawDirtyRegion(surface.dc());
    ASSERT_FALSE(dirty());
    player->WriteTargetNumber(0, 100.0, u"/box");
    EXPECT_TRUE(dirty()) << "the moved clip is invalidated";
    EXPECT_EQ(player->ReadTargetNumber(0, u"/box"), 100.0);
    player->DrawDirtyRegion(surface.dc());
    EXPECT_EQ(hex(surface.at(110, 30)), hex(OpaqueRed));

    player->WriteTargetProperty(2, u"200", u"/box");
    EXPECT_EQ(player->ReadTargetNumber(2, u"/box"), 200.0) << "_xscale";
    EXPECT_EQ(player->ReadTargetNumber(8, u"/box"), 40.0) << "_width doubled";
    player->WriteTargetProperty(7, u"0", u"/box");
    EXPECT_EQ(std::u16string(player->ReadTargetProperty(7, u"/box")), u"false") << "_visible";
    EXPECT_EQ(player->ReadTargetNumber(5, u"/"), 3.0) << "_totalframes";

    EXPECT_EQ(raised([&] { (void)player->ReadTargetNumber(22, u"/box"); }), E_INVALIDARG);
    EXPECT_EQ(raised([&] { (void)player->ReadTargetNumber(-1, u"/box"); }), E_INVALIDARG);
    EXPECT_EQ(raised([&] { (void)player->ReadTargetProperty(0, u"/nothere"); }), E_INVALIDARG);
    EXPECT_EQ(raised([&] { player->WriteTargetNumber(0, 1.0, u"/nothere"); }), E_INVALIDARG);
}

TEST_F(HostedScripting, CallingAFrameRunsItsActionsWithoutMovingThePlayhead) {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100});
    nestedMovie(movie);
    open(movie, "callframe.swf");
    player->CallTargetFrame(2, u"/");
    EXPECT_EQ(read(u"calls"), u"1");
    EXPECT_EQ(player->QueryFrame(), 0);
    player->CallTargetLabel(u"count", u"_root");
    EXPECT_EQ(read(u"calls"), u"2");
    EXPECT_EQ(player->QueryFrame(), 0);
    EXPECT_EQ(player->QueryPlayState(), 2) << "still stopped";

    EXPECT_EQ(raised([&] { player->CallTargetFrame(3, u"/"); }), E_INVALIDARG);
    EXPECT_EQ(raised([&] { player->CallTargetLabel(u"nolabel", u"/"); }), E_INVALIDARG);
    EXPECT_EQ(raised([&] { player->CallTargetFrame(0, u"/nothere"); }), E_INVALIDARG);
    EXPECT_EQ(read(u"calls"), u"2");
}

// Key and Mouse listeners, Key.isDown on every frame.
TEST_F(HostedScripting, KeysAndTheWheelReachTheirListeners) {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100, .frameRate = 10});
    Actions onKey;
    onKey.push({"code"}).push({0}).push({"Key"}).getVariable().push({"getCode"}).callMethod().setVariable();
    onKey.push({"ascii"}).push({0}).push({"Key"}).getVariable().push({"getAscii"}).callMethod().setVariable();
    onKey.push({"presses", "presses"}).getVariable().increment().setVariable();
    Actions onWheel;
    onWheel.push({"wheel", "delta"}).getVariable().setVariable();
    Actions onFrame;
    onFrame.push({"down", 65, 1}).push({"Key"}).getVariable().push({"isDown"}).callMethod().setVariable();
    Actions a;
    a.setVar("presses", 0);
    a.push({"o", 0}).initObject().setVariable();
    assignFunction(a, "o", "onKeyDown", {}, onKey);
    assignFunction(a, "o", "onMouseWheel", {"delta"}, onWheel);
    a.push({"o"}).getVariable().push({1});
    callOn(a, "Key", "addListener").pop();
    a.push({"o"}).getVariable().push({1});
    callOn(a, "Mouse", "addListener").pop();
    assignFunction(a, "_root", "onEnterFrame", {}, onFrame);
    movie.doAction(a);
    movie.showFrame();
    open(movie, "keys.swf");

    EXPECT_EQ(player->ChangeKey(true, 'A', 0x001E0001), S_OK);
    EXPECT_EQ(player->TypeChar('a', 0x001E0001), S_OK);
    EXPECT_EQ(read(u"code"), u"65");
    EXPECT_EQ(read(u"ascii"), u"97");
    EXPECT_EQ(read(u"presses"), u"1") << "the character belongs to the key just pressed";
    ASSERT_EQ(runClock(100), 1);
    EXPECT_EQ(read(u"down"), u"true");
    EXPECT_EQ(player->ChangeKey(false, 'A', 0xC01E0001), S_OK);
    ASSERT_EQ(runClock(100), 1);
    EXPECT_EQ(read(u"down"), u"false");

    EXPECT_EQ(player->TypeChar('z', 0), S_OK);
    EXPECT_EQ(read(u"code"), u"90") << "a character on its own is its key's keystroke";
    EXPECT_EQ(read(u"ascii"), u"122");
    EXPECT_EQ(read(u"presses"), u"2");

    EXPECT_EQ(player->TurnMouseWheel(-120), S_OK);
    EXPECT_EQ(read(u"wheel"), u"-3");
}

// A listener that loads another movie while the first one's script is
// still running: the first finishes detached and goes afterwards; its later
// commands reach nobody.
TEST_F(HostedScripting, AListenerMayReplaceTheMovieFromInsideItsScript) {
    swfwriter::MovieWriter second({.version = 8, .width = 200, .height = 100});
    Actions b;
    b.setVar("movie", "second");
    b.fscommand("hello", "from the second");
    second.doAction(b);
    second.showFrame();
    const std::string secondPath = saveMovie(second, "second.swf");

    swfwriter::MovieWriter first({.version = 8, .width = 200, .height = 100});
    Actions a;
    a.setVar("movie", "first");
    a.fscommand("swap", "");
    a.push({"s", 0}).initObject().setVariable();  // still runs, on the old movie
    a.fscommand("late", "");
    first.doAction(a);
    first.showFrame();

    listener.onCommand = [&](const std::u16string& command) {
        if (command == u"swap") {
            EXPECT_TRUE(player->OpenMovie(wide(secondPath).c_str()));
        }
    };
    open(first, "first.swf");
    EXPECT_EQ(read(u"movie"), u"second");
    EXPECT_EQ(listener.commands,
              (std::vector<std::pair<std::u16string, std::u16string>>{{u"swap", u""}, {u"hello", u"from the second"}}));
    ASSERT_EQ(runClock(100), 1) << "the new movie plays";
}

}  // namespace

namespace {

// Blue pixels inside the rectangle (pixels, end exclusive).
int bluePixels(DibSurface& surface, int left, int top, int right, int bottom) {
    int count = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            count += surface.at(x, y) == OpaqueBlue ? 1 : 0;
    return count;
}

// A 200 x 100 stopped movie whose top half is a text field bound to
// `variable`, drawn in blue from a font of solid boxes for X and Y.
void boxTextFieldMovie(swfwriter::MovieWriter& movie, const std::string& variable) {
    const uint16_t fontId = movie.defineFont(swfwriter::boxFont("XY"));
    swfwriter::EditTextSpec field;
    field.bounds = {0, 4000, 0, 1000};  // 200 x 50 pixels in the top half
    field.useOutlines = true;
    field.fontId = fontId;
    field.fontHeight = 600;
    field.color = kBlue;
    field.variableName = variable;
    movie.place(movie.defineEditText(field), 1);
    movie.doAction(Actions().stop());
    movie.showFrame();
}

}  // namespace

// A text field bound to a variable shows what the embedding application
// writes into it, drawn from the movie's own glyphs and redrawn at once.
TEST_F(HostedScripting, ABoundTextFieldShowsAWrittenVariable) {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100});
    boxTextFieldMovie(movie, "shown");
    open(movie, "bound_text.swf");

    DibSurface surface(200, 100, false);
    player->DrawDirtyRegion(surface.dc());
    EXPECT_EQ(bluePixels(surface, 0, 0, 200, 100), 0) << "nothing to show yet";

    player->WriteVariable(u"shown", u"XY");
    ASSERT_TRUE(dirty()) << "the field's new text is invalidated";
    player->DrawDirtyRegion(surface.dc());
    // Two boxes of 600 * 800 / 1024 twips, about 23 pixels square each.
    const int shown = bluePixels(surface, 0, 0, 200, 50);
    EXPECT_GT(shown, 2 * 20 * 20);
    EXPECT_LT(shown, 2 * 25 * 25);
    EXPECT_EQ(bluePixels(surface, 0, 50, 200, 100), 0) << "nothing outside the field";
    EXPECT_EQ(read(u"shown"), u"XY");

    player->WriteVariable(u"shown", u"X");
    player->DrawDirtyRegion(surface.dc());
    EXPECT_LT(bluePixels(surface, 0, 0, 200, 50), shown * 2 / 3) << "one box left";
}

// An input field takes the keyboard after a click into it: each key-down
// and its WM_CHAR make one character, a character on its own makes one
// too, and Backspace takes the last back. The variable follows at once and
// the field redraws; a click elsewhere ends the typing.
TEST_F(HostedScripting, TypingIntoAClickedInputFieldWritesItsVariable) {
    swfwriter::MovieWriter movie({.version = 8, .width = 200, .height = 100});
    boxTextFieldMovie(movie, "typed");
    open(movie, "input_text.swf");
    DibSurface surface(200, 100, false);
    player->DrawDirtyRegion(surface.dc());

    EXPECT_EQ(player->TypeChar('X', 0), S_OK);
    EXPECT_EQ(read(u"typed"), u"") << "nothing has the focus before a click";
    ASSERT_EQ(player->ChangeMouseButton(50, 20, 0, true), S_OK);
    ASSERT_EQ(player->ChangeMouseButton(50, 20, 0, false), S_OK);

    constexpr WPARAM kShift = 0x10, kBackspace = 0x08;
    EXPECT_EQ(player->ChangeKey(true, kShift, 0x002A0001), S_OK);
    EXPECT_EQ(player->ChangeKey(true, 'X', 0x002D0001), S_OK);
    EXPECT_EQ(player->TypeChar('X', 0x002D0001), S_OK);
    EXPECT_EQ(player->ChangeKey(false, 'X', 0xC02D0001), S_OK);
    EXPECT_EQ(player->ChangeKey(false, kShift, 0xC02A0001), S_OK);
    EXPECT_EQ(read(u"typed"), u"X") << "the key-down and its character make one character";
    EXPECT_EQ(player->TypeChar('Y', 0), S_OK);
    EXPECT_EQ(read(u"typed"), u"XY");
    ASSERT_TRUE(dirty()) << "the typed text is invalidated";
    player->DrawDirtyRegion(surface.dc());
    const int shown = bluePixels(surface, 0, 0, 200, 50);
    EXPECT_GT(shown, 2 * 20 * 20) << "two boxes drawn";

    EXPECT_EQ(player->ChangeKey(true, kBackspace, 0x000E0001), S_OK);
    EXPECT_EQ(player->TypeChar(kBackspace, 0x000E0001), S_OK);
    EXPECT_EQ(player->ChangeKey(false, kBackspace, 0xC00E0001), S_OK);
    EXPECT_EQ(read(u"typed"), u"X");
    player->DrawDirtyRegion(surface.dc());
    EXPECT_LT(bluePixels(surface, 0, 0, 200, 50), shown * 2 / 3) << "one box left";

    ASSERT_EQ(player->ChangeMouseButton(50, 80, 0, true), S_OK);
    ASSERT_EQ(player->ChangeMouseButton(50, 80, 0, false), S_OK);
    EXPECT_EQ(player->TypeChar('Y', 0), S_OK);
    EXPECT_EQ(read(u"typed"), u"X") << "a click elsewhere took the focus away";
}
