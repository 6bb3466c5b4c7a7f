// Stage.scaleMode, Stage.align, Stage.width and height, and onResize, on
// the layout the control keeps in the stage.
#include "script_test_support.h"

using namespace scripttest;

namespace {

TEST(StageLayout, ScriptsSetModeAndAlignment) {
    const struct {
        PushValue mode, align;
        model::ScaleMode expectedMode;
        uint8_t expectedAlign;
        std::string readMode, readAlign;
    } cases[] = {
        {"noScale", "TL", model::ScaleMode::NoScale, model::align::Top | model::align::Left, "noScale", "TL"},
        {"EXACTFIT", "rb", model::ScaleMode::ExactFit, model::align::Right | model::align::Bottom, "exactFit", "BR"},
        {"stretch", "", model::ScaleMode::ShowAll, 0, "showAll", ""},  // unknown: left as it was
    };
    for (const auto& c : cases) {
        Actions a;
        a.push({"Stage"}).getVariable().push({"scaleMode"}).push({c.mode}).setMember();
        a.push({"Stage"}).getVariable().push({"align"}).push({c.align}).setMember();
        a.push({"Stage"}).getVariable().push({"scaleMode"}).getMember().trace();
        a.push({"Stage"}).getVariable().push({"align"}).getMember().trace();
        auto p = runFrame(a);
        EXPECT_EQ(p->stage->layout().scaleMode, c.expectedMode);
        EXPECT_EQ(p->stage->layout().align, c.expectedAlign);
        EXPECT_EQ(p->host.traces, (Strings{c.readMode, c.readAlign}));
    }
}

// A noScale movie sees the shown size and hears when it changes; others
// keep their own size and hear nothing.
TEST(StageLayout, NoScaleMoviesSeeTheShownSizeAndItsChanges) {
    for (const auto mode : {model::ScaleMode::NoScale, model::ScaleMode::ShowAll}) {
        Actions a;
        a.push({"l", 0, "Object"}).newObject().setVariable();
        Actions onResize;
        onResize.push({"Stage"}).getVariable().push({"width"}).getMember().push({"x"}).add2();
        onResize.push({"Stage"}).getVariable().push({"height"}).getMember().add2().trace();
        a.push({"l"}).getVariable().push({"onResize"}).defineFunction("", {}, onResize).setMember();
        a.push({"l"}).getVariable().push({1, "Stage"}).getVariable().push({"addListener"}).callMethod().pop();
        a.stop();
        swfwriter::MovieWriter m({.version = 8, .width = 200, .height = 100});
        m.doAction(a);
        m.showFrame();
        m.showFrame();
        auto p = Player::load(m);
        p->stage->setLayout({mode, 0, 400, 300});
        p->engine->tick();  // the first size seen is no resize
        p->stage->setLayout({mode, 0, 640, 480});
        p->engine->tick();
        if (mode == model::ScaleMode::NoScale)
            EXPECT_EQ(p->host.traces, (Strings{"640x480"}));
        else
            EXPECT_TRUE(p->host.traces.empty());
    }
}

}  // namespace
