// Timelines played tick by tick: placing, moving, replacing and removing
// objects, looping, stopping, nested sprites and the order of actions.
#include "model_test_support.h"

#include "model/pending_action.h"

using modeltest::at;
using modeltest::contents;
using modeltest::Entry;
using modeltest::idAt;
using modeltest::named;
using swfwriter::Matrix;

namespace {

constexpr swfwriter::Color kRed{255, 0, 0};
constexpr swfwriter::Color kBlue{0, 0, 255};

TEST(Timeline, PlaceMoveReplaceAndRemoveFrameByFrame) {
    swfwriter::MovieWriter m;
    uint16_t a = m.rectangle(0, 0, 2000, 2000, kRed);
    uint16_t b = m.rectangle(0, 0, 1000, 1000, kBlue);
    m.place(a, 1, at(100, 100, "first"));
    m.place(b, 2, at(0, 500));
    m.showFrame();
    m.modify(1, at(300, 100));
    m.showFrame();
    m.replace(b, 1);  // a new character, nothing else: keeps matrix and name
    m.showFrame();
    m.remove(2);
    m.showFrame();
    m.placeObject1(a, 1, Matrix::translate(50, 60));  // always places, replacing b
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    model::MovieClip& root = stage->root();

    EXPECT_EQ(contents(root), (std::vector<Entry>{{1, a, 100, 100}, {2, b, 0, 500}}));
    EXPECT_EQ(root.displayList().at(1)->name(), "first");
    uint64_t firstA = idAt(root, 1);

    stage->advance();
    EXPECT_EQ(root.currentFrame(), 1u);
    EXPECT_EQ(contents(root), (std::vector<Entry>{{1, a, 300, 100}, {2, b, 0, 500}}));
    EXPECT_EQ(idAt(root, 1), firstA) << "a move keeps the instance";

    stage->advance();
    EXPECT_EQ(contents(root), (std::vector<Entry>{{1, b, 300, 100}, {2, b, 0, 500}}));
    EXPECT_NE(idAt(root, 1), firstA) << "another character is another instance";
    EXPECT_EQ(root.displayList().at(1)->name(), "first");

    stage->advance();
    EXPECT_EQ(contents(root), (std::vector<Entry>{{1, b, 300, 100}}));

    stage->advance();
    EXPECT_EQ(root.currentFrame(), 4u);
    EXPECT_EQ(contents(root), (std::vector<Entry>{{1, a, 50, 60}}));
    uint64_t lastA = idAt(root, 1);

    // Past the last frame the movie loops: frame 0 is rebuilt, and the a at
    // depth 1 stays the same instance because frame 0 has an a there too.
    stage->advance();
    EXPECT_EQ(root.currentFrame(), 0u);
    EXPECT_EQ(contents(root), (std::vector<Entry>{{1, a, 100, 100}, {2, b, 0, 500}}));
    EXPECT_EQ(idAt(root, 1), lastA);
    EXPECT_EQ(root.displayList().at(1)->name(), "first");
}

TEST(Timeline, StopHoldsThePlayheadAndPlayResumes) {
    swfwriter::MovieWriter m;
    for (int i = 0; i < 3; ++i)
        m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    EXPECT_TRUE(stage->isPlaying());
    stage->stop();
    stage->advance();
    stage->advance();
    EXPECT_FALSE(stage->isPlaying());
    EXPECT_EQ(stage->currentFrame(), 0u);
    stage->play();
    stage->advance();
    EXPECT_EQ(stage->currentFrame(), 1u);
}

TEST(Timeline, OneFrameMovieStaysAndDoesNotReenterItsFrame) {
    swfwriter::MovieWriter m;
    m.doAction(std::vector<uint8_t>{0x06, 0x00});
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    auto first = stage->takePendingActions();
    ASSERT_EQ(first.size(), 2u);
    EXPECT_EQ(first[0].kind, model::ActionKind::Frame);
    EXPECT_EQ(first[1].kind, model::ActionKind::ClipLoad);
    for (int i = 0; i < 3; ++i)
        stage->advance();
    EXPECT_EQ(stage->currentFrame(), 0u);
    EXPECT_EQ(stage->pendingActionCount(), 0u) << "a one-frame movie does not run its frame again";
}

// A sprite whose only child walks right by 100 twips per frame, 3 frames.
uint16_t walkingSprite(swfwriter::MovieWriter& m, uint16_t shape) {
    swfwriter::SpriteWriter s;
    s.place(shape, 1, at(0, 0));
    s.showFrame();
    s.modify(1, at(100, 0));
    s.showFrame();
    s.modify(1, at(200, 0));
    s.showFrame();
    return m.defineSprite(s);
}

TEST(Timeline, NestedSpritesAdvanceWithTheirOwnPlayheads) {
    swfwriter::MovieWriter m;
    uint16_t shape = m.rectangle(0, 0, 100, 100, kRed);
    uint16_t sprite = walkingSprite(m, shape);
    m.place(sprite, 1, named("s"));
    m.showFrame();
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    model::MovieClip& root = stage->root();
    model::MovieClip* s = modeltest::clipAt(root, 1);
    ASSERT_TRUE(s);
    const uint64_t spriteId = s->id();

    // root frame, sprite frame, child x after each tick
    const struct {
        uint32_t root;
        uint32_t sprite;
        double childX;
    } expected[] = {{1, 1, 100}, {0, 2, 200}, {1, 0, 0}, {0, 1, 100}};
    for (const auto& e : expected) {
        stage->advance();
        s = modeltest::clipAt(root, 1);
        ASSERT_TRUE(s);
        EXPECT_EQ(s->id(), spriteId) << "the root's loop keeps the sprite (same depth, same character)";
        EXPECT_EQ(root.currentFrame(), e.root);
        EXPECT_EQ(s->currentFrame(), e.sprite);
        EXPECT_EQ(s->displayList().at(1)->matrix().tx, e.childX);
    }
}

TEST(Timeline, NewSpriteStartsAtFrameZeroAndAdvancesFromTheNextTick) {
    swfwriter::MovieWriter m;
    uint16_t shape = m.rectangle(0, 0, 100, 100, kRed);
    uint16_t sprite = walkingSprite(m, shape);
    m.showFrame();
    m.place(sprite, 1);
    m.showFrame();
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    stage->advance();
    model::MovieClip* s = modeltest::clipAt(stage->root(), 1);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->currentFrame(), 0u);
    EXPECT_EQ(s->name(), "instance1") << "unnamed clips get the player's instanceN names";
    stage->advance();
    EXPECT_EQ(s->currentFrame(), 1u);
    EXPECT_EQ(s->displayList().at(1)->matrix().tx, 100);
}

// The first byte of an action block tells the blocks of this test apart.
struct Seen {
    model::ActionKind kind;
    const model::MovieClip* clip;
    uint8_t first;

    friend bool operator==(const Seen&, const Seen&) = default;
    friend std::ostream& operator<<(std::ostream& os, const Seen& s) {
        return os << "{kind " << int(s.kind) << ", clip " << s.clip << ", byte " << int(s.first) << "}";
    }
};

std::vector<Seen> seen(std::vector<model::PendingAction> actions) {
    std::vector<Seen> out;
    for (const auto& a : actions)
        out.push_back({a.kind, a.clip.get(), a.bytes.empty() ? uint8_t(0) : a.bytes[0]});
    return out;
}

TEST(Timeline, ActionsQueueInitFirstThenEachClipBeforeWhatItCreated) {
    using K = model::ActionKind;
    swfwriter::MovieWriter m;
    swfwriter::SpriteWriter s;
    s.doAction(std::vector<uint8_t>{0x04, 0x00});
    s.showFrame();
    s.doAction(std::vector<uint8_t>{0x0A, 0x00});
    s.showFrame();
    uint16_t sprite = m.defineSprite(s);
    m.doAction(std::vector<uint8_t>{0x06, 0x00});
    m.place(sprite, 2);
    m.place(sprite, 1);
    m.doAction(std::vector<uint8_t>{0x07, 0x00});
    m.doInitAction(sprite, swfwriter::Actions().stop());
    m.showFrame();
    m.doAction(std::vector<uint8_t>{0x05, 0x00});
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    const model::MovieClip* root = &stage->root();
    const model::MovieClip* s1 = modeltest::clipAt(stage->root(), 1);
    const model::MovieClip* s2 = modeltest::clipAt(stage->root(), 2);
    ASSERT_TRUE(s1 && s2);

    EXPECT_EQ(seen(stage->takePendingActions()), (std::vector<Seen>{{K::Init, root, 0x07},
                                                                    {K::Frame, root, 0x06},
                                                                    {K::Frame, root, 0x07},
                                                                    {K::ClipLoad, root, 0},
                                                                    {K::Frame, s1, 0x04},
                                                                    {K::ClipLoad, s1, 0},
                                                                    {K::Frame, s2, 0x04},
                                                                    {K::ClipLoad, s2, 0}}));
    stage->advance();
    EXPECT_EQ(seen(stage->takePendingActions()),
              (std::vector<Seen>{{K::Frame, root, 0x05}, {K::Frame, s1, 0x0A}, {K::Frame, s2, 0x0A}}));
    // The loop back re-enters frame 0 (its frame actions again, the init
    // action not: it runs once); both sprites stay and advance to frame 0.
    stage->advance();
    EXPECT_EQ(seen(stage->takePendingActions()),
              (std::vector<Seen>{
                  {K::Frame, root, 0x06}, {K::Frame, root, 0x07}, {K::Frame, s1, 0x04}, {K::Frame, s2, 0x04}}));
}

TEST(Timeline, RemovingAClipQueuesItsUnloadWithTheClipOffStage) {
    swfwriter::MovieWriter m;
    swfwriter::SpriteWriter s;
    s.showFrame();
    uint16_t sprite = m.defineSprite(s);
    m.place(sprite, 1);
    m.showFrame();
    m.remove(1);
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    std::shared_ptr<model::DisplayObject> clip = stage->root().displayList().entries().at(1);
    (void)stage->takePendingActions();
    stage->advance();
    auto actions = stage->takePendingActions();
    ASSERT_EQ(actions.size(), 1u);
    EXPECT_EQ(actions[0].kind, model::ActionKind::ClipUnload);
    EXPECT_EQ(actions[0].clip.get(), clip.get());
    EXPECT_FALSE(clip->isOnStage());
    EXPECT_EQ(clip->parent(), nullptr);
}

TEST(Timeline, ScriptCreatedObjectsAreNeverTouchedByTheTimeline) {
    swfwriter::MovieWriter m;
    uint16_t a = m.rectangle(0, 0, 100, 100, kRed);
    uint16_t b = m.rectangle(0, 0, 100, 100, kBlue);
    m.showFrame();
    m.place(b, 5, at(7, 7));
    m.showFrame();
    m.modify(5, at(9, 9));
    m.showFrame();
    m.remove(5);
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    auto created = stage->root().createChild(a, 5, "mine");
    ASSERT_TRUE(created);
    EXPECT_EQ(created->origin(), model::Origin::Script);
    for (int i = 0; i < 3; ++i) {
        stage->advance();
        EXPECT_EQ(stage->root().displayList().at(5), created.get()) << "after tick " << i;
        EXPECT_EQ(created->matrix().tx, 0);
    }
}

}  // namespace
