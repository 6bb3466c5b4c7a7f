// Playback on the thread timer, driven through GetMessageW and
// DispatchMessageW under the platform's manual clock, and the invalidations
// each step sends to the site.
//
// The moving movie: a 200 x 100 pixel stage at 10 frames per second, a
// 40-pixel red square at y = 20 whose left edge is at x = 20, 30 and 40 in
// frames 0, 1 and 2. Invalidated areas are the square's bounds in pixels
// with one pixel to spare on each side.
#include "control_harness.h"

#include "actions.h"

#include "platform/testing.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace controltest;

namespace {

std::string movingSquare(double frameRate = 10.0) {
    swfwriter::MovieWriter movie({.width = 200, .height = 100, .frameRate = frameRate});
    movie.background({255, 255, 255});
    const uint16_t square = movie.rectangle(0, 0, 800, 800, {255, 0, 0});
    movie.place(square, 1, {.matrix = swfwriter::Matrix::translate(400, 400)});
    movie.showFrame();
    movie.modify(1, {.move = true, .matrix = swfwriter::Matrix::translate(600, 400)});
    movie.showFrame();
    movie.modify(1, {.move = true, .matrix = swfwriter::Matrix::translate(800, 400)});
    movie.showFrame();
    return saveMovie(movie, "moving.swf");
}

std::string stillSquare() {
    swfwriter::MovieWriter movie({.width = 200, .height = 100, .frameRate = 10});
    const uint16_t square = movie.rectangle(400, 400, 800, 800, {255, 0, 0});
    movie.place(square, 1);
    movie.showFrame();
    return saveMovie(movie, "still.swf");
}

std::vector<std::string> described(const std::vector<std::optional<RECT>>& rects) {
    std::vector<std::string> out;
    for (const auto& r : rects)
        out.push_back(describe(r));
    std::sort(out.begin(), out.end());
    return out;
}

class Playback : public ::testing::Test {
protected:
    void SetUp() override { platform::testing::UseManualClock(1'000'000); }
    void TearDown() override {
        // Clocks change only while no timer is set.
        control.close();
        platform::testing::UseRealClock();
    }

    LONG frame() {
        LONG value = -2;
        EXPECT_EQ(control.flash->CurrentFrame(&value), S_OK);
        return value;
    }
    bool playing() {
        VARIANT_BOOL value = 7;
        EXPECT_EQ(control.flash->IsPlaying(&value), S_OK);
        EXPECT_TRUE(value == VARIANT_TRUE || value == VARIANT_FALSE);
        return value == VARIANT_TRUE;
    }

    Control control;
};

TEST_F(Playback, TheTimerAdvancesAtTheFrameRateAndLoops) {
    ASSERT_EQ(loadMovie(control.flash.get(), movingSquare()), S_OK);
    EXPECT_EQ(frame(), 0);
    EXPECT_TRUE(playing());
    EXPECT_EQ(runClock(99), 0) << "100 ms per frame";
    EXPECT_EQ(frame(), 0);
    EXPECT_EQ(runClock(1), 1);
    EXPECT_EQ(frame(), 1);
    EXPECT_EQ(runClock(100), 1);
    EXPECT_EQ(frame(), 2);
    EXPECT_EQ(runClock(100), 1);
    EXPECT_EQ(frame(), 0) << "the movie loops";
}

TEST_F(Playback, WithoutLoopTheMovieStopsOnItsLastFrame) {
    ASSERT_EQ(loadMovie(control.flash.get(), movingSquare()), S_OK);
    ASSERT_EQ(control.flash->put_Loop(VARIANT_FALSE), S_OK);
    VARIANT_BOOL loop = VARIANT_TRUE;
    EXPECT_EQ(control.flash->get_Loop(&loop), S_OK);
    EXPECT_EQ(loop, VARIANT_FALSE);
    for (int i = 0; i < 5; ++i)
        runClock(100);
    EXPECT_EQ(frame(), 2);
    EXPECT_FALSE(playing());
}

TEST_F(Playback, StopPlayHoldsTheFrameAndPlayResumes) {
    ASSERT_EQ(loadMovie(control.flash.get(), movingSquare()), S_OK);
    ASSERT_EQ(control.flash->StopPlay(), S_OK);
    EXPECT_FALSE(playing());
    EXPECT_EQ(runClock(100), 1) << "the clock goes on for the clips inside";
    EXPECT_EQ(frame(), 0);
    ASSERT_EQ(control.flash->put_Playing(VARIANT_TRUE), S_OK);
    VARIANT_BOOL value = VARIANT_FALSE;
    EXPECT_EQ(control.flash->get_Playing(&value), S_OK);
    EXPECT_EQ(value, VARIANT_TRUE);
    runClock(100);
    EXPECT_EQ(frame(), 1);
    ASSERT_EQ(control.flash->Stop(), S_OK);
    runClock(100);
    EXPECT_EQ(frame(), 1);
}

// A frame rate of 0 plays at 12 frames per second: frame n at
// ceil(n * 1000 / 12) ms, so 84, 167, 250 (the movie's three frames loop).
TEST_F(Playback, ARateOfZeroPlaysAtTheDefaultRate) {
    ASSERT_EQ(loadMovie(control.flash.get(), movingSquare(0.0)), S_OK);
    EXPECT_EQ(runClock(83), 0);
    EXPECT_EQ(runClock(1), 1);
    EXPECT_EQ(frame(), 1);
    EXPECT_EQ(runClock(82), 0);
    EXPECT_EQ(runClock(1), 1);
    EXPECT_EQ(frame(), 2);
    EXPECT_EQ(runClock(82), 0);
    EXPECT_EQ(runClock(1), 1);
    EXPECT_EQ(frame(), 0);
}

// setInterval(nextFrame, 30) in a stopped 10 fps movie: the interval fires
// every 30 ms by itself, not on the movie's frames (every 100 ms); Close
// stops it with the movie's clock.
TEST_F(Playback, IntervalsFireAtTheirOwnTimesBetweenFrames) {
    swfwriter::MovieWriter movie({.width = 200, .height = 100, .frameRate = 10});
    swfwriter::Actions step;
    step.nextFrame();
    swfwriter::Actions script;
    script.stop();
    script.push({30}).defineFunction("", {}, step).push({2, "setInterval"}).callFunction().pop();
    movie.doAction(script);
    for (int i = 0; i < 6; ++i)
        movie.showFrame();
    ASSERT_EQ(loadMovie(control.flash.get(), saveMovie(movie, "interval.swf")), S_OK);
    ASSERT_EQ(control.flash->Play(), S_OK);  // runs the first frame's scripts now
    const struct {
        ULONGLONG advance;
        LONG frame;
    } steps[] = {{29, 0}, {1, 1}, {29, 1}, {1, 2}, {30, 3}, {10, 3}, {20, 4}};
    for (const auto& step : steps) {
        runClock(step.advance);
        EXPECT_EQ(frame(), step.frame) << "after " << step.advance << " ms more";
    }
    control.close();
    EXPECT_EQ(runClock(200), 0);
    EXPECT_EQ(frame(), 4);
}

TEST_F(Playback, CloseStopsTheClock) {
    ASSERT_EQ(loadMovie(control.flash.get(), movingSquare()), S_OK);
    control.close();
    EXPECT_EQ(runClock(1000), 0);
    EXPECT_EQ(frame(), 0);
}

// Activation after Close starts the clock again for the loaded movie.
TEST_F(Playback, ActivationAfterCloseResumesTheClock) {
    control.activate(200, 100);
    ASSERT_EQ(loadMovie(control.flash.get(), movingSquare()), S_OK);
    ASSERT_EQ(control.ole->Close(OLECLOSE_NOSAVE), S_OK);
    EXPECT_EQ(runClock(100), 0);
    control.activate(200, 100);
    EXPECT_EQ(runClock(100), 1);
    EXPECT_EQ(frame(), 1);
}

TEST_F(Playback, AMovingObjectInvalidatesItsOldAndNewBounds) {
    control.activate(200, 100);
    ASSERT_EQ(loadMovie(control.flash.get(), movingSquare()), S_OK);
    ASSERT_FALSE(control.site.invalidations.empty());
    EXPECT_FALSE(control.site.invalidations.back().has_value()) << "a new movie invalidates everything";
    control.site.clear();
    ASSERT_EQ(runClock(100), 1);
    EXPECT_EQ(described(control.site.invalidations),
              (std::vector<std::string>{"(19, 19, 61, 61)", "(29, 19, 71, 61)"}));

    // And the picture follows: the square now starts at x = 30.
    DibSurface surface(200, 100, false);
    ASSERT_EQ(surface.draw(control.view.get()), S_OK);
    EXPECT_EQ(hex(surface.at(30, 30)), hex(OpaqueRed));
    EXPECT_EQ(hex(surface.at(29, 30)), hex(OpaqueWhite));
    EXPECT_EQ(hex(surface.at(69, 59)), hex(OpaqueRed));
}

// Invalidations use the mapping drawing uses: on a 400 x 100 surface the
// stage sits 100 pixels to the right.
TEST_F(Playback, InvalidationsFollowTheStageMapping) {
    control.activate(400, 100);
    ASSERT_EQ(loadMovie(control.flash.get(), movingSquare()), S_OK);
    control.site.clear();
    ASSERT_EQ(runClock(100), 1);
    EXPECT_EQ(described(control.site.invalidations),
              (std::vector<std::string>{"(119, 19, 161, 61)", "(129, 19, 171, 61)"}));
}

TEST_F(Playback, NothingChangedNothingInvalidated) {
    control.activate(200, 100);
    ASSERT_EQ(loadMovie(control.flash.get(), stillSquare()), S_OK);
    control.site.clear();
    EXPECT_EQ(runClock(100), 1);
    EXPECT_EQ(runClock(100), 1);
    EXPECT_TRUE(control.site.invalidations.empty()) << described(control.site.invalidations).size();

    ASSERT_EQ(loadMovie(control.flash.get(), movingSquare()), S_OK);
    ASSERT_EQ(control.flash->StopPlay(), S_OK);
    control.site.clear();
    EXPECT_EQ(runClock(100), 1);
    ASSERT_EQ(control.flash->StopPlay(), S_OK);
    EXPECT_TRUE(control.site.invalidations.empty()) << "a stopped movie changes nothing";
}

TEST_F(Playback, NavigationInvalidatesWhatItChanged) {
    control.activate(200, 100);
    ASSERT_EQ(loadMovie(control.flash.get(), movingSquare()), S_OK);
    ASSERT_EQ(control.flash->StopPlay(), S_OK);
    control.site.clear();
    ASSERT_EQ(control.flash->GotoFrame(2), S_OK);
    EXPECT_EQ(described(control.site.invalidations),
              (std::vector<std::string>{"(19, 19, 61, 61)", "(39, 19, 81, 61)"}));
    control.site.clear();
    ASSERT_EQ(control.flash->GotoFrame(2), S_OK);
    EXPECT_TRUE(control.site.invalidations.empty()) << "going where it is changes nothing";
}

}  // namespace
