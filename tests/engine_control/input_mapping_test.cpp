// Window-message input as the engine hears it: positions from the message's
// packed pixels to stage twips through the drawing's mapping (scaled and
// letterboxed surfaces), wheel deltas to lines, keys to codes and
// characters. Expected points are worked out by hand from the geometry.
#include "control/key_translator.h"
#include "control/pointer_mapping.h"

#include <gtest/gtest.h>

namespace {

using control::KeyTranslator;
using control::PixelPoint;
using control::pixelPointOf;
using control::stagePointOf;

// A 200 x 100 pixel stage (4000 x 2000 twips).
const swf::Rect kStage{0, 4000, 0, 2000};

LPARAM positionWord(int32_t x, int32_t y) { return LPARAM(uint32_t(uint16_t(x)) | uint32_t(uint16_t(y)) << 16); }

TEST(PointerMapping, ThePositionWordHoldsTwoSigned16BitHalves) {
    const PixelPoint p = pixelPointOf(positionWord(10, 20));
    EXPECT_EQ(p.x, 10);
    EXPECT_EQ(p.y, 20);
    const PixelPoint negative = pixelPointOf(positionWord(-1, -300));
    EXPECT_EQ(negative.x, -1) << "0xFFFF is -1, not 65535";
    EXPECT_EQ(negative.y, -300);
    const PixelPoint high = pixelPointOf(LPARAM(0x7FFF7FFF));
    EXPECT_EQ(high.x, 32767);
    EXPECT_EQ(high.y, 32767);
}

TEST(PointerMapping, AtScaleOneAPixelIsTwentyTwips) {
    const auto p = stagePointOf({30, 40}, kStage, RECT{0, 0, 200, 100});
    ASSERT_TRUE(p);
    EXPECT_DOUBLE_EQ(p->x, 600.0);
    EXPECT_DOUBLE_EQ(p->y, 800.0);
}

// Twice the size: a pixel is 10 twips.
TEST(PointerMapping, AScaledSurfaceMapsBackToTheSameStagePoint) {
    const auto p = stagePointOf({60, 80}, kStage, RECT{0, 0, 400, 200});
    ASSERT_TRUE(p);
    EXPECT_DOUBLE_EQ(p->x, 600.0);
    EXPECT_DOUBLE_EQ(p->y, 800.0);
}

// A 400 x 100 surface shows the stage at scale 1 with 100-pixel borders
// left and right; a 200 x 300 one at scale 1 with 100-pixel borders above
// and below.
TEST(PointerMapping, LetterboxBordersShiftTheStage) {
    const auto wide = stagePointOf({130, 40}, kStage, RECT{0, 0, 400, 100});
    ASSERT_TRUE(wide);
    EXPECT_DOUBLE_EQ(wide->x, 600.0);
    EXPECT_DOUBLE_EQ(wide->y, 800.0);
    const auto border = stagePointOf({50, 40}, kStage, RECT{0, 0, 400, 100});
    ASSERT_TRUE(border);
    EXPECT_LT(border->x, 0.0) << "a click on the left border lies left of the stage";

    const auto tall = stagePointOf({30, 140}, kStage, RECT{0, 0, 200, 300});
    ASSERT_TRUE(tall);
    EXPECT_DOUBLE_EQ(tall->x, 600.0);
    EXPECT_DOUBLE_EQ(tall->y, 800.0);
}

// Mouse positions are in the container's coordinates, like the object
// rectangle; a stage whose origin is not (0, 0) keeps its offset.
TEST(PointerMapping, TheObjectRectangleAndTheStageOriginCount) {
    const auto p = stagePointOf({80, 90}, kStage, RECT{50, 50, 250, 150});
    ASSERT_TRUE(p);
    EXPECT_DOUBLE_EQ(p->x, 600.0);
    EXPECT_DOUBLE_EQ(p->y, 800.0);
    const auto shifted = stagePointOf({0, 0}, swf::Rect{1000, 5000, -200, 1800}, RECT{0, 0, 200, 100});
    ASSERT_TRUE(shifted);
    EXPECT_DOUBLE_EQ(shifted->x, 1000.0);
    EXPECT_DOUBLE_EQ(shifted->y, -200.0);
}

TEST(PointerMapping, NothingShownMapsNowhere) {
    EXPECT_FALSE(stagePointOf({1, 1}, kStage, RECT{0, 0, 0, 0}));
    EXPECT_FALSE(stagePointOf({1, 1}, kStage, RECT{10, 10, 5, 20}));
    EXPECT_FALSE(stagePointOf({1, 1}, swf::Rect{}, RECT{0, 0, 200, 100}));
}

TEST(PointerMapping, WheelDeltasBecomeLinesAndSmallStepsAddUp) {
    int32_t rest = 0;
    EXPECT_EQ(control::wheelLines(120, rest), 3);
    EXPECT_EQ(control::wheelLines(-120, rest), -3);
    EXPECT_EQ(rest, 0);
    EXPECT_EQ(control::wheelLines(30, rest), 0);
    EXPECT_EQ(control::wheelLines(30, rest), 1) << "60 of 40 per line";
    EXPECT_EQ(rest, 20);
    EXPECT_EQ(control::wheelLines(-32768, rest), -818) << "the largest turn the message carries";
}

TEST(KeyTranslator, KeysMakeTheirCharactersAndShiftRaisesLetters) {
    KeyTranslator keys;
    auto a = keys.keyDown('A');
    EXPECT_EQ(a.code, 65u);
    EXPECT_EQ(a.ascii, uint32_t('a'));
    EXPECT_FALSE(keys.character('a')) << "the character of the key just pressed adds nothing";
    EXPECT_EQ(keys.keyUp('A').ascii, uint32_t('a'));

    (void)keys.keyDown(0x10);  // Shift
    EXPECT_EQ(keys.keyDown('B').ascii, uint32_t('B'));
    (void)keys.keyUp('B');
    EXPECT_EQ(keys.keyUp(0x10).code, 0x10u);
    EXPECT_EQ(keys.keyDown('B').ascii, uint32_t('b')) << "Shift released";

    const auto left = keys.keyDown(0x25);
    EXPECT_EQ(left.code, 0x25u);
    EXPECT_EQ(left.ascii, 0u) << "arrows make no character";
    EXPECT_EQ(keys.keyDown(0x0D).ascii, 13u);
    EXPECT_EQ(keys.keyDown(0x63).ascii, uint32_t('3')) << "number pad 3";
    EXPECT_EQ(keys.keyDown(0x2E).ascii, 0x7Fu) << "Delete";
}

TEST(KeyTranslator, ACharacterOnItsOwnIsAKeystroke) {
    KeyTranslator keys;
    const auto typed = keys.character('x');
    ASSERT_TRUE(typed);
    EXPECT_EQ(typed->code, uint32_t('X'));
    EXPECT_EQ(typed->ascii, uint32_t('x'));
    const auto other = keys.character(0x00E9);  // é: no key of ours makes it
    ASSERT_TRUE(other);
    EXPECT_EQ(other->code, 0u);
    EXPECT_EQ(other->ascii, 0xE9u);

    // A key that makes no character leaves a following one on its own.
    (void)keys.keyDown(0x25);
    EXPECT_TRUE(keys.character('q'));
    // After the release the key's character is no longer expected.
    (void)keys.keyDown('Q');
    (void)keys.keyUp('Q');
    EXPECT_TRUE(keys.character('q'));
}

}  // namespace
