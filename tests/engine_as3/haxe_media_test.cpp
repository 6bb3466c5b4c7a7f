// flash.media in haxe movies over the media tests' files copied next to
// the movie: Video, NetConnection and NetStream play the FLV (20 pictures at
// 10 per second, grey level 10 + 12 k, an onCuePoint at 500 ms) on a clock
// the test moves 100 ms a frame; Sound.load reads the tagged 440 Hz MP3s.
#include "haxe_movie.h"

#include "../engine_net/local_http_server.h"

#include "image_encoder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

namespace fs = std::filesystem;

#if defined(AS3_HAXE_MOVIES) && defined(AS3_MEDIA_FIXTURES)
#define REQUIRE_MOVIES()
#else
#define REQUIRE_MOVIES() GTEST_SKIP() << "haxe or the media fixtures were not found at configuration time"
#endif

struct Folder {
    fs::path path;
    Folder() {
        std::string pattern = (fs::temp_directory_path() / "as3video-XXXXXX").string();
        path = ::mkdtemp(pattern.data());
    }
    ~Folder() {
        std::error_code ignored;
        fs::remove_all(path, ignored);
    }
};

struct Streamed {
    Folder folder;
    std::unique_ptr<model::Stage> stage;
    as3test::RecordingHost host;
    std::unique_ptr<as3::Player> player;

    // Every argument of the fscommands of that name, in order.
    [[nodiscard]] std::vector<std::string> all(std::u16string_view name) const {
        std::vector<std::string> out;
        for (const auto& [c, a] : host.commands) {
            if (c == name)
                out.emplace_back(a.begin(), a.end());
        }
        return out;
    }
    void frames(int n) {
        for (int i = 0; i < n; ++i) {
            host.clock += 100;
            player->tick();
        }
    }
};

// The movie `name` with the fixture `file` beside it, named by its "file" parameter.
std::unique_ptr<Streamed> playWith([[maybe_unused]] const std::string& name, [[maybe_unused]] const std::string& file) {
    auto s = std::make_unique<Streamed>();
#if defined(AS3_HAXE_MOVIES) && defined(AS3_MEDIA_FIXTURES)
    fs::copy_file(fs::path(AS3_MEDIA_FIXTURES) / file, s->folder.path / file);
    auto movie = swf::parseMovieFile(std::string(AS3_HAXE_MOVIES) + "/" + name + ".swf");
    if (!movie)
        return nullptr;
    s->stage = model::Stage::create(*movie);
    const std::string url = "file://" + (s->folder.path / (name + ".swf")).string();
    s->player = as3::Player::create(*s->stage, s->host, std::u16string(url.begin(), url.end()),
                                    {{u"file", std::u16string(file.begin(), file.end())}});
    s->player->start();
#endif
    return s;
}

std::unique_ptr<Streamed> playStreams() { return playWith("Streams", "av_cue.flv"); }

// "frame" reports: "n,time,WxH,loaded"; the stream time of frame n.
double timeAt(const Streamed& s, int frame) {
    for (const std::string& r : s.all(u"frame")) {
        if (std::stoi(r) == frame)
            return std::stod(r.substr(r.find(',') + 1));
    }
    return -1;
}

uint32_t grey(const model::Stage& stage) { return as3test::Picture(stage).rgb(84, 48) & 0xFF; }

TEST(HaxeVideo, ConnectionAndVideoBeforePlaying) {
    REQUIRE_MOVIES();
    auto s = playStreams();
    ASSERT_TRUE(s && s->player);
    EXPECT_TRUE(s->host.errors.empty()) << std::string(s->host.errors.front().begin(), s->host.errors.front().end());
    const std::pair<std::u16string_view, std::string> expected[] = {
        {u"unconnected", "2126"},
        {u"connect", "NetConnection.Connect.Success/status,true"},
        {u"video", "0,128x96,false,0"},
        {u"volume", "0.5"},
    };
    for (const auto& [name, value] : expected)
        EXPECT_EQ(s->all(name), std::vector<std::string>{value}) << std::string(name.begin(), name.end());
    // Not found is told at the next frame, not from inside play().
    EXPECT_TRUE(s->all(u"missing").empty());
    s->frames(1);
    EXPECT_EQ(s->all(u"missing"), std::vector<std::string>{"NetStream.Play.StreamNotFound/error"});
}

TEST(HaxeVideo, StreamPlaysPausesSeeksAndEndsInOrder) {
    REQUIRE_MOVIES();
    auto s = playStreams();
    ASSERT_TRUE(s && s->player);
    s->frames(2);
    const uint32_t early = grey(*s->stage);
    s->frames(2);
    const uint32_t later = grey(*s->stage);
    // Pictures follow the clock: about 0.4 s in shows picture 4 (level 58).
    EXPECT_GT(later, early + 12);
    EXPECT_NEAR(double(later), 58.0, 10.0);
    s->frames(40);
    EXPECT_TRUE(s->host.errors.empty());

    const std::vector<std::string> status = s->all(u"status");
    const std::vector<std::string> order = {
        "NetStream.Play.Start",  "NetStream.Buffer.Full",  "NetStream.Pause.Notify",   "NetStream.Unpause.Notify",
        "NetStream.Seek.Notify", "NetStream.Pause.Notify", "NetStream.Unpause.Notify", "NetStream.Play.Stop",
    };
    size_t at = 0;
    for (const std::string& code : status) {
        if (at < order.size() && code == order[at])
            ++at;
    }
    EXPECT_EQ(at, order.size()) << "status events out of order, got " << status.size();

    const std::vector<std::string> meta = s->all(u"meta");
    ASSERT_EQ(meta.size(), 1u);
    EXPECT_EQ(meta[0].substr(0, 6), "64x48,");
    // Passed once before the seek back to 0.2 s and once after it.
    EXPECT_EQ(s->all(u"cue"), (std::vector<std::string>{"mark,0.5,event", "mark,0.5,event"}));

    // Paused from frame 5 to 8 the time stands; the seek at frame 9 goes back.
    const struct {
        int frame;
        double time;
        double tolerance;
    } times[] = {{3, 0.3, 0.05}, {6, timeAt(*s, 5), 0.001}, {7, timeAt(*s, 5), 0.001}, {10, 0.2, 0.11}};
    for (const auto& t : times)
        EXPECT_NEAR(timeAt(*s, t.frame), t.time, t.tolerance) << "frame " << t.frame;
    const std::vector<std::string> frames = s->all(u"frame");
    ASSERT_GT(frames.size(), 3u);
    EXPECT_NE(frames[2].find(",64x48,true"), std::string::npos) << frames[2];
}

// The same movie served over http: its stream downloads through the
// movie's sandbox and plays as the bytes arrive; a missing file is not found.
TEST(HaxeVideo, StreamPlaysOverHttp) {
    REQUIRE_MOVIES();
#if defined(AS3_HAXE_MOVIES) && defined(AS3_MEDIA_FIXTURES)
    auto read = [](const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    nettest::LocalHttpServer server;
    server.serve("/Streams.swf", read(fs::path(AS3_HAXE_MOVIES) / "Streams.swf"));
    server.serve("/av_cue.flv", read(fs::path(AS3_MEDIA_FIXTURES) / "av_cue.flv"));
    auto movie = swf::parseMovieFile(std::string(AS3_HAXE_MOVIES) + "/Streams.swf");
    ASSERT_TRUE(movie);
    Streamed s;
    s.stage = model::Stage::create(*movie);
    const std::string url = server.url("/Streams.swf");
    s.player = as3::Player::create(*s.stage, s.host, std::u16string(url.begin(), url.end()), {});
    s.player->start();
    auto has = [&](std::u16string_view name, const std::string& value) {
        const std::vector<std::string> all = s.all(name);
        return std::find(all.begin(), all.end(), value) != all.end();
    };
    for (int i = 0; i < 400 && !has(u"status", "NetStream.Play.Stop"); ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        s.frames(1);
    }
    EXPECT_TRUE(has(u"status", "NetStream.Play.Start"));
    EXPECT_TRUE(has(u"status", "NetStream.Play.Stop"));
    EXPECT_EQ(s.all(u"meta").size(), 1u);
    EXPECT_EQ(s.all(u"missing"), std::vector<std::string>{"NetStream.Play.StreamNotFound/error"});
    EXPECT_TRUE(s.host.errors.empty());
#endif
}

// A DefineVideoStream the timeline places is a Video, and its instance
// name its name; it keeps the stream's declared size.
TEST(HaxeVideo, TimelinePlacedVideoIsAVideo) {
    REQUIRE_MOVIES();
    auto p = as3test::playHaxe("Streams", [](swfwriter::MovieWriter& w) {
        const uint16_t id = w.defineVideoStream(0, 32, 24, 2);
        w.place(id, 1, {.name = "placed"});
    });
    ASSERT_TRUE(p && p->player);
    EXPECT_TRUE(p->host.errors.empty());
    EXPECT_EQ(p->host.command(u"placed"), u"true,placed,32x24");
}

// Bitmap symbols the timeline places are Bitmaps over their pixels; one
// linked by SymbolClass holds an instance of its class.
TEST(HaxeVideo, TimelinePlacedBitmapsAreBitmaps) {
    REQUIRE_MOVIES();
    auto p = as3test::playHaxe("Streams", [](swfwriter::MovieWriter& w) {
        swfwriter::Image red = swfwriter::Image::filled(3, 2, 255, 0, 0);
        const uint16_t pic = w.defineBitsLossless(red, true);
        const uint16_t dot = w.defineBitsLossless(swfwriter::Image::filled(2, 1, 0, 0, 255), true);
        const std::string table = std::string("\x01\x00", 2) + char(dot & 0xFF) + char(dot >> 8) + "Dot" + '\0';
        w.tag(76, std::vector<uint8_t>(table.begin(), table.end()));
        w.place(pic, 1, {.name = "pic"});
        w.place(dot, 2, {.matrix = swfwriter::Matrix::translate(100, 0), .name = "dot"});
    });
    ASSERT_TRUE(p && p->player);
    EXPECT_TRUE(p->host.errors.empty());
    EXPECT_EQ(p->host.command(u"pic"), u"true,3x2,FFFF0000,false");
    EXPECT_EQ(p->host.command(u"dot"), u"true,2x1,FF0000FF,true");
    as3test::Picture picture(*p->stage);
    EXPECT_EQ(picture.rgb(1, 1), 0xFF0000u);
}

// The tags are the same whether the file has them as ID3v1 (read at the
// end) or ID3v2 (read as soon as they are in).
TEST(HaxeSoundLoad, LoadsTagsLengthAndSamples) {
    REQUIRE_MOVIES();
    for (const char* file : {"tagged_v1.mp3", "tagged_v2.mp3"}) {
        SCOPED_TRACE(file);
        auto s = playWith("Sounds", file);
        ASSERT_TRUE(s && s->player);
        EXPECT_EQ(s->all(u"early"), std::vector<std::string>{"true,250,true,0"});
        EXPECT_EQ(s->all(u"again"), std::vector<std::string>{"2037"});
        for (int i = 0; i < 10 && s->all(u"rest").empty(); ++i)
            s->frames(1);
        EXPECT_TRUE(s->host.errors.empty());
        EXPECT_EQ(s->all(u"events"), std::vector<std::string>{"open,progress,id3,complete"});
        EXPECT_EQ(s->all(u"id3"), std::vector<std::string>{"Song,Someone,Record,2001,7"});
        // The shared tag reader finds ID3v1's comment only.
        if (std::string(file) == "tagged_v1.mp3") {
            EXPECT_EQ(s->all(u"comment"), std::vector<std::string>{"Note"});
        }
        EXPECT_EQ(s->all(u"missing"), std::vector<std::string>{"ioError,Error #2032"});

        const std::vector<std::string> loaded = s->all(u"loaded");
        ASSERT_EQ(loaded.size(), 1u);
        EXPECT_EQ(loaded[0].substr(0, 10), "true,true,");
        const double length = std::stod(loaded[0].substr(10));
        EXPECT_NEAR(length, 1000.0, 80.0);
        EXPECT_NE(loaded[0].find(",false", 10), std::string::npos) << loaded[0];

        // 4410 frames of 8 bytes, about 88 zero crossings at 440 Hz, full-scale-ish.
        const std::vector<std::string> extract = s->all(u"extract");
        ASSERT_EQ(extract.size(), 1u);
        EXPECT_EQ(extract[0].substr(0, 11), "4410,35280,");
        EXPECT_NEAR(std::stod(extract[0].substr(11)), 88.0, 3.0);
        EXPECT_EQ(extract[0].substr(extract[0].size() - 4), "true");

        // Extracting on from where the last call ended reaches the end, then nothing.
        const std::vector<std::string> rest = s->all(u"rest");
        ASSERT_EQ(rest.size(), 1u);
        const double extracted = std::stod(rest[0]);
        const double fromLength = std::stod(rest[0].substr(rest[0].find(',') + 1));
        EXPECT_NEAR(extracted, fromLength, fromLength * 0.05);
        EXPECT_EQ(rest[0].substr(rest[0].rfind(',') + 1), "0");

        // The bytes went to one arriving sound, which the play after complete started.
        ASSERT_EQ(s->host.arriving.size(), 1u);
        EXPECT_TRUE(s->host.arrivingComplete[0]);
        EXPECT_EQ(s->host.arriving[0].size(), fs::file_size(s->folder.path / file));
        EXPECT_EQ(s->all(u"played"), std::vector<std::string>{"true"});
        // The early channel started with the first bytes, at its offset; the
        // stopped one never did.
        ASSERT_EQ(s->host.started.size(), 2u);
        EXPECT_EQ(s->host.started[0].soundId, 1000u);
        EXPECT_EQ(s->host.started[0].offsetSeconds, 0.25);
        EXPECT_EQ(s->host.started.back().soundId, 1000u);
        EXPECT_EQ(s->host.started.back().offsetSeconds, 0.0);
    }
}

// The mixer's output goes to computeSpectrum as it is (waveform) or as
// frequencies: a sine on bin 32 of the 512-sample window at half scale on
// the left, silence on the right; a playing channel reads its voice's peaks.
TEST(HaxeSoundLoad, SpectrumAndPeaksReadTheMixer) {
    REQUIRE_MOVIES();
    auto s = playWith("Sounds", "tagged_v2.mp3");
    ASSERT_TRUE(s && s->player);
    const double pi = std::acos(-1.0);
    for (size_t i = 0; i < 4096; ++i)
        s->host.recent.insert(s->host.recent.end(),
                              {int16_t(std::lrint(16384 * std::sin(2 * pi * 32 * double(i) / 512))), int16_t(0)});
    s->host.peaks = {0.25, 0.5};
    s->frames(1);
    EXPECT_TRUE(s->host.errors.empty());
    EXPECT_EQ(s->all(u"peaks"), std::vector<std::string>{"0.25,0.5"});
    EXPECT_EQ(s->all(u"fft"), std::vector<std::string>{"2048,0,32:0.5,0:0"});
    // The last 256 frames: sample 3840 on is where the sine's period of 16 starts again.
    const std::vector<std::string> wave = s->all(u"wave");
    ASSERT_EQ(wave.size(), 1u);
    EXPECT_EQ(wave[0], "0,0.191,0.354,0");
}

}  // namespace
