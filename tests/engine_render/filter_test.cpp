// Filters on a 64x64 picture holding an opaque red square at (24..40, 24..40):
// expected pixels follow from the square, the box sizes and the offsets.
#include "model/drawing.h"
#include "render/box_blur.h"
#include "render/filter_effects.h"
#include "render_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

using namespace rendertest;
using render::FilterReach;
using render::PixelImage;
using swf::Filter;
using swf::FilterKind;

namespace {

constexpr int kSize = 64;
constexpr uint32_t RedPixel = argb(255, 255, 0, 0);
constexpr uint32_t BluePixel = argb(255, 0, 0, 255);
constexpr uint32_t WhitePixel = argb(255, 255, 255, 255);
constexpr uint32_t BlackPixel = argb(255, 0, 0, 0);
constexpr uint32_t Clear = 0;

PixelImage redSquare() {
    PixelImage image(kSize, kSize);
    for (int y = 24; y < 40; ++y)
        for (int x = 24; x < 40; ++x)
            image.at(x, y) = RedPixel;
    return image;
}

Filter filterOf(FilterKind kind, double blur = 0.0, double distance = 0.0, double angle = 0.0) {
    Filter f;
    f.kind = kind;
    f.blurX = f.blurY = blur;
    f.distance = distance;
    f.angle = angle;
    f.strength = 1.0;
    f.compositeSource = true;
    f.color = {0, 0, 255, 255};
    f.highlightColor = {255, 255, 255, 255};
    return f;
}

struct Probe {
    int x;
    int y;
    uint32_t expected;
};

struct FilterCase {
    const char* name;
    Filter filter;
    std::vector<Probe> probes;
};

void checkCases(const std::vector<FilterCase>& cases, render::FilterScale scale = {}) {
    for (const FilterCase& c : cases) {
        PixelImage image = redSquare();
        render::applyFilter(c.filter, image.view(), scale);
        for (const Probe& p : c.probes)
            EXPECT_EQ(image.at(p.x, p.y), p.expected)
                << c.name << " at (" << p.x << ", " << p.y << "): " << hex(image.at(p.x, p.y));
    }
}

Filter with(Filter f, void (*change)(Filter&)) {
    change(f);
    return f;
}

}  // namespace

TEST(BoxBlurFilter, StepEdgesSpreadByTheBoxAndPasses) {
    struct Case {
        double blurX, blurY;
        int passes;
        int reachX, reachY;
    };
    // A blur of b is a box of 2 * floor(b / 2) + 1 pixels.
    const Case cases[] = {{8, 8, 1, 4, 4}, {8, 8, 3, 12, 12}, {5, 0, 2, 4, 0},
                          {1, 1, 1, 0, 0}, {0, 6, 1, 0, 3},   {9, 3, 1, 4, 1}};
    for (const Case& c : cases) {
        Filter f = filterOf(FilterKind::Blur, 0.0);
        f.blurX = c.blurX;
        f.blurY = c.blurY;
        f.passes = uint8_t(c.passes);
        PixelImage image = redSquare();
        render::applyFilter(f, image.view());
        const FilterReach reach = render::filterReach(f);
        EXPECT_EQ(reach, (FilterReach{c.reachX, c.reachY, c.reachX, c.reachY})) << c.blurX << "x" << c.blurY;
        // Nothing past the reach; one pass reaches it exactly (more passes
        // leave less than a unit at their outermost pixel).
        EXPECT_EQ(image.at(23 - c.reachX, 32), Clear) << c.blurX;
        EXPECT_EQ(image.at(40 + c.reachX, 32), Clear) << c.blurX;
        EXPECT_EQ(image.at(32, 23 - c.reachY), Clear) << c.blurY;
        EXPECT_EQ(image.at(32, 40 + c.reachY), Clear) << c.blurY;
        if (c.passes == 1) {
            EXPECT_NE(image.at(24 - c.reachX, 32), Clear) << c.blurX;
            EXPECT_NE(image.at(39 + c.reachX, 32), Clear) << c.blurX;
            EXPECT_NE(image.at(32, 24 - c.reachY), Clear) << c.blurY;
        }
        if (c.reachX < 8 && c.reachY < 8) {
            EXPECT_EQ(image.at(32, 32), RedPixel) << "a flat inside keeps its value";
        }
    }
}

TEST(BoxBlurFilter, OnePassIsTheMeanOfTheBox) {
    // Box of 5 across a vertical edge: 3/5 and 2/5 of the square.
    Filter f = filterOf(FilterKind::Blur, 4.0);
    PixelImage image = redSquare();
    render::applyFilter(f, image.view());
    EXPECT_EQ(image.at(24, 32), argb(153, 153, 0, 0)) << hex(image.at(24, 32));
    EXPECT_EQ(image.at(23, 32), argb(102, 102, 0, 0)) << hex(image.at(23, 32));
    // A corner: 3/5 down times 3/5 across.
    EXPECT_EQ(image.at(24, 24), argb(92, 92, 0, 0)) << hex(image.at(24, 24));
}

TEST(BoxBlurFilter, EveryRowTheSameWhateverItsPlace) {
    // Rows are blurred in pairs; an odd last row goes alone. Identical rows
    // stay identical, in any buffer width and for wide boxes too.
    for (double blur : {6.0, 200.0})
        for (int height : {1, 2, 5}) {
            PixelImage image(37, height);
            for (int y = 0; y < height; ++y)
                for (int x = 10; x < 20; ++x)
                    image.at(x, y) = argb(200, 10 * (x - 9), 0, 100);
            Filter f = filterOf(FilterKind::Blur);
            f.blurX = blur;
            f.passes = 2;
            render::applyFilter(f, image.view());
            EXPECT_NE(image.at(9, 0), Clear);
            for (int y = 1; y < height; ++y)
                for (int x = 0; x < 37; ++x)
                    ASSERT_EQ(image.at(x, y), image.at(x, 0)) << blur << ": " << x << "," << y;
        }
}

TEST(BoxBlurFilter, SizesAreStagePixelsScaledToTheDevice) {
    Filter f = filterOf(FilterKind::Blur, 4.0);
    EXPECT_EQ(render::filterReach(f, {2.0, 0.5}), (FilterReach{4, 1, 4, 1}));
}

TEST(DropShadowFilter, OffsetInnerKnockoutAndHiddenObject) {
    // No blur: the shadow is the square moved 4 px along the angle.
    const Filter outer = filterOf(FilterKind::DropShadow, 0.0, 4.0);
    checkCases({
        {"outer", outer, {{42, 32, BluePixel}, {36, 32, RedPixel}, {20, 32, Clear}, {44, 32, Clear}}},
        {"knockout",
         with(outer, [](Filter& f) { f.knockout = true; }),
         {{42, 32, BluePixel}, {36, 32, Clear}, {26, 32, Clear}}},
        {"hidden object",
         with(outer, [](Filter& f) { f.compositeSource = false; }),
         {{36, 32, BluePixel}, {42, 32, BluePixel}, {26, 32, Clear}}},
        {"inner",
         with(outer, [](Filter& f) { f.inner = true; }),
         {{25, 32, BluePixel}, {30, 32, RedPixel}, {42, 32, Clear}}},
        {"inner knockout",
         with(outer, [](Filter& f) { f.inner = f.knockout = true; }),
         {{25, 32, BluePixel}, {30, 32, Clear}}},
        {"down",
         filterOf(FilterKind::DropShadow, 0.0, 4.0, std::numbers::pi / 2),
         {{32, 42, BluePixel}, {42, 32, Clear}}},
        {"half strength", with(outer, [](Filter& f) { f.strength = 0.5; }), {{42, 32, argb(128, 0, 0, 128)}}},
        {"translucent colour", with(outer, [](Filter& f) { f.color.a = 51; }), {{42, 32, argb(51, 0, 0, 51)}}},
    });
    // Distances are stage pixels too.
    checkCases({{"scaled", outer, {{46, 32, BluePixel}, {48, 32, Clear}}}}, {2.0, 2.0});
    EXPECT_EQ(render::filterReach(outer), (FilterReach{0, 0, 4, 0}));
    EXPECT_EQ(render::filterReach(with(outer, [](Filter& f) { f.inner = true; })), FilterReach{});
}

TEST(GlowFilter, SpreadsByTheBlurInsideOrOut) {
    // Box of 5: one and two pixels out of the square the glow has 2/5 and
    // 1/5 of full alpha.
    const Filter glow = filterOf(FilterKind::Glow, 4.0);
    checkCases({
        {"outer",
         glow,
         {{23, 32, argb(102, 0, 0, 102)}, {22, 32, argb(51, 0, 0, 51)}, {21, 32, Clear}, {32, 32, RedPixel}}},
        {"strength 2", with(glow, [](Filter& f) { f.strength = 2.0; }), {{23, 32, argb(204, 0, 0, 204)}}},
        {"inner",
         with(glow, [](Filter& f) { f.inner = true; }),
         {{24, 32, argb(255, 153, 0, 102)}, {32, 32, RedPixel}, {22, 32, Clear}}},
        {"knockout",
         with(glow, [](Filter& f) { f.knockout = true; }),
         {{23, 32, argb(102, 0, 0, 102)}, {32, 32, Clear}}},
        {"glow ignores distance", with(glow, [](Filter& f) { f.distance = 10; }), {{23, 32, argb(102, 0, 0, 102)}}},
    });
    EXPECT_EQ(render::filterReach(glow), (FilterReach{2, 2, 2, 2}));
}

TEST(BevelFilter, HighlightFacesTheLightShadowTheOtherWay) {
    // Distance 4, angle 0: the copies are 2 px either way, so 2 px bands.
    const Filter bevel = with(filterOf(FilterKind::Bevel, 0.0, 4.0), [](Filter& f) { f.color = {0, 0, 0, 255}; });
    const Filter inner = with(bevel, [](Filter& f) { f.inner = true; });
    checkCases({
        {"inner", inner, {{25, 32, WhitePixel}, {38, 32, BlackPixel}, {32, 32, RedPixel}, {22, 32, Clear}}},
        {"outer", bevel, {{22, 32, WhitePixel}, {41, 32, BlackPixel}, {25, 32, RedPixel}, {32, 20, Clear}}},
        {"full",
         with(bevel, [](Filter& f) { f.onTop = true; }),
         {{22, 32, WhitePixel}, {25, 32, WhitePixel}, {38, 32, BlackPixel}, {32, 32, RedPixel}}},
        {"inner knockout", with(inner, [](Filter& f) { f.knockout = true; }), {{25, 32, WhitePixel}, {32, 32, Clear}}},
    });
    EXPECT_EQ(render::filterReach(bevel), (FilterReach{2, 0, 2, 0}));
}

TEST(GradientFilters, ColourComesFromTheRampByAlpha) {
    Filter glow = filterOf(FilterKind::GradientGlow, 4.0);
    glow.gradientColors = {{0, 255, 0, 0}, {0, 255, 0, 255}};
    glow.gradientRatios = {0, 255};
    Filter filled = glow;
    filled.gradientColors.front() = {255, 255, 0, 255};
    Filter bevel = filterOf(FilterKind::GradientBevel, 0.0, 4.0);
    bevel.inner = true;
    bevel.gradientColors = {{255, 255, 255, 255}, {0, 0, 0, 0}, {0, 0, 0, 255}};
    bevel.gradientRatios = {0, 128, 255};
    checkCases({
        {"glow", glow, {{23, 32, argb(102, 0, 102, 0)}, {5, 5, Clear}, {32, 32, RedPixel}}},
        {"opaque at zero fills the area", filled, {{5, 5, argb(255, 255, 255, 0)}}},
        {"bevel", bevel, {{25, 32, WhitePixel}, {38, 32, BlackPixel}, {32, 32, RedPixel}}},
    });
}

TEST(ConvolutionFilter, MatrixDivisorBiasAndEdges) {
    Filter left = filterOf(FilterKind::Convolution);  // each pixel takes its left neighbour
    left.matrixX = 3;
    left.matrixY = 1;
    left.matrix = {1, 0, 0};
    Filter half = left;
    half.matrix = {0, 1, 0};
    half.divisor = 2;
    checkCases({
        {"moves right", left, {{24, 32, Clear}, {40, 32, RedPixel}}},
        {"halves everything", half, {{32, 32, argb(128, 64, 0, 0)}}},
        {"preserving alpha", with(half, [](Filter& f) { f.preserveAlpha = true; }), {{32, 32, argb(255, 128, 0, 0)}}},
        {"bias", with(half, [](Filter& f) { f.bias = 127; }), {{32, 32, argb(255, 255, 127, 127)}}},
    });
    // Off the picture: the edge pixel when clamping, the default colour otherwise.
    PixelImage red(4, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            red.at(x, y) = RedPixel;
    PixelImage copy = red;
    left.clamp = true;
    render::applyFilter(left, red.view());
    EXPECT_EQ(red.at(0, 1), RedPixel);
    left.clamp = false;
    render::applyFilter(left, copy.view());
    EXPECT_EQ(copy.at(0, 1), BluePixel);
}

TEST(ColorMatrixFilter, StraightColourTimesTheMatrixPlusOffsets) {
    Filter swap = filterOf(FilterKind::ColorMatrix);
    swap.matrix = {0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0};
    Filter fade = swap;
    fade.matrix = {1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 1, -128};
    Filter nan = swap;
    nan.matrix[10] = std::numeric_limits<float>::quiet_NaN();  // blue from red
    checkCases({
        {"red becomes blue", swap, {{32, 32, BluePixel}, {5, 5, Clear}}},
        {"alpha offset in colour units", fade, {{32, 32, argb(127, 127, 0, 0)}}},
        {"NaN counts as zero", nan, {{32, 32, BlackPixel}}},
    });
}

TEST(HostileFilters, ClampedOrIgnoredNeverUnbounded) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<Filter> hostile;
    for (double blur : {-5.0, nan, inf, 1e12})
        for (FilterKind kind :
             {FilterKind::Blur, FilterKind::DropShadow, FilterKind::Bevel, FilterKind::GradientGlow}) {
            Filter f = filterOf(kind, blur, blur, blur);
            f.strength = blur;
            f.passes = 31;
            hostile.push_back(f);
        }
    Filter conv = filterOf(FilterKind::Convolution);
    conv.matrixX = conv.matrixY = 255;
    conv.matrix.assign(9, 1.0f);  // far fewer entries than the size says
    conv.divisor = 0;
    hostile.push_back(conv);
    Filter shortMatrix = filterOf(FilterKind::ColorMatrix);
    shortMatrix.matrix = {1, 2, 3};
    hostile.push_back(shortMatrix);
    for (const Filter& f : hostile) {
        const FilterReach reach = render::filterReach(f, {1e9, nan});
        EXPECT_LE(std::max({reach.left, reach.top, reach.right, reach.bottom}), FilterReach::kMax);
        PixelImage image = redSquare();
        render::applyFilter(f, image.view(), {nan, -1.0});
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                const uint32_t p = image.at(x, y);
                ASSERT_LE(std::max({redOf(p), greenOf(p), blueOf(p)}), alphaOf(p)) << "not premultiplied";
            }
    }
    // Wrong-sized matrices leave the picture alone.
    PixelImage image = redSquare();
    render::applyFilters(std::vector<Filter>{conv, shortMatrix}, image.view());
    EXPECT_EQ(image.at(32, 32), RedPixel);
    EXPECT_EQ(image.at(5, 5), Clear);
}

TEST(HostileFilters, PassesOutsideOneToFifteenAreHeldThere) {
    auto blurred = [](int passes) {
        Filter f = filterOf(FilterKind::Blur, 4.0);
        f.passes = uint8_t(passes);
        PixelImage image = redSquare();
        render::applyFilter(f, image.view());
        return std::vector<uint32_t>{image.at(20, 32), image.at(5, 32), image.at(24, 24)};
    };
    EXPECT_EQ(blurred(0), blurred(1));
    EXPECT_EQ(blurred(31), blurred(15));
    EXPECT_EQ(render::BoxBlur::from(1e9, -1, 99).reachX(), 127 * 15);
}

TEST(HostileFilters, LongListsApplyTheirFirstSixteen) {
    std::vector<Filter> many(40, filterOf(FilterKind::Blur, 2.0));
    EXPECT_EQ(render::filterReach(many), (FilterReach{16, 16, 16, 16}));
}

namespace {

// A script bitmap standing in for a displacement map: one colour
// everywhere, or gone (disposed).
class MapPixels final : public model::FillBitmap {
public:
    MapPixels(int32_t width, int32_t height, uint32_t pixel, bool gone = false)
        : m_width(width), m_height(height), m_pixels(size_t(width) * size_t(height), pixel), m_gone(gone) {}
    [[nodiscard]] const uint32_t* pixels() const override { return m_gone ? nullptr : m_pixels.data(); }
    [[nodiscard]] int32_t width() const override { return m_width; }
    [[nodiscard]] int32_t height() const override { return m_height; }
    [[nodiscard]] uint64_t version() const override { return 0; }

private:
    int32_t m_width;
    int32_t m_height;
    std::vector<uint32_t> m_pixels;
    bool m_gone;
};

// Every pixel of the picture names its place: red 4x, green 4y.
constexpr uint32_t placeColour(int x, int y) { return argb(255, uint32_t(x * 4), uint32_t(y * 4), 0); }

}  // namespace

TEST(DisplacementMapFilter, MovesByTheChannelAndScaleWhereTheMapLies) {
    using Mode = swf::DisplacementMode;
    constexpr uint32_t Magenta = argb(255, 255, 0, 255);
    struct Case {
        const char* name;
        uint32_t mapPixel;  // premultiplied
        int32_t mapWidth, mapHeight;
        double mapX, mapY;
        uint8_t componentX, componentY;
        double scaleX, scaleY;
        Mode mode;
        render::FilterScale scale;
        std::vector<Probe> probes;
    };
    // Red 192: (192 - 128) * 16 / 256 = +4 across; green 0: -128 * 8 / 256 = -4 down.
    const uint32_t right4 = argb(255, 192, 128, 0);
    const uint32_t left2 = argb(255, 0, 128, 128);
    const std::vector<Case> cases = {
        {"red moves across, only inside the map",
         right4,
         32,
         64,
         0,
         0,
         1,
         2,
         16,
         16,
         Mode::Wrap,
         {},
         {{10, 5, placeColour(14, 5)}, {31, 9, placeColour(35, 9)}, {32, 9, placeColour(32, 9)}}},
        {"green 0 moves up, channels picked apart",
         argb(255, 192, 0, 128),
         64,
         64,
         0,
         0,
         4,
         2,
         16,
         8,
         Mode::Wrap,
         {},
         {{10, 10, placeColour(10, 6)}, {50, 60, placeColour(50, 56)}}},
        {"map point moves the map",
         right4,
         8,
         8,
         20,
         30,
         1,
         2,
         16,
         16,
         Mode::Wrap,
         {},
         {{20, 30, placeColour(24, 30)},
          {27, 37, placeColour(31, 37)},
          {19, 30, placeColour(19, 30)},
          {28, 30, placeColour(28, 30)}}},
        {"alpha 255 is 127 above the middle",
         argb(255, 0, 0, 0),
         64,
         64,
         0,
         0,
         8,
         0,
         256,
         0,
         Mode::Wrap,
         {},
         {{0, 3, placeColour(127 % 64, 3)}}},
        {"wrap",
         left2,
         64,
         64,
         0,
         0,
         1,
         2,
         4,
         0,
         Mode::Wrap,
         {},
         {{1, 7, placeColour(63, 7)}, {3, 7, placeColour(1, 7)}}},
        {"clamp",
         left2,
         64,
         64,
         0,
         0,
         1,
         2,
         4,
         0,
         Mode::Clamp,
         {},
         {{1, 7, placeColour(0, 7)}, {3, 7, placeColour(1, 7)}}},
        {"ignore",
         left2,
         64,
         64,
         0,
         0,
         1,
         2,
         4,
         0,
         Mode::Ignore,
         {},
         {{1, 7, placeColour(1, 7)}, {3, 7, placeColour(1, 7)}}},
        {"color", left2, 64, 64, 0, 0, 1, 2, 4, 0, Mode::Color, {}, {{1, 7, Magenta}, {3, 7, placeColour(1, 7)}}},
        {"device scale: map pixels and shifts grow, from the origin",
         right4,
         8,
         8,
         0,
         0,
         1,
         2,
         16,
         16,
         Mode::Wrap,
         {2.0, 2.0, 10.0, 10.0},
         {{10, 10, placeColour(18, 10)},
          {25, 25, placeColour(33, 25)},
          {26, 10, placeColour(26, 10)},
          {9, 10, placeColour(9, 10)}}},
        {"wrap within the object's box",
         left2,
         64,
         64,
         0,
         0,
         1,
         2,
         4,
         0,
         Mode::Wrap,
         {1, 1, 0, 0, 0, 0, 8, 64},
         {{1, 7, placeColour(7, 7)}}},
        {"clamp to the object's box",
         right4,
         64,
         64,
         0,
         0,
         1,
         2,
         16,
         0,
         Mode::Clamp,
         {1, 1, 0, 0, 0, 0, 8, 64},
         {{6, 7, placeColour(7, 7)}, {2, 7, placeColour(6, 7)}}},
        {"huge scale, ignored: nothing moves",
         right4,
         64,
         64,
         0,
         0,
         1,
         2,
         1e300,
         -1e300,
         Mode::Ignore,
         {},
         {{5, 5, placeColour(5, 5)}}},
        {"NaN scale and unknown channel: nothing moves",
         right4,
         64,
         64,
         0,
         0,
         3,
         2,
         std::numeric_limits<double>::quiet_NaN(),
         16,
         Mode::Wrap,
         {},
         {{5, 5, placeColour(5, 5)}}},
    };
    for (const Case& c : cases) {
        PixelImage image(kSize, kSize);
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x)
                image.at(x, y) = placeColour(x, y);
        Filter f;
        f.kind = FilterKind::DisplacementMap;
        f.map = std::make_shared<MapPixels>(c.mapWidth, c.mapHeight, c.mapPixel);
        f.mapX = c.mapX;
        f.mapY = c.mapY;
        f.componentX = c.componentX;
        f.componentY = c.componentY;
        f.scaleX = c.scaleX;
        f.scaleY = c.scaleY;
        f.mode = c.mode;
        f.color = {255, 0, 255, 255};
        render::applyFilter(f, image.view(), c.scale);
        for (const Probe& p : c.probes)
            EXPECT_EQ(image.at(p.x, p.y), p.expected)
                << c.name << " at (" << p.x << ", " << p.y << "): " << hex(image.at(p.x, p.y));
    }
}

TEST(DisplacementMapFilter, NoMapOrAGoneOneLeavesThePicture) {
    for (bool gone : {false, true}) {
        PixelImage image = redSquare();
        Filter f;
        f.kind = FilterKind::DisplacementMap;
        if (gone)
            f.map = std::make_shared<MapPixels>(64, 64, argb(255, 255, 255, 255), true);
        f.componentX = f.componentY = 1;
        f.scaleX = f.scaleY = 100;
        f.mode = swf::DisplacementMode::Color;
        render::applyFilter(f, image.view());
        EXPECT_EQ(image.at(24, 24), RedPixel) << gone;
        EXPECT_EQ(image.at(23, 23), Clear) << gone;
        EXPECT_TRUE(render::filterReach(f).isZero());
    }
}
