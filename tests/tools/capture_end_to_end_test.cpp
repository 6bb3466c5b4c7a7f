// moviecapture with the real host and our control on the virtual clock:
// output frame k shows the movie at k / rate seconds, a scripted click shows
// first in its own frame, and two runs give the same bytes.

#include "moviehost/testing/host_driver.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using moviehost::testing::RunResult;
using moviehost::testing::TempDir;

class CaptureEndToEnd : public ::testing::Test {
protected:
    // Raw frames of `movie` from examples/, split into frames of `width` x `height`.
    std::vector<std::string> frames(const std::string& movie, std::vector<std::string> arguments, int width,
                                    int height) const {
        arguments.insert(arguments.begin(), (moviehost::testing::examplesFolder() / movie).string());
        arguments.emplace_back("--raw");
        // Our control from the build folder, never a registry of the user's.
        const RunResult result = moviehost::testing::runProgram(
            moviehost::testing::moviecapturePath(), arguments,
            {{"MOVIEHOST_REGISTRY", (m_dir / "none.reg").string()}, {"MOVIEHOST_CLOCK", std::nullopt}});
        EXPECT_EQ(result.exitCode, 0) << result.err;
        const std::size_t frameBytes = std::size_t{4} * width * height;
        EXPECT_EQ(result.out.size() % frameBytes, 0u);
        std::vector<std::string> split;
        for (std::size_t at = 0; at + frameBytes <= result.out.size(); at += frameBytes)
            split.push_back(result.out.substr(at, frameBytes));
        return split;
    }

    TempDir m_dir;
};

TEST_F(CaptureEndToEnd, FrameKShowsTheMovieAtKOverTheRate) {
    // moving_gradient.swf: 60 frames at 30 per second, each unlike the last.
    const auto own = frames("moving_gradient.swf", {"--size", "64x48", "--frames", "all"}, 64, 48);
    const auto doubled = frames("moving_gradient.swf", {"--size", "64x48", "--frames", "all", "--rate", "60"}, 64, 48);
    ASSERT_EQ(own.size(), 60u);
    ASSERT_EQ(doubled.size(), 120u);
    for (std::size_t k = 0; k < own.size(); ++k) {
        // Compared as booleans: a failure prints no megabytes of pixels.
        if (k + 1 < own.size()) {
            EXPECT_TRUE(own[k] != own[k + 1]) << "frames " << k << " and " << k + 1 << " of the movie are alike";
        }
        EXPECT_TRUE(doubled[2 * k] == own[k]) << "at 60 per second, frame " << 2 * k << " is movie frame " << k;
        EXPECT_TRUE(doubled[2 * k + 1] == own[k]) << "and so is frame " << 2 * k + 1;
    }
}

TEST_F(CaptureEndToEnd, AScriptedClickShowsFirstInItsFrameAndRunsRepeatExactly) {
    // button.swf stands still until its button is clicked; a click turns it.
    const std::vector<std::string> arguments = {"--size", "320x240",   "--frames", "6",
                                                "--move", "160,200@2", "--click",  "160,200@4"};
    const auto first = frames("button.swf", arguments, 320, 240);
    ASSERT_EQ(first.size(), 6u);
    // Frame n (from 1) against frame n - 1: the pointer over the button
    // shows in frame 2, the click in frame 4, and nothing else changes.
    const bool changes[] = {true, false, true, false, false};
    for (std::size_t n = 2; n <= 6; ++n)
        EXPECT_EQ(first[n - 1] != first[n - 2], changes[n - 2]) << "frame " << n << " against frame " << n - 1;
    EXPECT_TRUE(frames("button.swf", arguments, 320, 240) == first) << "a second run gives other bytes";
}

}  // namespace
