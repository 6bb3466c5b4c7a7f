// IViewObject::Draw into DIB sections selected into memory DCs. Every
// expected pixel is worked out from the geometry: a 200 x 100 pixel stage
// with a dark blue-grey background (10, 20, 30) and a red square from
// (20, 20) to (60, 60) pixels, shown whole and centred in the bounds.
#include "control_harness.h"

#include <gtest/gtest.h>

using namespace controltest;

namespace {

constexpr uint32_t kBackground = argb(255, 10, 20, 30);
constexpr LONG BackgroundColorRef = 0x001E140A;  // 0x00BBGGRR

std::string squareMovie(int32_t x = 400, int32_t y = 400, int32_t size = 800) {
    swfwriter::MovieWriter movie({.width = 200, .height = 100, .frameRate = 10});
    movie.background({10, 20, 30});
    const uint16_t square = movie.rectangle(0, 0, size, size, {255, 0, 0});
    movie.place(square, 1, {.matrix = swfwriter::Matrix::translate(x, y)});
    movie.showFrame();
    return saveMovie(movie, "square.swf");
}

class Drawing : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        control.activate(200, 100);
        ASSERT_EQ(loadMovie(control.flash.get(), squareMovie()), S_OK);
    }
    bool topDown() const { return GetParam(); }

    Control control;
};

INSTANTIATE_TEST_SUITE_P(RowOrders, Drawing, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "TopDown" : "BottomUp"; });

TEST_P(Drawing, OpaqueShowsTheSquareOverTheBackground) {
    DibSurface surface(200, 100, topDown());
    ASSERT_EQ(surface.draw(control.view.get(), DVASPECT_OPAQUE), S_OK);
    struct Probe {
        LONG x, y;
        uint32_t expected;
    };
    const Probe probes[] = {
        {20, 20, OpaqueRed},    {59, 59, OpaqueRed},    {40, 30, OpaqueRed},   {19, 30, kBackground},
        {60, 30, kBackground},  {40, 19, kBackground},  {40, 60, kBackground}, {0, 0, kBackground},
        {199, 99, kBackground}, {150, 50, kBackground},
    };
    for (const Probe& p : probes)
        EXPECT_EQ(hex(surface.at(p.x, p.y)), hex(p.expected)) << "at (" << p.x << ", " << p.y << ")";
}

// A wider surface: the stage keeps its aspect, scaled by 1 and centred, so
// it starts at x = 100 and the borders show the background.
TEST_P(Drawing, TheStageIsCentredKeepingItsAspect) {
    DibSurface surface(400, 100, topDown());
    ASSERT_EQ(surface.draw(control.view.get()), S_OK);
    EXPECT_EQ(hex(surface.at(120, 20)), hex(OpaqueRed));
    EXPECT_EQ(hex(surface.at(159, 59)), hex(OpaqueRed));
    EXPECT_EQ(hex(surface.at(119, 40)), hex(kBackground));
    EXPECT_EQ(hex(surface.at(30, 30)), hex(kBackground)) << "the left border";
    EXPECT_EQ(hex(surface.at(350, 50)), hex(kBackground)) << "the right border";
}

// Twice the size in both directions: the square spans 40..120.
TEST_P(Drawing, TheStageIsScaledIntoTheBounds) {
    DibSurface surface(400, 200, topDown());
    ASSERT_EQ(surface.draw(control.view.get()), S_OK);
    EXPECT_EQ(hex(surface.at(40, 40)), hex(OpaqueRed));
    EXPECT_EQ(hex(surface.at(119, 119)), hex(OpaqueRed));
    EXPECT_EQ(hex(surface.at(39, 80)), hex(kBackground));
    EXPECT_EQ(hex(surface.at(120, 80)), hex(kBackground));
}

// Bounds inside a larger bitmap: nothing outside them is touched.
TEST_P(Drawing, OnlyTheBoundsAreDrawn) {
    DibSurface surface(300, 120, topDown());
    ASSERT_EQ(surface.draw(control.view.get(), DVASPECT_OPAQUE, RECT{50, 10, 250, 110}), S_OK);
    EXPECT_EQ(hex(surface.at(70, 30)), hex(OpaqueRed));
    EXPECT_EQ(hex(surface.at(69, 30)), hex(kBackground));
    EXPECT_EQ(hex(surface.at(49, 50)), hex(Sentinel));
    EXPECT_EQ(hex(surface.at(250, 50)), hex(Sentinel));
    EXPECT_EQ(hex(surface.at(100, 9)), hex(Sentinel));
    EXPECT_EQ(hex(surface.at(100, 110)), hex(Sentinel));
}

// The clip region is two rectangles: one across the top of the square, one
// in the empty right half. Everything else keeps what it held.
TEST_P(Drawing, OnlyTheClipRegionIsTouched) {
    DibSurface surface(200, 100, topDown());
    surface.clip({RECT{0, 0, 200, 30}, RECT{150, 60, 180, 90}});
    ASSERT_EQ(surface.draw(control.view.get()), S_OK);
    EXPECT_EQ(hex(surface.at(30, 25)), hex(OpaqueRed)) << "square, inside the clip";
    EXPECT_EQ(hex(surface.at(30, 35)), hex(Sentinel)) << "square, outside the clip";
    EXPECT_EQ(hex(surface.at(100, 10)), hex(kBackground));
    EXPECT_EQ(hex(surface.at(160, 70)), hex(kBackground)) << "the second clip rectangle";
    EXPECT_EQ(hex(surface.at(140, 70)), hex(Sentinel));
    EXPECT_EQ(hex(surface.at(160, 95)), hex(Sentinel));
}

// The transparent aspect lays the movie over what is there: the square
// covers its pixels, every other pixel keeps all four bytes.
TEST_P(Drawing, TransparentLeavesUncoveredPixelsAsTheyWere) {
    DibSurface surface(200, 100, topDown());
    ASSERT_EQ(surface.draw(control.view.get(), DVASPECT_TRANSPARENT), S_OK);
    EXPECT_EQ(hex(surface.at(30, 30)), hex(OpaqueRed));
    EXPECT_EQ(hex(surface.at(10, 10)), hex(Sentinel));
    EXPECT_EQ(hex(surface.at(150, 50)), hex(Sentinel));
}

// Low quality draws without antialiasing: an edge at x = 20.5 pixels makes a
// blended column at High and a clean one at Low. Names compare without case.
TEST(DrawingQuality, LowDrawsWithoutAntialiasing) {
    Control control;
    control.activate(200, 100);
    ASSERT_EQ(loadMovie(control.flash.get(), squareMovie(410, 400, 800)), S_OK);
    DibSurface surface(200, 100, false);
    ASSERT_EQ(surface.draw(control.view.get()), S_OK);
    const uint32_t blended = surface.at(20, 30);
    EXPECT_NE(hex(blended), hex(OpaqueRed));
    EXPECT_NE(hex(blended), hex(kBackground));

    ASSERT_EQ(control.flash->put_Quality2(bstr(u"lOW").get()), S_OK);
    BSTR name = nullptr;
    ASSERT_EQ(control.flash->get_Quality2(&name), S_OK);
    EXPECT_EQ(take(name), u"Low");
    ASSERT_EQ(surface.draw(control.view.get()), S_OK);
    const uint32_t edge = surface.at(20, 30);
    EXPECT_TRUE(edge == OpaqueRed || edge == kBackground) << hex(edge);
    EXPECT_EQ(hex(surface.at(21, 30)), hex(OpaqueRed));
    EXPECT_EQ(hex(surface.at(19, 30)), hex(kBackground));
}

// BackgroundColor reads in COLORREF byte order, so the host's own fill with
// that value matches the movie's background pixel for pixel.
TEST(DrawingBackground, TheHostsFillMatchesTheMoviesBackground) {
    Control control;
    control.activate(200, 100);
    ASSERT_EQ(loadMovie(control.flash.get(), squareMovie()), S_OK);
    LONG color = 0;
    ASSERT_EQ(control.flash->get_BackgroundColor(&color), S_OK);
    EXPECT_EQ(hex(uint32_t(color)), hex(uint32_t(BackgroundColorRef)));

    DibSurface hostFill(200, 100, false);
    platform::ScopedBrush brush(CreateSolidBrush(COLORREF(color)));
    platform::ScopedRegion all(CreateRectRgn(0, 0, 200, 100));
    ASSERT_TRUE(FillRgn(hostFill.dc(), all.get(), brush.get()));
    DibSurface drawn(200, 100, false);
    ASSERT_EQ(drawn.draw(control.view.get()), S_OK);
    EXPECT_EQ(hex(hostFill.at(150, 50) & 0xFFFFFF), hex(drawn.at(150, 50) & 0xFFFFFF));
}

TEST(DrawingBackground, AColourOfOurOwnReplacesTheMoviesUntilMinusOne) {
    Control control;
    control.activate(200, 100);
    ASSERT_EQ(loadMovie(control.flash.get(), squareMovie()), S_OK);
    DibSurface surface(200, 100, true);

    control.site.clear();
    ASSERT_EQ(control.flash->put_BackgroundColor(LONG(RGB(0, 255, 0))), S_OK);
    ASSERT_EQ(control.site.invalidations.size(), 1u) << "a new background invalidates everything";
    EXPECT_FALSE(control.site.invalidations[0].has_value());
    LONG color = 0;
    EXPECT_EQ(control.flash->get_BackgroundColor(&color), S_OK);
    EXPECT_EQ(color, LONG(RGB(0, 255, 0)));
    ASSERT_EQ(surface.draw(control.view.get()), S_OK);
    EXPECT_EQ(hex(surface.at(150, 50)), hex(argb(255, 0, 255, 0)));

    ASSERT_EQ(control.flash->put_BackgroundColor(-1), S_OK);
    EXPECT_EQ(control.flash->get_BackgroundColor(&color), S_OK);
    EXPECT_EQ(color, BackgroundColorRef);
    ASSERT_EQ(surface.draw(control.view.get()), S_OK);
    EXPECT_EQ(hex(surface.at(150, 50)), hex(kBackground));
}

TEST(DrawingWithoutMovie, OpaquePaintsTheBackgroundColour) {
    Control control;
    control.activate(200, 100);
    DibSurface surface(200, 100, false);
    LONG color = 0;
    EXPECT_EQ(control.flash->get_BackgroundColor(&color), S_OK);
    EXPECT_EQ(color, 0x00FFFFFF) << "white until a movie or a colour says otherwise";
    ASSERT_EQ(surface.draw(control.view.get()), S_OK);
    EXPECT_EQ(hex(surface.at(100, 50)), hex(OpaqueWhite));

    ASSERT_EQ(control.flash->put_BackgroundColor(LONG(RGB(255, 0, 0))), S_OK);
    surface.clip({RECT{0, 0, 50, 50}});
    ASSERT_EQ(surface.draw(control.view.get()), S_OK);
    EXPECT_EQ(hex(surface.at(10, 10)), hex(OpaqueRed));
    EXPECT_EQ(hex(surface.at(100, 50)), hex(OpaqueWhite)) << "outside the clip";

    surface.fill(Sentinel);
    ASSERT_EQ(surface.draw(control.view.get(), DVASPECT_TRANSPARENT), S_OK);
    EXPECT_EQ(hex(surface.at(10, 10)), hex(Sentinel)) << "nothing covers anything";
}

TEST(DrawingProblems, BadContextsAndAspectsHaveDefinedResults) {
    Control control;
    control.activate(200, 100);
    ASSERT_EQ(loadMovie(control.flash.get(), squareMovie()), S_OK);
    const RECTL bounds{0, 0, 200, 100};
    IViewObject* view = control.view.get();

    EXPECT_EQ(view->Draw(DVASPECT_OPAQUE, 1, nullptr, nullptr, nullptr, nullptr, &bounds, &bounds, nullptr, 0),
              E_INVALIDARG);
    EXPECT_TRUE(takeErrorInfo().present);
    const HDC forged = reinterpret_cast<HDC>(static_cast<uintptr_t>(0x1234));
    EXPECT_EQ(view->Draw(DVASPECT_OPAQUE, 1, nullptr, nullptr, nullptr, forged, &bounds, &bounds, nullptr, 0),
              E_INVALIDARG);
    EXPECT_TRUE(takeErrorInfo().present);

    // A context without pixels: nothing to reach, nothing wrong.
    platform::ScopedMemoryDC empty(CreateCompatibleDC(nullptr));
    EXPECT_EQ(view->Draw(DVASPECT_OPAQUE, 1, nullptr, nullptr, nullptr, empty.get(), &bounds, &bounds, nullptr, 0),
              S_OK);
    platform::ScopedWindowDC desktop(GetDC(nullptr));
    EXPECT_EQ(view->Draw(DVASPECT_OPAQUE, 1, nullptr, nullptr, nullptr, desktop.get(), &bounds, &bounds, nullptr, 0),
              S_OK);

    DibSurface surface(200, 100, false);
    EXPECT_EQ(view->Draw(DVASPECT_ICON, 1, nullptr, nullptr, nullptr, surface.dc(), &bounds, &bounds, nullptr, 0),
              DV_E_DVASPECT);
    EXPECT_EQ(hex(surface.at(30, 30)), hex(Sentinel));

    // No bounds: an active control draws at its position.
    EXPECT_EQ(view->Draw(DVASPECT_CONTENT, -1, nullptr, nullptr, nullptr, surface.dc(), nullptr, nullptr, nullptr, 0),
              S_OK);
    EXPECT_EQ(hex(surface.at(30, 30)), hex(OpaqueRed));

    // Empty and inverted bounds draw nothing.
    surface.fill(Sentinel);
    EXPECT_EQ(surface.draw(view, DVASPECT_OPAQUE, RECT{100, 50, 100, 90}), S_OK);
    EXPECT_EQ(surface.draw(view, DVASPECT_OPAQUE, RECT{150, 80, 10, 10}), S_OK);
    EXPECT_EQ(hex(surface.at(100, 60)), hex(Sentinel));
    EXPECT_EQ(hex(surface.at(30, 30)), hex(Sentinel));
}

}  // namespace

namespace {

// Scale and alignment set through the control move the stage in the bounds.
// The square is stage pixels 20..60 of a 200 x 100 stage.
TEST(DrawingLayout, ScaleModeAndAlignmentPlaceTheStage) {
    const struct {
        std::u16string_view scale;
        std::u16string_view align;
        LONG width, height;
        LONG x, y;
        bool red;
    } cases[] = {
        {u"ShowAll", u"", 400, 200, 100, 100, true},  // scaled by 2: 40..120
        {u"ShowAll", u"", 400, 200, 39, 80, false},
        {u"noscale", u"", 400, 200, 130, 80, true},  // centred at (100, 50): 120..160, 70..110
        {u"noscale", u"", 400, 200, 60, 60, false},
        {u"NoScale", u"tl", 400, 200, 30, 30, true},
        {u"NoScale", u"TL", 400, 200, 130, 80, false},
        {u"NoScale", u"BR", 400, 200, 230, 130, true},  // at (200, 100)
        {u"ExactFit", u"", 400, 100, 100, 50, true},    // x by 2, y by 1
        {u"ExactFit", u"", 400, 100, 30, 50, false},
        {u"ExactFit", u"", 400, 100, 100, 65, false},
        {u"NoBorder", u"", 400, 100, 100, 5, true},  // by 2, cut: y -10..70
        {u"NoBorder", u"", 400, 100, 100, 75, false},
    };
    for (const auto& c : cases) {
        Control control;
        control.activate(c.width, c.height);
        IShockwaveFlash* flash = control.flash.get();
        ASSERT_EQ(flash->put_Scale(bstr(c.scale).get()), S_OK);
        ASSERT_EQ(flash->put_SAlign(bstr(c.align).get()), S_OK);
        ASSERT_EQ(loadMovie(flash, squareMovie()), S_OK);
        DibSurface surface(c.width, c.height, true);
        ASSERT_EQ(surface.draw(control.view.get()), S_OK);
        EXPECT_EQ(hex(surface.at(c.x, c.y)), hex(c.red ? OpaqueRed : kBackground))
            << narrow(c.scale) << " " << narrow(c.align) << " at (" << c.x << ", " << c.y << ")";
    }
}

TEST(DrawingLayout, PropertiesReadBackAndRefuseNonsense) {
    Control control;
    IShockwaveFlash* flash = control.flash.get();
    INT number = -1;
    BSTR text = nullptr;
    EXPECT_EQ(flash->put_SAlign(bstr(u"rb").get()), S_OK);
    EXPECT_EQ(flash->get_AlignMode(&number), S_OK);
    EXPECT_EQ(number, 10);
    EXPECT_EQ(flash->get_SAlign(&text), S_OK);
    EXPECT_EQ(take(text), u"BR");
    EXPECT_EQ(flash->put_ScaleMode(2), S_OK);
    EXPECT_EQ(flash->get_Scale(&text), S_OK);
    EXPECT_EQ(take(text), u"ExactFit");
    EXPECT_EQ(flash->put_ScaleMode(4), E_INVALIDARG);
    EXPECT_EQ(flash->put_AlignMode(16), E_INVALIDARG);
    EXPECT_EQ(flash->put_SAlign(bstr(u"TX").get()), E_INVALIDARG);
    EXPECT_EQ(flash->put_Scale(bstr(u"stretch").get()), E_INVALIDARG);
    EXPECT_EQ(flash->get_ScaleMode(&number), S_OK);
    EXPECT_EQ(number, 2) << "a refused value changes nothing";
}

}  // namespace
