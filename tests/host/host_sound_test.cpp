// The real host with our control, asked for the movie's sound: it comes on
// a pipe of its own while the frame stream stays as it was; a closed sound
// pipe ends only the sound; values of MOVIEHOST_AUDIO_FD that name no usable
// descriptor are refused at the start.
#include "moviehost/testing/host_driver.h"

#include "movie_writer.h"

#include <moviehost/client/host_process.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>

namespace {

using namespace moviehost::client;
using namespace moviehost::testing;
using namespace std::chrono_literals;

// Ten seconds of a constant level (left 1000, right 2000) started on frame 0.
std::string soundMovie() {
    swfwriter::MovieWriter movie({.width = 100, .height = 100, .frameRate = 20});
    constexpr uint32_t Frames = 44100 * 10;
    std::vector<uint8_t> pcm;
    pcm.reserve(Frames * 4);
    for (uint32_t i = 0; i < Frames; ++i)
        pcm.insert(pcm.end(), {0xE8, 0x03, 0xD0, 0x07});
    movie.startSound(movie.defineSound({}, Frames, pcm));
    movie.doAction(swfwriter::Actions().stop());
    movie.showFrame();
    const auto path = std::filesystem::temp_directory_path() / "host-sound-e2e.swf";
    movie.save(path.string());
    return path.string();
}

HostOptions withSound(const std::string& movie) {
    HostOptions options;
    options.program = moviehostPath();
    options.movie = movie;
    options.width = 50;
    options.height = 50;
    options.timeout = 30s;
    options.stderrMode = StderrMode::Capture;
    options.sound = true;
    options.environment = {
        {"MOVIEHOST_REGISTRY", (std::filesystem::temp_directory_path() / "host-sound-no-registry.reg").string()}};
    return options;
}

TEST(HostSound, TheMixComesOnItsOwnPipeBeforeEachFrame) {
    auto started = HostProcess::start(withSound(soundMovie()));
    ASSERT_TRUE(started) << started.error().message;
    HostProcess& host = *started;
    std::vector<int16_t> samples;
    for (int i = 0; i < 10; ++i) {
        (void)nextFrame(host);
        host.takeSound(samples);
    }
    ASSERT_GE(samples.size(), 2u * 1000) << "ten frames of the wall clock carry sound";
    EXPECT_EQ(samples[0], 1000);
    EXPECT_EQ(samples[1], 2000);
    EXPECT_EQ(samples[samples.size() - 2], 1000);
    EXPECT_EQ(samples.back(), 2000);
    auto finished = host.finish();
    EXPECT_TRUE(finished) << finished.error().message;
    auto status = host.wait();
    ASSERT_TRUE(status);
    EXPECT_TRUE(status->success());
}

TEST(HostSound, AClosedSoundPipeEndsOnlyTheSound) {
    auto started = HostProcess::start(withSound(soundMovie()));
    ASSERT_TRUE(started) << started.error().message;
    HostProcess& host = *started;
    (void)nextFrame(host);
    host.closeSound();
    for (int i = 0; i < 10; ++i)
        (void)nextFrame(host);
    auto finished = host.finish();
    EXPECT_TRUE(finished) << finished.error().message;
    auto status = host.wait();
    ASSERT_TRUE(status);
    EXPECT_TRUE(status->success()) << status->describe();
}

TEST(HostSound, ValuesThatNameNoDescriptorAreRefused) {
    for (const char* value : {"abc", "1", "-3", "4x", "999"}) {
        SCOPED_TRACE(value);
        // The program's own path stands where the movie goes: the refusal comes first.
        const RunResult run =
            runProgram(moviehostPath(), {"50", "50", std::to_string(::getpid())}, {{"MOVIEHOST_AUDIO_FD", value}});
        EXPECT_TRUE(run.exited);
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_EQ(countLines(run.err), 1u);
        EXPECT_NE(run.err.find("MOVIEHOST_AUDIO_FD"), std::string::npos) << run.err;
    }
}

}  // namespace
