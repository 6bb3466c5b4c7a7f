// The fake control's picture, predicted by hand from the formulas in
// fake_control.h.
#include "fake_control/fake_control.h"
#include "moviehost/testing/dib_surface.h"

#include "platform/gdi.h"

#include <gtest/gtest.h>

namespace {

using fake_control::FakeControl;
using moviehost::testing::DibSurface;
using moviehost::testing::Pixel;

// Every byte of a surface's pixels set to `value`.
Pixel everyByte(std::uint8_t value) { return {value, value, value, value}; }

platform::ComPtr<IViewObject> viewOf(const FakeControl& control) {
    return platform::ComPtr<IUnknown>::share(control.unknown()).As<IViewObject>();
}

HRESULT draw(IViewObject* view, DWORD aspect, HDC dc, const RECT& area) {
    const RECTL bounds{area.left, area.top, area.right, area.bottom};
    return view->Draw(aspect, 1, nullptr, nullptr, nullptr, dc, &bounds, &bounds, nullptr, 0);
}

TEST(FakeControlDrawTest, OpaqueAspectPaintsOnlyInsideTheClipRegion) {
    FakeControl control;
    auto view = viewOf(control);
    DibSurface surface(16, 8);
    surface.fill(everyByte(0xAA));
    HRGN clip = CreateRectRgn(0, 0, 4, 4);
    HRGN second = CreateRectRgn(8, 2, 12, 6);
    CombineRgn(clip, clip, second, RGN_OR);
    SelectClipRgn(surface.dc(), clip);
    DeleteObject(second);
    DeleteObject(clip);

    ASSERT_EQ(S_OK, draw(view.get(), DVASPECT_OPAQUE, surface.dc(), RECT{0, 0, 16, 8}));
    EXPECT_EQ((Pixel{1, 1, 1, 0}), surface.at(1, 1));
    EXPECT_EQ((Pixel{3, 3, 1, 0}), surface.at(3, 3));
    EXPECT_EQ((Pixel{9, 3, 1, 0}), surface.at(9, 3));
    EXPECT_EQ((Pixel{11, 5, 1, 0}), surface.at(11, 5));
    for (const auto& [x, y] : {std::pair{4, 0}, {5, 1}, {0, 4}, {8, 1}, {12, 3}, {15, 7}, {8, 6}})
        EXPECT_EQ((Pixel{0xAA, 0xAA, 0xAA, 0xAA}), surface.at(x, y)) << "outside the clip: " << x << "," << y;

    ASSERT_EQ(S_OK, draw(view.get(), DVASPECT_OPAQUE, surface.dc(), RECT{0, 0, 16, 8}));
    EXPECT_EQ((Pixel{1, 1, 2, 0}), surface.at(1, 1)) << "red counts the draws";
    EXPECT_EQ(2u, control.state().drawCount);
    EXPECT_EQ("Draw(16, 1, null, null, null, hdc, {0,0,16,8}, {0,0,16,8}, null, 0)", control.log({"Draw"})[0]);
}

TEST(FakeControlDrawTest, PictureFollowsTheBoundsAndStaysInsideTheBitmap) {
    FakeControl control;
    auto view = viewOf(control);
    DibSurface surface(8, -8);
    surface.fill(everyByte(0x11));
    ASSERT_EQ(S_OK, draw(view.get(), DVASPECT_CONTENT, surface.dc(), RECT{2, 3, 100, 100}));
    EXPECT_EQ((Pixel{0, 0, 1, 0}), surface.at(2, 3)) << "the bounds' corner is the picture's origin";
    EXPECT_EQ((Pixel{5, 4, 1, 0}), surface.at(7, 7));
    EXPECT_EQ((Pixel{0x11, 0x11, 0x11, 0x11}), surface.at(1, 3));
    EXPECT_EQ((Pixel{0x11, 0x11, 0x11, 0x11}), surface.at(2, 2));
    // Bounds far outside: nothing to paint, and nothing written out of range
    // (AddressSanitizer watches the pixel buffer).
    EXPECT_EQ(S_OK, draw(view.get(), DVASPECT_OPAQUE, surface.dc(), RECT{-50, -50, -10, -10}));
    EXPECT_EQ(S_OK, draw(view.get(), DVASPECT_OPAQUE, surface.dc(), RECT{-3, -3, 1000, 1000}));
    EXPECT_EQ((Pixel{3, 3, 3, 0}), surface.at(0, 0));
}

TEST(FakeControlDrawTest, TransparentAspectCoversColumnBandsFullyNotAtAllOrByHalf) {
    FakeControl control;
    auto view = viewOf(control);
    DibSurface black(12, 2);
    black.fill(everyByte(0x00));
    DibSurface white(12, 2);
    white.fill(everyByte(0xFF));
    ASSERT_EQ(S_OK, draw(view.get(), DVASPECT_TRANSPARENT, black.dc(), RECT{0, 0, 12, 2}));
    ASSERT_EQ(S_OK, draw(view.get(), DVASPECT_TRANSPARENT, white.dc(), RECT{0, 0, 12, 2}));
    // Columns 0-3 covered, 4-7 uncovered, 8-11 half covered (a = 128).
    EXPECT_EQ((Pixel{1, 1, 1, 0}), black.at(1, 1));
    EXPECT_EQ((Pixel{1, 1, 2, 0xFF}), white.at(1, 1)) << "the fourth byte is left alone";
    EXPECT_EQ((Pixel{0, 0, 0, 0}), black.at(5, 0));
    EXPECT_EQ((Pixel{0xFF, 0xFF, 0xFF, 0xFF}), white.at(5, 0));
    // Blue at column 9: 9 * 128 / 255 = 4 over black; (9 * 128 + 255 * 127) / 255 = 131 over white.
    EXPECT_EQ(4, black.at(9, 0)[0]);
    EXPECT_EQ(131, white.at(9, 0)[0]);
    EXPECT_EQ(128, (black.at(9, 0)[0] - white.at(9, 0)[0] - 1) & 0xFF) << "what a two-pass alpha recovers";
}

TEST(FakeControlDrawTest, RefusesWhatItCannotDrawInto) {
    FakeControl control;
    auto view = viewOf(control);
    HDC empty = CreateCompatibleDC(nullptr);
    const RECT bounds = {0, 0, 4, 4};
    EXPECT_EQ(VIEW_E_DRAW, draw(view.get(), DVASPECT_OPAQUE, empty, bounds)) << "no DIB section selected";
    EXPECT_EQ(DV_E_DVASPECT, draw(view.get(), DVASPECT_ICON, empty, bounds));
    EXPECT_EQ(E_INVALIDARG, draw(view.get(), DVASPECT_OPAQUE, nullptr, bounds));
    DeleteDC(empty);
    EXPECT_EQ(0u, control.state().drawCount);

    DibSurface surface(4, 4);
    surface.fill(everyByte(0x22));
    control.setResult("Draw", E_FAIL);
    EXPECT_EQ(E_FAIL, draw(view.get(), DVASPECT_OPAQUE, surface.dc(), bounds));
    EXPECT_EQ((Pixel{0x22, 0x22, 0x22, 0x22}), surface.at(0, 0));
}

}  // namespace
