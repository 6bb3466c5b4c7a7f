// The display tree walk, through the renderer's entry point on a model stage.
// 100x100 pixel stage (20 twips a pixel), white background.
#include "render/renderer.h"
#include "render_fixture.h"

#include "model/button_object.h"
#include "model/edit_text_object.h"
#include "model/stage.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace rendertest;
using render::Aspect;
using render::PixelRect;

namespace {

constexpr swf::Rgba kRed{255, 0, 0, 255};
constexpr swf::Rgba kBlue{0, 0, 255, 255};
constexpr swf::Rgba kGreen{0, 255, 0, 255};
constexpr swf::Rgba kYellow{255, 255, 0, 255};
constexpr uint32_t kWhitePixel = argb(255, 255, 255, 255);
constexpr uint32_t kRedPixel = argb(255, 255, 0, 0);
constexpr uint32_t kBluePixel = argb(255, 0, 0, 255);
constexpr uint32_t kGreenPixel = argb(255, 0, 255, 0);

// A square of `size` pixels with its top left corner at pixel (x, y).
swf::Shape square(int x, int y, int size, swf::Rgba c) {
    return rectShape({x * 20, (x + size) * 20, y * 20, (y + size) * 20}, solid(c));
}

PixelBuffer renderStage(model::Stage& stage, std::vector<PixelRect> clip = {{0, 0, 100, 100}},
                        Aspect aspect = Aspect::Opaque) {
    PixelBuffer buffer(100, 100);
    render::Renderer renderer;
    EXPECT_EQ(renderer.draw(stage, buffer.target(std::move(clip), {0, 0, 100, 100}), aspect, render::Quality::High),
              render::DrawError::None);
    return buffer;
}

std::unique_ptr<model::Stage> stageOf(const MovieBuilder& builder) {
    auto stage = model::Stage::create(builder.build());
    EXPECT_NE(stage, nullptr);
    // Queued clip events hold their clips; nobody runs them here.
    (void)stage->takePendingActions();
    return stage;
}

}  // namespace

TEST(Scene, DepthOrderAndBackground) {
    MovieBuilder b({0, 2000, 0, 2000}, {0, 255, 0, 255});
    b.add(1, square(10, 10, 30, kRed)).add(2, square(30, 30, 30, kBlue));
    b.frame({place(5, 1), place(3, 2)});  // blue lies below red
    auto stage = stageOf(b);
    const PixelBuffer p = renderStage(*stage);
    EXPECT_EQ(p.at(35, 35), kRedPixel);
    EXPECT_EQ(p.at(50, 50), kBluePixel);
    EXPECT_EQ(p.at(80, 80), kGreenPixel) << "the movie's background";
}

TEST(Scene, NestedMatricesAndColourTransformsConcatenate) {
    // A sprite holding a 10 px square moved by 10 px and tinted (green + 100);
    // the sprite is scaled by 2, moved by (20, 20) px and halves red.
    swf::ColorTransform inner;
    inner.gAdd = 100;
    swf::ColorTransform outer;
    outer.rMult = 128;
    MovieBuilder b;
    b.add(1, square(0, 0, 10, {200, 0, 0, 255}));
    b.add(2, sprite({place(1, 1, swf::Matrix::translation(200, 0), inner)}));
    b.frame({place(1, 2, {2.0, 0.0, 0.0, 2.0, 400.0, 400.0}, outer)});
    auto stage = stageOf(b);
    const PixelBuffer p = renderStage(*stage);
    // The square: (10..20) * 2 + 20 = x 40..60, y 20..40, colour (100, 100, 0).
    EXPECT_EQ(p.at(40, 20), argb(255, 100, 100, 0)) << hex(p.at(40, 20));
    EXPECT_EQ(p.at(59, 39), argb(255, 100, 100, 0));
    EXPECT_EQ(p.at(39, 30), kWhitePixel);
    EXPECT_EQ(p.at(60, 30), kWhitePixel);
    EXPECT_EQ(p.at(50, 40), kWhitePixel);

    // Hiding the sprite hides its children.
    stage->root().displayList().at(1)->setVisible(false);
    EXPECT_EQ(renderStage(*stage).at(50, 30), kWhitePixel);
}

TEST(Scene, ClipDepthMasksTheObjectsAboveUpToItsDepth) {
    MovieBuilder b;
    b.add(1, square(20, 20, 20, kGreen));  // the mask: x, y 20..40
    b.add(2, square(0, 0, 100, kRed));     // masked
    b.add(3, square(60, 60, 10, kBlue));   // above the clip depth: not masked
    b.frame({place(1, 1, {}, {}, 2), place(2, 2), place(3, 3)});
    auto stage = stageOf(b);
    const PixelBuffer p = renderStage(*stage);
    EXPECT_EQ(p.at(20, 20), kRedPixel);
    EXPECT_EQ(p.at(39, 39), kRedPixel);
    EXPECT_EQ(p.at(30, 30), kRedPixel) << "the mask's own colour never shows";
    EXPECT_EQ(p.at(19, 30), kWhitePixel);
    EXPECT_EQ(p.at(40, 30), kWhitePixel);
    EXPECT_EQ(p.at(80, 10), kWhitePixel);
    EXPECT_EQ(p.at(65, 65), kBluePixel);

    // A half-transparent mask still masks fully; a sprite of two squares masks with both.
    swf::ColorTransform faint;
    faint.aMult = 64;
    MovieBuilder c;
    c.add(1, square(0, 0, 10, kGreen));
    c.add(4, sprite({place(1, 1), place(2, 1, swf::Matrix::translation(1000, 1000))}));
    c.add(2, square(0, 0, 100, kRed));
    c.frame({place(1, 4, {}, faint, 2), place(2, 2)});
    auto stage2 = stageOf(c);
    const PixelBuffer q = renderStage(*stage2);
    EXPECT_EQ(q.at(5, 5), kRedPixel);
    EXPECT_EQ(q.at(55, 55), kRedPixel);
    EXPECT_EQ(q.at(30, 30), kWhitePixel);
    EXPECT_EQ(q.at(5, 55), kWhitePixel);
}

TEST(Scene, BlendModesComposeTheObjectWithWhatIsBehind) {
    struct Case {
        swf::BlendMode mode;
        uint32_t expected;  // red square over yellow
    };
    const Case cases[] = {
        {swf::BlendMode::Normal, kRedPixel},
        {swf::BlendMode::Multiply, kRedPixel},             // (1,0,0) * (1,1,0)
        {swf::BlendMode::Screen, argb(255, 255, 255, 0)},  // 1 - (1-s)(1-d)
        {swf::BlendMode::Difference, kGreenPixel},         // |s - d|
        {swf::BlendMode::Darken, kRedPixel},
        {swf::BlendMode::Lighten, argb(255, 255, 255, 0)},
        {swf::BlendMode::Add, argb(255, 255, 255, 0)},
        {swf::BlendMode::Subtract, kGreenPixel},  // d - s
        {swf::BlendMode::Invert, kBluePixel},     // 1 - d
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.mode));
        MovieBuilder b;
        b.add(1, square(0, 0, 100, kYellow)).add(2, square(20, 20, 20, kRed));
        b.frame({place(1, 1), place(2, 2)});
        auto stage = stageOf(b);
        stage->root().displayList().at(2)->setBlendMode(c.mode);
        const PixelBuffer p = renderStage(*stage);
        EXPECT_EQ(p.at(30, 30), c.expected) << hex(p.at(30, 30));
        EXPECT_EQ(p.at(60, 60), argb(255, 255, 255, 0));
    }
}

TEST(Scene, AlphaAndEraseCutIntoTheirLayer) {
    for (swf::BlendMode mode : {swf::BlendMode::Erase, swf::BlendMode::Alpha}) {
        SCOPED_TRACE(int(mode));
        // A layer holding a red square (0..40 px) and a blue one (10..20 px) that cuts.
        MovieBuilder b;
        b.add(1, square(0, 0, 40, kRed)).add(2, square(10, 10, 10, kBlue));
        b.add(3, sprite({place(1, 1), place(2, 2)}));
        b.frame({place(1, 3)});
        auto stage = stageOf(b);
        model::DisplayObject* layer = stage->root().displayList().at(1);
        layer->setBlendMode(swf::BlendMode::Layer);
        layer->as<model::MovieClip>()->displayList().at(2)->setBlendMode(mode);
        const PixelBuffer p = renderStage(*stage);
        EXPECT_EQ(p.at(15, 15), mode == swf::BlendMode::Erase ? kWhitePixel : kRedPixel);
        EXPECT_EQ(p.at(30, 30), mode == swf::BlendMode::Erase ? kRedPixel : kWhitePixel);
        EXPECT_EQ(p.at(60, 60), kWhitePixel);

        // Outside a layer the modes draw normally rather than cut the background.
        layer->setBlendMode(swf::BlendMode::Normal);
        EXPECT_EQ(renderStage(*stage).at(15, 15), kBluePixel);
    }
}

TEST(Scene, ButtonsDrawTheirCurrentState) {
    swf::Button button;
    swf::ButtonRecord up;
    up.up = true;
    up.characterId = 1;
    up.depth = 1;
    swf::ButtonRecord over;
    over.over = true;
    over.down = true;
    over.characterId = 2;
    over.depth = 1;
    swf::ButtonRecord hit;
    hit.hit = true;
    hit.characterId = 3;
    hit.depth = 2;
    button.records = {up, over, hit};
    MovieBuilder b;
    b.add(1, square(10, 10, 20, kRed)).add(2, square(10, 10, 20, kBlue)).add(3, square(0, 0, 100, kGreen));
    b.add(4, button);
    b.frame({place(1, 4)});
    auto stage = stageOf(b);
    EXPECT_EQ(renderStage(*stage).at(20, 20), kRedPixel);
    EXPECT_EQ(renderStage(*stage).at(50, 50), kWhitePixel) << "the hit area is never drawn";
    stage->root().displayList().at(1)->as<model::ButtonObject>()->setState(model::ButtonState::Over);
    EXPECT_EQ(renderStage(*stage).at(20, 20), kBluePixel);
}

TEST(Scene, PartialRedrawMatchesTheFullPictureInsideTheClip) {
    MovieBuilder b;
    std::vector<swf::ControlTag> tags;
    for (uint16_t i = 0; i < 40; ++i) {
        const swf::Rgba c{uint8_t(i * 6), uint8_t(255 - i * 6), uint8_t(i * 3), 200};
        b.add(uint16_t(i + 1), rectShape({0, 300, 0, 200}, solid(c)));
        const double angle = i * 0.3;
        tags.push_back(place(
            uint16_t(i + 1), uint16_t(i + 1),
            {std::cos(angle), std::sin(angle), -std::sin(angle), std::cos(angle), 100.0 + i * 45, 100.0 + i * 40}));
    }
    b.frame(tags);
    auto stage = stageOf(b);
    const PixelBuffer full = renderStage(*stage);
    const std::vector<PixelRect> clip = {{13, 17, 29, 31}, {60, 55, 64, 90}};
    const PixelBuffer part = renderStage(*stage, clip);
    for (int y = 0; y < 100; ++y) {
        for (int x = 0; x < 100; ++x) {
            bool inside = false;
            for (const PixelRect& r : clip)
                inside = inside || (x >= r.left && x < r.right && y >= r.top && y < r.bottom);
            const uint32_t got = part.at(x, y);
            if (!inside) {
                ASSERT_EQ(got, kSentinel) << "at " << x << "," << y;
                continue;
            }
            // cairo samples edge coverage differently with and without a clip
            // (up to a sixteenth of a pixel); an object left out by culling
            // would differ by far more.
            const uint32_t want = full.at(x, y);
            for (uint32_t shift : {0u, 8u, 16u, 24u}) {
                ASSERT_NEAR(int((got >> shift) & 0xFF), int((want >> shift) & 0xFF), 16)
                    << "at " << x << "," << y << ": expected " << hex(want) << ", got " << hex(got);
            }
        }
    }
}

TEST(Scene, TransparentAspectKeepsBlendModesInsideTheMovie) {
    // Multiply over nothing leaves the colour as it is; the host's white fill
    // (fourth byte 0) must not take part in the blend.
    MovieBuilder b;
    b.add(2, square(20, 20, 20, {255, 0, 0, 255}));
    b.frame({place(2, 2)});
    auto stage = stageOf(b);
    stage->root().displayList().at(2)->setBlendMode(swf::BlendMode::Multiply);
    PixelBuffer white(100, 100, render::RowOrder::TopDown, 0, 0x00FFFFFF);
    render::Renderer renderer;
    ASSERT_EQ(renderer.draw(*stage, white.target(), Aspect::Transparent, render::Quality::High),
              render::DrawError::None);
    EXPECT_EQ(white.at(30, 30), kRedPixel) << hex(white.at(30, 30));
    EXPECT_EQ(white.at(60, 60), 0x00FFFFFFu);
}

TEST(Scene, ChangedTwipsBecomeInvalidatedPixels) {
    const render::StageMapping m = render::showAll({0, 2000, 0, 2000}, {0, 0, 200, 200});  // 10 twips a pixel
    EXPECT_EQ(render::toPixels({105, 200, 100, 195}, m, {0, 0, 200, 200}), (PixelRect{9, 9, 21, 21}));
    EXPECT_EQ(render::toPixels({-500, 50, -500, 50}, m, {0, 0, 200, 200}), (PixelRect{0, 0, 6, 6}));
    EXPECT_TRUE(render::toPixels({5000, 6000, 0, 100}, m, {0, 0, 200, 200}).isEmpty());
    EXPECT_TRUE(render::toPixels({0, 0, 0, 100}, m, {0, 0, 200, 200}).isEmpty());
}
