// Frame scripts and events in their order: init actions, frame actions
// across clips, load/unload, enterFrame, the queue after a goto, intervals
// on the host's clock, and text fields bound to variables.
#include "script_test_support.h"

#include "model/edit_text_object.h"

using namespace scripttest;

namespace {

Actions traceName(const std::string& suffix) {
    Actions a;
    a.push({"_name"}).getVariable().push({suffix}).add2().trace();
    return a;
}

TEST(Order, InitActionsThenEachClipsFrameThenItsLoad) {
    swfwriter::MovieWriter m({.version = 8});
    Actions frame = traceName(" frame");
    uint16_t s = spriteWith(m, &frame);
    swfwriter::Place one = named("one");
    one.clipActions.push_back({swfwriter::Event::Load, 0, traceName(" load").bytes()});
    m.place(s, 1, one);
    m.place(s, 2, named("two"));
    m.doAction(Actions().push({"root frame"}).trace());
    m.doInitAction(s, Actions().push({"init S"}).trace());
    m.showFrame();
    m.place(s, 3, named("three"));  // the init action does not run again
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces, (Strings{"init S", "root frame", "one frame", "one load", "two frame"}));
    p->engine->tick();
    EXPECT_EQ(p->host.traces.back(), "three frame");
    EXPECT_EQ(p->host.traces.size(), 6u);
}

TEST(Order, EnterFrameRunsBeforeTheNewFramesActions) {
    swfwriter::MovieWriter m({.version = 8});
    uint16_t s = spriteWith(m);
    swfwriter::Place c = named("c");
    c.clipActions.push_back({swfwriter::Event::EnterFrame, 0, Actions().push({"enter"}).trace().bytes()});
    m.place(s, 1, c);
    Actions handler;
    handler.push({"handler "}).push({"this"}).getVariable().push({"_name"}).getMember().add2().trace();
    Actions first;
    first.push({"root 1"}).trace();
    first.push({"c"}).getVariable().push({"onEnterFrame"}).defineFunction("", {}, handler).setMember();
    m.doAction(first);
    m.showFrame();
    m.doAction(Actions().push({"root 2"}).trace());
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces, (Strings{"root 1"}));
    p->engine->tick();
    EXPECT_EQ(p->host.traces, (Strings{"root 1", "enter", "handler c", "root 2"}));
    p->engine->tick();  // back to frame 1: c stays (same character, same depth)
    EXPECT_EQ(p->host.traces, (Strings{"root 1", "enter", "handler c", "root 2", "enter", "handler c", "root 1"}));
}

TEST(Order, UnloadEventsWhenTheTimelineRemovesAClip) {
    swfwriter::MovieWriter m({.version = 8});
    uint16_t s = spriteWith(m);
    swfwriter::Place c = named("c");
    c.clipActions.push_back({swfwriter::Event::Unload, 0, traceName(" unload").bytes()});
    m.place(s, 1, c);
    Actions handler;
    handler.push({"onUnload"}).trace();
    m.doAction(Actions().push({"c"}).getVariable().push({"onUnload"}).defineFunction("", {}, handler).setMember());
    m.showFrame();
    m.remove(1);
    m.doAction(Actions().push({"root 2"}).trace());
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    p->engine->tick();
    EXPECT_EQ(p->host.traces, (Strings{"c unload", "onUnload", "root 2"}));
}

TEST(Order, AGotoQueuesTheTargetFrameAfterTheBlock) {
    swfwriter::MovieWriter m({.version = 8});
    m.doAction(Actions().push({"f1 start"}).trace().push({3}).gotoFrame2(false).push({"f1 end"}).trace());
    m.showFrame();
    m.doAction(Actions().push({"f2"}).trace());
    m.showFrame();
    m.doAction(Actions().push({"f3"}).trace());
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces, (Strings{"f1 start", "f1 end", "f3"}));
    EXPECT_EQ(p->root().currentFrame(), 2u);
    EXPECT_FALSE(p->root().isPlaying());
}

TEST(Order, AClipRemovedBeforeItsTurnRunsOnlyItsUnload) {
    swfwriter::MovieWriter m({.version = 8});
    Actions frame = traceName(" frame");
    uint16_t s = spriteWith(m, &frame);
    swfwriter::Place place = named("s");
    place.clipActions.push_back({swfwriter::Event::Load | swfwriter::Event::Unload, 0, traceName(" event").bytes()});
    m.place(s, 1, place);
    Actions root;
    root.push({"root"}).trace();
    root.callMethodOn("s", "swapDepths", {5}).pop().callMethodOn("s", "removeMovieClip", {}).pop();
    m.doAction(root);
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces, (Strings{"root", "s event"}));
    EXPECT_FALSE(p->clip("s"));
}

TEST(Intervals, FireOnTheHostsClockWithoutBursts) {
    Actions body;
    body.push({"count", "count"}).getVariable().increment().setVariable();
    body.push({"tick "}).push({"count"}).getVariable().add2().trace();
    Actions method;
    method.push({"this"}).getVariable().push({"name"}).getMember().push({"a"}).getVariable().add2().trace();
    Actions once;
    once.push({"once"}).trace();
    Actions a;
    a.setVar("count", 0);
    a.push({"id", 100}).defineFunction("", {}, body).push({2, "setInterval"}).callFunction().setVariable();
    a.push({150}).defineFunction("", {}, once).push({2, "setTimeout"}).callFunction().pop();
    a.push({"obj", "name", "obj:", "m"}).defineFunction("", {"a"}, method).push({2}).initObject().setVariable();
    a.push({"arg", 100, "m"}).push({"obj"}).getVariable().push({4, "setInterval"}).callFunction().pop();
    auto p = runFrame(a);
    ASSERT_TRUE(p);
    auto tickAt = [&](double ms) {
        p->host.clock = ms;
        p->engine->tick();
    };
    tickAt(50);
    EXPECT_TRUE(p->host.traces.empty());
    tickAt(100);
    EXPECT_EQ(p->host.traces, (Strings{"tick 1", "obj:arg"}));
    tickAt(160);
    EXPECT_EQ(p->host.traces, (Strings{"tick 1", "obj:arg", "once"}));
    tickAt(450);  // far behind: each fires once, then again 100 ms from now
    EXPECT_EQ(p->host.traces, (Strings{"tick 1", "obj:arg", "once", "tick 2", "obj:arg"}));
    p->engine->runActions(p->root(),
                          Actions().push({"id"}).getVariable().push({1, "clearInterval"}).callFunction().bytes());
    tickAt(549);
    EXPECT_EQ(p->host.traces.size(), 5u);
    tickAt(550);
    EXPECT_EQ(p->host.traces, (Strings{"tick 1", "obj:arg", "once", "tick 2", "obj:arg", "obj:arg"}));
}

TEST(BoundText, FieldsShowTheirVariables) {
    swfwriter::MovieWriter m({.version = 8});
    swfwriter::EditTextSpec spec;
    spec.bounds = {0, 2000, 0, 400};
    spec.variableName = "score";
    spec.initialText = "0";
    uint16_t field = m.defineEditText(spec);
    m.place(field, 1, named("field"));
    m.doAction(Actions().traceVar("score"));
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    auto* text = p->root().displayList().at(1)->as<model::EditTextObject>();
    ASSERT_TRUE(text);
    EXPECT_EQ(p->host.traces, (Strings{"undefined"})) << "the field gives its text when the first run ends";
    EXPECT_EQ(p->engine->getVariable(u"score"), u"0");
    p->engine->runActions(p->root(), Actions().setVar("score", 42).bytes());
    EXPECT_EQ(text->text(), "42");
    EXPECT_TRUE(p->engine->setVariable(u"score", u"7"));
    EXPECT_EQ(text->text(), "7");
    p->engine->runActions(p->root(), Actions().push({"score"}).deleteVariable().pop().bytes());
    EXPECT_EQ(text->text(), "");
    p->engine->runActions(p->root(),
                          Actions().push({"field"}).getVariable().push({"text"}).getMember().trace().bytes());
    EXPECT_EQ(p->host.traces.back(), "");
}

}  // namespace
