// Filters drawn by the display tree walk: a red square (20..40 px) on a
// 100x100 px white stage, its filters in stage pixels.
#include "render/renderer.h"
#include "render_fixture.h"

#include "model/stage.h"

#include <gtest/gtest.h>

#include <limits>

using namespace rendertest;
using render::PixelRect;

namespace {

constexpr uint32_t kWhitePixel = argb(255, 255, 255, 255);
constexpr uint32_t kRedPixel = argb(255, 255, 0, 0);
constexpr uint32_t kBluePixel = argb(255, 0, 0, 255);

swf::Filter shadow(double distance, double blur = 0.0) {
    swf::Filter f;
    f.kind = swf::FilterKind::DropShadow;
    f.blurX = f.blurY = blur;
    f.distance = distance;
    f.strength = 1.0;
    f.compositeSource = true;
    f.color = {0, 0, 255, 255};
    return f;
}

swf::Filter glow(double blur) {
    swf::Filter f = shadow(0.0, blur);
    f.kind = swf::FilterKind::Glow;
    f.passes = 2;
    return f;
}

// The square, alone or inside a sprite scaled by `spriteScale`.
std::unique_ptr<model::Stage> squareStage(double spriteScale = 0.0) {
    MovieBuilder b;
    b.add(1, rectShape({400, 800, 400, 800}, solid({255, 0, 0, 255})));
    if (spriteScale > 0.0) {
        b.add(
            2,
            sprite({place(1, 1, {spriteScale, 0, 0, spriteScale, 400 * (1 - spriteScale), 400 * (1 - spriteScale)})}));
        b.frame({place(1, 2)});
    } else {
        b.frame({place(1, 1)});
    }
    auto stage = model::Stage::create(b.build());
    (void)stage->takePendingActions();
    return stage;
}

PixelBuffer renderStage(model::Stage& stage, int size = 100, PixelRect clip = {0, 0, 1000, 1000},
                        render::RowOrder order = render::RowOrder::TopDown,
                        render::Aspect aspect = render::Aspect::Opaque, uint32_t fill = kSentinel) {
    PixelBuffer buffer(size, size, order, 0, fill);
    render::Renderer renderer;
    EXPECT_EQ(renderer.draw(stage, buffer.target({clip}, {0, 0, size, size}), aspect, render::Quality::High),
              render::DrawError::None);
    return buffer;
}

}  // namespace

TEST(SceneFilters, ShadowFollowsDistanceInStagePixels) {
    const std::vector<swf::Filter> filters{shadow(4.0)};
    struct Case {
        const char* name;
        double spriteScale;  // the clip's own scale does not scale its filters
        int size;            // the stage's zoom does
        std::vector<std::pair<int, int>> blue, red, white;
    };
    const Case cases[] = {
        {"plain", 0.0, 100, {{42, 30}, {43, 21}}, {{30, 30}, {39, 39}}, {{44, 30}, {30, 45}, {19, 30}}},
        {"scaled clip", 2.0, 100, {{62, 50}}, {{50, 50}, {59, 59}}, {{64, 50}}},
        {"zoomed stage", 0.0, 200, {{84, 60}, {87, 42}}, {{60, 60}}, {{88, 60}}},
    };
    for (const Case& c : cases) {
        auto stage = squareStage(c.spriteScale);
        model::DisplayObject* top = stage->root().displayList().at(1);
        top->setFilters(&filters);
        const PixelBuffer p = renderStage(*stage, c.size);
        for (auto [x, y] : c.blue)
            EXPECT_EQ(p.at(x, y), kBluePixel) << c.name << " " << x << "," << y << " " << hex(p.at(x, y));
        for (auto [x, y] : c.red)
            EXPECT_EQ(p.at(x, y), kRedPixel) << c.name << " " << x << "," << y << " " << hex(p.at(x, y));
        for (auto [x, y] : c.white)
            EXPECT_EQ(p.at(x, y), kWhitePixel) << c.name << " " << x << "," << y << " " << hex(p.at(x, y));
    }
}

TEST(SceneFilters, PartialRedrawMatchesTheFullOne) {
    // A blurred glow reaching into the redrawn area from an object outside
    // it, and an object partly inside: the pixels equal a full redraw's.
    const std::vector<swf::Filter> filters{glow(12.0), shadow(6.0, 4.0)};
    auto stage = squareStage();
    stage->root().displayList().at(1)->setFilters(&filters);
    const PixelBuffer full = renderStage(*stage);
    for (const PixelRect clip : {PixelRect{42, 0, 100, 100}, PixelRect{30, 35, 60, 60}, PixelRect{0, 0, 21, 21}}) {
        const PixelBuffer part = renderStage(*stage, 100, clip);
        for (int y = clip.top; y < clip.bottom; ++y)
            for (int x = clip.left; x < clip.right; ++x)
                ASSERT_EQ(part.at(x, y), full.at(x, y)) << x << "," << y << " in " << clip.left << "," << clip.top;
        if (clip.left > 0) {
            EXPECT_EQ(part.at(clip.left - 1, 50), kSentinel) << "outside the clip stays untouched";
        }
    }
    EXPECT_NE(full.at(44, 30), kWhitePixel) << "the glow reaches past the square";
}

TEST(SceneFilters, FiltersAndPixelBlendModesTogether) {
    // A shadowed square subtracted from the white stage: white - red = cyan,
    // white - blue = yellow.
    const std::vector<swf::Filter> filters{shadow(4.0)};
    auto stage = squareStage();
    model::DisplayObject* top = stage->root().displayList().at(1);
    top->setFilters(&filters);
    top->setBlendMode(swf::BlendMode::Subtract);
    // Into the caller's rows either way up, and through the transparent
    // aspect's layer, where the backdrop is empty: nothing to subtract
    // from leaves black, laid over the caller's white.
    struct Case {
        render::RowOrder order;
        render::Aspect aspect;
        uint32_t square, shadow;
    };
    const uint32_t black = argb(255, 0, 0, 0);
    for (const Case& c :
         {Case{render::RowOrder::TopDown, render::Aspect::Opaque, argb(255, 0, 255, 255), argb(255, 255, 255, 0)},
          Case{render::RowOrder::BottomUp, render::Aspect::Opaque, argb(255, 0, 255, 255), argb(255, 255, 255, 0)},
          Case{render::RowOrder::TopDown, render::Aspect::Transparent, black, black}}) {
        const PixelBuffer p = renderStage(*stage, 100, {0, 0, 1000, 1000}, c.order, c.aspect, kWhitePixel);
        EXPECT_EQ(p.at(30, 30), c.square) << hex(p.at(30, 30));
        EXPECT_EQ(p.at(42, 30), c.shadow) << hex(p.at(42, 30));
        EXPECT_EQ(p.at(60, 60), kWhitePixel);
    }
}

TEST(SceneFilters, HostileFilterListsDrawSomethingBounded) {
    swf::Filter huge = glow(1e9);
    huge.passes = 31;
    huge.distance = -1e12;
    huge.strength = std::numeric_limits<double>::quiet_NaN();
    const std::vector<swf::Filter> filters(40, huge);
    auto stage = squareStage();
    stage->root().displayList().at(1)->setFilters(&filters);
    const PixelBuffer p = renderStage(*stage, 50);
    EXPECT_EQ(p.at(15, 15), kRedPixel) << "NaN strength draws no glow over the object";
}

TEST(SceneFilters, ButtonRecordsAndLayeredParentsKeepTheShadow) {
    // The shadowed square as a button's state, and inside a sprite drawn as a
    // layer: the shadow outside the parent's own box still shows.
    swf::ButtonRecord up;
    up.up = true;
    up.characterId = 1;
    up.depth = 1;
    up.filters = {shadow(4.0)};
    swf::Button button;
    button.records = {up};
    MovieBuilder b;
    b.add(1, rectShape({400, 800, 400, 800}, solid({255, 0, 0, 255}))).add(2, button);
    b.frame({place(1, 2)});
    auto buttonStage = model::Stage::create(b.build());
    (void)buttonStage->takePendingActions();

    const std::vector<swf::Filter> filters{shadow(4.0)};
    auto layered = squareStage(1.0);
    model::DisplayObject* parent = layered->root().displayList().at(1);
    parent->setBlendMode(swf::BlendMode::Layer);
    parent->children()->at(1)->setFilters(&filters);
    for (model::Stage* stage : {buttonStage.get(), layered.get()}) {
        const PixelBuffer p = renderStage(*stage);
        EXPECT_EQ(p.at(42, 30), kBluePixel) << hex(p.at(42, 30));
        EXPECT_EQ(p.at(30, 30), kRedPixel);
    }
}
