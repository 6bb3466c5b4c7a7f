// Change tracking: the rectangles reported after ticks, navigation and
// property changes, and nothing when nothing changed.
#include "model_test_support.h"

#include "model/edit_text_object.h"

using modeltest::at;

namespace {

constexpr swfwriter::Color kRed{255, 0, 0};

// swf::Rect is {xMin, xMax, yMin, yMax}.
using Rects = std::vector<swf::Rect>;

std::string show(const Rects& rects) {
    std::string s;
    for (const auto& r : rects)
        s += "{" + std::to_string(r.xMin) + "," + std::to_string(r.yMin) + " - " + std::to_string(r.xMax) + "," +
             std::to_string(r.yMax) + "} ";
    return s;
}

#define EXPECT_RECTS(changes, ...)                                                                    \
    do {                                                                                              \
        Rects expected_{__VA_ARGS__};                                                                 \
        model::ChangeSet c_ = (changes);                                                              \
        EXPECT_FALSE(c_.everything);                                                                  \
        EXPECT_EQ(c_.rects, expected_) << "expected " << show(expected_) << "got " << show(c_.rects); \
    } while (0)

TEST(Changes, AMovingSquareReportsOldAndNewBoundsAndNothingWhenStill) {
    swfwriter::MovieWriter m;  // 550 x 400 pixels
    uint16_t square = m.rectangle(0, 0, 2000, 2000, kRed);
    m.place(square, 1, at(0, 0));
    m.showFrame();
    m.modify(1, at(1000, 0));
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);

    model::ChangeSet first = stage->collectChanges();
    EXPECT_TRUE(first.everything);
    EXPECT_EQ(first.rects, (Rects{{0, 11000, 0, 8000}, {0, 2000, 0, 2000}}));
    EXPECT_TRUE(stage->collectChanges().empty());

    stage->advance();
    EXPECT_RECTS(stage->collectChanges(), {0, 2000, 0, 2000}, {1000, 3000, 0, 2000});
    EXPECT_TRUE(stage->collectChanges().empty());

    stage->stop();
    stage->advance();
    EXPECT_TRUE(stage->collectChanges().empty()) << "a stopped movie changes nothing";

    stage->play();
    stage->advance();  // loops back: the square returns
    EXPECT_RECTS(stage->collectChanges(), {1000, 3000, 0, 2000}, {0, 2000, 0, 2000});
}

TEST(Changes, ObjectsWithFiltersInvalidateTheirMarginToo) {
    // 100 twips left per filter, 200 right; a clip's margin adds to its children's.
    swfwriter::MovieWriter m;
    uint16_t square = m.rectangle(0, 0, 2000, 2000, kRed);
    m.place(square, 1, at(0, 0));
    m.showFrame();
    m.modify(1, at(1000, 0));
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    stage->setFilterMargin([](const std::vector<swf::Filter>& f) {
        return model::FilterMargin{100.0 * double(f.size()), 0.0, 200.0, 0.0};
    });
    (void)stage->collectChanges();
    const std::vector<swf::Filter> two(2);
    stage->root().displayList().at(1)->setFilters(&two);
    EXPECT_RECTS(stage->collectChanges(), {0, 2000, 0, 2000}, {-200, 2200, 0, 2000});
    stage->advance();
    EXPECT_RECTS(stage->collectChanges(), {-200, 2200, 0, 2000}, {800, 3200, 0, 2000});
    const std::vector<swf::Filter> one(1);
    stage->root().setFilters(&one);
    EXPECT_RECTS(stage->collectChanges(), {800, 3200, 0, 2000}, {700, 3400, 0, 2000});
}

TEST(Changes, VisibilityColourRemovalTextAndBackground) {
    swfwriter::MovieWriter m;
    uint16_t square = m.rectangle(0, 0, 2000, 2000, kRed);
    swfwriter::EditTextSpec field;
    field.bounds = {0, 1000, 5000, 5400};
    uint16_t edit = m.defineEditText(field);
    m.place(square, 1, at(100, 100));
    m.place(edit, 2, at(0, 0));
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    (void)stage->collectChanges();
    model::DisplayObject& sq = *stage->root().displayList().at(1);
    const swf::Rect sqRect{100, 2100, 100, 2100};

    sq.setVisible(false);
    EXPECT_RECTS(stage->collectChanges(), sqRect);
    sq.setVisible(true);
    EXPECT_RECTS(stage->collectChanges(), sqRect);

    swf::ColorTransform half;
    half.aMult = 128;
    sq.setColorTransform(half);
    EXPECT_RECTS(stage->collectChanges(), sqRect);

    auto* text = stage->root().displayList().at(2)->as<model::EditTextObject>();
    ASSERT_TRUE(text);
    text->setText("changed");
    EXPECT_RECTS(stage->collectChanges(), {0, 1000, 5000, 5400});
    text->setText("changed");
    EXPECT_TRUE(stage->collectChanges().empty());

    stage->setBackgroundColor({1, 2, 3, 255});
    model::ChangeSet all = stage->collectChanges();
    EXPECT_TRUE(all.everything);
    EXPECT_EQ(all.rects, (Rects{{0, 11000, 0, 8000}}));
    stage->setBackgroundColor({1, 2, 3, 255});
    EXPECT_TRUE(stage->collectChanges().empty());

    EXPECT_TRUE(stage->root().removeChild(1));
    EXPECT_RECTS(stage->collectChanges(), sqRect);
    auto added = stage->root().createChild(square, 7, "again");
    ASSERT_TRUE(added);
    added->setX(300);
    EXPECT_RECTS(stage->collectChanges(), {6000, 8000, 0, 2000});
}

TEST(Changes, ASpriteAdvancingItsOwnFrameReportsItsChild) {
    swfwriter::MovieWriter m;
    uint16_t square = m.rectangle(0, 0, 100, 100, kRed);
    swfwriter::SpriteWriter s;
    s.place(square, 1, at(0, 0));
    s.showFrame();
    s.modify(1, at(200, 0));
    s.showFrame();
    uint16_t sprite = m.defineSprite(s);
    m.place(sprite, 1, at(1000, 1000));
    m.showFrame();  // a one-frame root: only the sprite moves
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    (void)stage->collectChanges();
    stage->advance();
    EXPECT_RECTS(stage->collectChanges(), {1000, 1100, 1000, 1100}, {1200, 1300, 1000, 1100});
}

TEST(Changes, MaskedObjectsReportOnlyWhatTheMaskShows) {
    swfwriter::MovieWriter m;
    uint16_t mask = m.rectangle(0, 0, 1000, 1000, kRed);
    uint16_t square = m.rectangle(0, 0, 2000, 2000, kRed);
    swfwriter::Place maskPlace = at(0, 0);
    maskPlace.clipDepth = 3;
    m.place(mask, 1, maskPlace);
    m.place(square, 2, at(0, 0));
    m.showFrame();
    m.modify(2, at(500, 0));
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    (void)stage->collectChanges();
    stage->advance();
    EXPECT_RECTS(stage->collectChanges(), {0, 1000, 0, 1000}, {500, 1000, 0, 1000});
}

TEST(Changes, ReorderingReportsTheObjectThatChangedPlace) {
    swfwriter::MovieWriter m;
    uint16_t square = m.rectangle(0, 0, 2000, 2000, kRed);
    m.place(square, 1, at(0, 0));
    m.place(square, 2, at(1000, 0));
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    (void)stage->collectChanges();
    stage->root().swapChildren(1, 2);
    EXPECT_RECTS(stage->collectChanges(), {0, 2000, 0, 2000});
}

TEST(Changes, ManyRectanglesMergeIntoTheirUnion) {
    swfwriter::MovieWriter m;
    uint16_t square = m.rectangle(0, 0, 100, 100, kRed);
    for (uint16_t i = 1; i <= 3; ++i)
        m.place(square, i, at(i * 1000, 0));
    m.showFrame();
    for (uint16_t i = 1; i <= 3; ++i)
        m.modify(i, at(i * 1000, 500));
    m.showFrame();
    model::Limits limits;
    limits.maxChangeRects = 4;
    auto stage = modeltest::load(m.finish(), limits);
    ASSERT_TRUE(stage);
    (void)stage->collectChanges();
    stage->advance();
    EXPECT_RECTS(stage->collectChanges(), {1000, 3100, 0, 600});
}

}  // namespace

TEST(Changes, ScrollWindowsAndOpaqueBackgrounds) {
    // A sprite at (0, 0) holding two squares: 0..1000 and 3000..4000 twips.
    swfwriter::MovieWriter m;
    const uint16_t square = m.rectangle(0, 0, 1000, 1000, kRed);
    swfwriter::SpriteWriter s;
    s.place(square, 1, at(0, 0));
    s.place(square, 2, at(3000, 3000));
    s.showFrame();
    const uint16_t clip = m.defineSprite(s);
    m.place(clip, 1, at(0, 0));
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    (void)stage->collectChanges();
    model::DisplayObject& sprite = *stage->root().displayList().at(1);
    auto window = [](double x0, double y0, double x1, double y1) {
        swf::Bounds b;
        b.add(swf::Point{x0, y0});
        b.add(swf::Point{x1, y1});
        return b;
    };

    // The window shows 500..2500: the first square's right half, shifted to the origin.
    sprite.setScrollRect(window(500, 500, 2500, 2500));
    EXPECT_RECTS(stage->collectChanges(), {0, 1000, 0, 1000}, {0, 500, 0, 500}, {3000, 4000, 3000, 4000});
    EXPECT_EQ(sprite.width(), 100.0) << "the window's size";
    // Scrolling changes what shows inside the window only.
    sprite.setScrollRect(window(0, 0, 2000, 2000));
    EXPECT_RECTS(stage->collectChanges(), {0, 500, 0, 500}, {0, 1000, 0, 1000});
    sprite.setScrollRect(std::nullopt);
    (void)stage->collectChanges();

    // A background covers the bounds of all the content, and follows them.
    sprite.setOpaqueBackground(swf::Rgba{0, 255, 0, 255});
    EXPECT_RECTS(stage->collectChanges(), {0, 4000, 0, 4000}, {0, 1000, 0, 1000}, {3000, 4000, 3000, 4000});
    sprite.children()->at(2)->setX(250);
    EXPECT_RECTS(stage->collectChanges(), {0, 4000, 0, 4000}, {0, 6000, 0, 4000}, {3000, 4000, 3000, 4000},
                 {5000, 6000, 3000, 4000});
    EXPECT_TRUE(stage->collectChanges().empty());
}
