// FlvPlayback on a clock the test drives: what time, pictures and status
// events follow from play, pause, seek and close, and what a damaged or
// missing file gives. av.flv: 20 frames at 10 fps, frame k a grey of
// 10 + 12 k, with a 2-second tone.
#include "media/flv_playback.h"

#include "flv_reader.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

namespace {

using media::FlvEvent;
using mediatest::fixture;

int grey(const media::FlvPlayback& p) {
    const media::VideoImage* image = p.image();
    return image ? image->rgba[(size_t(image->height / 2) * image->width + image->width / 2) * 4] : -1;
}

TEST(FlvPlayback, StepsThroughScriptedSessions) {
    using Step = std::function<void(media::FlvPlayback&, uint64_t now)>;
    const struct Case {
        const char* name;
        uint64_t stepAt;  // clock time of the step
        Step step;
        uint64_t checkAt;  // clock time of the update after it
        double time;       // seconds into the file then
        std::vector<FlvEvent> events;
    } cases[] = {
        {"plays by the clock", 0, [](auto&, uint64_t) {}, 1200, 1.2, {FlvEvent::BufferFull}},
        {"pause holds the time",
         500,
         [](auto& p, uint64_t now) { p.pause(true, now); },
         1500,
         0.5,
         {FlvEvent::BufferFull, FlvEvent::PauseNotify}},
        {"a toggle pauses, a second one resumes",
         300,
         [](auto& p, uint64_t now) {
             p.pause(std::nullopt, now);
             p.pause(std::nullopt, now + 500);
         },
         1000,
         0.5,
         {FlvEvent::BufferFull, FlvEvent::PauseNotify, FlvEvent::UnpauseNotify}},
        {"seek moves the playhead",
         200,
         [](auto& p, uint64_t now) { p.seek(1.5, now); },
         300,
         1.6,
         {FlvEvent::BufferFull, FlvEvent::SeekNotify, FlvEvent::BufferFull}},
        {"seek past the end is refused",
         200,
         [](auto& p, uint64_t now) { p.seek(60, now); },
         300,
         0.3,
         {FlvEvent::BufferFull, FlvEvent::SeekInvalidTime}},
        {"seek of no number is refused",
         200,
         [](auto& p, uint64_t now) { p.seek(NAN, now); },
         300,
         0.3,
         {FlvEvent::BufferFull, FlvEvent::SeekInvalidTime}},
        {"the end stops it",
         0,
         [](auto&, uint64_t) {},
         5000,
         2.0,
         {FlvEvent::BufferFull, FlvEvent::BufferFlush, FlvEvent::PlayStop, FlvEvent::BufferEmpty}},
        {"close forgets the file", 400, [](auto& p, uint64_t) { p.close(); }, 600, 0.0, {FlvEvent::BufferFull}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        media::FlvPlayback p;
        p.play(fixture("av.flv"), 10'000);
        EXPECT_EQ(p.takeEvents(), (std::vector<FlvEvent>{FlvEvent::PlayStart, FlvEvent::MetaData}));
        std::vector<FlvEvent> events;
        auto tick = [&](uint64_t ms) {
            p.update(10'000 + ms);
            for (FlvEvent e : p.takeEvents())
                events.push_back(e);
        };
        for (uint64_t ms = 0; ms < c.stepAt; ms += 100)
            tick(ms);
        tick(c.stepAt);
        c.step(p, 10'000 + c.stepAt);
        for (FlvEvent e : p.takeEvents())
            events.push_back(e);
        for (uint64_t ms = c.stepAt + 100; ms <= c.checkAt; ms += 100)
            tick(ms);
        EXPECT_DOUBLE_EQ(p.time(), c.time);
        EXPECT_EQ(events, c.events);
        if (p.open() && c.time < 2.0) {
            EXPECT_NEAR(grey(p), 10 + 12 * int(c.time * 10 + 0.5), 6) << "the picture of the playhead's frame";
        }
    }
}

TEST(FlvPlayback, ReportsMetadataBufferAndBytes) {
    media::FlvPlayback p;
    p.setBufferTime(0.5);
    p.play(fixture("av.flv"), 0);
    ASSERT_TRUE(p.metadata());
    EXPECT_EQ(p.metadata()->at("width"), "64");
    EXPECT_EQ(p.metadata()->at("height"), "48");
    EXPECT_NEAR(std::stod(p.metadata()->at("duration")), 2.0, 0.15);
    EXPECT_EQ(p.bytesTotal(), std::filesystem::file_size(fixture("av.flv")));
    EXPECT_DOUBLE_EQ(p.bufferLength(), 0.5);
    p.update(1800);
    EXPECT_NEAR(p.bufferLength(), 0.2, 0.1) << "what is left of the file when less than the buffer time";
    p.update(3000);
    EXPECT_EQ(p.bytesLoaded(), p.bytesTotal());
    EXPECT_DOUBLE_EQ(p.bufferLength(), 0.0);
}

TEST(FlvPlayback, CuePointsArriveWhenThePlayheadPassesThem) {
    media::FlvPlayback p;
    p.play(fixture("av_cue.flv"), 0);
    (void)p.takeEvents();
    for (const auto& [ms, due] : {std::pair{400, false}, std::pair{600, true}}) {
        p.update(uint64_t(ms));
        const auto events = p.takeEvents();
        const auto cues = p.takeCuePoints();
        EXPECT_EQ(std::count(events.begin(), events.end(), FlvEvent::CuePoint), due ? 1 : 0) << ms;
        ASSERT_EQ(cues.size(), due ? 1u : 0u) << ms;
        if (due) {
            EXPECT_EQ(cues[0].ms, 500u);
            EXPECT_NE(std::string(cues[0].body.begin(), cues[0].body.end()).find("mark"), std::string::npos);
        }
    }
    p.seek(0.2, 600);
    p.update(700);
    EXPECT_EQ(p.takeCuePoints().size(), 0u) << "not yet passed again";
    p.update(1000);
    EXPECT_EQ(p.takeCuePoints().size(), 1u) << "passed again after the seek back";
}

TEST(FlvPlayback, BadFilesEndCleanly) {
    const std::string truncated = (std::filesystem::temp_directory_path() / "flv_playback_truncated.flv").string();
    {
        std::ifstream in(fixture("av.flv"), std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::ofstream(truncated, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size() / 2));
    }
    for (const std::string& path : {fixture("missing.flv"), fixture("t22_mono16.wav")}) {
        media::FlvPlayback p;
        p.play(path, 0);
        EXPECT_EQ(p.takeEvents(), std::vector<FlvEvent>{FlvEvent::StreamNotFound}) << path;
        EXPECT_FALSE(p.open());
    }
    media::FlvPlayback p;
    p.play(truncated, 0);
    std::vector<FlvEvent> events = p.takeEvents();
    for (uint64_t ms = 0; ms <= 4000 && p.playing(); ms += 100) {
        p.update(ms);
        for (FlvEvent e : p.takeEvents())
            events.push_back(e);
    }
    EXPECT_FALSE(p.playing()) << "a file cut short stops";
    EXPECT_EQ(events.back(), FlvEvent::BufferEmpty);
    std::filesystem::remove(truncated);
}

// Video.deblocking reaches the decoder: 1 turns the loop filter off (other
// pictures), the filter levels and 0 leave it as the stream says; set before
// play it holds for the file, set during play from the next picture on.
TEST(FlvPlayback, DeblockingOneTurnsTheLoopFilterOff) {
    auto pictureAt = [](std::optional<uint8_t> before, std::optional<uint8_t> during) {
        media::FlvPlayback p;
        if (before)
            p.setDeblocking(*before);
        p.play(fixture("blocky_h264.flv"), 0);
        if (during)
            p.setDeblocking(*during);
        p.update(850);
        const media::VideoImage* image = p.image();
        return image ? image->rgba : std::vector<uint8_t>{};
    };
    const std::vector<uint8_t> asStream = pictureAt(std::nullopt, std::nullopt);
    ASSERT_FALSE(asStream.empty());
    const struct Case {
        const char* name;
        std::optional<uint8_t> before;
        std::optional<uint8_t> during;
        bool filtered;
    } cases[] = {
        {"0 before play", 0, std::nullopt, true},    {"1 before play", 1, std::nullopt, false},
        {"2 before play", 2, std::nullopt, true},    {"6 before play", 6, std::nullopt, true},
        {"1 while playing", std::nullopt, 1, false}, {"1 then 0 again", 1, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<uint8_t> picture = pictureAt(c.before, c.during);
        ASSERT_EQ(picture.size(), asStream.size());
        EXPECT_EQ(picture == asStream, c.filtered);
    }
}

// A download plays as its bytes arrive: nothing before enough came, then
// the playhead never passes what came, and the end once all of it did.
TEST(FlvPlayback, ADownloadPlaysAsItsBytesArrive) {
    std::ifstream in(fixture("av.flv"), std::ios::binary);
    const std::vector<uint8_t> file{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    ASSERT_GT(file.size(), 8000u);
    const struct Case {
        const char* name;
        size_t bytesPerTick;
        bool stopsEarly;  // the download breaks off at half the file
        bool waits;       // the buffer runs dry (Buffer.Empty, then Full again) before the end
    } cases[] = {
        {"faster than it plays", 4000, false, false},
        {"slower than it plays: it waits", 400, false, true},
        {"broken off after it opened: what came plays", 4000, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = std::make_shared<media::ArrivingBytes>(media::ArrivingBytes{{}, false});
        media::FlvPlayback p;
        p.playArriving(bytes, 0);
        p.setExpectedBytes(file.size());
        std::vector<FlvEvent> events;
        size_t given = 0;
        double lastTime = 0;
        for (uint64_t now = 100; now <= 20'000 && p.playing(); now += 100) {
            const size_t limit = c.stopsEarly ? file.size() / 2 : file.size();
            const size_t more = std::min(c.bytesPerTick, limit - given);
            bytes->bytes.insert(bytes->bytes.end(), file.begin() + long(given), file.begin() + long(given + more));
            given += more;
            if (given == file.size())
                bytes->complete = true;
            else if (given == limit)
                p.arrivingFailed();
            p.update(now);
            for (FlvEvent e : p.takeEvents())
                events.push_back(e);
            EXPECT_EQ(p.bytesLoaded(), given);
            EXPECT_EQ(p.bytesTotal(), c.stopsEarly && given == file.size() / 2 ? given : file.size());
            EXPECT_GE(p.time(), lastTime);
            lastTime = p.time();
            if (p.open() && p.image() && !bytes->complete) {
                EXPECT_LE(p.time() * 1000, double(given) / double(file.size()) * 2000 + 300)
                    << "the playhead stays near what came, at " << now;
            }
        }
        const std::vector<FlvEvent> start{FlvEvent::PlayStart, FlvEvent::MetaData, FlvEvent::BufferFull};
        const std::vector<FlvEvent> end{FlvEvent::BufferFlush, FlvEvent::PlayStop, FlvEvent::BufferEmpty};
        ASSERT_GE(events.size(), 6u);
        EXPECT_EQ(std::vector<FlvEvent>(events.begin(), events.begin() + 3), start);
        EXPECT_EQ(std::vector<FlvEvent>(events.end() - 3, events.end()), end);
        const std::vector<FlvEvent> between(events.begin() + 3, events.end() - 3);
        EXPECT_EQ(!between.empty(), c.waits);
        for (size_t i = 0; i < between.size(); ++i)
            EXPECT_EQ(between[i], i % 2 == 0 ? FlvEvent::BufferEmpty : FlvEvent::BufferFull) << i;
        EXPECT_FALSE(p.playing());
        if (c.stopsEarly)
            EXPECT_LT(p.time(), 2.0) << "it stops short of the whole file";
        else
            EXPECT_DOUBLE_EQ(p.time(), 2.0);
    }
}

TEST(FlvPlayback, ADownloadThatIsNoFlvIsNotFound) {
    const struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool fails;  // the download fails rather than completing
    } cases[] = {
        {"text", std::vector<uint8_t>(5000, 'x'), false},
        {"nothing came, then failure", {}, true},
        {"a header only, then failure", {'F', 'L', 'V', 1, 5, 0, 0, 0, 9, 0, 0, 0, 0}, true},
        {"a header lying about its length", {'F', 'L', 'V', 1, 5, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto bytes = std::make_shared<media::ArrivingBytes>(media::ArrivingBytes{c.bytes, false});
        media::FlvPlayback p;
        p.playArriving(bytes, 0);
        p.update(100);
        if (c.fails)
            p.arrivingFailed();
        else
            bytes->complete = true;
        p.update(200);
        EXPECT_EQ(p.takeEvents(), std::vector<FlvEvent>{FlvEvent::StreamNotFound});
        EXPECT_FALSE(p.open());
    }
}

}  // namespace
