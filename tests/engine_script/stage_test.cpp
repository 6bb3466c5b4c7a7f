// Scripts changing the stage: clip properties written into the model,
// navigation, attach/duplicate/remove, depths, bounds and coordinates,
// registered classes, and the host's property and frame calls.
#include "script_test_support.h"

#include <cmath>

using namespace scripttest;

namespace {

constexpr swfwriter::Color Red{255, 0, 0};

// A 100x50 pixel box sprite exported as "Box" (its first frame traces its
// name), placed on the root as "a" at (20, 10) pixels with an
// onClipEvent(load); `rootScript` is the root's first frame.
std::unique_ptr<Player> boxMovie(const Actions& rootScript, uint8_t version = 8) {
    swfwriter::MovieWriter m({.version = version});
    uint16_t box = m.rectangle(0, 0, 2000, 1000, Red);
    swfwriter::SpriteWriter s(version);
    s.place(box, 1);
    Actions frame;
    frame.push({"_name"}).getVariable().push({" frame"}).add2().trace();
    s.doAction(frame);
    s.showFrame();
    uint16_t sprite = m.defineSprite(s);
    m.exportAssets({{sprite, "Box"}});
    Actions load;
    load.push({"_name"}).getVariable().push({" loaded"}).add2().trace();
    swfwriter::Place place = namedAt("a", 400, 200);
    place.clipActions.push_back({swfwriter::Event::Load, 0, load.bytes()});
    m.place(sprite, 1, place);
    m.doAction(rootScript);
    m.showFrame();
    return Player::load(m);
}

TEST(ClipProperties, WritesReachTheMatrixAndColour) {
    Actions a;
    a.push({"a"}).getVariable().push({"_x", 10}).setMember();
    a.push({"a"}).getVariable().push({"_rotation", 90}).setMember();
    a.push({"a"}).getVariable().push({"_xscale", 200}).setMember();
    a.push({"a", 6, 50}).setProperty();  // _alpha through SetProperty
    a.push({"a"}).getVariable().push({"_visible", false}).setMember();
    for (const char* name : {"_x", "_rotation", "_xscale", "_alpha", "_visible", "_width", "_height"})
        a.push({"a"}).getVariable().push({name}).getMember().trace();
    auto p = boxMovie(a);
    ASSERT_TRUE(p);
    model::MovieClip* clip = p->clip("a");
    ASSERT_TRUE(clip);
    const swf::Matrix& m = clip->matrix();
    EXPECT_NEAR(m.a, 0.0, 1e-9);
    EXPECT_NEAR(m.b, 2.0, 1e-9);
    EXPECT_NEAR(m.c, -1.0, 1e-9);
    EXPECT_NEAR(m.d, 0.0, 1e-9);
    EXPECT_EQ(m.tx, 200.0);
    EXPECT_EQ(m.ty, 200.0);
    EXPECT_EQ(clip->colorTransform().aMult, 128);
    EXPECT_FALSE(clip->isVisible());
    EXPECT_TRUE(clip->isScriptTransformed());
    EXPECT_EQ(p->host.traces, (Strings{"10", "90", "200", "50", "false", "50", "200", "a frame", "a loaded"}));
}

TEST(ClipProperties, NumberedPropertiesAndTheHostsCalls) {
    Actions a;
    for (int index : {0, 1, 4, 5, 11, 12, 13, 15})
        a.push({"a", index}).getProperty().trace();
    a.push({"", 13}).getProperty().trace();  // the current target: the root
    auto p = boxMovie(a);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces,
              (Strings{"20", "10", "1", "1", "/a", "1", "a", "file:///movies/test.swf", "", "a frame", "a loaded"}));

    EXPECT_EQ(p->engine->getProperty(u"/a", 13), u"a");
    EXPECT_EQ(p->engine->getProperty(u"_root.a", 11), u"/a");
    EXPECT_EQ(p->engine->getPropertyNumber(u"/a", 0), 20.0);
    EXPECT_EQ(p->engine->getProperty(u"/missing", 0), std::nullopt);
    EXPECT_EQ(p->engine->getProperty(u"/a", 22), std::nullopt);
    EXPECT_TRUE(p->engine->setPropertyNumber(u"/a", 1, 30));
    EXPECT_EQ(p->clip("a")->matrix().ty, 600.0);
    EXPECT_TRUE(p->engine->setProperty(u"/a", 2, u"50"));
    EXPECT_NEAR(p->clip("a")->matrix().a, 0.5, 1e-9);
    EXPECT_TRUE(p->engine->setProperty(u"/a", 7, u"0"));
    EXPECT_FALSE(p->clip("a")->isVisible()) << "numeric text sets _visible by its number";
    EXPECT_FALSE(p->engine->setProperty(u"/a", 4, u"3")) << "_currentframe is read-only";
    EXPECT_FALSE(p->engine->setPropertyNumber(u"/nothing", 0, 1));
}

TEST(Navigation, MethodsAndActionsMoveThePlayhead) {
    swfwriter::MovieWriter m({.version = 8});
    swfwriter::SpriteWriter s(8);
    s.showFrame();
    s.label("second");
    s.showFrame();
    s.showFrame();
    uint16_t sprite = m.defineSprite(s);
    m.place(sprite, 1, named("m"));
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    model::MovieClip* clip = p->clip("m");
    ASSERT_TRUE(clip);
    auto run = [&](const Actions& a) { p->engine->runActions(p->root(), a.bytes()); };

    run(Actions().callMethodOn("m", "gotoAndStop", {3}));
    EXPECT_EQ(clip->currentFrame(), 2u);
    EXPECT_FALSE(clip->isPlaying());
    run(Actions().callMethodOn("m", "gotoAndPlay", {"second"}));
    EXPECT_EQ(clip->currentFrame(), 1u);
    EXPECT_TRUE(clip->isPlaying());
    run(Actions().callMethodOn("m", "prevFrame", {}));
    EXPECT_EQ(clip->currentFrame(), 0u);
    EXPECT_FALSE(clip->isPlaying());
    run(Actions().callMethodOn("m", "nextFrame", {}));
    EXPECT_EQ(clip->currentFrame(), 1u);
    run(Actions().callMethodOn("m", "play", {}));
    EXPECT_TRUE(clip->isPlaying());
    run(Actions().push({"/m:3"}).gotoFrame2(false));
    EXPECT_EQ(clip->currentFrame(), 2u);
    EXPECT_FALSE(clip->isPlaying());
    run(Actions().setTarget("/m").gotoFrame(0).play().setTarget(""));
    EXPECT_EQ(clip->currentFrame(), 0u);
    EXPECT_TRUE(clip->isPlaying());
    run(Actions().setTarget("m").gotoLabel("second").stop().setTarget(""));
    EXPECT_EQ(clip->currentFrame(), 1u);
    run(Actions().push({"m"}).getVariable().push({"_currentframe"}).getMember().trace());
    EXPECT_EQ(p->host.traces, (Strings{"2"}));
}

TEST(Creation, AttachMovieRunsItsFrameAfterTheBlock) {
    Actions a;
    a.push({"_x", 30, "tag", "t", 2}).initObject();  // init object
    a.push({5, "copy", "Box", 4}).push({"_root"}).getVariable().push({"attachMovie"}).callMethod();
    a.storeRegister(1).push({"_name"}).getMember().trace();
    a.push({0, Register{1}, "getDepth"}).callMethod().trace();
    a.push({Register{1}, "tag"}).getMember().trace();
    a.push({"missing", "x", "NoSuchExport", 3}).push({"_root"}).getVariable().push({"attachMovie"}).callMethod();
    a.trace();
    auto p = boxMovie(a);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces, (Strings{"copy", "5", "t", "undefined", "a frame", "a loaded", "copy frame"}));
    model::DisplayObject* copy = p->root().displayList().at(16384 + 5);
    ASSERT_TRUE(copy);
    EXPECT_EQ(copy->name(), "copy");
    EXPECT_EQ(copy->matrix().tx, 600.0);
}

TEST(Creation, DuplicateCopiesTransformAndClipEventsNotVariables) {
    Actions a;
    a.push({"a"}).getVariable().push({"secret", 1}).setMember();
    a.push({"a"}).getVariable().push({"_x", 50}).setMember();
    a.callMethodOn("a", "duplicateMovieClip", {"dup", 7}).push({"secret"}).getMember().trace();
    auto p = boxMovie(a);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces, (Strings{"undefined", "a frame", "a loaded", "dup frame", "dup loaded"}));
    model::MovieClip* dup = p->clip("dup");
    ASSERT_TRUE(dup);
    EXPECT_EQ(dup->matrix().tx, 1000.0);
    EXPECT_EQ(dup->depth(), 16384 + 7);

    // SWF 4 style: CloneSprite (the depth comes with the offset added) and RemoveSprite.
    Actions clone;
    clone.push({"/a", "c2", 16384 + 8}).cloneSprite();
    p->engine->runActions(p->root(), clone.bytes());
    ASSERT_TRUE(p->clip("c2"));
    p->engine->runActions(p->root(), Actions().push({"c2"}).removeSprite().bytes());
    EXPECT_FALSE(p->clip("c2"));

    p->engine->runActions(p->root(), Actions().callMethodOn("dup", "removeMovieClip", {}).pop().bytes());
    EXPECT_FALSE(p->clip("dup"));
    p->engine->runActions(p->root(), Actions().callMethodOn("a", "removeMovieClip", {}).pop().bytes());
    EXPECT_TRUE(p->clip("a")) << "a timeline clip (negative depth) is not removed";
}

TEST(Creation, EmptyClipsAndDepths) {
    Actions a;
    a.callMethodOn("_root", "createEmptyMovieClip", {"e", 3}).push({"_name"}).getMember().trace();
    a.callMethodOn("e", "getDepth", {}).trace();
    a.callMethodOn("_root", "getNextHighestDepth", {}).trace();
    a.callMethodOn("a", "getDepth", {}).trace();
    a.callMethodOn("e", "swapDepths", {10}).pop();
    a.callMethodOn("e", "getDepth", {}).trace();
    a.callMethodOn("_root", "getInstanceAtDepth", {10}).push({"_name"}).getMember().trace();
    a.callMethodOn("e", "getBounds", {}).push({"xMin"}).getMember().trace();
    auto p = boxMovie(a);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces, (Strings{"e", "3", "4", "-16383", "10", "e", "6710886.35", "a frame", "a loaded"}));
    EXPECT_TRUE(p->root().displayList().at(16384 + 10));
}

TEST(Geometry, BoundsHitTestsAndCoordinates) {
    Actions a;
    auto bound = [&](const char* space, const char* field) {
        std::vector<PushValue> args;
        if (space)
            a.push({space}).getVariable().push({1});
        else
            a.push({0});
        a.push({"a"}).getVariable().push({"getBounds"}).callMethod().push({field}).getMember().trace();
    };
    for (const char* field : {"xMin", "xMax", "yMin", "yMax"})
        bound("_root", field);
    bound(nullptr, "xMax");
    a.callMethodOn("a", "hitTest", {50, 30, true}).trace();
    a.callMethodOn("a", "hitTest", {150, 30, true}).trace();
    a.callMethodOn("a", "hitTest", {119, 59, false}).trace();
    // pt = {x: 10, y: 5}; a.localToGlobal(pt)
    a.push({"pt", "x", 10, "y", 5, 2}).initObject().setVariable();
    a.push({"pt"}).getVariable().push({1}).push({"a"}).getVariable().push({"localToGlobal"}).callMethod().pop();
    a.traceVar("pt.x").traceVar("pt.y");
    a.push({"pt"}).getVariable().push({1}).push({"a"}).getVariable().push({"globalToLocal"}).callMethod().pop();
    a.traceVar("pt.x").traceVar("pt.y");
    auto p = boxMovie(a);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces, (Strings{"20", "120", "10", "60", "100", "true", "false", "true", "30", "15", "10", "5",
                                       "a frame", "a loaded"}));
}

TEST(Classes, RegisterClassGivesAttachedClipsTheirPrototype) {
    Actions ctor;
    ctor.push({"this"}).getVariable().push({"kind", "ball"}).setMember();
    Actions bounce;
    bounce.push({"this"}).getVariable().push({"_name"}).getMember().push({" bounces"}).add2().returnValue();
    Actions onLoad;
    onLoad.push({"this"}).getVariable().push({"_name"}).getMember().push({" onLoad"}).add2().trace();
    Actions a;
    a.defineFunction("Ball", {}, ctor);
    a.push({"Ball"})
        .getVariable()
        .push({"prototype"})
        .getMember()
        .push({"bounce"})
        .defineFunction("", {}, bounce)
        .setMember();
    a.push({"Ball"})
        .getVariable()
        .push({"prototype"})
        .getMember()
        .push({"onLoad"})
        .defineFunction("", {}, onLoad)
        .setMember();
    a.push({"Ball"})
        .getVariable()
        .push({"Box", 2, "Object"})
        .getVariable()
        .push({"registerClass"})
        .callMethod()
        .trace();
    a.callMethodOn("_root", "attachMovie", {"Box", "b1", 1}).pop();
    a.traceVar("b1.kind");
    a.callMethodOn("b1", "bounce", {}).trace();
    a.push({"b1"}).getVariable().push({"Ball"}).getVariable().instanceOf().trace();
    auto p = boxMovie(a);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces,
              (Strings{"true", "ball", "b1 bounces", "true", "a frame", "a loaded", "b1 frame", "b1 onLoad"}));
}

TEST(CallFrame, RunsAFramesActionsWithoutMovingThePlayhead) {
    swfwriter::MovieWriter m({.version = 8});
    swfwriter::SpriteWriter s(8);
    s.doAction(Actions().stop());
    s.showFrame();
    s.label("work");
    s.doAction(Actions().push({"work ran in "}).push({"_name"}).getVariable().add2().trace());
    s.showFrame();
    s.doAction(Actions().push({"three"}).trace());
    s.showFrame();
    uint16_t sprite = m.defineSprite(s);
    m.place(sprite, 1, named("r"));
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->engine->callLabel(u"/r", u"work"));
    EXPECT_TRUE(p->engine->callFrame(u"_root.r", 2));
    EXPECT_FALSE(p->engine->callFrame(u"/r", 3));
    EXPECT_FALSE(p->engine->callLabel(u"/r", u"nowhere"));
    EXPECT_FALSE(p->engine->callFrame(u"/nobody", 0));
    p->engine->runActions(p->root(), Actions().push({"/r:3"}).call().push({"r:work"}).call().bytes());
    EXPECT_EQ(p->clip("r")->currentFrame(), 0u);
    EXPECT_EQ(p->host.traces, (Strings{"work ran in r", "three", "three", "work ran in r"}));
}

}  // namespace
