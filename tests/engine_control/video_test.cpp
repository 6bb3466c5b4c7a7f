// Embedded video drawn by the control: streams encoded at build time by the
// ffmpeg program (Sorenson H.263 and both screen videos), frame k a flat grey
// of level 10 + 12 k, placed on a timeline whose frame k shows video frame k.
// The drawn grey tells which video frame the control shows, in order and
// after a jump back.
#include "control_harness.h"

#include "flv_reader.h"

#include "platform/testing.h"
#include "swf/video.h"

#include "../engine_net/local_http_server.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <thread>
#include <vector>

using namespace controltest;

namespace {

class Video : public ::testing::Test {
protected:
    void SetUp() override { platform::testing::UseManualClock(1'000'000); }
    void TearDown() override { platform::testing::UseRealClock(); }
};

int greyOf(uint32_t pixel) { return int(pixel & 0xFF); }

// Frame k of the timeline shows video frame k, stretched over the 64 x 48 stage.
std::string videoMovie(const std::string& fixture, uint8_t codec, size_t& frames) {
    auto packets = mediatest::readPackets(mediatest::fixture(fixture), true);
    frames = packets.size();
    swfwriter::MovieWriter movie({.width = 64, .height = 48, .frameRate = 10});
    const uint16_t stream = movie.defineVideoStream(uint16_t(frames), 64, 48, codec);
    for (size_t k = 0; k < frames; ++k) {
        movie.videoFrame(stream, uint16_t(k), packets[k]);
        if (k == 0)
            movie.place(stream, 1, {.ratio = 0});
        else
            movie.modify(1, {.move = true, .ratio = uint16_t(k)});
        movie.showFrame();
    }
    return saveMovie(movie, fixture + ".swf");
}

TEST_F(Video, FramesShowInOrderAndAfterAJumpBack) {
    const struct {
        const char* fixture;
        uint8_t codec;
    } cases[] = {{"grey_flv1.flv", swf::VideoCodec::SorensonH263},
                 {"grey_flashsv.flv", swf::VideoCodec::ScreenVideo},
                 {"grey_flashsv2.flv", swf::VideoCodec::ScreenVideo2}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fixture);
        size_t frames = 0;
        const std::string path = videoMovie(c.fixture, c.codec, frames);
        ASSERT_GE(frames, 12u);
        Control control;
        control.activate(64, 48);
        ASSERT_EQ(loadMovie(control.flash.get(), path), S_OK);
        DibSurface surface(64, 48, true);
        auto shownGrey = [&] {
            EXPECT_EQ(surface.draw(control.view.get(), DVASPECT_OPAQUE), S_OK);
            return greyOf(surface.at(32, 24));
        };
        for (size_t k = 0; k < 12; ++k) {
            EXPECT_NEAR(shownGrey(), 10 + 12 * int(k), 3) << "frame " << k;
            runClock(100);
        }
        ASSERT_EQ(control.flash->GotoFrame(3), S_OK);
        EXPECT_NEAR(shownGrey(), 10 + 12 * 3, 3) << "back to frame 3";
        control.close();
    }
}

// Frames the decoder refuses leave the last good picture; nothing crashes.
TEST_F(Video, UndecodableFramesKeepTheLastPicture) {
    auto packets = mediatest::readPackets(mediatest::fixture("grey_flv1.flv"), true);
    swfwriter::MovieWriter movie({.width = 64, .height = 48, .frameRate = 10});
    const uint16_t stream = movie.defineVideoStream(4, 64, 48, swf::VideoCodec::SorensonH263);
    movie.videoFrame(stream, 0, packets[0]);
    movie.videoFrame(stream, 1, {0xFF, 0x00, 0x13});
    movie.videoFrame(stream, 2, {});
    movie.place(stream, 1, {.ratio = 0});
    movie.showFrame();
    for (uint16_t k = 1; k < 4; ++k) {
        movie.modify(1, {.move = true, .ratio = k});
        movie.showFrame();
    }
    Control control;
    control.activate(64, 48);
    ASSERT_EQ(loadMovie(control.flash.get(), saveMovie(movie, "bad_video.swf")), S_OK);
    DibSurface surface(64, 48, true);
    for (int k = 0; k < 4; ++k) {
        ASSERT_EQ(surface.draw(control.view.get(), DVASPECT_OPAQUE), S_OK);
        EXPECT_NEAR(greyOf(surface.at(32, 24)), 10, 3) << "frame " << k;
        runClock(100);
    }
    control.close();
}

using swfwriter::Actions;

// a.b(args...), result dropped.
Actions& callOn(Actions& a, const std::string& object, const std::string& method,
                std::vector<swfwriter::PushValue> args = {}) {
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        a.push({*it});
    return a.push({int(args.size())}).push({object}).getVariable().push({method}).callMethod().pop();
}

// A NetStream playing av_cue.flv (20 frames at 10 fps, frame k grey
// 10 + 12 k, with a tone, a cue point "mark" at 0.5 s) into a placed video
// named "vid", tinted by `cxform` when given; the status codes, metadata
// and cue point land in variables.
// `later[i]`, when given, runs in frame i + 2 (the movie then plays on
// through them and stops at its last).
std::string netStreamMovie(const std::string& name, std::optional<swfwriter::CxForm> cxform = std::nullopt,
                           const std::vector<Actions>& later = {}, const std::string& url = "av.flv") {
    std::filesystem::copy_file(mediatest::fixture("av_cue.flv"), testFolder() / "av.flv",
                               std::filesystem::copy_options::overwrite_existing);
    swfwriter::MovieWriter movie({.width = 64, .height = 48, .frameRate = 10});
    const uint16_t stream = movie.defineVideoStream(0, 64, 48, swf::VideoCodec::SorensonH263);
    movie.place(stream, 1, {.cxform = cxform, .name = "vid"});
    Actions a;
    a.push({"nc"}).push({0}).push({"NetConnection"}).newObject().setVariable();
    callOn(a, "nc", "connect", {swfwriter::Null{}});
    a.push({"ns"}).push({"nc"}).getVariable().push({1}).push({"NetStream"}).newObject().setVariable();
    a.push({"codes"}).push({""}).setVariable();
    a.push({"cue"}).push({""}).setVariable();
    Actions onStatus;
    onStatus.push({"codes"}).push({"codes"}).getVariable().push({"info"}).getVariable().push({"code"}).getMember();
    onStatus.stringAdd().push({","}).stringAdd().setVariable();
    a.push({"ns"}).getVariable().push({"onStatus"});
    a.defineFunction("", {"info"}, onStatus).setMember();
    Actions onMetaData;
    onMetaData.push({"metaWidth"}).push({"m"}).getVariable().push({"width"}).getMember().setVariable();
    a.push({"ns"}).getVariable().push({"onMetaData"});
    a.defineFunction("", {"m"}, onMetaData).setMember();
    Actions onCuePoint;
    onCuePoint.push({"cue"}).push({"c"}).getVariable().push({"name"}).getMember().push({"@"}).stringAdd();
    onCuePoint.push({"c"}).getVariable().push({"time"}).getMember().stringAdd().setVariable();
    a.push({"ns"}).getVariable().push({"onCuePoint"});
    a.defineFunction("", {"c"}, onCuePoint).setMember();
    a.push({"ns"}).getVariable();
    a.push({1}).push({"vid"}).getVariable().push({"attachVideo"}).callMethod().pop();
    callOn(a, "ns", "play", {url});
    if (later.empty())
        a.stop();
    movie.doAction(a);
    movie.showFrame();
    for (size_t i = 0; i < later.size(); ++i) {
        Actions frame = later[i];
        if (i + 1 == later.size())
            frame.stop();
        movie.doAction(frame);
        movie.showFrame();
    }
    return saveMovie(movie, name);
}

TEST_F(Video, NetStreamPlaysAnFlvOnTheClock) {
    const std::string path = netStreamMovie("netstream.swf");
    Control control;
    control.activate(64, 48);
    const auto output = control.flash.As<IMovieSoundOutput>();
    ASSERT_TRUE(output);
    ASSERT_EQ(output->StartSoundOutput(), S_OK);
    ASSERT_EQ(loadMovie(control.flash.get(), path), S_OK);
    auto variable = [&](const char16_t* name) {
        BSTR value = nullptr;
        EXPECT_EQ(control.flash->GetVariable(bstr(name).get(), &value), S_OK);
        return take(value);
    };
    DibSurface surface(64, 48, true);
    // The first tick runs the frame script that starts the stream: video
    // frame k shows k ticks later.
    runClock(100);
    EXPECT_EQ(variable(u"codes"), u"NetStream.Play.Start,NetStream.Buffer.Full,");
    EXPECT_EQ(variable(u"metaWidth"), u"64");
    for (int k = 0; k < 12; ++k) {
        ASSERT_EQ(surface.draw(control.view.get(), DVASPECT_OPAQUE), S_OK);
        EXPECT_NEAR(greyOf(surface.at(32, 24)), 10 + 12 * k, 3) << "video frame " << k;
        EXPECT_EQ(variable(u"cue"), k < 5 ? u"" : u"mark@0.5") << "video frame " << k;
        runClock(100);
    }
    std::vector<SHORT> chunk(2 * 44100);
    ULONG got = 0;
    ASSERT_EQ(output->ReadSound(chunk.data(), 44100, &got), S_OK);
    EXPECT_GT(*std::max_element(chunk.begin(), chunk.begin() + 2 * got), 5000) << "the file's tone is mixed";
    for (int k = 0; k < 12; ++k)
        runClock(100);
    EXPECT_EQ(variable(u"codes"),
              u"NetStream.Play.Start,NetStream.Buffer.Full,NetStream.Buffer.Flush,"
              u"NetStream.Play.Stop,NetStream.Buffer.Empty,");
    control.close();
}

// What a local movie's NetStream may not reach: the network is refused by
// its sandbox (Play.Failed, before anything is sent), a missing file is not found.
TEST_F(Video, NetStreamOutsideTheSandboxFails) {
    const struct Case {
        const char* name;
        std::string url;
        const char16_t* codes;
    } cases[] = {
        {"http", "http://127.0.0.1:9/av.flv", u"NetStream.Play.Failed,"},
        {"https", "https://127.0.0.1:9/av.flv", u"NetStream.Play.Failed,"},
        {"a missing file", "missing.flv", u"NetStream.Play.StreamNotFound,"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = netStreamMovie(std::string("netstream_") + c.name + ".swf", std::nullopt, {}, c.url);
        Control control;
        control.activate(64, 48);
        ASSERT_EQ(loadMovie(control.flash.get(), path), S_OK);
        runClock(100);
        runClock(100);
        BSTR value = nullptr;
        EXPECT_EQ(control.flash->GetVariable(bstr(u"codes").get(), &value), S_OK);
        EXPECT_EQ(take(value), c.codes);
        control.close();
    }
}

// The same movie and stream served over http: the stream downloads through
// the movie's sandbox and plays as its bytes arrive. The server holds back
// the second half until the playhead has run out of the first, so the
// buffer empties and fills again mid-way; the picture waits meanwhile.
TEST_F(Video, NetStreamPlaysAnFlvOverHttp) {
    auto read = [](const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string flv = read(mediatest::fixture("av_cue.flv"));
    ASSERT_GT(flv.size(), 12'000u);
    const size_t firstPart = 8000;
    std::atomic<bool> release{false};
    nettest::LocalHttpServer server;
    server.serve("/movies/ns.swf", read(netStreamMovie("netstream_http.swf")));
    server.route("/movies/av.flv", [&](const nettest::HttpRequest&, const nettest::LocalHttpServer::Send& send) {
        const std::string answer = nettest::httpAnswer(200, flv);
        if (!send(answer.substr(0, answer.size() - flv.size() + firstPart)))
            return;
        while (!release && !server.stopping())
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        send(answer.substr(answer.size() - flv.size() + firstPart));
    });

    Control control;
    control.activate(64, 48);
    const std::u16string url = wide(server.url("/movies/ns.swf"));
    ASSERT_EQ(control.flash->put_Movie(bstr(url).get()), S_OK);
    auto variable = [&](const char16_t* name) {
        BSTR value = nullptr;
        EXPECT_EQ(control.flash->GetVariable(bstr(name).get(), &value), S_OK);
        return take(value);
    };
    auto movieIn = [&] {
        BSTR value = nullptr;
        EXPECT_EQ(control.flash->get_Movie(&value), S_OK);
        return take(value) == url;
    };
    DibSurface surface(64, 48, true);
    auto shownGrey = [&] {
        EXPECT_EQ(surface.draw(control.view.get(), DVASPECT_OPAQUE), S_OK);
        return greyOf(surface.at(32, 24));
    };
    // Real time for the server, the manual clock for the movie: each tick
    // waits a little so what was sent has come in.
    auto tick = [&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        runClock(100);
    };
    for (int i = 0; i < 500 && !movieIn(); ++i)
        tick();
    ASSERT_TRUE(movieIn());

    // The first half plays out, then the picture waits on its last frame.
    std::vector<int> greys;
    for (int i = 0; i < 40 && variable(u"codes").find(u"Buffer.Empty") == std::u16string::npos; ++i) {
        tick();
        if (!variable(u"codes").empty())  // before Play.Start the video shows nothing
            greys.push_back(shownGrey());
    }
    EXPECT_EQ(variable(u"codes"), u"NetStream.Play.Start,NetStream.Buffer.Full,NetStream.Buffer.Empty,");
    EXPECT_EQ(variable(u"metaWidth"), u"64");
    const int waitingOn = shownGrey();
    EXPECT_GT(waitingOn, 10 + 12 * 3) << "several frames of the first half played";
    EXPECT_LT(waitingOn, 10 + 12 * 15) << "but not those still held back";
    for (int i = 0; i < 3; ++i)
        tick();
    EXPECT_EQ(shownGrey(), waitingOn) << "starved, the picture waits";

    release = true;
    for (int i = 0; i < 200 && variable(u"codes").find(u"Play.Stop") == std::u16string::npos; ++i) {
        tick();
        greys.push_back(shownGrey());
    }
    EXPECT_EQ(variable(u"codes"),
              u"NetStream.Play.Start,NetStream.Buffer.Full,NetStream.Buffer.Empty,"
              u"NetStream.Buffer.Full,NetStream.Buffer.Flush,NetStream.Play.Stop,"
              u"NetStream.Buffer.Empty,");
    EXPECT_EQ(variable(u"cue"), u"mark@0.5");
    // Every picture came in order, first to last.
    ASSERT_FALSE(greys.empty());
    EXPECT_TRUE(std::is_sorted(greys.begin(), greys.end()));
    EXPECT_NEAR(greys.front(), 10, 3);
    EXPECT_NEAR(greys.back(), 10 + 12 * 19, 3);
    control.close();
}

// A clip's colour transform applies to its video, not only its alpha.
TEST_F(Video, ColourTransformTintsTheVideo) {
    const std::string path = netStreamMovie("netstream_tint.swf", swfwriter::CxForm{.rMult = 0, .rAdd = 200});
    Control control;
    control.activate(64, 48);
    ASSERT_EQ(loadMovie(control.flash.get(), path), S_OK);
    for (int k = 0; k < 5; ++k)
        runClock(100);
    DibSurface surface(64, 48, true);
    ASSERT_EQ(surface.draw(control.view.get(), DVASPECT_OPAQUE), S_OK);
    const uint32_t pixel = surface.at(32, 24);
    EXPECT_NEAR(int(pixel >> 16 & 0xFF), 200, 3) << "red replaced";
    EXPECT_NEAR(greyOf(pixel), 10 + 12 * 4, 3) << "blue untouched";
    control.close();
}

// A paused stream no longer ticks on its own but must come back when the
// script resumes it: frame 3 pauses, frame 6 resumes, the video goes on from
// where it stopped. The Video's smoothing and deblocking read and write.
TEST_F(Video, PausedStreamResumesAndVideoFlagsAreScriptable) {
    std::vector<Actions> later(5);
    callOn(later[1], "ns", "pause", {true});
    callOn(later[4], "ns", "pause", {false});
    Actions& flags = later[4];
    flags.push({"before"}).push({"vid"}).getVariable().push({"smoothing"}).getMember();
    flags.push({"/"}).stringAdd().push({"vid"}).getVariable().push({"deblocking"}).getMember().stringAdd();
    flags.setVariable();
    flags.push({"vid"}).getVariable().push({"smoothing"}).push({true}).setMember();
    flags.push({"vid"}).getVariable().push({"deblocking"}).push({1}).setMember();
    flags.push({"after"}).push({"vid"}).getVariable().push({"smoothing"}).getMember();
    flags.push({"/"}).stringAdd().push({"vid"}).getVariable().push({"deblocking"}).getMember().stringAdd();
    flags.setVariable();
    flags.push({"vid"}).getVariable().push({"deblocking"}).push({9}).setMember();
    flags.push({"absurd"}).push({"vid"}).getVariable().push({"deblocking"}).getMember().setVariable();
    const std::string path = netStreamMovie("netstream_pause.swf", std::nullopt, later);
    Control control;
    control.activate(64, 48);
    ASSERT_EQ(loadMovie(control.flash.get(), path), S_OK);
    auto variable = [&](const char16_t* name) {
        BSTR value = nullptr;
        EXPECT_EQ(control.flash->GetVariable(bstr(name).get(), &value), S_OK);
        return take(value);
    };
    DibSurface surface(64, 48, true);
    auto shownGrey = [&] {
        EXPECT_EQ(surface.draw(control.view.get(), DVASPECT_OPAQUE), S_OK);
        return greyOf(surface.at(32, 24));
    };
    // Tick k runs frame k: frame 3 pauses (the picture of that moment shows
    // from the next tick on), frame 6 resumes.
    for (int k = 0; k < 4; ++k)
        runClock(100);
    const int pausedOn = shownGrey();
    runClock(100);
    EXPECT_EQ(shownGrey(), pausedOn) << "paused";
    for (int k = 0; k < 4; ++k)
        runClock(100);
    EXPECT_GT(shownGrey(), pausedOn + 12) << "resumed and playing on";
    EXPECT_EQ(variable(u"codes"),
              u"NetStream.Play.Start,NetStream.Buffer.Full,NetStream.Pause.Notify,NetStream.Unpause.Notify,");
    EXPECT_EQ(variable(u"before"), u"false/0");
    EXPECT_EQ(variable(u"after"), u"true/1");
    EXPECT_EQ(variable(u"absurd"), u"0");
    control.close();
}

}  // namespace
