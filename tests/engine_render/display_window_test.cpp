// The clip-level drawing properties: 9-slice grids, scroll windows and
// opaque backgrounds, on a 100x100 px white stage.
#include "render/renderer.h"
#include "render_fixture.h"

#include "model/stage.h"

#include <gtest/gtest.h>

#include <optional>

using namespace rendertest;
using render::PixelRect;

namespace {

constexpr uint32_t WhitePixel = argb(255, 255, 255, 255);
constexpr uint32_t RedPixel = argb(255, 255, 0, 0);
constexpr uint32_t BluePixel = argb(255, 0, 0, 255);
constexpr uint32_t GreenPixel = argb(255, 0, 255, 0);

using Pixels = std::vector<std::pair<int, int>>;

struct Expect {
    uint32_t color;
    Pixels pixels;
};

PixelBuffer renderStage(model::Stage& stage, PixelRect clip = {0, 0, 100, 100}) {
    PixelBuffer buffer(100, 100);
    render::Renderer renderer;
    EXPECT_EQ(
        renderer.draw(stage, buffer.target({clip}, {0, 0, 100, 100}), render::Aspect::Opaque, render::Quality::High),
        render::DrawError::None);
    return buffer;
}

void check(const PixelBuffer& p, const std::vector<Expect>& expects, const char* name) {
    for (const Expect& e : expects) {
        for (auto [x, y] : e.pixels)
            EXPECT_EQ(p.at(x, y), e.color) << name << " at " << x << "," << y << ": " << hex(p.at(x, y));
    }
}

std::unique_ptr<model::Stage> load(MovieBuilder& b) {
    auto stage = model::Stage::create(b.build());
    (void)stage->takePendingActions();
    return stage;
}

swf::Bounds box(double x0, double y0, double x1, double y1) {
    swf::Bounds b;
    b.add(swf::Point{x0, y0});
    b.add(swf::Point{x1, y1});
    return b;
}

}  // namespace

TEST(DisplayWindow, ScaleGridKeepsCornersAtTheirSize) {
    // A 30 px square with its corners cut 6 px deep, in a sprite placed at
    // (5, 5) px. The grid leaves the cut corners outside its centre.
    struct Case {
        const char* name;
        bool grid;
        swf::Matrix matrix;
        std::vector<Expect> expects;
    };
    const swf::Matrix scaled3{3, 0, 0, 3, 100, 100};
    const swf::Matrix turned3{0, 3, -3, 0, 1900, 100};  // a quarter turn: the grid does not apply
    const std::vector<Case> cases{
        {"sliced 3x: the 6 px cuts stay 6 px",
         true,
         scaled3,
         {{WhitePixel, {{6, 6}, {94, 94}, {94, 6}}}, {RedPixel, {{11, 11}, {89, 89}, {89, 11}, {50, 6}, {6, 50}}}}},
        {"without a grid the cuts scale to 18 px",
         false,
         scaled3,
         {{WhitePixel, {{11, 11}, {89, 89}}}, {RedPixel, {{20, 20}}}}},
        {"rotated: scaled as a whole",
         true,
         turned3,
         {{WhitePixel, {{11, 11}, {89, 89}}}, {RedPixel, {{20, 20}, {50, 50}}}}},
        {"unscaled: as authored",
         true,
         swf::Matrix{1, 0, 0, 1, 100, 100},
         {{WhitePixel, {{6, 6}, {33, 33}}}, {RedPixel, {{11, 11}, {30, 30}}}}},
    };
    for (const Case& c : cases) {
        MovieBuilder b;
        swf::Shape cut;
        cut.bounds = cut.edgeBounds = {0, 600, 0, 600};
        cut.fillStyles.push_back(solid({255, 0, 0, 255}));
        cut.records =
            polygonRecords({{120, 0}, {480, 0}, {600, 120}, {600, 480}, {480, 600}, {120, 600}, {0, 480}, {0, 120}});
        b.add(1, cut);
        swf::Sprite s = sprite({place(1, 1)});
        if (c.grid)
            s.scalingGrid = swf::Rect{120, 480, 120, 480};
        b.add(2, s);
        b.frame({place(1, 2, c.matrix)});
        auto stage = load(b);
        check(renderStage(*stage), c.expects, c.name);
    }
}

TEST(DisplayWindow, ScaleGridCutsBitmapsPlacedInTheClip) {
    // A 30 px bitmap directly in a sprite at (5, 5) px, scaled 3x with a
    // 6 px grid margin: red in its 6 px top-left corner, blue elsewhere.
    constexpr uint32_t Blue = argb(255, 0, 0, 255);
    swf::Bitmap picture;
    picture.width = picture.height = 30;
    for (uint32_t y = 0; y < 30; ++y) {
        for (uint32_t x = 0; x < 30; ++x)
            picture.pixels.push_back(x < 6 && y < 6 ? argb(255, 255, 0, 0) : Blue);
    }
    struct Case {
        const char* name;
        bool grid;
        std::vector<Expect> expects;
    };
    const std::vector<Case> cases{
        {"sliced: the corner keeps its 6 px",
         true,
         {{RedPixel, {{6, 6}, {10, 10}}}, {Blue, {{12, 12}, {50, 50}, {94, 94}}}, {WhitePixel, {{96, 96}}}}},
        {"unsliced: scaled whole", false, {{RedPixel, {{12, 12}, {22, 22}}}, {Blue, {{24, 24}, {94, 94}}}}},
    };
    for (const Case& c : cases) {
        MovieBuilder b;
        b.add(1, picture);
        swf::Sprite s = sprite({place(1, 1)});
        if (c.grid)
            s.scalingGrid = swf::Rect{120, 480, 120, 480};
        b.add(2, s);
        b.frame({place(1, 2, swf::Matrix{3, 0, 0, 3, 100, 100})});
        auto stage = load(b);
        check(renderStage(*stage), c.expects, c.name);
    }
}

TEST(DisplayWindow, ScaleGridCutsGradientStrokesLikeFills) {
    // The outline of a 30 px box in a sprite at (5, 5) px scaled 3x, painted
    // red to blue from left to right. Sliced, its top edge stays near the
    // top and the left corner cell shows its paint at the corner's own
    // scale: further on towards blue than the whole-scaled paint at x 10.
    swf::LineStyle style;
    style.width = 40;
    style.startCap = style.endCap = swf::CapStyle::None;
    style.hasFill = true;
    style.fill.kind = swf::FillKind::LinearGradient;
    style.fill.gradient.stops = {{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 255}}};
    style.fill.matrix = {600.0 / 32768.0, 0.0, 0.0, 600.0 / 32768.0, 300.0, 0.0};
    struct Case {
        bool grid;
        int rowMax;                 // the top edge lies above this row
        uint32_t blueMin, blueMax;  // blue at x 10 on the top edge
    } cases[] = {{true, 13, 35, 80}, {false, 16, 5, 22}};
    for (const Case& c : cases) {
        MovieBuilder b;
        swf::Shape box = lineShape({{0, 60}, {600, 60}, {600, 600}, {0, 600}, {0, 60}}, style);
        box.bounds = box.edgeBounds = {0, 600, 0, 600};
        b.add(1, box);
        swf::Sprite s = sprite({place(1, 1)});
        if (c.grid)
            s.scalingGrid = swf::Rect{120, 480, 120, 480};
        b.add(2, s);
        b.frame({place(1, 2, swf::Matrix{3, 0, 0, 3, 100, 100})});
        auto stage = load(b);
        const PixelBuffer p = renderStage(*stage);
        int row = 0;
        while (row < 50 && p.at(50, row) == WhitePixel)
            ++row;
        EXPECT_LT(row, c.rowMax) << c.grid;
        EXPECT_GE(row, 8) << c.grid;
        const uint32_t at = p.at(10, row + 1);
        EXPECT_GE(blueOf(at), c.blueMin) << c.grid << " " << hex(at);
        EXPECT_LE(blueOf(at), c.blueMax) << c.grid << " " << hex(at);
        EXPECT_GT(blueOf(p.at(93, row + 1)), 200u) << c.grid << " " << hex(p.at(93, row + 1));
    }
}

TEST(DisplayWindow, ScrollWindowShowsExactlyTheWindow) {
    // A sprite at (10, 10) px holding a red square at 0..40 px and a blue
    // one at 40..80 px.
    struct Case {
        const char* name;
        std::optional<swf::Bounds> window;  // twips of the sprite
        std::vector<Expect> expects;
    };
    const std::vector<Case> cases{
        {"no window", std::nullopt, {{RedPixel, {{15, 15}, {49, 49}}}, {BluePixel, {{55, 15}, {89, 49}}}}},
        {"window on the blue square",
         box(800, 0, 1600, 800),
         {{BluePixel, {{11, 11}, {49, 49}}}, {WhitePixel, {{51, 15}, {15, 51}, {9, 9}}}}},
        {"a 10 px window across both",
         box(700, 200, 900, 400),
         {{RedPixel, {{10, 10}, {14, 19}}},
          {BluePixel, {{15, 10}, {19, 19}}},
          {WhitePixel, {{21, 15}, {15, 21}, {45, 15}}}}},
        {"an empty window shows nothing", box(0, 0, 0, 0), {{WhitePixel, {{15, 15}, {55, 15}}}}},
    };
    for (const Case& c : cases) {
        MovieBuilder b;
        b.add(1, rectShape({0, 800, 0, 800}, solid({255, 0, 0, 255})));
        b.add(2, rectShape({800, 1600, 0, 800}, solid({0, 0, 255, 255})));
        b.add(3, sprite({place(1, 1), place(2, 2)}));
        b.frame({place(1, 3, {1, 0, 0, 1, 200, 200})});
        auto stage = load(b);
        stage->root().displayList().at(1)->setScrollRect(c.window);
        check(renderStage(*stage), c.expects, c.name);
        // A partial redraw of the window's edge equals the full one.
        const PixelBuffer full = renderStage(*stage);
        const PixelBuffer part = renderStage(*stage, {12, 12, 30, 30});
        for (int y = 12; y < 30; ++y)
            for (int x = 12; x < 30; ++x)
                ASSERT_EQ(part.at(x, y), full.at(x, y)) << c.name << " " << x << "," << y;
    }
}

TEST(DisplayWindow, OpaqueBackgroundFillsTheBounds) {
    // Two 10 px squares at (10, 10) and (30, 30) px in a sprite: the
    // background fills the box around both, behind them.
    struct Case {
        const char* name;
        std::optional<swf::Rgba> background;
        std::optional<swf::Bounds> window;
        std::vector<Expect> expects;
    };
    const std::vector<Case> cases{
        {"none", std::nullopt, std::nullopt, {{WhitePixel, {{35, 15}, {15, 35}}}, {RedPixel, {{15, 15}, {35, 35}}}}},
        {"green box behind",
         swf::Rgba{0, 255, 0, 128},  // the background is opaque whatever alpha it was given
         std::nullopt,
         {{GreenPixel, {{35, 15}, {15, 35}, {10, 39}}},
          {RedPixel, {{15, 15}, {35, 35}}},
          {WhitePixel, {{9, 15}, {40, 35}, {45, 45}}}}},
        {"fills the scroll window, not the content",
         swf::Rgba{0, 255, 0, 255},
         box(0, 0, 1000, 1000),
         {{GreenPixel, {{25, 45}, {45, 5}}}, {RedPixel, {{15, 15}, {35, 35}}}, {WhitePixel, {{51, 30}, {30, 51}}}}},
    };
    for (const Case& c : cases) {
        MovieBuilder b;
        b.add(1, rectShape({200, 400, 200, 400}, solid({255, 0, 0, 255})));
        b.add(2, rectShape({600, 800, 600, 800}, solid({255, 0, 0, 255})));
        b.add(3, sprite({place(1, 1), place(2, 2)}));
        b.frame({place(1, 3)});
        auto stage = load(b);
        model::DisplayObject* clip = stage->root().displayList().at(1);
        clip->setOpaqueBackground(c.background);
        clip->setScrollRect(c.window);
        check(renderStage(*stage), c.expects, c.name);
    }
}
