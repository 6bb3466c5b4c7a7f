// Our control inside the real hosting library, as the host process uses it:
// the process's one loader finds bin/flash10c.ocx by its fixed file name (the
// run's registry file names nothing), and the player's drawing paths (opaque,
// and alpha from two transparent renders) meet our IViewObject::Draw.
//
// The movie: a 200 x 100 stage, background (10, 20, 30), an opaque red
// square from (20, 20) to (60, 60) pixels and a half-transparent green one,
// alpha 128, from (100, 20) to (140, 60); in frame 1 the red square moves
// 10 pixels to the right.
#include "control_harness.h"

#include "moviehost/movie_loader.h"

#include "platform/testing.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace controltest;

namespace {

std::string hostedMovie() {
    swfwriter::MovieWriter movie({.width = 200, .height = 100, .frameRate = 10});
    movie.background({10, 20, 30});
    const uint16_t red = movie.rectangle(0, 0, 800, 800, {255, 0, 0});
    const uint16_t green = movie.rectangle(0, 0, 800, 800, {0, 255, 0, 128});
    movie.place(red, 1, {.matrix = swfwriter::Matrix::translate(400, 400)});
    movie.place(green, 2, {.matrix = swfwriter::Matrix::translate(2000, 400)});
    movie.label("first");
    movie.showFrame();
    movie.modify(1, {.move = true, .matrix = swfwriter::Matrix::translate(600, 400)});
    movie.showFrame();
    return saveMovie(movie, "hosted.swf");
}

class HostedPlayer : public ::testing::Test {
protected:
    void SetUp() override {
        platform::testing::UseManualClock(5'000'000);
        loader = GetMovieLoader();
        player = loader->NewPlayer(200, 100);
        ASSERT_NE(player, nullptr) << "the loader found our control next to the executable";
    }
    void TearDown() override {
        if (player != nullptr)
            loader->DeletePlayer(player);
        platform::testing::UseRealClock();
    }

    std::vector<RECT> dirtyRects() {
        const RECT* first = nullptr;
        LONG count = 0;
        std::vector<RECT> rects;
        if (player->CollectDirtyRects(nullptr, &first, &count))
            for (LONG i = 0; i < count; ++i)
                rects.push_back(first[i]);
        return rects;
    }

    IMovieLoader* loader = nullptr;
    IMoviePlayer* player = nullptr;
};

TEST_F(HostedPlayer, ConstructionAppliesTheHostsSettings) {
    EXPECT_EQ(player->QueryQuality(), 2) << "High";
    EXPECT_EQ(player->QueryTransparency(), 0);
    EXPECT_EQ(player->QueryPlayState(), 2) << "no movie plays";
    EXPECT_EQ(player->QueryBackColor(), 0x00FFFFFF);
    const std::vector<RECT> dirty = dirtyRects();
    ASSERT_EQ(dirty.size(), 1u);
    EXPECT_EQ(describe(dirty[0]), "(0, 0, 200, 100)");
    EXPECT_FALSE(player->OpenMovie(wide((testFolder() / "missing.swf").string()).c_str()));
}

TEST_F(HostedPlayer, DrawsOpaqueIntoTheHostsBottomUpBitmap) {
    ASSERT_TRUE(player->OpenMovie(wide(hostedMovie()).c_str()));
    player->PlayMovie();
    EXPECT_EQ(player->QueryPlayState(), 1);
    EXPECT_EQ(player->QueryBackColor(), 0x001E140A);
    DibSurface surface(200, 100, false);
    player->DrawDirtyRegion(surface.dc());
    EXPECT_EQ(hex(surface.at(30, 30)), hex(OpaqueRed));
    EXPECT_EQ(hex(surface.at(150, 80)), hex(argb(255, 10, 20, 30)));
    EXPECT_TRUE(dirtyRects().empty()) << "drawing resets the dirty record";
}

// Mode 2: the player renders over black and over white and derives alpha.
// Covered pixels come out opaque, uncovered ones transparent, the green
// square's pixels with its own alpha.
TEST_F(HostedPlayer, TwoPassAlphaMatchesWhatTheMovieCovers) {
    ASSERT_TRUE(player->OpenMovie(wide(hostedMovie()).c_str()));
    player->ApplyTransparency(2);
    DibSurface surface(200, 100, false);
    player->DrawDirtyRegion(surface.dc());
    EXPECT_EQ(hex(surface.at(30, 30)), hex(OpaqueRed));
    EXPECT_EQ(surface.at(150, 80) >> 24, 0u) << hex(surface.at(150, 80)) << ": the background is not the movie's";
    const uint32_t green = surface.at(120, 40);
    EXPECT_NEAR(double(green >> 24), 128.0, 2.0) << hex(green);
    EXPECT_NEAR(double((green >> 8) & 0xFF), 128.0, 2.0) << hex(green) << ": green composed over black";
    EXPECT_EQ(green & 0xFF00FF, 0u) << hex(green);
}

TEST_F(HostedPlayer, TheMovingSquareDirtiesOnlyItsOldAndNewArea) {
    ASSERT_TRUE(player->OpenMovie(wide(hostedMovie()).c_str()));
    DibSurface surface(200, 100, false);
    player->DrawDirtyRegion(surface.dc());
    ASSERT_TRUE(dirtyRects().empty());

    MSG msg{};
    platform::testing::AdvanceManualClock(100);
    ASSERT_TRUE(PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE));
    ASSERT_GT(GetMessageW(&msg, nullptr, 0, 0), 0);
    DispatchMessageW(&msg);
    std::vector<std::string> dirty;
    for (const RECT& r : dirtyRects())
        dirty.push_back(describe(r));
    std::sort(dirty.begin(), dirty.end());
    EXPECT_EQ(dirty, (std::vector<std::string>{"(19, 19, 61, 61)", "(29, 19, 71, 61)"}));

    player->DrawDirtyRegion(surface.dc());
    EXPECT_EQ(hex(surface.at(65, 30)), hex(OpaqueRed)) << "the square's new right part";
    EXPECT_EQ(hex(surface.at(25, 30)), hex(argb(255, 10, 20, 30))) << "where it was";
    EXPECT_EQ(player->QueryFrame(), 1);
}

TEST_F(HostedPlayer, NavigationAndTargetsPassThrough) {
    ASSERT_TRUE(player->OpenMovie(wide(hostedMovie()).c_str()));
    player->HaltMovie();
    EXPECT_EQ(player->QueryPlayState(), 2);
    player->JumpToTargetFrame(1, WIDE("/"));
    EXPECT_EQ(player->QueryTargetFrame(WIDE("_root")), 1);
    EXPECT_EQ(std::u16string(player->QueryTargetLabel(WIDE("/"))), u"first");
    player->RewindMovie();
    EXPECT_EQ(player->QueryFrame(), 0);
    player->NextFrame();
    EXPECT_EQ(player->QueryFrame(), 1);
    player->PreviousFrame();
    EXPECT_EQ(player->QueryFrame(), 0);
    player->JumpToFrame(1);
    EXPECT_EQ(player->QueryFrame(), 1);
    try {
        (void)player->QueryTargetFrame(WIDE("/nothere"));
        ADD_FAILURE() << "a target that does not resolve raises";
    } catch (const _com_error& error) {
        EXPECT_EQ(error.Error(), E_INVALIDARG);
        EXPECT_NE(error.Description().find(u"/nothere"), std::u16string::npos) << narrow(error.Description());
        EXPECT_EQ(error.Source(), u"ShockwaveFlash.ShockwaveFlash");
    }
}

}  // namespace
