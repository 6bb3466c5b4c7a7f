// Pointer and keyboard input: a button through every transition of its
// state machine, clips with button handlers, Mouse and Key listeners, clip
// events for input, key conditions, and dragging.
#include "script_test_support.h"

#include "model/button_object.h"
#include "script/input_dispatcher.h"
#include "swf/button.h"

using namespace scripttest;
namespace cond = swf::ButtonCondition;

namespace {

constexpr swfwriter::Color Blue{0, 0, 255};

swfwriter::ButtonActionSpec traceOn(uint16_t conditions, const std::string& text, uint8_t key = 0) {
    return {conditions, key, Actions().push({text}).trace().bytes()};
}

// A 100x100 pixel button at (100, 100) pixels with a trace for every
// transition and for the key 'a'.
std::unique_ptr<Player> buttonMovie() {
    swfwriter::MovieWriter m({.version = 8});
    uint16_t square = m.rectangle(0, 0, 2000, 2000, Blue);
    swfwriter::ButtonRecordSpec record;
    record.characterId = square;
    uint16_t button = m.defineButton2({record}, {
                                                    traceOn(cond::IdleToOverUp, "rollOver"),
                                                    traceOn(cond::OverUpToIdle, "rollOut"),
                                                    traceOn(cond::OverUpToOverDown, "press"),
                                                    traceOn(cond::OverDownToOverUp, "release"),
                                                    traceOn(cond::OverDownToOutDown, "dragOut"),
                                                    traceOn(cond::OutDownToOverDown, "dragOver"),
                                                    traceOn(cond::OutDownToIdle, "releaseOutside"),
                                                    traceOn(0, "key a", 'a'),
                                                });
    swfwriter::Place place = namedAt("btn", 2000, 2000);
    m.place(button, 1, place);
    m.showFrame();
    return Player::load(m);
}

TEST(Buttons, EveryTransitionRunsItsConditionActions) {
    auto p = buttonMovie();
    ASSERT_TRUE(p);
    auto* button = p->root().displayList().at(1)->as<model::ButtonObject>();
    ASSERT_TRUE(button);
    const swf::Point inside{3000, 3000};
    const swf::Point outside{500, 500};
    auto& e = *p->engine;

    e.mouseMove(inside);
    EXPECT_EQ(button->state(), model::ButtonState::Over);
    EXPECT_TRUE(e.pointerOverButton());
    e.mouseDown(inside);
    EXPECT_EQ(button->state(), model::ButtonState::Down);
    e.mouseUp(inside);
    EXPECT_EQ(button->state(), model::ButtonState::Over);
    e.mouseMove(outside);
    EXPECT_EQ(button->state(), model::ButtonState::Up);
    EXPECT_FALSE(e.pointerOverButton());
    EXPECT_EQ(p->host.traces, (Strings{"rollOver", "press", "release", "rollOut"}));

    p->host.traces.clear();
    e.mouseMove(inside);
    e.mouseDown(inside);
    e.mouseMove(outside);
    EXPECT_EQ(button->state(), model::ButtonState::Up);
    e.mouseMove(inside);
    EXPECT_EQ(button->state(), model::ButtonState::Down);
    e.mouseMove(outside);
    e.mouseUp(outside);
    EXPECT_EQ(button->state(), model::ButtonState::Up);
    EXPECT_EQ(p->host.traces, (Strings{"rollOver", "press", "dragOut", "dragOver", "dragOut", "releaseOutside"}));

    p->host.traces.clear();
    e.keyDown('A', 'a');
    e.keyUp('A', 'a');
    e.keyDown('B', 'b');
    EXPECT_EQ(p->host.traces, (Strings{"key a"}));
}

TEST(Buttons, ActionsRunInTheClipHoldingTheButton) {
    swfwriter::MovieWriter m({.version = 8});
    uint16_t square = m.rectangle(0, 0, 2000, 2000, Blue);
    swfwriter::ButtonRecordSpec record;
    record.characterId = square;
    uint16_t button = m.defineButton(
        {record}, Actions().push({"_name"}).getVariable().trace().push({"clicked", true}).setVariable().bytes());
    swfwriter::SpriteWriter holder(8);
    holder.place(button, 1);
    holder.showFrame();
    uint16_t holderId = m.defineSprite(holder);
    m.place(holderId, 1, named("holder"));
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    p->engine->mouseMove({1000, 1000});
    p->engine->mouseDown({1000, 1000});
    p->engine->mouseUp({1000, 1000});
    EXPECT_EQ(p->host.traces, (Strings{"holder"}));
    EXPECT_EQ(p->engine->getVariable(u"/holder:clicked"), u"true");
}

TEST(ButtonClips, HandlersMakeAClipReactLikeAButton) {
    swfwriter::MovieWriter m({.version = 8});
    uint16_t square = m.rectangle(0, 0, 2000, 2000, Blue);
    swfwriter::SpriteWriter s(8);
    s.place(square, 1);
    s.showFrame();
    uint16_t sprite = m.defineSprite(s);
    m.place(sprite, 1, named("c"));
    swfwriter::Place other = namedAt("onClip", 4000, 0);
    other.clipActions.push_back({swfwriter::Event::Press, 0, Actions().push({"on(press)"}).trace().bytes()});
    m.place(sprite, 2, other);
    Actions root;
    for (const char* handler : {"onPress", "onRelease", "onRollOver", "onRollOut", "onReleaseOutside"}) {
        Actions body;
        body.push({std::string(handler) + " "}).push({"this"}).getVariable().push({"_name"}).getMember().add2().trace();
        root.push({"c"}).getVariable().push({handler}).defineFunction("", {}, body).setMember();
    }
    m.doAction(root);
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    auto& e = *p->engine;
    e.mouseMove({1000, 1000});
    e.mouseDown({1000, 1000});
    e.mouseUp({1000, 1000});
    e.mouseMove({3000, 1000});  // between the two clips
    e.mouseMove({5000, 1000});
    e.mouseDown({5000, 1000});
    e.mouseUp({5000, 1000});
    EXPECT_EQ(p->host.traces, (Strings{"onRollOver c", "onPress c", "onRelease c", "onRollOut c", "on(press)"}));
    p->engine->runActions(p->root(), Actions().push({"c"}).getVariable().push({"enabled", false}).setMember().bytes());
    p->host.traces.clear();
    e.mouseMove({1000, 1000});
    EXPECT_TRUE(p->host.traces.empty()) << "a disabled clip does not react";
}

// Clips a, b (both trackAsMenu) and c side by side, 100 px apart: a press
// dragged from one menu clip onto the other moves there and is released
// there; onto a plain clip it stays a drag out of the first.
TEST(ButtonClips, APressDraggedOntoAnotherMenuClipIsReleasedThere) {
    swfwriter::MovieWriter m({.version = 8});
    uint16_t square = m.rectangle(0, 0, 1000, 1000, Blue);
    swfwriter::SpriteWriter s(8);
    s.place(square, 1);
    s.showFrame();
    uint16_t sprite = m.defineSprite(s);
    const char* names[] = {"a", "b", "c"};
    for (int i = 0; i < 3; ++i)
        m.place(sprite, uint16_t(i + 1), namedAt(names[i], i * 2000, 0));
    Actions root;
    for (const char* name : names) {
        for (const char* handler : {"onPress", "onRelease", "onReleaseOutside", "onDragOut", "onDragOver"}) {
            Actions body;
            body.push({std::string(handler) + " "})
                .push({"this"})
                .getVariable()
                .push({"_name"})
                .getMember()
                .add2()
                .trace();
            root.push({name}).getVariable().push({handler}).defineFunction("", {}, body).setMember();
        }
    }
    root.push({"a"}).getVariable().push({"trackAsMenu", true}).setMember();
    root.push({"b"}).getVariable().push({"trackAsMenu", true}).setMember();
    m.doAction(root);
    m.showFrame();
    const std::vector<uint8_t> file = m.finish();
    struct Case {
        double toX;
        Strings traces;
    } cases[] = {
        {2500, {"onPress a", "onDragOut a", "onDragOver b", "onRelease b"}},
        {4500, {"onPress a", "onDragOut a", "onReleaseOutside a"}},
    };
    for (const Case& c : cases) {
        auto p = Player::load(file);
        ASSERT_TRUE(p);
        auto& e = *p->engine;
        e.mouseMove({500, 500});
        e.mouseDown({500, 500});
        e.mouseMove({c.toX, 500});
        e.mouseUp({c.toX, 500});
        EXPECT_EQ(p->host.traces, c.traces) << c.toX;
    }
}

TEST(Listeners, MouseListenersAndClipEventsHearEveryEvent) {
    swfwriter::MovieWriter m({.version = 8});
    uint16_t s = spriteWith(m);
    swfwriter::Place c = named("c");
    c.clipActions.push_back({swfwriter::Event::MouseDown, 0, Actions().push({"clip mouseDown"}).trace().bytes()});
    m.place(s, 1, c);
    Actions onDown;
    onDown.push({"down "}).push({"_root"}).getVariable().push({"_xmouse"}).getMember().add2();
    onDown.push({","}).add2().push({"_root"}).getVariable().push({"_ymouse"}).getMember().add2().trace();
    Actions onWheel;
    onWheel.push({"wheel "}).push({"delta"}).getVariable().add2().trace();
    Actions root;
    root.push({"l", 0}).initObject().setVariable();
    root.push({"l"}).getVariable().push({"onMouseDown"}).defineFunction("", {}, onDown).setMember();
    root.push({"l"}).getVariable().push({"onMouseWheel"}).defineFunction("", {"delta"}, onWheel).setMember();
    root.push({"l"}).getVariable().push({1}).push({"Mouse"}).getVariable().push({"addListener"}).callMethod().pop();
    m.doAction(root);
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    p->engine->mouseDown({200, 300});
    p->engine->mouseUp({200, 300});
    p->engine->mouseWheel(-3);
    EXPECT_EQ(p->host.traces, (Strings{"clip mouseDown", "down 10,15", "wheel -3"}));
    p->engine->runActions(p->root(), Actions()
                                         .push({"l"})
                                         .getVariable()
                                         .push({1})
                                         .push({"Mouse"})
                                         .getVariable()
                                         .push({"removeListener"})
                                         .callMethod()
                                         .trace()
                                         .bytes());
    p->engine->mouseDown({0, 0});
    EXPECT_EQ(p->host.traces, (Strings{"clip mouseDown", "down 10,15", "wheel -3", "true", "clip mouseDown"}));
}

// A right press calls onSelect(owner, menu) of the menu of what is under the
// pointer, else of the nearest parent with one: here the root's.
TEST(ContextMenus, RightPressSelectsTheMenuOfWhatIsUnderThePointer) {
    swfwriter::MovieWriter m({.version = 8});
    uint16_t square = m.rectangle(0, 0, 2000, 2000, Blue);
    swfwriter::SpriteWriter s(8);
    s.place(square, 1);
    s.showFrame();
    uint16_t sprite = m.defineSprite(s);
    m.place(sprite, 1, named("c"));
    m.place(sprite, 2, namedAt("d", 4000, 0));
    Actions onC;
    onC.push({"c menu "}).push({"o"}).getVariable().push({"_name"}).getMember().add2().trace();
    Actions onRoot;
    onRoot.push({"root menu "}).push({"o"}).getVariable().push({"_root"}).getVariable().equals2().add2().trace();
    Actions root;
    root.push({"c"}).getVariable().push({"menu"}).defineFunction("", {"o", "m"}, onC);
    root.push({1, "ContextMenu"}).newObject().setMember();
    root.push({"_root"}).getVariable().push({"menu"}).defineFunction("", {"o", "m"}, onRoot);
    root.push({1, "ContextMenu"}).newObject().setMember();
    m.doAction(root);
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    p->engine->contextMenu({1000, 1000});
    p->engine->contextMenu({5000, 1000});
    p->engine->contextMenu({9000, 5000});
    EXPECT_EQ(p->host.traces, (Strings{"c menu c", "root menu true", "root menu true"}));
}

TEST(Listeners, KeysReachListenersClipEventsAndKeyState) {
    swfwriter::MovieWriter m({.version = 8});
    uint16_t s = spriteWith(m);
    swfwriter::Place c = named("c");
    c.clipActions.push_back({swfwriter::Event::KeyDown, 0, Actions().push({"clip keyDown"}).trace().bytes()});
    c.clipActions.push_back({swfwriter::Event::KeyPress, 1, Actions().push({"left pressed"}).trace().bytes()});
    m.place(s, 1, c);
    Actions onDown;
    onDown.push({"down "}).callMethodOn("Key", "getCode", {}).add2().push({" "}).add2();
    onDown.callMethodOn("Key", "getAscii", {}).add2().push({" "}).add2();
    onDown.callMethodOn("Key", "isDown", {65}).add2().trace();
    Actions onUp;
    onUp.push({"up "}).callMethodOn("Key", "isDown", {65}).add2().trace();
    Actions root;
    root.push({"k", 0}).initObject().setVariable();
    root.push({"k"}).getVariable().push({"onKeyDown"}).defineFunction("", {}, onDown).setMember();
    root.push({"k"}).getVariable().push({"onKeyUp"}).defineFunction("", {}, onUp).setMember();
    root.push({"k"}).getVariable().push({1}).push({"Key"}).getVariable().push({"addListener"}).callMethod().pop();
    m.doAction(root);
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    p->engine->keyDown(65, 97);
    p->engine->keyUp(65, 97);
    p->engine->keyDown(37, 0);
    EXPECT_EQ(p->host.traces, (Strings{"clip keyDown", "down 65 97 true", "up false", "left pressed", "clip keyDown",
                                       "down 37 0 false"}));
}

TEST(Drag, TheClipFollowsThePointerWithinItsBoundsAndFindsItsDropTarget) {
    swfwriter::MovieWriter m({.version = 8});
    uint16_t big = m.rectangle(0, 0, 6000, 6000, Blue);
    uint16_t small = m.rectangle(0, 0, 400, 400, Blue);
    swfwriter::SpriteWriter t(8);
    t.place(big, 1);
    t.showFrame();
    swfwriter::SpriteWriter d(8);
    d.place(small, 1);
    d.showFrame();
    m.place(m.defineSprite(t), 1, named("target"));
    m.place(m.defineSprite(d), 2, named("d"));
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    p->engine->mouseMove({1000, 1000});
    p->engine->runActions(p->root(), Actions().callMethodOn("d", "startDrag", {false, 0, 0, 80, 80}).pop().bytes());
    p->engine->mouseMove({3000, 2000});
    model::MovieClip* clip = p->clip("d");
    ASSERT_TRUE(clip);
    EXPECT_EQ(clip->matrix().tx, 1600.0) << "x stops at the right bound, 80 pixels";
    EXPECT_EQ(clip->matrix().ty, 1000.0);
    p->engine->runActions(p->root(),
                          Actions().callMethodOn("d", "stopDrag", {}).pop().traceVar("d._droptarget").bytes());
    p->engine->mouseMove({0, 0});
    EXPECT_EQ(clip->matrix().tx, 1600.0) << "no longer dragged";
    EXPECT_EQ(p->host.traces, (Strings{"/target"}));
}

TEST(Keys, ConditionKeyNumbers) {
    using script::InputDispatcher;
    EXPECT_EQ(InputDispatcher::conditionKey(37, 0), 1);
    EXPECT_EQ(InputDispatcher::conditionKey(27, 27), 19);
    EXPECT_EQ(InputDispatcher::conditionKey(13, 13), 13);
    EXPECT_EQ(InputDispatcher::conditionKey(65, 'A'), 'A');
    EXPECT_EQ(InputDispatcher::conditionKey(112, 0), 0) << "F1 has no condition number";
}

}  // namespace
