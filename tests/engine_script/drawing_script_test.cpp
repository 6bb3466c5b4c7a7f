// Scripts that draw, mask, tint, filter and make bitmaps, checked on the
// rendered pixels of a 100x100 pixel stage with a white background, and the
// flash.geom values they use checked through trace.
#include "script_test_support.h"

#include "../engine_render/render_fixture.h"
#include "render/filter_effects.h"
#include "render/object_drawing.h"
#include "render/renderer.h"

#include <algorithm>

using namespace scripttest;
using rendertest::argb;

namespace {

constexpr uint32_t White = argb(255, 255, 255, 255);
constexpr uint32_t Red = argb(255, 255, 0, 0);
constexpr uint32_t Blue = argb(255, 0, 0, 255);
constexpr uint32_t Green = argb(255, 0, 255, 0);
constexpr uint32_t Black = argb(255, 0, 0, 0);

// name = [values...]
// Pushes the arguments last to first, then their count: names of variables
// ("$x") or literals.
void pushArgs(Actions& a, const std::vector<PushValue>& args) {
    for (auto it = args.rbegin(); it != args.rend(); ++it) {
        const auto* text = std::get_if<std::string>(&it->value);
        if (text && !text->empty() && (*text)[0] == '$')
            a.push({PushValue(text->substr(1))}).getVariable();
        else
            a.push({*it});
    }
    a.push({int(args.size())});
}

void letArray(Actions& a, const std::string& name, const std::vector<PushValue>& values) {
    a.push({PushValue(name)});
    pushArgs(a, values);
    a.initArray().setVariable();
}

// object.method(args); the result dropped, or stored in `into`.
void call(Actions& a, const std::string& object, const std::string& method, const std::vector<PushValue>& args,
          const std::string& into = "") {
    if (!into.empty())
        a.push({PushValue(into)});
    pushArgs(a, args);
    a.push({PushValue(object)}).getVariable().push({PushValue(method)}).callMethod();
    if (into.empty())
        a.pop();
    else
        a.setVariable();
}

// into = new package.Class(args)
void make(Actions& a, const std::string& into, const std::string& package, const std::string& cls,
          const std::vector<PushValue>& args) {
    a.push({PushValue(into)});
    pushArgs(a, args);
    a.push({"flash"}).getVariable().push({PushValue(package)}).getMember().push({PushValue(cls)}).newMethod();
    a.setVariable();
}

void set(Actions& a, const std::string& object, const std::string& member, PushValue v) {
    a.push({PushValue(object)}).getVariable().push({PushValue(member)});
    pushArgs(a, {std::move(v)});
    a.pop();  // the count pushArgs leaves
    a.setMember();
}

void rect(Actions& a, const std::string& clip, int x, int y, int w, int h) {
    call(a, clip, "moveTo", {x, y});
    call(a, clip, "lineTo", {x + w, y});
    call(a, clip, "lineTo", {x + w, y + h});
    call(a, clip, "lineTo", {x, y + h});
    call(a, clip, "lineTo", {x, y});
}

rendertest::PixelBuffer renderPlayer(Player& p) {
    rendertest::PixelBuffer buffer(100, 100);
    render::Renderer renderer;
    EXPECT_EQ(renderer.draw(*p.stage, buffer.target({{0, 0, 100, 100}}, {0, 0, 100, 100}), render::Aspect::Opaque,
                            render::Quality::High),
              render::DrawError::None);
    return buffer;
}

std::unique_ptr<Player> play(const Actions& a) {
    swfwriter::MovieWriter m({.version = 8, .width = 100, .height = 100});
    m.doAction(a);
    m.showFrame();
    auto p = Player::load(m);
    EXPECT_TRUE(p && p->host.errors.empty()) << (p && !p->host.errors.empty() ? p->host.errors[0].message : "");
    return p;
}

struct Probe {
    int x;
    int y;
    uint32_t expected;
};

struct Case {
    const char* name;
    std::function<void(Actions&)> script;
    std::vector<Probe> probes;
};

}  // namespace

TEST(ScriptDrawing, DrawnMaskedTintedFilteredAndBitmaps) {
    const Case cases[] = {
        {"fill and line on the root",
         [](Actions& a) {
             call(a, "_root", "lineStyle", {4, 0x00FF00, 100});
             call(a, "_root", "beginFill", {0xFF0000, 100});
             rect(a, "_root", 20, 20, 40, 40);
             call(a, "_root", "endFill", {});
         },
         {{40, 40, Red}, {20, 40, Green}, {70, 40, White}}},
        {"an empty clip follows its transform",
         [](Actions& a) {
             call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
             set(a, "c", "_x", 50);
             set(a, "c", "_xscale", 200);
             call(a, "c", "beginFill", {0x0000FF});
             rect(a, "c", 0, 0, 10, 10);
         },
         {{55, 5, Blue}, {69, 5, Blue}, {45, 5, White}, {75, 5, White}}},
        {"a half transparent fill",
         [](Actions& a) {
             call(a, "_root", "beginFill", {0x000000, 50});
             rect(a, "_root", 0, 0, 100, 100);
         },
         {{50, 50, argb(255, 128, 128, 128)}}},
        {"a gradient box from red to blue",
         [](Actions& a) {
             letArray(a, "colors", {0xFF0000, 0x0000FF});
             letArray(a, "alphas", {100, 100});
             letArray(a, "ratios", {0, 255});
             make(a, "m", "geom", "Matrix", {});
             call(a, "m", "createGradientBox", {80, 100, 0, 10, 0});
             call(a, "_root", "beginGradientFill", {"linear", "$colors", "$alphas", "$ratios", "$m"});
             rect(a, "_root", 0, 0, 100, 100);
         },
         {{5, 50, Red}, {95, 50, Blue}}},
        {"square caps and miter joins reach the corners",
         [](Actions& a) {
             call(a, "_root", "lineStyle", {20, 0x000000, 100, false, "normal", "square", "miter", 3});
             call(a, "_root", "moveTo", {30, 30});
             call(a, "_root", "lineTo", {70, 30});
             call(a, "_root", "lineTo", {70, 70});
         },
         {{22, 22, Black}, {78, 22, Black}, {50, 50, White}}},
        {"a hinted line of width 1 lands on one whole row of pixels",
         [](Actions& a) {
             call(a, "_root", "lineStyle", {1, 0xFF0000, 100, true});
             call(a, "_root", "moveTo", {10.3, 20.3});
             call(a, "_root", "lineTo", {60.3, 20.3});
         },
         {{30, 20, Red}, {30, 19, White}, {30, 21, White}}},
        {"a hinted width rounds to whole pixels on the pixel edges",
         [](Actions& a) {
             call(a, "_root", "lineStyle", {1.6, 0x0000FF, 100, true});
             call(a, "_root", "moveTo", {40.3, 10.3});
             call(a, "_root", "lineTo", {40.3, 60.3});
         },
         {{39, 30, Blue}, {40, 30, Blue}, {38, 30, White}, {41, 30, White}}},
        {"setMask shows the clip only inside the mask; the mask is not drawn",
         [](Actions& a) {
             call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
             call(a, "c", "beginFill", {0xFF0000});
             rect(a, "c", 0, 0, 100, 100);
             call(a, "_root", "createEmptyMovieClip", {"m", 2}, "m");
             call(a, "m", "beginFill", {0x00FF00});
             rect(a, "m", 40, 40, 20, 20);
             call(a, "c", "setMask", {"$m"});
         },
         {{50, 50, Red}, {30, 30, White}, {70, 70, White}}},
        {"nested masks: a masked clip inside a masked clip shows where both masks are",
         [](Actions& a) {
             call(a, "_root", "createEmptyMovieClip", {"p", 1}, "p");
             call(a, "p", "createEmptyMovieClip", {"c", 1}, "c");
             call(a, "c", "beginFill", {0xFF0000});
             rect(a, "c", 0, 0, 100, 100);
             call(a, "_root", "createEmptyMovieClip", {"m1", 2}, "m1");
             call(a, "m1", "beginFill", {0});
             rect(a, "m1", 0, 0, 50, 100);
             call(a, "p", "createEmptyMovieClip", {"m2", 2}, "m2");
             call(a, "m2", "beginFill", {0});
             rect(a, "m2", 0, 0, 100, 50);
             call(a, "p", "setMask", {"$m1"});
             call(a, "c", "setMask", {"$m2"});
         },
         {{25, 25, Red}, {75, 25, White}, {25, 75, White}, {75, 75, White}}},
        {"setMask(null) shows everything again",
         [](Actions& a) {
             call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
             call(a, "c", "beginFill", {0xFF0000});
             rect(a, "c", 0, 0, 100, 100);
             call(a, "_root", "createEmptyMovieClip", {"m", 2}, "m");
             call(a, "m", "beginFill", {0x0000FF});
             rect(a, "m", 40, 40, 20, 20);
             call(a, "c", "setMask", {"$m"});
             call(a, "c", "setMask", {swfwriter::Null{}});
         },
         {{30, 30, Red}, {50, 50, Blue}}},
        {"Color.setRGB tints",
         [](Actions& a) {
             call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
             call(a, "c", "beginFill", {0xFF0000});
             rect(a, "c", 0, 0, 50, 50);
             a.push({PushValue("k")});
             pushArgs(a, {"$c"});
             a.push({"Color"}).newObject().setVariable();
             call(a, "k", "setRGB", {0x0000FF});
         },
         {{25, 25, Blue}, {75, 75, White}}},
        {"blendMode invert over white is black",
         [](Actions& a) {
             call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
             call(a, "c", "beginFill", {0xFF0000});
             rect(a, "c", 0, 0, 50, 50);
             set(a, "c", "blendMode", "invert");
         },
         {{25, 25, Black}, {75, 75, White}}},
        {"scrollRect shows the window, moved to the clip's origin",
         [](Actions& a) {
             call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
             call(a, "c", "beginFill", {0xFF0000});
             rect(a, "c", 0, 0, 50, 50);
             call(a, "c", "beginFill", {0x0000FF});
             rect(a, "c", 50, 0, 50, 50);
             make(a, "r", "geom", "Rectangle", {40, 0, 20, 20});
             set(a, "c", "scrollRect", "$r");
         },
         {{5, 5, Red}, {15, 15, Blue}, {25, 5, White}, {5, 25, White}, {55, 5, White}}},
        {"opaqueBackground fills the bounds behind the content",
         [](Actions& a) {
             call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
             call(a, "c", "beginFill", {0xFF0000});
             rect(a, "c", 10, 10, 10, 10);
             rect(a, "c", 40, 40, 10, 10);
             set(a, "c", "opaqueBackground", 0x00FF00);
         },
         {{15, 15, Red}, {30, 30, Green}, {45, 15, Green}, {55, 55, White}}},
        {"scale9Grid keeps the drawn corners at their size",
         [](Actions& a) {
             call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
             call(a, "c", "beginFill", {0xFF0000});
             call(a, "c", "moveTo", {6, 0});
             for (auto [x, y] : {std::pair{24, 0}, {30, 6}, {30, 24}, {24, 30}, {6, 30}, {0, 24}, {0, 6}, {6, 0}})
                 call(a, "c", "lineTo", {x, y});
             make(a, "g", "geom", "Rectangle", {6, 6, 18, 18});
             set(a, "c", "scale9Grid", "$g");
             set(a, "c", "_x", 5);
             set(a, "c", "_y", 5);
             set(a, "c", "_xscale", 300);
             set(a, "c", "_yscale", 300);
         },
         {{6, 6, White}, {11, 11, Red}, {94, 94, White}, {89, 89, Red}}},
        {"a drop shadow through filters, offset by its distance",
         [](Actions& a) {
             call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
             call(a, "c", "beginFill", {0xFF0000});
             rect(a, "c", 10, 10, 30, 30);
             make(a, "f", "filters", "DropShadowFilter", {20, 0, 0x0000FF, 1, 0, 0, 1, 1});
             letArray(a, "list", {"$f"});
             set(a, "c", "filters", "$list");
         },
         {{20, 20, Red}, {55, 25, Blue}, {75, 25, White}}},
        {"attachBitmap and beginBitmapFill show a BitmapData's pixels",
         [](Actions& a) {
             make(a, "b", "display", "BitmapData", {10, 10, false, int(0xFF0000FF)});
             call(a, "b", "setPixel", {0, 0, 0x00FF00});
             call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
             call(a, "c", "attachBitmap", {"$b", 1});
             set(a, "c", "_xscale", 300);
             set(a, "c", "_yscale", 300);
             call(a, "_root", "beginBitmapFill", {"$b"});
             rect(a, "_root", 50, 50, 50, 50);
         },
         {{1, 1, Green}, {15, 15, Blue}, {35, 15, White}, {60, 60, Green}, {65, 65, Blue}}},
        // Half a pixel off the grid: snapped, both edges are whole pixels.
        {"attachBitmap snaps a moved bitmap by default",
         [](Actions& a) {
             make(a, "b", "display", "BitmapData", {10, 10, false, int(0xFF0000FF)});
             call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
             call(a, "c", "attachBitmap", {"$b", 1});
             set(a, "c", "_x", 10.5);
         },
         {{10, 5, White}, {11, 5, Blue}, {20, 5, Blue}, {21, 5, White}}},
        {"attachBitmap with always snaps a scaled bitmap too",
         [](Actions& a) {
             make(a, "b", "display", "BitmapData", {10, 10, false, int(0xFF0000FF)});
             call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
             call(a, "c", "attachBitmap", {"$b", 1, "always"});
             set(a, "c", "_x", 10.5);
             set(a, "c", "_xscale", 200);
         },
         {{10, 5, White}, {11, 5, Blue}, {30, 5, Blue}, {31, 5, White}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Actions a;
        c.script(a);
        auto p = play(a);
        ASSERT_TRUE(p);
        const auto pixels = renderPlayer(*p);
        for (const Probe& probe : c.probes)
            EXPECT_EQ(pixels.at(probe.x, probe.y), probe.expected)
                << probe.x << "," << probe.y << " " << rendertest::hex(pixels.at(probe.x, probe.y));
    }
}

TEST(ScriptDrawing, AttachBitmapNeverSnappingKeepsHalfPixels) {
    Actions a;
    make(a, "b", "display", "BitmapData", {10, 10, false, int(0xFF0000FF)});
    call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
    call(a, "c", "attachBitmap", {"$b", 1, "never"});
    set(a, "c", "_x", 10.5);
    auto p = play(a);
    ASSERT_TRUE(p);
    const auto pixels = renderPlayer(*p);
    // Both edge pixels are half covered.
    for (int x : {10, 20}) {
        EXPECT_NE(pixels.at(x, 5), White) << x;
        EXPECT_NE(pixels.at(x, 5), Blue) << x;
    }
}

TEST(ScriptDrawing, DrawingInvalidatesWhatItCoversOnly) {
    Actions a;
    call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
    auto p = play(a);
    ASSERT_TRUE(p);
    (void)p->stage->collectChanges();
    Actions draw;
    call(draw, "c", "beginFill", {0xFF0000});
    rect(draw, "c", 10, 10, 10, 10);
    const auto bytes = draw.bytes();
    p->engine->runActions(p->root(), bytes);
    const model::ChangeSet changes = p->stage->collectChanges();
    ASSERT_FALSE(changes.rects.empty());
    for (const swf::Rect& r : changes.rects) {
        EXPECT_GE(r.xMin, 9 * 20);
        EXPECT_LE(r.xMax, 21 * 20);
    }
}

TEST(ScriptGeometry, ValuesAndCopies) {
    Actions a;
    make(a, "m", "geom", "Matrix", {2, 0, 0, 2, 10, 20});
    call(a, "m", "invert", {});
    a.push({"m"}).getVariable().trace();
    make(a, "pt", "geom", "Point", {30, 40});
    call(a, "m", "transformPoint", {"$pt"}, "q");
    a.traceVar("q");
    a.push({"pt"}).getVariable().push({"length"}).getMember().trace();
    make(a, "r1", "geom", "Rectangle", {0, 0, 10, 10});
    make(a, "r2", "geom", "Rectangle", {5, 5, 10, 10});
    call(a, "r1", "intersection", {"$r2"}, "r3");
    a.traceVar("r3");
    a.push({"r2"}).getVariable().push({"right"}).getMember().trace();
    make(a, "ct", "geom", "ColorTransform", {});
    set(a, "ct", "rgb", 0x123456);
    a.push({"ct"}).getVariable().push({"rgb"}).getMember().trace();
    a.push({"ct"}).getVariable().push({"redMultiplier"}).getMember().trace();
    // Filters are copied in and out.
    call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
    make(a, "f", "filters", "BlurFilter", {8, 8, 2});
    letArray(a, "list", {"$f"});
    set(a, "c", "filters", "$list");
    set(a, "f", "blurX", 1);
    a.push({"c"}).getVariable().push({"filters"}).getMember().push({0}).getMember().push({"blurX"}).getMember().trace();
    call(a, "f", "clone", {}, "g");
    a.push({"g"}).getVariable().push({"blurY"}).getMember().trace();
    // Color reads back what it wrote.
    a.push({PushValue("k")});
    pushArgs(a, {"$c"});
    a.push({"Color"}).newObject().setVariable();
    call(a, "k", "setRGB", {0xABCDEF});
    call(a, "k", "getRGB", {}, "rgb");
    a.traceVar("rgb");
    // Bitmaps: pixels, refusal of absurd sizes, dispose.
    make(a, "b", "display", "BitmapData", {4, 4, true, int(0x80FF0000)});
    call(a, "b", "getPixel32", {1, 1}, "px");
    a.traceVar("px");
    make(a, "huge", "display", "BitmapData", {9000, 9000});
    a.push({"huge"}).getVariable().push({"width"}).getMember().trace();
    call(a, "b", "dispose", {});
    a.push({"b"}).getVariable().push({"width"}).getMember().trace();
    call(a, "b", "getPixel", {0, 0}, "gone");
    a.traceVar("gone");
    a.push({"c"}).getVariable().push({"blendMode"}).getMember().trace();
    EXPECT_EQ(traces(a),
              (Strings{"(a=0.5, b=0, c=0, d=0.5, tx=-5, ty=-10)", "(x=10, y=10)", "50", "(x=5, y=5, w=5, h=5)", "15",
                       "1193046", "0", "8", "8", "11259375", "-2130771968", "-1", "-1", "0", "normal"}));
}

TEST(ScriptDrawing, FilterMembersSurviveTheTripThroughAClip) {
    // Constructor arguments in each class's order, read back after the
    // clip took a copy of the filter.
    struct Case {
        const char* cls;
        std::vector<PushValue> args;
        std::vector<const char*> members;
        Strings expected;
    };
    const std::vector<Case> cases{
        {"DropShadowFilter",
         {5, 0, 0xFF0000, 1, 3, 4, 2, 2, true, false, true},
         {"distance", "color", "blurY", "strength", "quality", "inner", "knockout", "hideObject"},
         {"5", "16711680", "4", "2", "2", "true", "false", "true"}},
        {"BlurFilter", {9, 10, 3}, {"blurX", "blurY", "quality"}, {"9", "10", "3"}},
        {"GlowFilter",
         {0x00FF00, 1, 7, 8, 3, 2, true, true},
         {"color", "blurX", "strength", "quality", "inner", "knockout"},
         {"65280", "7", "3", "2", "true", "true"}},
        {"BevelFilter",
         {4, 0, 0xFFFFFF, 1, 0x0000FF, 1, 5, 6, 1, 3, "full", true},
         {"highlightColor", "shadowColor", "blurY", "quality", "type", "knockout"},
         {"16777215", "255", "6", "3", "full", "true"}},
        {"GradientGlowFilter",
         {3, 0, "$colors", "$alphas", "$ratios", 2, 2, 1, 1, "outer", false},
         {"distance", "colors", "ratios", "type"},
         {"3", "16711680,255", "0,255", "outer"}},
        {"GradientBevelFilter", {3, 0, "$colors", "$alphas", "$ratios"}, {"colors", "type"}, {"16711680,255", "inner"}},
        {"ConvolutionFilter",
         {3, 1, "$cells", 6, 0.5, false, true, 0x00FF00, 1},
         {"matrixX", "matrix", "divisor", "bias", "preserveAlpha", "clamp", "color"},
         {"3", "1,2,3", "6", "0.5", "false", "true", "65280"}},
        {"ColorMatrixFilter", {"$cells"}, {"matrix"}, {"1,2,3,0,0,0,1,0,0,0,0,0,1,0,0,0,0,0,1,0"}},
    };
    for (const Case& c : cases) {
        Actions a;
        letArray(a, "colors", {0xFF0000, 0x0000FF});
        letArray(a, "alphas", {1, 1});
        letArray(a, "ratios", {0, 255});
        letArray(a, "cells", {1, 2, 3});
        call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
        make(a, "f", "filters", c.cls, c.args);
        letArray(a, "list", {"$f"});
        set(a, "c", "filters", "$list");
        a.push({"g"}).push({"c"}).getVariable().push({"filters"}).getMember().push({0}).getMember().setVariable();
        for (const char* member : c.members)
            a.push({"g"}).getVariable().push({PushValue(member)}).getMember().trace();
        EXPECT_EQ(traces(a), c.expected) << c.cls;
    }
}

TEST(ScriptDrawing, WindowGridAndBackgroundProperties) {
    // Rectangles in and out, undefined and null turning them off; older
    // movies keep the names for their own members.
    Actions a;
    call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
    for (const char* name : {"scale9Grid", "scrollRect", "opaqueBackground"})
        a.push({"c"}).getVariable().push({PushValue(name)}).getMember().trace();
    make(a, "r", "geom", "Rectangle", {1.5, 2, 30, 40});
    set(a, "c", "scale9Grid", "$r");
    set(a, "c", "scrollRect", "$r");
    set(a, "c", "opaqueBackground", 0x123456);
    for (const char* name : {"scale9Grid", "scrollRect", "opaqueBackground", "_width"})
        a.push({"c"}).getVariable().push({PushValue(name)}).getMember().trace();
    make(a, "flat", "geom", "Rectangle", {0, 0, 0, 10});
    set(a, "c", "scale9Grid", "$flat");
    set(a, "c", "scrollRect", swfwriter::Undefined{});
    set(a, "c", "opaqueBackground", swfwriter::Null{});
    for (const char* name : {"scale9Grid", "scrollRect", "opaqueBackground"})
        a.push({"c"}).getVariable().push({PushValue(name)}).getMember().trace();
    EXPECT_EQ(traces(a), (Strings{"undefined", "undefined", "undefined", "(x=1.5, y=2, w=30, h=40)",
                                  "(x=1.5, y=2, w=30, h=40)", "1193046", "30", "undefined", "undefined", "undefined"}));
    // The pointer meets what the window shows, where it shows it.
    Actions hits;
    call(hits, "_root", "createEmptyMovieClip", {"c", 1}, "c");
    call(hits, "c", "beginFill", {0x0000FF});
    rect(hits, "c", 50, 0, 50, 50);
    make(hits, "r", "geom", "Rectangle", {40, 0, 20, 20});
    set(hits, "c", "scrollRect", "$r");
    for (auto [x, y] : {std::pair{15, 15}, {5, 5}, {55, 5}}) {
        call(hits, "c", "hitTest", {x, y, true}, "h");
        hits.traceVar("h");
    }
    EXPECT_EQ(traces(hits), (Strings{"true", "false", "false"}));

    Actions old;
    call(old, "_root", "createEmptyMovieClip", {"c", 1}, "c");
    set(old, "c", "scrollRect", 5);
    old.push({"c"}).getVariable().push({"scrollRect"}).getMember().trace();
    EXPECT_EQ(traces(old, 7), (Strings{"5"}));
}

// A 30 by 30 clip with a grid 6 in from each side, at (5, 5) and three
// times as wide: corners keep their 6 pixels, the centre spans 11..89.
TEST(ScriptDrawing, SlicedStrokesKeepTheirWidthAndFillsFollowTheCells) {
    auto sliced = [](const std::function<void(Actions&)>& style) {
        Actions a;
        call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
        style(a);
        rect(a, "c", 0, 0, 30, 30);
        make(a, "g", "geom", "Rectangle", {6, 6, 18, 18});
        set(a, "c", "scale9Grid", "$g");
        set(a, "c", "_x", 5);
        set(a, "c", "_y", 5);
        set(a, "c", "_xscale", 300);
        auto p = play(a);
        EXPECT_TRUE(p);
        return p ? renderPlayer(*p) : rendertest::PixelBuffer(100, 100);
    };
    // A 2 pixel outline: unsliced, its sides would be 6 pixels wide.
    const auto outline = sliced([](Actions& a) { call(a, "c", "lineStyle", {2, 0x0000FF, 100}); });
    double leftSide = 0;  // columns of blue, partly covered ones in part
    for (int32_t x = 0; x < 50; ++x)
        leftSide += (255 - ((outline.at(x, 20) >> 16) & 0xFF)) / 255.0;
    EXPECT_NEAR(leftSide, 2.0, 0.3);
    EXPECT_EQ(outline.at(50, 5), Blue) << "top side along the stretch";
    EXPECT_EQ(outline.at(50, 20), White);

    // Black to white over the 30 units: each cell shows its own part of the
    // gradient, stretched as the cell is.
    const auto gradient = sliced([](Actions& a) {
        letArray(a, "colors", {0x000000, 0xFFFFFF});
        letArray(a, "alphas", {100, 100});
        letArray(a, "ratios", {0, 255});
        make(a, "m", "geom", "Matrix", {});
        call(a, "m", "createGradientBox", {30, 30, 0, 0, 0});
        call(a, "c", "beginGradientFill", {"linear", "$colors", "$alphas", "$ratios", "$m"});
    });
    auto unitAt = [](double x) {  // the content x a device column centre shows
        if (x < 11)
            return (x - 5);
        if (x > 89)
            return 24 + (x - 89);
        return 6 + (x - 11) * 18.0 / 78.0;
    };
    for (int32_t x : {7, 10, 20, 50, 80, 92}) {
        const double expected = 255.0 * unitAt(x + 0.5) / 30.0;
        EXPECT_NEAR(double(gradient.at(x, 20) & 0xFF), expected, 6.0) << "column " << x;
    }
}

TEST(ScriptDrawing, TextFieldsAndHitsOnDrawings) {
    Actions a;
    call(a, "_root", "createTextField", {"t", 3, 10, 20, 80, 30}, "t");
    set(a, "t", "text", "hello");
    a.push({"t"}).getVariable().push({"text"}).getMember().trace();
    a.push({"t"}).getVariable().push({"_x"}).getMember().trace();
    a.push({"t"}).getVariable().push({"_width"}).getMember().trace();
    call(a, "_root", "getNextHighestDepth", {}, "next");
    a.traceVar("next");
    call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
    call(a, "c", "beginFill", {0xFF0000});
    rect(a, "c", 10, 10, 20, 20);
    call(a, "c", "hitTest", {20, 20, true}, "in");
    a.traceVar("in");
    call(a, "c", "hitTest", {50, 50, true}, "out");
    a.traceVar("out");
    EXPECT_EQ(traces(a), (Strings{"hello", "10", "80", "4", "true", "false"}));
}

TEST(ScriptDrawing, BitmapDrawsClipsAndAppliesFilters) {
    auto p = play(Actions{});
    ASSERT_TRUE(p);
    const model::Stage* stage = p->stage.get();
    p->engine->setDisplayPainter(
        {[stage](cairo_t* cr, const model::DisplayObject& object, const swf::Matrix& m, const swf::ColorTransform& cx) {
             render::paintDisplayObject(cr, *stage, object, m, cx, render::Quality::High);
         },
         [](std::span<const swf::Filter> filters, uint32_t* pixels, int32_t w, int32_t h, int32_t stride) {
             render::applyFilters(filters, render::PixelView{pixels, w, h, stride});
         }});
    Actions a;
    call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
    set(a, "c", "_x", 50);  // the clip's own placement does not count
    call(a, "c", "beginFill", {0xFF0000});
    rect(a, "c", 0, 0, 10, 10);
    make(a, "b", "display", "BitmapData", {20, 20, false, int(0xFFFFFFFF)});
    call(a, "b", "draw", {"$c"});
    make(a, "m", "geom", "Matrix", {});
    call(a, "m", "translate", {10, 10});
    call(a, "b", "draw", {"$c", "$m"});
    for (int xy : {5, 15}) {
        call(a, "b", "getPixel", {xy, xy}, "px");
        a.traceVar("px");
    }
    call(a, "b", "getPixel", {15, 5}, "px");
    a.traceVar("px");
    make(a, "g", "display", "BitmapData", {20, 20, true, 0});
    make(a, "r", "geom", "Rectangle", {5, 5, 10, 10});
    call(a, "g", "fillRect", {"$r", int(0xFF0000FF)});
    make(a, "f", "filters", "BlurFilter", {6, 6, 1});
    make(a, "origin", "geom", "Point", {0, 0});
    a.push({"g"}).getVariable().push({"rectangle"}).getMember().push({"whole"}).stackSwap().setVariable();
    call(a, "g", "applyFilter", {"$g", "$whole", "$origin", "$f"});
    call(a, "g", "getPixel32", {3, 10}, "px");
    a.traceVar("px");
    const auto bytes = a.bytes();
    p->engine->runActions(p->root(), bytes);
    ASSERT_EQ(p->host.traces.size(), 4u);
    EXPECT_EQ(p->host.traces[0], "16711680");
    EXPECT_EQ(p->host.traces[1], "16711680");
    EXPECT_EQ(p->host.traces[2], "16777215");
    const auto spread = uint32_t(std::stoll(p->host.traces[3]));
    EXPECT_GT(spread >> 24, 0u) << "the blur spreads alpha outwards";
    EXPECT_LT(spread >> 24, 255u);
}

// Source pixel (x, y): red (x + 1) * 15, green y * 60. The map's red
// 128 + 8x moves x by x at scale 32, its green 128 - 32y moves y by -y at
// scale 8: each pixel shows the source at (2x, 0) where that lies inside,
// the mode's choice where it does not (the AS3 Bitmaps movie has the same).
TEST(ScriptDrawing, DisplacementMapByModeThroughApplyFilterAndFilters) {
    struct Case {
        PushValue mode;
        bool map;
        Strings traces;  // applyFilter's (3, 2) and (12, 1), then the clip's filter read back
        uint32_t shown;  // the clip's (12, 1)
    };
    const std::vector<Case> cases{
        {"wrap", true, {"6881280", "8847360", "wrap", "2", "16261120"}, argb(255, 0x87, 0, 0)},
        {"clamp", true, {"6881280", "15728640", "clamp", "2", "16261120"}, argb(255, 0xF0, 0, 0)},
        {"ignore", true, {"6881280", "12794880", "ignore", "2", "16261120"}, argb(255, 0xC3, 0x3C, 0)},
        {"color", true, {"6881280", "65280", "color", "2", "16261120"}, Green},
        // An unknown mode wraps; no map leaves the source.
        {"mirror", true, {"6881280", "8847360", "wrap", "2", "16261120"}, argb(255, 0x87, 0, 0)},
        {"wrap", false, {"3962880", "12794880", "wrap", "2", "undefined"}, argb(255, 0xC3, 0x3C, 0)},
    };
    for (const Case& c : cases) {
        auto p = play(Actions{});
        ASSERT_TRUE(p);
        const model::Stage* stage = p->stage.get();
        p->engine->setDisplayPainter(
            {[stage](cairo_t* cr, const model::DisplayObject& object, const swf::Matrix& m,
                     const swf::ColorTransform& cx) {
                 render::paintDisplayObject(cr, *stage, object, m, cx, render::Quality::High);
             },
             [](std::span<const swf::Filter> filters, uint32_t* pixels, int32_t w, int32_t h, int32_t stride) {
                 render::applyFilters(filters, render::PixelView{pixels, w, h, stride});
             }});
        Actions a;
        make(a, "src", "display", "BitmapData", {16, 4, false, 0});
        make(a, "map", "display", "BitmapData", {16, 4, false, 0});
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 16; ++x) {
                call(a, "src", "setPixel", {x, y, ((x + 1) * 15) << 16 | (y * 60) << 8});
                call(a, "map", "setPixel", {x, y, (128 + 8 * x) << 16 | (128 - 32 * y) << 8});
            }
        make(a, "origin", "geom", "Point", {0, 0});
        make(a, "f", "filters", "DisplacementMapFilter",
             {c.map ? PushValue("$map") : PushValue(swfwriter::Null{}), "$origin", 1, 2, 32, 8, c.mode, 0x00FF00, 1});
        make(a, "out", "display", "BitmapData", {16, 4, false, 0});
        a.push({"src"}).getVariable().push({"rectangle"}).getMember().push({"whole"}).stackSwap().setVariable();
        call(a, "out", "applyFilter", {"$src", "$whole", "$origin", "$f"});
        call(a, "out", "getPixel", {3, 2}, "px");
        a.traceVar("px");
        call(a, "out", "getPixel", {12, 1}, "px");
        a.traceVar("px");
        call(a, "_root", "createEmptyMovieClip", {"c", 1}, "c");
        call(a, "c", "attachBitmap", {"$src", 1});
        set(a, "c", "_x", 10);
        set(a, "c", "_y", 30);
        letArray(a, "list", {"$f"});
        set(a, "c", "filters", "$list");
        a.push({"g"}).push({"c"}).getVariable().push({"filters"}).getMember().push({0}).getMember().setVariable();
        for (const char* member : {"mode", "componentY"})
            a.push({"g"}).getVariable().push({PushValue(member)}).getMember().trace();
        a.push({"mb"}).push({"g"}).getVariable().push({"mapBitmap"}).getMember().setVariable();
        call(a, "mb", "getPixel", {15, 3}, "px");
        a.traceVar("px");
        p->engine->runActions(p->root(), a.bytes());
        EXPECT_EQ(p->host.traces, c.traces) << c.traces[2];

        rendertest::PixelBuffer pixels(100, 100);
        render::Renderer renderer;
        auto draw = [&] {
            (void)p->stage->collectChanges();
            ASSERT_EQ(renderer.draw(*p->stage, pixels.target({{0, 0, 100, 100}}, {0, 0, 100, 100}),
                                    render::Aspect::Opaque, render::Quality::High),
                      render::DrawError::None);
        };
        draw();
        const uint32_t unmoved = argb(255, 0x3C, 0x78, 0);  // the source's (3, 2)
        EXPECT_EQ(pixels.at(13, 32), c.map ? argb(255, 0x69, 0, 0) : unmoved) << rendertest::hex(pixels.at(13, 32));
        EXPECT_EQ(pixels.at(22, 31), c.shown) << rendertest::hex(pixels.at(22, 31));
        if (!c.map)
            continue;
        // The map made flat: its area is redrawn, nothing moves.
        Actions flatten;
        flatten.push({"map"}).getVariable().push({"rectangle"}).getMember().push({"all"}).stackSwap().setVariable();
        call(flatten, "map", "fillRect", {"$all", 0x808080});
        p->engine->runActions(p->root(), flatten.bytes());
        const auto changes = p->stage->collectChanges();
        EXPECT_TRUE(std::any_of(changes.rects.begin(), changes.rects.end(), [](const swf::Rect& r) {
            return r.xMin <= 13 * 20 && r.xMax > 13 * 20 && r.yMin <= 32 * 20 && r.yMax > 32 * 20;
        }));
        ASSERT_EQ(renderer.draw(*p->stage, pixels.target({{0, 0, 100, 100}}, {0, 0, 100, 100}), render::Aspect::Opaque,
                                render::Quality::High),
                  render::DrawError::None);
        EXPECT_EQ(pixels.at(13, 32), unmoved) << rendertest::hex(pixels.at(13, 32));
    }
}
