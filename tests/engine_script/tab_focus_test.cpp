// Keyboard focus in ActionScript 2: the tab order (reading order, tabIndex,
// tabEnabled, tabChildren), focus events, Enter and space on the focused
// object, and the focus rectangle with the global and own _focusrect.
#include "script_test_support.h"

#include "model/stage.h"
#include "swf/button.h"

using namespace scripttest;
namespace cond = swf::ButtonCondition;

namespace {

constexpr uint32_t Tab = 9, Enter = 13, Shift = 16, Space = 32;

Actions setMember(const std::string& object, const std::string& name, swfwriter::PushValue value) {
    return Actions().push({object}).getVariable().push({name, std::move(value)}).setMember();
}

// An input field "f" at the top left, a plain clip "plain" right of it,
// the clip "c1" with onPress/onRelease and the button "b1" on the next
// row, "box" holding the button "b2" on the row below; squares 50 px.
std::unique_ptr<Player> focusMovie(const Actions& setup) {
    swfwriter::MovieWriter m({.version = 8});
    const uint16_t square = m.rectangle(0, 0, 1000, 1000, {0, 0, 255});
    swfwriter::ButtonRecordSpec record;
    record.characterId = square;
    auto traceOn = [](uint16_t conditions, const std::string& text) {
        return swfwriter::ButtonActionSpec{conditions, 0, Actions().push({text}).trace().bytes()};
    };
    const uint16_t button = m.defineButton2(
        {record}, {traceOn(cond::OverUpToOverDown, "press"), traceOn(cond::OverDownToOverUp, "release")});
    swfwriter::SpriteWriter s(8);
    s.place(square, 1);
    s.showFrame();
    const uint16_t sprite = m.defineSprite(s);
    swfwriter::SpriteWriter box(8);
    box.place(button, 1, named("b2"));
    box.showFrame();
    swfwriter::EditTextSpec spec;
    spec.variableName = "v";
    spec.bounds = {0, 1000, 0, 200};
    m.place(m.defineEditText(spec), 1, namedAt("f", 0, 0));
    m.place(sprite, 2, namedAt("plain", 2000, 0));
    m.place(button, 3, namedAt("b1", 4000, 2000));
    m.place(sprite, 4, namedAt("c1", 0, 2000));
    m.place(m.defineSprite(box), 5, namedAt("box", 0, 4000));
    Actions root;
    for (const char* handler : {"onPress", "onRelease", "onSetFocus", "onKillFocus"}) {
        Actions body;
        body.push({std::string(handler) + " "}).push({"arguments"}).getVariable().add2().trace();
        root.push({"c1"}).getVariable().push({handler}).defineFunction("", {}, body).setMember();
    }
    root.append(setup);
    m.doAction(root);
    m.showFrame();
    return Player::load(m);
}

std::string focusPath(Player& p) {
    p.host.traces.clear();
    p.engine->runActions(p.root(), Actions().callMethodOn("Selection", "getFocus", {}).trace().bytes());
    return p.host.traces.empty() ? "" : p.host.traces.front();
}

void press(script::Engine& e, uint32_t key, bool shift = false) {
    if (shift)
        e.keyDown(Shift, 0);
    e.keyDown(key, key == Tab ? 0 : key);
    e.keyUp(key, 0);
    if (shift)
        e.keyUp(Shift, 0);
}

}  // namespace

TEST(TabFocus, TabWalksTheOrderAndShiftTabWalksBack) {
    struct Case {
        const char* name;
        Actions setup;
        bool backward;
        Strings focus;  // after each Tab
    } cases[] = {
        {"reading order", {}, false, {"_level0.f", "_level0.c1", "_level0.b1", "_level0.box.b2", "_level0.f"}},
        {"backward", {}, true, {"_level0.box.b2", "_level0.b1", "_level0.c1"}},
        {"tabIndex only",
         setMember("b1", "tabIndex", 2).append(setMember("f", "tabIndex", 1)),
         false,
         {"_level0.f", "_level0.b1", "_level0.f"}},
        {"tabEnabled",
         setMember("c1", "tabEnabled", false).append(setMember("plain", "tabEnabled", true)),
         false,
         {"_level0.f", "_level0.plain", "_level0.b1"}},
        {"tabChildren",
         setMember("box", "tabChildren", false),
         false,
         {"_level0.f", "_level0.c1", "_level0.b1", "_level0.f"}},
        {"hidden and disabled",
         setMember("b1", "_visible", false).append(setMember("c1", "enabled", false)),
         false,
         {"_level0.f", "_level0.box.b2", "_level0.f"}},
    };
    for (const Case& c : cases) {
        auto p = focusMovie(c.setup);
        ASSERT_TRUE(p);
        Strings seen;
        for (size_t i = 0; i < c.focus.size(); ++i) {
            press(*p->engine, Tab, c.backward);
            seen.push_back(focusPath(*p));
        }
        EXPECT_EQ(seen, c.focus) << c.name;
    }
}

TEST(TabFocus, FocusEventsAndEnterOrSpacePressTheFocusedObject) {
    // A Selection listener hears every move with the old and new objects.
    Actions listen;
    Actions body;
    body.push({"listener "}).push({"arguments"}).getVariable().add2().trace();
    listen.push({"l"}).push({0}).push({"Object"}).newObject().setVariable();
    listen.push({"l"}).getVariable().push({"onSetFocus"}).defineFunction("", {}, body).setMember();
    listen.append(Actions()
                      .push({"l"})
                      .getVariable()
                      .push({1})
                      .push({"Selection"})
                      .getVariable()
                      .push({"addListener"})
                      .callMethod()
                      .pop());
    auto p = focusMovie(listen);
    ASSERT_TRUE(p);
    auto& e = *p->engine;
    press(e, Tab);  // the field
    p->host.traces.clear();
    press(e, Tab);
    press(e, Enter);
    press(e, Tab);
    press(e, Space);
    EXPECT_EQ(p->host.traces,
              (Strings{"onSetFocus _level0.f", "listener _level0.f,_level0.c1", "onPress ", "onRelease ",
                       "onKillFocus _level0.b1", "listener _level0.c1,_level0.b1", "press", "release"}));
    p->host.traces.clear();
    p->engine->runActions(p->root(), Actions().callMethodOn("Selection", "setFocus", {"plain"}).trace().bytes());
    p->engine->runActions(p->root(), Actions().callMethodOn("Selection", "setFocus", {"c1"}).trace().bytes());
    EXPECT_EQ(p->host.traces, (Strings{"false", "onSetFocus _level0.b1", "listener _level0.b1,_level0.c1", "true"}))
        << "a plain clip takes no focus; setFocus moves it with its events";
}

TEST(TabFocus, TheRectangleFollowsTheFocusUnlessFocusrectIsOff) {
    const swf::Rect c1{0, 1000, 2000, 3000};
    const swf::Rect b1{4000, 5000, 2000, 3000};
    struct Case {
        const char* name;
        Actions setup;
        int tabs;
        std::optional<swf::Rect> rect;
    } cases[] = {
        {"nothing focused", {}, 0, std::nullopt},
        {"a field shows its caret", {}, 1, std::nullopt},
        {"the clip", {}, 2, c1},
        {"the button", {}, 3, b1},
        {"global off", Actions().setVar("_focusrect", false), 2, std::nullopt},
        {"own off", setMember("c1", "_focusrect", false), 2, std::nullopt},
        {"own off, another object", setMember("c1", "_focusrect", false), 3, b1},
        {"own on over global off", Actions().setVar("_focusrect", false).append(setMember("b1", "_focusrect", true)), 3,
         b1},
        {"moved with the clip", setMember("c1", "_x", 100), 2, swf::Rect{2000, 3000, 2000, 3000}},
    };
    for (const Case& c : cases) {
        auto p = focusMovie(c.setup);
        ASSERT_TRUE(p);
        for (int i = 0; i < c.tabs; ++i)
            press(*p->engine, Tab);
        EXPECT_EQ(p->stage->focusHighlight(), c.rect) << c.name;
    }
    auto p = focusMovie({});
    press(*p->engine, Tab);
    press(*p->engine, Tab);
    ASSERT_EQ(p->stage->focusHighlight(), c1);
    p->engine->mouseDown({20000, 20000});
    p->engine->mouseUp({20000, 20000});
    EXPECT_EQ(p->stage->focusHighlight(), std::nullopt) << "a press elsewhere takes the focus away";
    EXPECT_EQ(focusPath(*p), "null");
}

// A press on a button or clip that takes focus gives it the focus (without
// the rectangle), so Tab goes on from there; one on what takes none, or
// has tabEnabled false, takes the focus away.
TEST(TabFocus, PressesMoveTheFocus) {
    struct Case {
        const char* name;
        Actions setup;
        swf::Point at;
        std::string focus;
        std::string afterTab;
    } cases[] = {
        {"the button", {}, {4500, 2500}, "_level0.b1", "_level0.box.b2"},
        {"the clip with handlers", {}, {500, 2500}, "_level0.c1", "_level0.b1"},
        {"the nested button", {}, {500, 4500}, "_level0.box.b2", "_level0.f"},
        {"a plain clip", {}, {2500, 500}, "null", "_level0.f"},
        {"tabEnabled false", setMember("b1", "tabEnabled", false), {4500, 2500}, "null", "_level0.f"},
    };
    for (const Case& c : cases) {
        auto p = focusMovie(c.setup);
        ASSERT_TRUE(p);
        p->engine->mouseMove(c.at);
        p->engine->mouseDown(c.at);
        p->engine->mouseUp(c.at);
        EXPECT_EQ(focusPath(*p), c.focus) << c.name;
        EXPECT_EQ(p->stage->focusHighlight(), std::nullopt) << c.name;
        press(*p->engine, Tab);
        EXPECT_EQ(focusPath(*p), c.afterTab) << c.name;
    }
}
