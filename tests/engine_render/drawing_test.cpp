// Script drawings (model::Drawing) painted by the renderer: 100x100 pixel
// stage, white background, coordinates in twips (20 a pixel).
#include "render/renderer.h"
#include "render_fixture.h"

#include "model/stage.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

using namespace rendertest;

namespace {

constexpr uint32_t White = argb(255, 255, 255, 255);
constexpr uint32_t Red = argb(255, 255, 0, 0);
constexpr uint32_t Blue = argb(255, 0, 0, 255);
constexpr uint32_t Green = argb(255, 0, 255, 0);

PixelBuffer renderStage(model::Stage& stage) {
    PixelBuffer buffer(100, 100);
    render::Renderer renderer;
    EXPECT_EQ(renderer.draw(stage, buffer.target({{0, 0, 100, 100}}, {0, 0, 100, 100}), render::Aspect::Opaque,
                            render::Quality::High),
              render::DrawError::None);
    return buffer;
}

swf::FillStyle solidFill(swf::Rgba c) {
    swf::FillStyle f;
    f.color = c;
    return f;
}

swf::LineStyle line(double pixels, swf::Rgba c) {
    swf::LineStyle l;
    l.width = uint16_t(pixels * 20);
    l.color = c;
    return l;
}

// A rectangle in pixels, drawn with the pen.
void rect(model::Drawing& d, double x, double y, double w, double h) {
    d.moveTo(x * 20, y * 20);
    d.lineTo((x + w) * 20, y * 20);
    d.lineTo((x + w) * 20, (y + h) * 20);
    d.lineTo(x * 20, (y + h) * 20);
    d.lineTo(x * 20, y * 20);
}

struct TwoPixels final : model::FillBitmap {
    uint32_t data[2] = {0xFFFF0000, 0xFF0000FF};  // red, blue
    uint64_t serial = 1;
    const uint32_t* pixels() const override { return data; }
    int32_t width() const override { return 2; }
    int32_t height() const override { return 1; }
    uint64_t version() const override { return serial; }
};

struct Probe {
    int x;
    int y;
    uint32_t expected;
};

struct Case {
    const char* name;
    std::function<void(model::Drawing&)> draw;
    std::vector<Probe> probes;
};

}  // namespace

TEST(Drawing, PathsFillsAndLinesPaintAsDrawn) {
    const Case cases[] = {
        {"a fill closes itself without endFill",
         [](model::Drawing& d) {
             d.beginFill(solidFill({255, 0, 0, 255}));
             d.moveTo(200, 200);
             d.lineTo(800, 200);
             d.lineTo(800, 800);
             d.lineTo(200, 800);
         },
         {{15, 15, Red}, {35, 35, Red}, {45, 20, White}, {5, 5, White}}},
        {"a later fill lies above earlier lines and fills",
         [](model::Drawing& d) {
             d.lineStyle(line(4, {0, 255, 0, 255}));
             d.moveTo(0, 600);
             d.lineTo(2000, 600);
             d.lineStyle(std::nullopt);
             d.beginFill(solidFill({255, 0, 0, 255}));
             rect(d, 10, 10, 40, 40);
             d.beginFill(solidFill({0, 0, 255, 255}));
             rect(d, 20, 20, 10, 10);
             d.endFill();
         },
         {{15, 30, Red}, {25, 25, Blue}, {70, 30, Green}, {70, 40, White}}},
        {"a fill's own outline lies above it; the closing edge is not stroked",
         [](model::Drawing& d) {
             d.lineStyle(line(2, {0, 255, 0, 255}));
             d.beginFill(solidFill({255, 0, 0, 255}));
             d.moveTo(200, 200);
             d.lineTo(1000, 200);
             d.lineTo(1000, 1000);
             d.lineTo(200, 1000);
             d.endFill();
         },
         {{30, 10, Green}, {50, 30, Green}, {10, 30, Red}, {30, 30, Red}}},
        {"moveTo inside a fill starts a second contour; even-odd cuts the overlap",
         [](model::Drawing& d) {
             d.beginFill(solidFill({0, 0, 255, 255}));
             rect(d, 10, 10, 60, 60);
             rect(d, 30, 30, 20, 20);
             d.endFill();
         },
         {{15, 15, Blue}, {40, 40, White}, {60, 60, Blue}}},
        {"curves bend through their control point",
         [](model::Drawing& d) {
             d.beginFill(solidFill({255, 0, 0, 255}));
             d.moveTo(0, 1000);
             d.curveTo(1000, -1000, 2000, 1000);  // peaks at y = 0 px at x = 50 px
             d.endFill();
         },
         {{50, 5, Red}, {50, 45, Red}, {5, 20, White}, {50, 60, White}}},
        {"linear gradient from left to right",
         [](model::Drawing& d) {
             swf::FillStyle f;
             f.kind = swf::FillKind::LinearGradient;
             f.gradient.stops = {{0, {255, 0, 0, 255}}, {255, {0, 0, 255, 255}}};
             f.matrix = {1600.0 / 32768, 0, 0, 1600.0 / 32768, 1000, 1000};  // 10..90 px, padded beyond
             d.beginFill(f);
             rect(d, 0, 0, 100, 100);
         },
         {{5, 50, Red}, {95, 50, Blue}}},
        {"bitmap fill paints the given pixels, 20 twips each under its matrix",
         [](model::Drawing& d) {
             static TwoPixels pixels;
             swf::FillStyle f;
             f.kind = swf::FillKind::ClippedBitmap;
             f.smoothed = false;
             f.matrix = {20 * 20.0, 0, 0, 20 * 20.0, 0, 0};  // one bitmap pixel: 20 stage pixels
             d.beginFill(f, std::shared_ptr<const model::FillBitmap>(&pixels, [](auto*) {}));
             rect(d, 0, 0, 40, 20);
         },
         {{10, 10, Red}, {30, 10, Blue}, {50, 10, White}}},
        {"a bitmap fill without pixels paints nothing",
         [](model::Drawing& d) {
             swf::FillStyle f;
             f.kind = swf::FillKind::RepeatingBitmap;
             f.matrix = {20, 0, 0, 20, 0, 0};
             d.beginFill(f);
             rect(d, 0, 0, 40, 20);
         },
         {{10, 10, White}}},
        {"a gradient line",
         [](model::Drawing& d) {
             d.lineStyle(line(10, {0, 0, 0, 255}));
             swf::FillStyle f;
             f.kind = swf::FillKind::LinearGradient;
             f.gradient.stops = {{0, {0, 255, 0, 255}}, {255, {0, 255, 0, 255}}};
             f.matrix = {0.05, 0, 0, 0.05, 1000, 1000};
             d.lineGradientStyle(f);
             d.moveTo(0, 1000);
             d.lineTo(2000, 1000);
         },
         {{50, 50, Green}, {50, 40, White}}},
        {"clear forgets paths and the line style",
         [](model::Drawing& d) {
             d.lineStyle(line(10, {0, 0, 0, 255}));
             d.beginFill(solidFill({255, 0, 0, 255}));
             rect(d, 0, 0, 50, 50);
             d.clear();
             d.lineTo(2000, 2000);
         },
         {{25, 25, White}, {75, 75, White}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MovieBuilder b;
        b.frame({});
        auto stage = model::Stage::create(b.build());
        ASSERT_NE(stage, nullptr);
        c.draw(stage->root().drawing());
        const PixelBuffer p = renderStage(*stage);
        for (const Probe& probe : c.probes)
            EXPECT_EQ(p.at(probe.x, probe.y), probe.expected)
                << probe.x << "," << probe.y << " " << hex(p.at(probe.x, probe.y));
    }
}

TEST(Drawing, SitsBelowChildrenFollowsTheClipAndInvalidatesWhatItCovers) {
    MovieBuilder b;
    b.add(1, rectShape({0, 400, 0, 400}, solid({0, 255, 0, 255})));
    b.add(2, sprite({place(1, 1)}));
    b.frame({place(1, 2, {2.0, 0, 0, 2.0, 400, 400})});  // x2 at (20, 20) px
    auto stage = model::Stage::create(b.build());
    ASSERT_NE(stage, nullptr);
    (void)stage->takePendingActions();
    auto* clip = stage->root().displayList().at(1)->as<model::MovieClip>();
    ASSERT_NE(clip, nullptr);
    (void)stage->collectChanges();

    model::Drawing& d = clip->drawing();
    d.beginFill(solidFill({255, 0, 0, 255}));
    rect(d, 0, 0, 30, 10);  // 60x20 px at (20, 20) under the clip's matrix
    d.endFill();
    PixelBuffer p = renderStage(*stage);
    EXPECT_EQ(p.at(25, 25), Green) << "children lie above the drawing";
    EXPECT_EQ(p.at(70, 35), Red);
    EXPECT_EQ(p.at(70, 45), White);
    EXPECT_EQ(clip->width(), 60.0);

    auto covers = [](const model::ChangeSet& changes, int px, int py) {
        for (const swf::Rect& r : changes.rects) {
            if (px * 20 >= r.xMin && px * 20 < r.xMax && py * 20 >= r.yMin && py * 20 < r.yMax)
                return true;
        }
        return false;
    };
    model::ChangeSet changes = stage->collectChanges();
    EXPECT_TRUE(covers(changes, 70, 35));
    EXPECT_FALSE(covers(changes, 90, 90));
    EXPECT_TRUE(stage->collectChanges().empty()) << "nothing changed since";
    d.clear();
    changes = stage->collectChanges();
    EXPECT_TRUE(covers(changes, 70, 35)) << "clearing repaints what the drawing covered";
    EXPECT_EQ(renderStage(*stage).at(70, 35), White);
}

TEST(Drawing, RunawayDrawingStaysBounded) {
    model::Drawing d;
    d.lineStyle(line(1, {0, 0, 0, 255}));
    d.beginFill(solidFill({255, 0, 0, 255}));
    for (int i = 0; i < 1'500'000; ++i)
        d.lineTo(double(i % 1000), double(i % 7));
    size_t commands = 0;
    for (const swf::ShapePath& path : d.geometry().paths)
        commands += path.path.size();
    EXPECT_LE(commands, model::Drawing::MaxCommands);
    EXPECT_GT(commands, model::Drawing::MaxCommands / 2);
    d.moveTo(NAN, INFINITY);  // not finite: taken as 0
    d.clear();
    EXPECT_TRUE(d.empty());
}

TEST(Drawing, CachedLayersAreBlittedWhileOnlyTheirPositionChanges) {
    MovieBuilder b;
    b.frame({});
    auto stage = model::Stage::create(b.build());
    ASSERT_NE(stage, nullptr);
    auto clip = stage->root().createEmptyClip(16385, "c");
    ASSERT_NE(clip, nullptr);
    auto paint = [&](swf::Rgba c) {
        clip->drawing().clear();
        clip->drawing().beginFill(solidFill(c));
        rect(clip->drawing(), 10, 10, 20, 20);
    };
    paint({255, 0, 0, 255});
    swf::Filter shadow;
    shadow.kind = swf::FilterKind::DropShadow;
    shadow.color = {0, 0, 255, 255};
    shadow.distance = 30;
    shadow.strength = 1;
    shadow.compositeSource = true;
    render::Renderer kept;
    auto renderWith = [&](render::Renderer& r) {
        PixelBuffer buffer(100, 100);
        EXPECT_EQ(r.draw(*stage, buffer.target({{0, 0, 100, 100}}, {0, 0, 100, 100}), render::Aspect::Opaque,
                         render::Quality::High),
                  render::DrawError::None);
        return buffer;
    };
    auto same = [&](const PixelBuffer& a) {
        render::Renderer fresh;
        const PixelBuffer b = renderWith(fresh);
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 100; ++x)
                if (a.at(x, y) != b.at(x, y))
                    return testing::AssertionFailure()
                           << x << "," << y << " " << hex(a.at(x, y)) << " != " << hex(b.at(x, y));
        return testing::AssertionSuccess();
    };
    struct Step {
        const char* name;
        std::function<void()> change;
        bool hit;
        Probe probe;
    };
    const Step steps[] = {
        {"with filters: first drawn", [&] { clip->setOwnFilters({shadow}); }, false, {20, 20, Red}},
        {"moved by whole pixels: blitted", [&] { clip->setX(20); }, true, {35, 20, Red}},
        {"moved again", [&] { clip->setY(-5); }, true, {70, 15, Blue}},
        {"content changed: drawn again",
         [&] {
             paint({0, 255, 0, 255});
         },
         false,
         {35, 20, Green}},
        {"scaled: drawn again", [&] { clip->setXScale(50); }, false, {25, 10, Green}},
        {"cacheAsBitmap without filters",
         [&] {
             clip->setOwnFilters({});
             clip->setCacheAsBitmap(true);
         },
         false,
         {25, 10, Green}},
        {"cacheAsBitmap moved: blitted", [&] { clip->setX(0); }, true, {10, 10, Green}},
    };
    uint64_t hits = kept.layerHits();
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.change();
        const PixelBuffer p = renderWith(kept);
        EXPECT_EQ(kept.layerHits() > hits, step.hit);
        hits = kept.layerHits();
        EXPECT_EQ(p.at(step.probe.x, step.probe.y), step.probe.expected) << hex(p.at(step.probe.x, step.probe.y));
        EXPECT_TRUE(same(p));
    }
}
