// Movie locations to file paths, and the timer's frame intervals.
#include "control/movie_location.h"
#include "control/playback_timer.h"

#include <gtest/gtest.h>

namespace {

std::string pathOf(std::u16string_view location) {
    auto result = control::filePathOf(location);
    if (!result) {
        ADD_FAILURE() << "refused with " << std::hex << uint32_t(result.error().code);
        return {};
    }
    return result.value();
}

HRESULT refusal(std::u16string_view location) {
    auto result = control::filePathOf(location);
    if (!result) {
        EXPECT_FALSE(result.error().text.empty());
        return result.error().code;
    }
    return S_OK;
}

TEST(MovieLocation, PathsAreUsedAsTheyAre) {
    EXPECT_EQ(pathOf(u"movie.swf"), "movie.swf");
    EXPECT_EQ(pathOf(u"/srv/a b/c%20d.swf"), "/srv/a b/c%20d.swf") << "no decoding outside URLs";
    EXPECT_EQ(pathOf(u"dir:name/movie.swf"), "dir:name/movie.swf") << "a colon alone makes no URL";
    EXPECT_EQ(pathOf(u"/m\u00e4rchen.swf"), "/m\xc3\xa4rchen.swf") << "UTF-8 on the file system";
}

TEST(MovieLocation, FileUrlsAreDecoded) {
    EXPECT_EQ(pathOf(u"file:///srv/a%20b.swf"), "/srv/a b.swf");
    EXPECT_EQ(pathOf(u"FILE:///srv/a.swf"), "/srv/a.swf");
    EXPECT_EQ(pathOf(u"file://localhost/srv/a.swf"), "/srv/a.swf");
    EXPECT_EQ(pathOf(u"file://LocalHost/srv/a.swf"), "/srv/a.swf");
    EXPECT_EQ(pathOf(u"file:/srv/a.swf"), "/srv/a.swf");
    EXPECT_EQ(pathOf(u"file:///srv/m%C3%A4rchen.swf"), "/srv/m\xc3\xa4rchen.swf");
    EXPECT_EQ(pathOf(u"file:///srv/a.swf?x=1#top"), "/srv/a.swf");
    EXPECT_EQ(pathOf(u"file:///srv/%3Fq.swf"), "/srv/?q.swf");
}

TEST(MovieLocation, WhatNamesNoLocalFileIsRefused) {
    EXPECT_EQ(refusal(u""), E_INVALIDARG);
    EXPECT_EQ(refusal(std::u16string_view(u"a\0b", 3)), E_INVALIDARG);
    EXPECT_EQ(refusal(u"http://host/movie.swf"), control::NotSupported);
    EXPECT_EQ(refusal(u"https://host/movie.swf"), control::NotSupported);
    EXPECT_EQ(refusal(u"file://host/movie.swf"), control::NotSupported);
    EXPECT_EQ(refusal(u"file://localhostx/movie.swf"), control::NotSupported);
    EXPECT_EQ(refusal(u"file://localhost"), E_INVALIDARG);
    EXPECT_EQ(refusal(u"file:movie.swf"), E_INVALIDARG) << "no absolute path";
    EXPECT_EQ(refusal(u"file:///a%"), E_INVALIDARG);
    EXPECT_EQ(refusal(u"file:///a%4"), E_INVALIDARG);
    EXPECT_EQ(refusal(u"file:///a%zz"), E_INVALIDARG);
    EXPECT_EQ(refusal(u"file:///a%00b"), E_INVALIDARG);
}

// Tick n is due ceil(n * 1000 / rate) ms after the start, from the header's
// 8.8 rate; near-NTSC header values are the exact NTSC fractions.
TEST(PlaybackTimer, TicksAreDueAtAbsoluteTimesFromTheHeaderRate) {
    struct Case {
        uint16_t rate88;
        uint64_t tick;
        uint64_t dueMs;
    } const cases[] = {
        {10 * 256, 1, 100},
        {24 * 256, 1, 42},
        {24 * 256, 2, 84},
        {24 * 256, 3, 125},
        {24 * 256, 24, 1000},
        {7672, 1, 34},
        {7672, 30000, 1001000},
        {6138, 24000, 1001000},
        {15345, 60000, 1001000},
        {1, 1, 256000},
        {0, 1, 84},
        {0, 12, 1000},
        {65535, 65535, 256000},
    };
    for (const Case& c : cases)
        EXPECT_EQ(control::PlaybackTimer::movieRate(c.rate88).millisecondsAt(c.tick), c.dueMs)
            << "rate88 " << c.rate88 << " tick " << c.tick;
}

// Late ticks shorten the next delay (no drift); a clock a whole frame behind
// starts over from now instead of bursting.
TEST(PlaybackTimer, TheNextDelayMakesUpForLatenessButNeverBursts) {
    const moviehost::FrameRate rate = control::PlaybackTimer::movieRate(24 * 256);
    struct Case {
        uint64_t ticks;
        ULONGLONG now;
        ULONGLONG start;
        ULONGLONG delay;
    } const cases[] = {
        {1, 1042, 1000, 42},  // on time: tick 2 at 1084
        {1, 1050, 1000, 34},  // 8 ms late
        {2, 1084, 1000, 41},  // tick 3 at 1125
        {1, 1200, 1158, 42},  // far behind: tick 1 counts as now
    };
    for (const Case& c : cases) {
        const auto next = control::PlaybackTimer::nextTick(rate, 1000, c.ticks, c.now);
        EXPECT_EQ(next.start, c.start) << "tick " << c.ticks << " at " << c.now;
        EXPECT_EQ(next.delay, c.delay) << "tick " << c.ticks << " at " << c.now;
    }
}

}  // namespace
