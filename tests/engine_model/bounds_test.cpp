// Bounds of every kind of object through their matrices, and the script
// properties decomposed from and written into the matrix.
#include "model_test_support.h"

#include "model/bitmap_object.h"
#include "model/button_object.h"
#include "model/edit_text_object.h"
#include "model/morph_object.h"

#include <cmath>

using modeltest::at;
using modeltest::withMatrix;
using swfwriter::Matrix;

namespace {

constexpr swfwriter::Color kRed{255, 0, 0};

struct Box {
    double xMin, yMin, xMax, yMax;
};

void expectBounds(const swf::Bounds& b, Box e, const char* what) {
    ASSERT_FALSE(b.empty) << what;
    EXPECT_DOUBLE_EQ(b.xMin, e.xMin) << what;
    EXPECT_DOUBLE_EQ(b.yMin, e.yMin) << what;
    EXPECT_DOUBLE_EQ(b.xMax, e.xMax) << what;
    EXPECT_DOUBLE_EQ(b.yMax, e.yMax) << what;
}

TEST(Bounds, ShapesThroughScaleRotationAndParentClips) {
    swfwriter::MovieWriter m;
    uint16_t shape = m.rectangle(0, 0, 2000, 1000, kRed);
    swfwriter::SpriteWriter s;
    s.place(shape, 1, at(500, 0));
    s.showFrame();
    uint16_t sprite = m.defineSprite(s);
    m.place(shape, 1, withMatrix(Matrix::scale(2, 2, 100, 200)));
    m.place(shape, 2, withMatrix(Matrix{0, 1, -1, 0, 5000, 0}));  // a quarter turn: (x, y) -> (5000 - y, x)
    m.place(sprite, 3, at(1000, 3000));
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    const model::DisplayList& list = stage->root().displayList();

    expectBounds(list.at(1)->localBounds(), {0, 0, 2000, 1000}, "local");
    expectBounds(list.at(1)->stageBounds(), {100, 200, 4100, 2200}, "scaled");
    expectBounds(list.at(2)->stageBounds(), {4000, 0, 5000, 2000}, "rotated");
    expectBounds(list.at(3)->localBounds(), {500, 0, 2500, 1000}, "clip, own coordinates");
    expectBounds(list.at(3)->stageBounds(), {1500, 3000, 3500, 4000}, "clip on stage");
    const model::DisplayObject* child = list.at(3)->children()->at(1);
    expectBounds(child->stageBounds(), {1500, 3000, 3500, 4000}, "leaf inside the clip");
    expectBounds(stage->root().stageBounds(), {100, 0, 5000, 4000}, "the whole root");
    EXPECT_DOUBLE_EQ(list.at(1)->width(), 200.0);
    EXPECT_DOUBLE_EQ(list.at(1)->height(), 100.0);
}

TEST(Bounds, BitmapsTextsMorphsAndButtons) {
    swfwriter::MovieWriter m;
    uint16_t bitmap = m.defineBitsLossless(swfwriter::Image::filled(4, 3, 9, 9, 9), false);

    swfwriter::EditTextSpec field;
    field.bounds = {-40, 2000, -40, 400};  // xMin, xMax, yMin, yMax
    field.variableName = "v";
    field.initialText = "hello";
    uint16_t edit = m.defineEditText(field);

    swfwriter::FontSpec font;
    swfwriter::GlyphSpec glyph;
    glyph.outline.setFill1(1).rectangle(0, -1024, 512, 1024);  // em square 1024: one unit per twip at height 1024
    font.glyphs.push_back(glyph);
    uint16_t fontId = m.defineFont(font);
    swfwriter::TextSpec text;
    text.bounds = {0, 1, 0, 1};  // deliberately wrong: bounds come from the glyphs
    swfwriter::TextRecordSpec record;
    record.fontId = fontId;
    record.height = 1024;
    record.x = 100;
    record.y = 2000;
    record.glyphs = {{0, 600}, {0, 600}};
    text.records.push_back(record);
    uint16_t textId = m.defineText(text);

    swfwriter::MorphShapeSpec morph;
    morph.fills.push_back({});
    morph.start.setFill1(1).rectangle(0, 0, 1000, 1000);
    morph.end.rectangle(1000, 0, 1000, 1000);
    uint16_t morphId = m.defineMorphShape(morph);

    uint16_t small = m.rectangle(0, 0, 100, 100, kRed);
    uint16_t large = m.rectangle(0, 0, 300, 300, kRed);
    swfwriter::ButtonRecordSpec up;
    up.over = up.down = up.hit = false;
    up.characterId = small;
    swfwriter::ButtonRecordSpec over = up;
    over.up = false;
    over.over = true;
    over.characterId = large;
    uint16_t button = m.defineButton2({up, over}, {});

    m.place(bitmap, 1, at(100, 100));
    m.place(edit, 2, at(0, 0));
    m.place(textId, 3, at(0, 0));
    swfwriter::Place morphPlace = at(0, 0);
    morphPlace.ratio = 0;
    m.place(morphId, 4, morphPlace);
    m.place(button, 5, at(10000, 0));
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    const model::DisplayList& list = stage->root().displayList();

    expectBounds(list.at(1)->stageBounds(), {100, 100, 180, 160}, "bitmap: 20 twips per pixel");
    auto* field2 = list.at(2)->as<model::EditTextObject>();
    ASSERT_TRUE(field2);
    EXPECT_EQ(field2->text(), "hello");
    EXPECT_EQ(field2->variableName(), "v");
    expectBounds(field2->stageBounds(), {-40, -40, 2000, 400}, "edit text: its rectangle");
    expectBounds(list.at(3)->stageBounds(), {100, 976, 1212, 2000}, "static text: two glyphs 600 apart");

    auto* morph2 = list.at(4)->as<model::MorphObject>();
    ASSERT_TRUE(morph2);
    expectBounds(morph2->stageBounds(), {0, 0, 1000, 1000}, "morph at ratio 0");
    morph2->setRatio(65535);
    expectBounds(morph2->stageBounds(), {1000, 0, 2000, 1000}, "morph at the end");

    auto* button2 = list.at(5)->as<model::ButtonObject>();
    ASSERT_TRUE(button2);
    EXPECT_EQ(button2->state(), model::ButtonState::Up);
    expectBounds(button2->stageBounds(), {10000, 0, 10100, 100}, "button up");
    button2->setState(model::ButtonState::Over);
    ASSERT_EQ(button2->displayList().size(), 1u);
    EXPECT_EQ(button2->displayList().at(1)->characterId(), large);
    expectBounds(button2->stageBounds(), {10000, 0, 10300, 300}, "button over");
}

TEST(Properties, DecomposeAndRecomposeTheMatrix) {
    swfwriter::MovieWriter m;
    uint16_t shape = m.rectangle(0, 0, 2000, 1000, kRed);
    m.place(shape, 1, withMatrix(Matrix::scale(2, 2, 100, 200)));
    m.place(shape, 2, withMatrix(Matrix{0, 1, -1, 0, 5000, 0}));
    m.place(shape, 3, withMatrix(Matrix{1, 0, 0.5, 1, 0, 0}));  // skewed
    m.showFrame();
    m.modify(1, at(7000, 7000));
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    model::DisplayObject& scaled = *stage->root().displayList().at(1);
    model::DisplayObject& turned = *stage->root().displayList().at(2);
    model::DisplayObject& skewed = *stage->root().displayList().at(3);

    EXPECT_DOUBLE_EQ(scaled.x(), 5.0);
    EXPECT_DOUBLE_EQ(scaled.y(), 10.0);
    EXPECT_DOUBLE_EQ(scaled.xScale(), 200.0);
    EXPECT_DOUBLE_EQ(scaled.yScale(), 200.0);
    EXPECT_DOUBLE_EQ(scaled.rotation(), 0.0);
    EXPECT_DOUBLE_EQ(turned.rotation(), 90.0);
    EXPECT_DOUBLE_EQ(turned.xScale(), 100.0);

    turned.setRotation(405.0);  // 45 after wrapping
    EXPECT_NEAR(turned.matrix().a, std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(turned.matrix().b, std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(turned.matrix().c, -std::sqrt(0.5), 1e-12);
    EXPECT_NEAR(turned.matrix().d, std::sqrt(0.5), 1e-12);
    EXPECT_DOUBLE_EQ(turned.rotation(), 45.0);
    EXPECT_NEAR(turned.xScale(), 100.0, 1e-9);

    scaled.setXScale(-50.0);
    EXPECT_DOUBLE_EQ(scaled.xScale(), -50.0) << "the value written reads back, sign included";
    EXPECT_DOUBLE_EQ(scaled.matrix().a, -0.5);
    EXPECT_DOUBLE_EQ(scaled.matrix().d, 2.0);
    EXPECT_DOUBLE_EQ(scaled.rotation(), 0.0);
    EXPECT_DOUBLE_EQ(scaled.width(), 50.0);
    scaled.setWidth(100.0);
    EXPECT_DOUBLE_EQ(scaled.width(), 100.0);
    EXPECT_DOUBLE_EQ(scaled.xScale(), -100.0);

    skewed.setXScale(200.0);
    EXPECT_DOUBLE_EQ(skewed.matrix().a, 2.0);
    EXPECT_NEAR(skewed.matrix().b, 0.0, 1e-12);
    EXPECT_NEAR(skewed.matrix().c, 0.5, 1e-12) << "the skew stays";
    EXPECT_NEAR(skewed.matrix().d, 1.0, 1e-12);

    scaled.setX(12.34);
    EXPECT_DOUBLE_EQ(scaled.matrix().tx, 247.0) << "positions are whole twips";
    scaled.setY(std::nan(""));
    EXPECT_DOUBLE_EQ(scaled.matrix().ty, 200.0) << "a value that is not a number is ignored";
    scaled.setAlpha(50.0);
    EXPECT_EQ(scaled.colorTransform().aMult, 128);
    EXPECT_DOUBLE_EQ(scaled.alpha(), 50.0);

    // A script took the transform: the timeline's move at frame 1 leaves it.
    EXPECT_TRUE(scaled.isScriptTransformed());
    stage->advance();
    EXPECT_DOUBLE_EQ(scaled.matrix().tx, 247.0);
}

}  // namespace
