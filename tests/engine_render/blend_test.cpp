// Blend modes as pixel operations, one row per mode with values worked out
// by hand; the modes cairo also has are checked against cairo.
#include "render/blend_pixels.h"
#include "render_fixture.h"

#include <cairo.h>
#include <gtest/gtest.h>

using namespace rendertest;
using swf::BlendMode;

namespace {

constexpr uint32_t kWarm = argb(255, 200, 100, 50);
constexpr uint32_t kCool = argb(255, 100, 200, 250);
constexpr uint32_t kDim = argb(255, 100, 50, 10);
constexpr uint32_t kHalfRed = argb(128, 128, 0, 0);
constexpr uint32_t kHalfAlpha = argb(128, 0, 0, 0);

struct BlendCase {
    BlendMode mode;
    uint32_t source;
    uint32_t destination;
    uint32_t expected;
};

}  // namespace

TEST(BlendPixels, EachModeOnKnownColours) {
    const BlendCase cases[] = {
        {BlendMode::Normal, kHalfRed, argb(255, 0, 0, 255), argb(255, 128, 0, 127)},
        {BlendMode::Layer, kHalfRed, argb(255, 0, 0, 255), argb(255, 128, 0, 127)},
        {BlendMode::Multiply, kWarm, kCool, argb(255, 78, 78, 49)},
        {BlendMode::Multiply, kWarm, 0, kWarm},  // nothing behind: the object as it is
        {BlendMode::Screen, kWarm, kCool, argb(255, 222, 222, 251)},
        {BlendMode::Lighten, kWarm, kCool, argb(255, 200, 200, 250)},
        {BlendMode::Darken, kWarm, kCool, argb(255, 100, 100, 50)},
        {BlendMode::Difference, kWarm, kCool, argb(255, 100, 100, 200)},
        {BlendMode::Add, kDim, kCool, argb(255, 200, 250, 255)},
        {BlendMode::Subtract, kDim, kCool, argb(255, 0, 150, 240)},
        {BlendMode::Subtract, kWarm, kCool, argb(255, 0, 100, 200)},
        {BlendMode::Invert, kWarm, kCool, argb(255, 155, 55, 5)},
        {BlendMode::Invert, kHalfAlpha, kCool, argb(255, 128, 128, 128)},
        {BlendMode::Invert, kWarm, 0, 0},  // nothing behind to invert
        {BlendMode::Alpha, kHalfAlpha, kCool, argb(128, 50, 100, 125)},
        {BlendMode::Erase, kHalfAlpha, kCool, argb(127, 50, 100, 125)},
        {BlendMode::Overlay, kWarm, kCool, argb(255, 157, 188, 247)},
        {BlendMode::HardLight, kWarm, kCool, argb(255, 188, 157, 98)},
    };
    for (const BlendCase& c : cases)
        EXPECT_EQ(render::blendPixel(c.mode, c.source, c.destination), c.expected)
            << int(c.mode) << ": " << hex(render::blendPixel(c.mode, c.source, c.destination));
}

TEST(BlendPixels, SeparableModesAgreeWithCairo) {
    // Translucent and opaque pairs; cairo rounds differently, so within 1.
    const uint32_t colours[] = {kWarm, kCool, kHalfRed, argb(200, 10, 150, 90), argb(60, 60, 0, 30), 0};
    const std::pair<BlendMode, cairo_operator_t> modes[] = {
        {BlendMode::Multiply, CAIRO_OPERATOR_MULTIPLY},     {BlendMode::Screen, CAIRO_OPERATOR_SCREEN},
        {BlendMode::Lighten, CAIRO_OPERATOR_LIGHTEN},       {BlendMode::Darken, CAIRO_OPERATOR_DARKEN},
        {BlendMode::Difference, CAIRO_OPERATOR_DIFFERENCE}, {BlendMode::Overlay, CAIRO_OPERATOR_OVERLAY},
        {BlendMode::HardLight, CAIRO_OPERATOR_HARD_LIGHT},  {BlendMode::Alpha, CAIRO_OPERATOR_DEST_IN},
        {BlendMode::Erase, CAIRO_OPERATOR_DEST_OUT},
    };
    for (const auto& [mode, op] : modes)
        for (uint32_t s : colours)
            for (uint32_t d : colours) {
                uint32_t src = s;
                uint32_t dst = d;
                cairo_surface_t* from = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(&src),
                                                                            CAIRO_FORMAT_ARGB32, 1, 1, 4);
                cairo_surface_t* to = cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(&dst),
                                                                          CAIRO_FORMAT_ARGB32, 1, 1, 4);
                cairo_t* cr = cairo_create(to);
                cairo_set_source_surface(cr, from, 0, 0);
                cairo_set_operator(cr, op);
                cairo_paint(cr);
                cairo_destroy(cr);
                cairo_surface_destroy(to);
                cairo_surface_destroy(from);
                const uint32_t ours = render::blendPixel(mode, s, d);
                for (int shift = 0; shift < 32; shift += 8)
                    EXPECT_NEAR(int((ours >> shift) & 0xFF), int((dst >> shift) & 0xFF), 1)
                        << int(mode) << " " << hex(s) << " on " << hex(d) << ": ours " << hex(ours) << " cairo "
                        << hex(dst);
            }
}

TEST(BlendPixels, ViewsComposeTheirOverlap) {
    render::PixelImage source(3, 2);
    render::PixelImage destination(2, 3);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            source.at(x, y) = kDim;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
            destination.at(x, y) = kCool;
    render::blendPixels(BlendMode::Subtract, source.view(), destination.view());
    EXPECT_EQ(destination.at(1, 1), argb(255, 0, 150, 240));
    EXPECT_EQ(destination.at(1, 2), kCool) << "outside the source";
}
