// The frame's surface: clip, row order, stage mapping, aspects.
#include "render_fixture.h"

#include <gtest/gtest.h>

using namespace rendertest;
using render::Aspect;
using render::PixelRect;
using render::RowOrder;

namespace {

constexpr swf::Rgba kRed{255, 0, 0, 255};
constexpr swf::Rgba kBackground{0, 0, 255, 255};  // blue
constexpr uint32_t RedPixel = argb(255, 255, 0, 0);
constexpr uint32_t BackgroundPixel = argb(255, 0, 0, 255);

// A 100x100 pixel stage (2000 twips) with a red square from pixel 10 to 30.
std::shared_ptr<const swf::Movie> squareMovie() {
    return MovieBuilder({0, 2000, 0, 2000}, kBackground).add(1, rectShape({200, 600, 200, 600}, solid(kRed))).build();
}

}  // namespace

TEST(Canvas, ClipRectanglesAreRespectedExactly) {
    for (Aspect aspect : {Aspect::Opaque, Aspect::Transparent}) {
        SCOPED_TRACE(aspect == Aspect::Opaque ? "opaque" : "transparent");
        PixelBuffer buffer(100, 100);
        // Two overlapping rectangles and one reaching outside the surface.
        const std::vector<PixelRect> clip = {{5, 5, 20, 20}, {15, 15, 25, 25}, {90, 90, 130, 130}};
        ASSERT_EQ(drawCharacters(squareMovie(), buffer.target(clip, {0, 0, 100, 100}), {{1}}, aspect),
                  render::DrawError::None);
        auto inside = [&](int x, int y) {
            for (const PixelRect& r : clip) {
                if (x >= r.left && x < r.right && y >= r.top && y < r.bottom)
                    return true;
            }
            return false;
        };
        for (int y = 0; y < 100; ++y) {
            for (int x = 0; x < 100; ++x) {
                const uint32_t p = buffer.at(x, y);
                uint32_t expected = Sentinel;
                if (inside(x, y) && x >= 10 && x < 30 && y >= 10 && y < 30)
                    expected = RedPixel;
                else if (inside(x, y) && aspect == Aspect::Opaque)
                    expected = BackgroundPixel;
                ASSERT_EQ(p, expected) << "at " << x << "," << y << ": expected " << hex(expected) << ", got "
                                       << hex(p);
            }
        }
    }
}

TEST(Canvas, NothingOutsideTheDrawingBoundsOrTheRowChanges) {
    // Stride with padding: the bytes past each row must stay as they were.
    PixelBuffer buffer(40, 40, RowOrder::TopDown, 3);
    const auto movie =
        MovieBuilder({0, 800, 0, 800}, kBackground).add(1, rectShape({-400, 1200, -400, 1200}, solid(kRed))).build();
    ASSERT_EQ(drawCharacters(movie, buffer.target({{0, 0, 40, 40}}, {10, 10, 30, 30}), {{1}}), render::DrawError::None);
    EXPECT_TRUE(buffer.padIntact());
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            const bool inBounds = x >= 10 && x < 30 && y >= 10 && y < 30;
            ASSERT_EQ(buffer.at(x, y), inBounds ? RedPixel : Sentinel) << "at " << x << "," << y;
        }
    }
}

TEST(Canvas, EmptyClipDrawsNothingAndBadTargetsAreRefused) {
    PixelBuffer buffer(20, 20);
    ASSERT_EQ(drawCharacters(squareMovie(), buffer.target({}, {0, 0, 20, 20}), {{1}}), render::DrawError::None);
    ASSERT_EQ(drawCharacters(squareMovie(), buffer.target({{30, 30, 40, 40}, {5, 5, 5, 9}}, {0, 0, 20, 20}), {{1}}),
              render::DrawError::None);
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(buffer.at(x, y), Sentinel);
    }

    render::Target t = buffer.target();
    t.stride = 20 * 4 - 4;
    EXPECT_EQ(drawCharacters(squareMovie(), t, {{1}}), render::DrawError::InvalidTarget);
    t = buffer.target();
    t.pixels = nullptr;
    EXPECT_EQ(drawCharacters(squareMovie(), t, {{1}}), render::DrawError::InvalidTarget);
    t = buffer.target();
    t.height = 0;
    EXPECT_EQ(drawCharacters(squareMovie(), t, {{1}}), render::DrawError::InvalidTarget);
}

TEST(Canvas, BothRowOrdersShowThePictureTheRightWayUp) {
    for (RowOrder order : {RowOrder::TopDown, RowOrder::BottomUp}) {
        SCOPED_TRACE(order == RowOrder::TopDown ? "top-down" : "bottom-up");
        PixelBuffer buffer(100, 100, order);
        // The clip is in picture coordinates too: only the top half.
        ASSERT_EQ(drawCharacters(squareMovie(), buffer.target({{0, 0, 100, 50}}, {0, 0, 100, 100}), {{1}}),
                  render::DrawError::None);
        EXPECT_EQ(buffer.at(15, 15), RedPixel);
        EXPECT_EQ(buffer.at(50, 15), BackgroundPixel);
        EXPECT_EQ(buffer.at(15, 60), Sentinel);
        // Where the top row lives in memory.
        const int topRow = order == RowOrder::TopDown ? 0 : 99;
        EXPECT_EQ(buffer.memoryAt(15, order == RowOrder::TopDown ? 15 : 84), RedPixel);
        EXPECT_EQ(buffer.memoryAt(0, topRow), BackgroundPixel);
        EXPECT_EQ(buffer.memoryAt(0, 99 - topRow), Sentinel);
    }
}

TEST(Canvas, ShowAllScalesKeepingTheAspectAndCentres) {
    // A 4:1 stage (80x20 px of twips) shown in 100x100 bounds: scale 1.25,
    // 25 px high, centred vertically from 37.5 to 62.5.
    const auto wide =
        MovieBuilder({0, 1600, 0, 400}, kBackground).add(1, rectShape({0, 1600, 0, 400}, solid(kRed))).build();
    PixelBuffer buffer(100, 100);
    ASSERT_EQ(drawCharacters(wide, buffer.target(), {{1}}), render::DrawError::None);
    // The edge row is half covered.
    EXPECT_NEAR(redOf(buffer.at(50, 37)), 128, 1) << hex(buffer.at(50, 37));
    EXPECT_NEAR(blueOf(buffer.at(50, 37)), 127, 1) << hex(buffer.at(50, 37));
    EXPECT_EQ(buffer.at(0, 38), RedPixel);
    EXPECT_EQ(buffer.at(99, 61), RedPixel);
    EXPECT_EQ(buffer.at(50, 36), BackgroundPixel);
    EXPECT_EQ(buffer.at(50, 63), BackgroundPixel);
    EXPECT_EQ(buffer.at(50, 0), BackgroundPixel);

    // A tall stage in wide bounds with an offset: bounds (20,0)-(120,50), stage
    // 1:2 gives 25x50 px, from x = 57.5 to 82.5.
    const auto tall =
        MovieBuilder({0, 200, 0, 400}, kBackground).add(1, rectShape({0, 200, 0, 400}, solid(kRed))).build();
    PixelBuffer other(140, 50);
    ASSERT_EQ(drawCharacters(tall, other.target({{0, 0, 140, 50}}, {20, 0, 120, 50}), {{1}}), render::DrawError::None);
    EXPECT_EQ(other.at(56, 25), BackgroundPixel);
    EXPECT_EQ(other.at(58, 25), RedPixel);
    EXPECT_EQ(other.at(81, 49), RedPixel);
    EXPECT_EQ(other.at(83, 25), BackgroundPixel);
    EXPECT_EQ(other.at(19, 25), Sentinel);
    EXPECT_EQ(other.at(120, 25), Sentinel);

    const render::StageMapping m = render::showAll({0, 200, 0, 400}, {20, 0, 120, 50});
    const swf::Point p = m.toStage(57.5, 0.0);
    EXPECT_DOUBLE_EQ(p.x, 0.0);
    EXPECT_DOUBLE_EQ(p.y, 0.0);
}

TEST(Canvas, OpaqueAspectLeavesFullAlphaInTheClip) {
    const auto movie = MovieBuilder({0, 2000, 0, 2000}, kBackground)
                           .add(1, rectShape({200, 600, 200, 600}, solid({255, 0, 0, 128})))
                           .build();
    PixelBuffer buffer(100, 100);
    ASSERT_EQ(drawCharacters(movie, buffer.target(), {{1}}), render::DrawError::None);
    // Half red over blue: 128/255 of red, the rest blue.
    const uint32_t p = buffer.at(20, 20);
    EXPECT_EQ(alphaOf(p), 255u);
    EXPECT_NEAR(redOf(p), 128, 1);
    EXPECT_NEAR(blueOf(p), 127, 1);
    EXPECT_EQ(alphaOf(buffer.at(60, 60)), 255u);
}

TEST(Canvas, TransparentAspectLeavesUncoveredPixelsAndGivesTheHostItsAlpha) {
    // Half-transparent green square (alpha 128) from pixel 10 to 30.
    const auto movie = MovieBuilder({0, 2000, 0, 2000}, kBackground)
                           .add(1, rectShape({200, 600, 200, 600}, solid({0, 255, 0, 128})))
                           .build();
    // The host fills the region black, then white (fourth byte 0), draws each.
    PixelBuffer black(100, 100, RowOrder::TopDown, 0, 0x00000000);
    PixelBuffer white(100, 100, RowOrder::TopDown, 0, 0x00FFFFFF);
    ASSERT_EQ(drawCharacters(movie, black.target(), {{1}}, Aspect::Transparent), render::DrawError::None);
    ASSERT_EQ(drawCharacters(movie, white.target(), {{1}}, Aspect::Transparent), render::DrawError::None);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            const bool covered = x >= 10 && x < 30 && y >= 10 && y < 30;
            const uint32_t b = black.at(x, y);
            const uint32_t w = white.at(x, y);
            if (!covered) {
                ASSERT_EQ(b, 0x00000000u) << "at " << x << "," << y;
                ASSERT_EQ(w, 0x00FFFFFFu) << "at " << x << "," << y;
                continue;
            }
            const auto alpha = uint8_t(blueOf(b) - blueOf(w) - 1);
            ASSERT_NEAR(alpha, 128, 1) << "at " << x << "," << y;
            ASSERT_NEAR(greenOf(b), 128, 1);  // green composed over black
            ASSERT_NEAR(greenOf(w), 255, 1);
            ASSERT_NEAR(redOf(w), 127, 1);    // white shows through the rest
            ASSERT_NEAR(alphaOf(b), 128, 1);  // the fourth byte: the coverage composed over alpha 0
        }
    }
    // An opaque fill comes out 255, as the host expects of full coverage.
    const auto opaque = MovieBuilder().add(1, rectShape({200, 600, 200, 600}, solid(kRed))).build();
    PixelBuffer b2(40, 40, RowOrder::TopDown, 0, 0);
    PixelBuffer w2(40, 40, RowOrder::TopDown, 0, 0x00FFFFFF);
    ASSERT_EQ(drawCharacters(opaque, b2.target(), {{1}}, Aspect::Transparent), render::DrawError::None);
    ASSERT_EQ(drawCharacters(opaque, w2.target(), {{1}}, Aspect::Transparent), render::DrawError::None);
    EXPECT_EQ(uint8_t(blueOf(b2.at(8, 8)) - blueOf(w2.at(8, 8)) - 1), 255);
    EXPECT_EQ(b2.at(8, 8), RedPixel);
    EXPECT_EQ(b2.at(20, 20), 0u);
}

namespace {

// A 200 x 100 pixel stage in 400 x 100 pixel bounds, by mode and alignment.
TEST(StageMapping, ModesAndAlignment) {
    using model::ScaleMode;
    namespace align = model::align;
    const struct {
        ScaleMode mode;
        uint8_t align;
        double scaleX, scaleY, offsetX, offsetY;
    } cases[] = {
        {ScaleMode::ShowAll, 0, 0.05, 0.05, 100, 0},
        {ScaleMode::ShowAll, align::Left, 0.05, 0.05, 0, 0},
        {ScaleMode::ShowAll, align::Right | align::Bottom, 0.05, 0.05, 200, 0},
        {ScaleMode::ShowAll, align::Left | align::Right, 0.05, 0.05, 100, 0},  // both: centred
        {ScaleMode::NoBorder, 0, 0.1, 0.1, 0, -50},
        {ScaleMode::NoBorder, align::Top, 0.1, 0.1, 0, 0},
        {ScaleMode::NoBorder, align::Bottom, 0.1, 0.1, 0, -100},
        {ScaleMode::ExactFit, align::Right, 0.1, 0.05, 0, 0},
        {ScaleMode::NoScale, 0, 0.05, 0.05, 100, 0},
        {ScaleMode::NoScale, align::Right, 0.05, 0.05, 200, 0},
    };
    for (const auto& c : cases) {
        const auto m = render::mapStage({0, 4000, 0, 2000}, {0, 0, 400, 100}, {c.mode, c.align, 400, 100});
        const std::string label = std::to_string(int(c.mode)) + "/" + std::to_string(c.align);
        EXPECT_DOUBLE_EQ(m.scaleX, c.scaleX) << label;
        EXPECT_DOUBLE_EQ(m.scaleY, c.scaleY) << label;
        EXPECT_DOUBLE_EQ(m.offsetX, c.offsetX) << label;
        EXPECT_DOUBLE_EQ(m.offsetY, c.offsetY) << label;
        const swf::Point back = m.toStage(c.offsetX + 4000 * c.scaleX, c.offsetY + 2000 * c.scaleY);
        EXPECT_NEAR(back.x, 4000, 1e-9) << label;
        EXPECT_NEAR(back.y, 2000, 1e-9) << label;
    }
}

}  // namespace
