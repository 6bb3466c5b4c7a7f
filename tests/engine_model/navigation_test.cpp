// Navigation: jumps backwards and forwards, rewind/forward/back, clamping,
// labels and the targeted calls of the control.
#include "model_test_support.h"

using modeltest::at;
using modeltest::contents;
using modeltest::Entry;
using modeltest::idAt;
using modeltest::named;

namespace {

constexpr swfwriter::Color kRed{255, 0, 0};
constexpr swfwriter::Color kBlue{0, 0, 255};

struct Ids {
    uint16_t a = 0;
    uint16_t b = 0;
    uint16_t sprite = 0;
};

// Five frames:
//   0  label "start"; a at depth 1 (0,0); sprite "s" at depth 2; action 0x06
//   1  depth 1 moves to (100,0)
//   2  label "Middle"; b at depth 3 (5,5); action 0x07
//   3  depth 1 removed
//   4  a at depth 1 again, at (400,0)
std::vector<uint8_t> fiveFrames(Ids& ids, uint8_t version = 10) {
    swfwriter::MovieOptions options;
    options.version = version;
    swfwriter::MovieWriter m(options);
    ids.a = m.rectangle(0, 0, 100, 100, kRed);
    ids.b = m.rectangle(0, 0, 100, 100, kBlue);
    swfwriter::SpriteWriter s;
    for (int i = 0; i < 4; ++i)
        s.showFrame();
    ids.sprite = m.defineSprite(s);
    m.label("start");
    m.place(ids.a, 1, at(0, 0));
    m.place(ids.sprite, 2, named("s"));
    m.doAction(std::vector<uint8_t>{0x06, 0x00});
    m.showFrame();
    m.modify(1, at(100, 0));
    m.showFrame();
    m.label("Middle");
    m.place(ids.b, 3, at(5, 5));
    m.doAction(std::vector<uint8_t>{0x07, 0x00});
    m.showFrame();
    m.remove(1);
    m.showFrame();
    m.place(ids.a, 1, at(400, 0));
    m.showFrame();
    return m.finish();
}

std::vector<std::pair<model::ActionKind, uint8_t>> frameActions(model::Stage& stage) {
    std::vector<std::pair<model::ActionKind, uint8_t>> out;
    for (const auto& a : stage.takePendingActions())
        out.emplace_back(a.kind, a.bytes.empty() ? uint8_t(0) : a.bytes[0]);
    return out;
}

TEST(Navigation, GoingBackKeepsInstancesAtTheSameDepthWithTheSameCharacter) {
    Ids ids;
    auto stage = modeltest::load(fiveFrames(ids));
    ASSERT_TRUE(stage);
    model::MovieClip& root = stage->root();
    const uint64_t a0 = idAt(root, 1);
    const uint64_t s0 = idAt(root, 2);
    stage->advance();
    stage->advance();
    ASSERT_EQ(root.currentFrame(), 2u);
    ASSERT_EQ(modeltest::clipAt(root, 2)->currentFrame(), 2u);
    (void)stage->takePendingActions();

    stage->gotoFrame(0);
    EXPECT_EQ(root.currentFrame(), 0u);
    EXPECT_TRUE(stage->isPlaying()) << "gotoFrame leaves the playing flag alone";
    EXPECT_EQ(contents(root), (std::vector<Entry>{{1, ids.a, 0, 0}, {2, ids.sprite, 0, 0}}));
    EXPECT_EQ(idAt(root, 1), a0);
    EXPECT_EQ(idAt(root, 2), s0);
    EXPECT_EQ(modeltest::clipAt(root, 2)->currentFrame(), 2u) << "a kept clip keeps its own playhead";
    EXPECT_EQ(frameActions(*stage),
              (std::vector<std::pair<model::ActionKind, uint8_t>>{{model::ActionKind::Frame, 0x06}}));
}

TEST(Navigation, GoingForwardAppliesTheFramesBetweenAndRenewsWhatWasRemoved) {
    Ids ids;
    auto stage = modeltest::load(fiveFrames(ids));
    ASSERT_TRUE(stage);
    model::MovieClip& root = stage->root();
    const uint64_t a0 = idAt(root, 1);
    const uint64_t s0 = idAt(root, 2);
    (void)stage->takePendingActions();

    stage->gotoFrame(2);
    EXPECT_EQ(contents(root), (std::vector<Entry>{{1, ids.a, 100, 0}, {2, ids.sprite, 0, 0}, {3, ids.b, 5, 5}}));
    EXPECT_EQ(idAt(root, 1), a0);
    EXPECT_EQ(frameActions(*stage),
              (std::vector<std::pair<model::ActionKind, uint8_t>>{{model::ActionKind::Frame, 0x07}}))
        << "only the target frame's actions run";

    stage->gotoFrame(4);
    EXPECT_EQ(contents(root), (std::vector<Entry>{{1, ids.a, 400, 0}, {2, ids.sprite, 0, 0}, {3, ids.b, 5, 5}}));
    EXPECT_NE(idAt(root, 1), a0) << "removed at frame 3 and placed again at 4: a new instance";
    EXPECT_EQ(idAt(root, 2), s0);
    const uint64_t a4 = idAt(root, 1);

    // Back to frame 1: depth 1 ends with an a, so the frame-4 instance stays.
    stage->gotoFrame(1);
    EXPECT_EQ(contents(root), (std::vector<Entry>{{1, ids.a, 100, 0}, {2, ids.sprite, 0, 0}}));
    EXPECT_EQ(idAt(root, 1), a4);
}

// Replacements, PlaceObject 1 over an occupied depth, moves of a missing
// depth and removals, for comparing jumps with steps.
std::vector<uint8_t> replacingFrames() {
    swfwriter::MovieWriter m;
    uint16_t a = m.rectangle(0, 0, 100, 100, kRed);
    uint16_t b = m.rectangle(0, 0, 100, 100, kBlue);
    m.place(a, 1, at(10, 0));
    m.place(b, 2, at(20, 0));
    m.showFrame();
    m.replace(b, 1, at(30, 0));
    m.modify(9, at(1, 1));
    m.showFrame();
    m.placeObject1(a, 2, swfwriter::Matrix::translate(40, 0));
    m.remove(1);
    m.showFrame();
    m.place(b, 1, at(50, 0));
    m.replace(b, 2);
    m.showFrame();
    return m.finish();
}

TEST(Navigation, JumpsShowWhatSteppingShows) {
    Ids ids;
    for (const auto& file : {fiveFrames(ids), replacingFrames()}) {
        auto probe = modeltest::load(file);
        ASSERT_TRUE(probe);
        const uint32_t last = probe->totalFrames() - 1;
        for (uint32_t target = 0; target <= last; ++target) {
            auto stepped = modeltest::load(file);
            for (uint32_t i = 0; i < target; ++i)
                stepped->advance();
            auto fromStart = modeltest::load(file);
            fromStart->gotoFrame(target);
            auto fromEnd = modeltest::load(file);
            fromEnd->gotoFrame(last);
            fromEnd->gotoFrame(target);
            EXPECT_EQ(contents(fromStart->root()), contents(stepped->root())) << "frame " << target;
            EXPECT_EQ(contents(fromEnd->root()), contents(stepped->root())) << "frame " << target;
        }
    }
}

TEST(Navigation, ScriptCreatedObjectsSurviveJumpsBothWays) {
    Ids ids;
    auto stage = modeltest::load(fiveFrames(ids));
    ASSERT_TRUE(stage);
    auto mine = stage->root().createChild(ids.b, 30000, "mine");
    auto empty = stage->root().createEmptyClip(3, "holder");  // a depth the timeline uses at frame 2
    ASSERT_TRUE(mine && empty);
    stage->gotoFrame(4);
    stage->gotoFrame(0);
    stage->gotoFrame(3);
    EXPECT_EQ(stage->root().displayList().at(30000), mine.get());
    EXPECT_EQ(stage->root().displayList().at(3), empty.get()) << "the timeline's b does not displace it";
}

TEST(Navigation, FramesAreClampedAndTheCurrentFrameIsNotReentered) {
    Ids ids;
    auto stage = modeltest::load(fiveFrames(ids));
    ASSERT_TRUE(stage);
    stage->gotoFrame(99);
    EXPECT_EQ(stage->currentFrame(), 4u);
    stage->gotoFrame(-3);
    EXPECT_EQ(stage->currentFrame(), 0u);
    (void)stage->takePendingActions();
    stage->gotoFrame(0);
    EXPECT_EQ(stage->pendingActionCount(), 0u);
}

TEST(Navigation, RewindForwardAndBackStopThePlayhead) {
    Ids ids;
    auto stage = modeltest::load(fiveFrames(ids));
    ASSERT_TRUE(stage);
    stage->advance();
    stage->advance();
    stage->rewind();
    EXPECT_EQ(stage->currentFrame(), 0u);
    EXPECT_FALSE(stage->isPlaying());
    stage->play();
    stage->forward();
    EXPECT_EQ(stage->currentFrame(), 1u);
    EXPECT_FALSE(stage->isPlaying());
    for (int i = 0; i < 6; ++i)
        stage->forward();
    EXPECT_EQ(stage->currentFrame(), 4u) << "forward stops at the last frame";
    stage->back();
    EXPECT_EQ(stage->currentFrame(), 3u);
    stage->gotoFrame(0);
    stage->back();
    EXPECT_EQ(stage->currentFrame(), 0u);
}

TEST(Navigation, LabelsFollowTheVersionsCaseRule) {
    Ids ids;
    auto v10 = modeltest::load(fiveFrames(ids, 10));
    ASSERT_TRUE(v10);
    EXPECT_EQ(v10->currentLabel(), "start");
    v10->gotoFrame(1);
    EXPECT_EQ(v10->currentLabel(), "start") << "the last label at or before the frame";
    EXPECT_EQ(v10->root().labelOfFrame(1), std::nullopt);
    v10->gotoFrame(4);
    EXPECT_EQ(v10->currentLabel(), "Middle");
    EXPECT_FALSE(v10->gotoLabel("middle"));
    EXPECT_EQ(v10->currentFrame(), 4u);
    EXPECT_TRUE(v10->gotoLabel("Middle"));
    EXPECT_EQ(v10->currentFrame(), 2u);
    EXPECT_EQ(v10->root().labelOfFrame(2), "Middle");

    auto v6 = modeltest::load(fiveFrames(ids, 6));
    ASSERT_TRUE(v6);
    EXPECT_TRUE(v6->gotoLabel("MIDDLE"));
    EXPECT_EQ(v6->currentFrame(), 2u);
    EXPECT_FALSE(v6->gotoLabel("nowhere"));
}

TEST(Navigation, TargetedCallsReachSpritesAndReportMissingTargets) {
    Ids ids;
    auto stage = modeltest::load(fiveFrames(ids));
    ASSERT_TRUE(stage);
    model::MovieClip* s = modeltest::clipAt(stage->root(), 2);
    ASSERT_TRUE(s);
    EXPECT_EQ(stage->gotoFrameTarget("/s", 3), model::TargetStatus::Ok);
    EXPECT_EQ(s->currentFrame(), 3u);
    EXPECT_EQ(stage->currentFrameOf("_root.s"), 3u);
    EXPECT_EQ(stage->currentLabelOf("/s"), "");
    EXPECT_EQ(stage->stopTarget("_level0.s"), model::TargetStatus::Ok);
    EXPECT_FALSE(s->isPlaying());
    EXPECT_EQ(stage->playTarget("/s"), model::TargetStatus::Ok);
    EXPECT_TRUE(s->isPlaying());
    EXPECT_EQ(stage->gotoLabelTarget("/", "Middle"), model::TargetStatus::Ok);
    EXPECT_EQ(stage->currentFrame(), 2u);
    EXPECT_EQ(stage->gotoLabelTarget("/", "nowhere"), model::TargetStatus::LabelNotFound);
    EXPECT_EQ(stage->playTarget("/nope"), model::TargetStatus::TargetNotFound);
    EXPECT_EQ(stage->gotoFrameTarget("/nope", 1), model::TargetStatus::TargetNotFound);
    EXPECT_EQ(stage->currentFrameOf("/nope"), std::nullopt);
    EXPECT_EQ(stage->currentLabelOf("_root.nope"), std::nullopt);
}

TEST(Navigation, TotalFramesCountsTheFramesTheFileHas) {
    swfwriter::MovieOptions options;
    options.frameCount = 10;
    swfwriter::MovieWriter m(options);
    m.showFrame();
    m.showFrame();
    auto stage = modeltest::load(m);
    ASSERT_TRUE(stage);
    EXPECT_EQ(stage->totalFrames(), 2u);
    EXPECT_EQ(stage->declaredFrameCount(), 10u);
    stage->gotoFrame(9);
    EXPECT_EQ(stage->currentFrame(), 1u);

    swfwriter::MovieWriter empty;
    auto none = modeltest::load(empty);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->totalFrames(), 1u) << "no frames plays as one empty frame";
    none->advance();
    EXPECT_EQ(none->currentFrame(), 0u);
}

}  // namespace
