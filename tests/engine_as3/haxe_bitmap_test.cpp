// BitmapData in a haxe movie: the facts it reports follow from the pixels
// it was given and the operations' arithmetic.
#include "as3/player.h"

#include "recording_host.h"

#include "render/filter_effects.h"
#include "render/object_drawing.h"
#include "render/renderer.h"
#include "swf/movie.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace {

TEST(HaxeBitmap, BitmapDataSizesPixelsDrawingAndLinkedPictures) {
#ifndef AS3_HAXE_MOVIES
    GTEST_SKIP() << "haxe was not found at configuration time";
#else
    auto movie = swf::parseMovieFile(std::string(AS3_HAXE_MOVIES) + "/Bitmaps.swf");
    ASSERT_TRUE(movie);
    auto stage = model::Stage::create(*movie);
    ASSERT_TRUE(stage);
    as3test::RecordingHost host;
    auto player = as3::Player::create(*stage, host, u"file:///Bitmaps.swf", {});
    const model::Stage* drawn = stage.get();
    player->setDisplayPainter(
        {[drawn](cairo_t* cr, const model::DisplayObject& object, const swf::Matrix& toDevice,
                 const swf::ColorTransform& cx) {
             render::paintDisplayObject(cr, *drawn, object, toDevice, cx, render::Quality::High);
         },
         [](std::span<const swf::Filter> filters, uint32_t* pixels, int32_t width, int32_t height, int32_t stride) {
             render::applyFilters(filters, render::PixelView{pixels, width, height, stride});
         },
         &render::filterMargin});
    player->start();
    EXPECT_TRUE(host.errors.empty()) << (host.errors.empty()
                                             ? ""
                                             : std::string(host.errors[0].begin(), host.errors[0].end()));
    // Out of memory (error 1000) for pixels after some bitmaps, for bytes and
    // for vectors, each caught.
    EXPECT_EQ(host.command(u"memory"), u"1000,true,1000,1000");
    EXPECT_EQ(host.command(u"filters"),
              u"255,255,16711680:255,1:0.2,0:255,outer,90,inner,,1:2:3:4,10,true,true,0,true");
    EXPECT_EQ(host.command(u"bitmaps"),
              u"8191,2015,2015,2015,2015,"                                    // sizes
              u"2164195328,2147548928,65280,4278190335,8,4279383126,false,"   // pixels
              u"4:4:128:255,2030,2:2164195328,12:4,"                          // bytes, vectors, histogram
              u"0,-3,4,(x=2, y=2, w=2, h=2),"                                 // compare, threshold, bounds
              u"16777215:16711680:16711680:16777215,5263440,2007,true:true,"  // draw
              u"16711680:255,true:false:true:true,"                           // uvt, hitTest
              u"255:16711680,true,"                                           // filters
              u"2:1:4294901760:128,"                                          // linked picture
              u"10:10:auto:false,2015");                                      // Bitmap, fill of a disposed bitmap

    // Shown: green 10x10 at (100, 10); the picture's opaque red and half
    // blue pixels as 10x10 blocks from (120, 10); its fill repeated as 5x5
    // blocks from (150, 10), and as a line's paint.
    (void)stage->collectChanges();
    const int32_t width = int32_t(stage->widthTwips() / 20);
    const int32_t height = int32_t(stage->heightTwips() / 20);
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    render::Target target{reinterpret_cast<uint8_t*>(pixels.data()),
                          width,
                          height,
                          width * 4,
                          render::RowOrder::TopDown,
                          {{0, 0, width, height}},
                          {0, 0, width, height}};
    render::Renderer renderer;
    ASSERT_EQ(renderer.draw(*stage, target, render::Aspect::Opaque, render::Quality::High), render::DrawError{});
    auto rgb = [&](int32_t x, int32_t y) { return pixels[size_t(y * width + x)] & 0xFFFFFF; };
    const uint32_t halfBlue = 0x7F7FFF;  // 0x0000FF at alpha 128 over white
    const struct {
        int32_t left, top, right, bottom;
        uint32_t rgb;
    } areas[] = {
        {101, 11, 109, 19, 0x00FF00},
        {121, 11, 129, 19, 0xFF0000},
        {131, 11, 139, 19, halfBlue},
        {151, 11, 154, 19, 0xFF0000},
        {156, 11, 159, 19, halfBlue},
        {161, 11, 164, 19, 0xFF0000},
        {186, 11, 189, 19, halfBlue},
        {191, 11, 199, 14, 0xFFFFFF},
        {101, 21, 199, 29, 0xFFFFFF},
        // The line 10 pixels wide along y = 70, painted with the picture.
        {151, 66, 154, 74, 0xFF0000},
        {156, 66, 159, 74, halfBlue},
        {151, 76, 189, 80, 0xFFFFFF},
    };
    for (const auto& a : areas) {
        for (int32_t y = a.top; y < a.bottom; ++y) {
            for (int32_t x = a.left; x < a.right; ++x) {
                const uint32_t got = rgb(x, y);
                const bool near = std::abs(int(got >> 16) - int(a.rgb >> 16)) <= 1 &&
                                  std::abs(int((got >> 8) & 0xFF) - int((a.rgb >> 8) & 0xFF)) <= 1 &&
                                  std::abs(int(got & 0xFF) - int(a.rgb & 0xFF)) <= 1;
                ASSERT_TRUE(near) << x << "," << y << ": " << std::hex << got << " not " << a.rgb;
            }
        }
    }

    // Displacement maps (see Bitmaps.hx): each pixel shows the source at
    // (2x, 0), red (2x + 1) * 15, or what the mode gives past the edge:
    // wrap (8, 0), clamp (15, 0), ignore the pixel itself (12, 1), color green.
    EXPECT_EQ(host.command(u"displace"),
              u"6881280:8847360,6881280:15728640,6881280:12794880,6881280:65280,"  // the modes by applyFilter
              u"3962880:12794880,3962880:12794880,"     // no map, a disposed map: the source unchanged
              u"(x=1, y=2, w=3, h=4),2008,2008,"        // generateFilterRect, bad modes
              u"color:32:0:8945664,color:2:16261120");  // clone, read back from a display object
    // The same rows drawn as display objects' filters, one mode a row.
    const struct {
        int32_t x, y;
        uint32_t rgb;
    } displaced[] = {
        {13, 32, 0x690000}, {22, 31, 0x870000}, {13, 38, 0x690000}, {22, 37, 0xF00000}, {13, 44, 0x690000},
        {22, 43, 0xC33C00}, {13, 50, 0x690000}, {22, 49, 0x00FF00}, {13, 62, 0x690000},
    };
    for (const auto& d : displaced)
        EXPECT_EQ(rgb(d.x, d.y), d.rgb) << d.x << "," << d.y << ": " << std::hex << rgb(d.x, d.y);
    // The map made flat on the next frame: its area is redrawn, unmoved.
    player->tick();
    const auto changes = stage->collectChanges();
    EXPECT_TRUE(std::any_of(changes.rects.begin(), changes.rects.end(), [](const swf::Rect& r) {
        return r.xMin <= 13 * 20 && r.xMax > 13 * 20 && r.yMin <= 62 * 20 && r.yMax > 62 * 20;
    }));
    ASSERT_EQ(renderer.draw(*stage, target, render::Aspect::Opaque, render::Quality::High), render::DrawError{});
    EXPECT_EQ(rgb(13, 62), 0x3C7800u);
#endif
}

}  // namespace
