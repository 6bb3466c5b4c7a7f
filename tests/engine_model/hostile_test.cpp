// Movies built to hurt: bad character references, self-nesting sprites,
// floods of objects, frames larger than the work budget. Each has a defined
// outcome and stays within the limits.
#include "model_test_support.h"

using modeltest::at;
using modeltest::contents;
using modeltest::Entry;

namespace {

constexpr swfwriter::Color kRed{255, 0, 0};

TEST(Hostile, UndefinedAndUndisplayableCharactersAreIgnored) {
    swfwriter::MovieWriter m;
    uint16_t shape = m.rectangle(0, 0, 100, 100, kRed);
    swfwriter::FontSpec font;
    uint16_t fontId = m.defineFont(font);
    m.place(999, 1, at(0, 0));     // never defined
    m.place(fontId, 2, at(0, 0));  // a font cannot be shown
    m.place(shape, 3, at(0, 0));
    m.showFrame();
    m.replace(999, 3, at(50, 50));  // the move applies, the character stays
    m.modify(4, at(1, 1));          // nothing at depth 4
    m.remove(5);                    // nothing at depth 5
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    EXPECT_EQ(contents(stage->root()), (std::vector<Entry>{{3, shape, 0, 0}}));
    stage->advance();
    EXPECT_EQ(contents(stage->root()), (std::vector<Entry>{{3, shape, 50, 50}}));
    EXPECT_EQ(stage->diagnostics().undefinedCharacters, 2u);
    EXPECT_EQ(stage->diagnostics().wrongKindCharacters, 1u);
    // The same frames again through a jump give the same picture.
    stage->gotoFrame(0);
    stage->gotoFrame(1);
    EXPECT_EQ(contents(stage->root()), (std::vector<Entry>{{3, shape, 50, 50}}));
}

uint32_t deepest(const model::DisplayObject& o) {
    uint32_t d = o.nesting();
    if (const model::DisplayList* list = o.children()) {
        for (const auto& [depth, child] : *list)
            d = std::max(d, deepest(*child));
    }
    return d;
}

TEST(Hostile, ASpriteThatPlacesItselfStopsAtTheNestingLimit) {
    swfwriter::MovieWriter m;
    swfwriter::SpriteWriter s;
    s.place(1, 1);  // itself: the sprite will get id 1
    s.showFrame();
    s.showFrame();
    ASSERT_EQ(m.defineSprite(s), 1);
    m.place(1, 1);
    m.showFrame();
    model::Limits limits;
    limits.maxNesting = 20;
    auto stage = modeltest::load(m.finish(), limits);
    ASSERT_TRUE(stage);
    EXPECT_EQ(deepest(stage->root()), 20u);
    EXPECT_EQ(stage->liveObjects(), 21u);  // the root and a chain of 20 clips
    EXPECT_EQ(stage->diagnostics().nestingLimitHits, 1u);
    for (int i = 0; i < 4; ++i)
        stage->advance();
    EXPECT_EQ(stage->liveObjects(), 21u);
}

TEST(Hostile, ASpriteThatDoublesItselfStopsAtTheObjectLimit) {
    swfwriter::MovieWriter m;
    swfwriter::SpriteWriter s;
    s.place(1, 1);
    s.place(1, 2);
    s.showFrame();
    ASSERT_EQ(m.defineSprite(s), 1);
    m.place(1, 1);
    m.showFrame();
    model::Limits limits;
    limits.maxDisplayObjects = 5000;
    auto stage = modeltest::load(m.finish(), limits);
    ASSERT_TRUE(stage);
    EXPECT_EQ(stage->liveObjects(), 5000u);
    EXPECT_GT(stage->diagnostics().objectLimitHits, 0u);
    stage->advance();
    (void)stage->collectChanges();
    EXPECT_LE(stage->liveObjects(), 5000u);
}

TEST(Hostile, AFloodOfPlacementsIsCutAtTheObjectLimit) {
    swfwriter::MovieWriter m;
    uint16_t shape = m.rectangle(0, 0, 100, 100, kRed);
    for (uint16_t depth = 1; depth <= 5000; ++depth)
        m.place(shape, depth);
    m.showFrame();
    model::Limits limits;
    limits.maxDisplayObjects = 1000;
    auto stage = modeltest::load(m.finish(), limits);
    ASSERT_TRUE(stage);
    EXPECT_EQ(stage->liveObjects(), 1000u);
    EXPECT_EQ(stage->root().displayList().size(), 999u) << "the root itself is one of the thousand";
    EXPECT_EQ(stage->diagnostics().objectLimitHits, 4001u);
}

TEST(Hostile, AFrameLargerThanTheWorkBudgetIsNotEntered) {
    swfwriter::MovieWriter m;
    uint16_t shape = m.rectangle(0, 0, 100, 100, kRed);
    m.showFrame();
    for (uint16_t depth = 1; depth <= 100; ++depth)
        m.place(shape, depth);
    m.showFrame();
    model::Limits limits;
    limits.maxTagsPerOperation = 50;
    auto stage = modeltest::load(m.finish(), limits);
    ASSERT_TRUE(stage);
    stage->advance();
    EXPECT_EQ(stage->currentFrame(), 0u) << "the frame is refused whole, never half applied";
    EXPECT_TRUE(stage->root().displayList().empty());
    stage->gotoFrame(1);
    EXPECT_EQ(stage->currentFrame(), 0u);
    EXPECT_EQ(stage->diagnostics().budgetHits, 2u);
}

TEST(Hostile, TheActionQueueStopsGrowingAtItsLimit) {
    swfwriter::MovieWriter m;
    for (int i = 0; i < 5; ++i)
        m.doAction(std::vector<uint8_t>{0x06, 0x00});
    m.showFrame();
    m.showFrame();
    model::Limits limits;
    limits.maxPendingActions = 3;
    auto stage = modeltest::load(m.finish(), limits);
    ASSERT_TRUE(stage);
    EXPECT_EQ(stage->pendingActionCount(), 3u);
    EXPECT_EQ(stage->diagnostics().droppedActions, 3u);  // five frame actions and the root's load
    EXPECT_EQ(stage->takePendingActions().size(), 3u);
    EXPECT_EQ(stage->pendingActionCount(), 0u);
}

TEST(Hostile, NoMovieNoStageAndObjectsOutlivingTheStage) {
    EXPECT_EQ(model::Stage::create(nullptr), nullptr);

    swfwriter::MovieWriter m;
    uint16_t shape = m.rectangle(0, 0, 100, 100, kRed);
    m.place(shape, 1, at(20, 20));
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    std::shared_ptr<model::DisplayObject> kept = stage->root().displayList().entries().at(1);
    std::shared_ptr<model::MovieClip> root = stage->rootPtr();
    EXPECT_TRUE(kept->isOnStage());
    stage.reset();
    EXPECT_FALSE(kept->isOnStage()) << "the stage is gone even though its root is still referenced";
    root.reset();
    EXPECT_EQ(kept->parent(), nullptr);
    EXPECT_FALSE(kept->stageBounds().empty) << "its character data is still alive";
}

}  // namespace

TEST(Hostile, AClipWhoseTextShowsItselfStopsAtTheLimits) {
    // The sprite holds a field whose markup shows that sprite, twice.
    const uint16_t spriteId = 2;
    swfwriter::MovieWriter m;
    const uint16_t field = m.defineEditText(
        {.bounds = {0, 2000, 0, 400},
         .html = true,
         .initialText = "<img src='self' width='10' height='10'><img src='self' width='10' height='10'>"});
    swfwriter::SpriteWriter s;
    s.place(field, 1);
    s.showFrame();
    ASSERT_EQ(m.defineSprite(s), spriteId);
    m.exportAssets({{spriteId, "self"}});
    m.place(spriteId, 1);
    m.showFrame();
    model::Limits limits;
    limits.maxDisplayObjects = 2000;
    auto stage = modeltest::load(m, limits);
    ASSERT_TRUE(stage);
    EXPECT_LE(stage->liveObjects(), limits.maxDisplayObjects);
    stage->advance();
    EXPECT_LE(stage->liveObjects(), limits.maxDisplayObjects);
}
