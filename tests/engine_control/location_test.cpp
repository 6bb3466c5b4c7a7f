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
    EXPECT_EQ(refusal(u"http://host/movie.swf"), control::kNotSupported);
    EXPECT_EQ(refusal(u"https://host/movie.swf"), control::kNotSupported);
    EXPECT_EQ(refusal(u"file://host/movie.swf"), control::kNotSupported);
    EXPECT_EQ(refusal(u"file://localhostx/movie.swf"), control::kNotSupported);
    EXPECT_EQ(refusal(u"file://localhost"), E_INVALIDARG);
    EXPECT_EQ(refusal(u"file:movie.swf"), E_INVALIDARG) << "no absolute path";
    EXPECT_EQ(refusal(u"file:///a%"), E_INVALIDARG);
    EXPECT_EQ(refusal(u"file:///a%4"), E_INVALIDARG);
    EXPECT_EQ(refusal(u"file:///a%zz"), E_INVALIDARG);
    EXPECT_EQ(refusal(u"file:///a%00b"), E_INVALIDARG);
}

TEST(PlaybackTimer, IntervalsFollowTheFrameRate) {
    EXPECT_EQ(control::PlaybackTimer::intervalFor(10.0), 100u);
    EXPECT_EQ(control::PlaybackTimer::intervalFor(24.0), 42u);
    EXPECT_EQ(control::PlaybackTimer::intervalFor(30.0), 33u);
    EXPECT_EQ(control::PlaybackTimer::intervalFor(1.0 / 256.0), 256000u) << "the slowest rate a file can hold";
    EXPECT_EQ(control::PlaybackTimer::intervalFor(255.99609375), 4u) << "the fastest";
    EXPECT_EQ(control::PlaybackTimer::intervalFor(0.0), 83u) << "12 frames per second";
    EXPECT_EQ(control::PlaybackTimer::intervalFor(-3.0), 83u);
    EXPECT_EQ(control::PlaybackTimer::intervalFor(std::numeric_limits<double>::quiet_NaN()), 83u);
    EXPECT_EQ(control::PlaybackTimer::intervalFor(std::numeric_limits<double>::infinity()), 83u);
    EXPECT_EQ(control::PlaybackTimer::intervalFor(5000.0), 1u);
}

}  // namespace
