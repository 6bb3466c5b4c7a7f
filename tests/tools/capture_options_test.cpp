// moviecapture's command line and the small decisions around it.

#include "capture_options.h"
#include "host_locator.h"
#include "movie_location.h"
#include "movie_probe.h"
#include "png_folder_sink.h"

#include <gtest/gtest.h>

namespace {

using namespace moviecapture;

// Parsed, then resolved against `movie` (nothing: a header that cannot be read).
moviehost::client::Expected<CaptureOptions> parse(std::vector<std::string> arguments,
                                                  const MovieInfo* movie = nullptr) {
    auto parsed = parseCaptureOptions(arguments);
    if (!parsed || parsed->help)
        return parsed;
    return resolveCaptureOptions(std::move(*parsed), movie);
}

TEST(CaptureOptions, TheMoviesOwnSizeAndFramesAreTheDefaults) {
    const MovieInfo movie{10, 550, 401, 24.0, 7};
    const struct {
        std::vector<std::string> arguments;
        std::int32_t width, height;
        std::uint64_t frames;
    } cases[] = {
        {{"m.swf"}, 550, 401, 1},
        {{"m.swf", "--scale", "0.5"}, 275, 201, 1},
        {{"m.swf", "--size", "64x48", "--frames", "all"}, 64, 48, 7},
        {{"m.swf", "--frames", "3", "--click", "549,400@3"}, 550, 401, 3},
    };
    for (const auto& c : cases) {
        const auto options = parse(c.arguments, &movie);
        ASSERT_TRUE(options) << c.arguments.back() << ": " << options.error().message;
        EXPECT_EQ(options->width, c.width) << c.arguments.back();
        EXPECT_EQ(options->height, c.height) << c.arguments.back();
        EXPECT_EQ(options->frames, c.frames) << c.arguments.back();
    }
    EXPECT_FALSE(parse({"m.swf", "--click", "550,0@1"}, &movie)) << "outside the movie's own size";
}

TEST(CaptureOptions, ReadsAFullCommandLine) {
    auto options = parse({"movie.swf", "--size", "320x240", "--frames=12", "--out", "shots", "--click", "10,20@3",
                          "--move=0,239@1", "--host", "/opt/moviehost", "--timeout", "2.5"});
    ASSERT_TRUE(options.has_value()) << options.error().message;
    EXPECT_EQ(options->movie, "movie.swf");
    EXPECT_EQ(options->width, 320);
    EXPECT_EQ(options->height, 240);
    EXPECT_EQ(options->frames, 12u);
    EXPECT_FALSE(options->raw);
    EXPECT_EQ(options->outputFolder, "shots");
    const std::vector<ScriptedInput> inputs = {{ScriptedInput::Kind::Click, 10, 20, 3},
                                               {ScriptedInput::Kind::Move, 0, 239, 1}};
    EXPECT_EQ(options->inputs, inputs);
    EXPECT_EQ(options->host, std::filesystem::path("/opt/moviehost"));
    EXPECT_EQ(options->timeout, std::chrono::milliseconds(2500));
}

TEST(CaptureOptions, DefaultsToOneFrameIntoAFolder) {
    auto options = parse({"--size", "2X3", "http://example.com/a.swf"});
    ASSERT_TRUE(options.has_value()) << options.error().message;
    EXPECT_EQ(options->width, 2);
    EXPECT_EQ(options->height, 3);
    EXPECT_EQ(options->frames, 1u);
    EXPECT_EQ(options->outputFolder, "frames");
    EXPECT_FALSE(options->host.has_value());

    auto dashed = parse({"--size", "2x3", "--raw", "--", "-odd-name.swf"});
    ASSERT_TRUE(dashed.has_value()) << dashed.error().message;
    EXPECT_EQ(dashed->movie, "-odd-name.swf");
    EXPECT_TRUE(dashed->raw);

    EXPECT_TRUE(parse({"--help"})->help);
    EXPECT_TRUE(parse({"movie.swf", "-h", "--bogus"})->help) << "help wins over what follows";
}

TEST(CaptureOptions, RateAndLengthFollowTheMovieUnlessToldOtherwise) {
    const MovieInfo film{10, 64, 48, 24.0, 7};
    const MovieInfo ntsc{10, 64, 48, 29.96875, 300};  // 29.97 as an 8.8 header holds it
    const struct {
        std::vector<std::string> arguments;
        const MovieInfo* movie;
        Rational rate;
        std::uint64_t frames;
    } cases[] = {
        {{"m.swf", "--frames", "all"}, &film, {24, 1}, 7},
        {{"m.swf", "--frames", "all"}, &ntsc, {30000, 1001}, 300},
        {{"m.swf", "--frames", "all", "--rate", "48"}, &film, {48, 1}, 14},
        {{"m.swf", "--frames", "all", "--rate", "10"}, &film, {10, 1}, 3},  // 2.92 rounded
        {{"m.swf", "--frames", "all", "--realtime"}, &film, NominalRate, 10},
        {{"m.swf", "--seconds", "2"}, &film, {24, 1}, 48},
        {{"m.swf", "--seconds", "0.01"}, &film, {24, 1}, 1},
        {{"m.swf", "--seconds", "100", "--rate", "29.97"}, &film, {30000, 1001}, 2997},
        {{"m.swf", "--seconds", "1", "--rate", "12.5"}, &film, {25, 2}, 13},  // 12.5 rounds up
        {{"m.swf", "--seconds", "1", "--realtime"}, &film, NominalRate, 33},
        {{"m.swf", "--seconds", "0.06", "--realtime"}, &film, NominalRate, 2},
        {{"http://a/m.swf", "--size", "4x4", "--seconds", "0.3"}, nullptr, NominalRate, 10},
        {{"http://a/m.swf", "--size", "4x4", "--rate", "23.976"}, nullptr, {24000, 1001}, 1},
    };
    for (const auto& c : cases) {
        std::string line;
        for (const auto& argument : c.arguments)
            line += argument + " ";
        const auto options = parse(c.arguments, c.movie);
        ASSERT_TRUE(options) << line << ": " << options.error().message;
        EXPECT_EQ(options->rate, c.rate) << line << ": " << options->rate.num << "/" << options->rate.den;
        EXPECT_EQ(options->frames, c.frames) << line;
    }
    EXPECT_EQ(framesForSeconds(1e30, {24, 1}), MaxFrames + 1);
    EXPECT_EQ(framesForTimeline(0, {24, 1}, {24, 1}), 1u) << "a header with no frames still gives one";
}

TEST(FrameRate, TypedRatesBecomeFractionsAndTextTheHostReadsBack) {
    const struct {
        const char* typed;
        Rational rate;
        const char* text;  // what the host is told
    } cases[] = {
        {"24", {24, 1}, "24"},
        {"29.97", {30000, 1001}, "29.97"},
        {"29.971", {30000, 1001}, "29.97"},
        {"23.976", {24000, 1001}, "23.976"},
        {"59.94", {60000, 1001}, "59.94"},
        {"119.88", {120000, 1001}, "119.88"},
        {"14.985", {2997, 200}, "14.985"},  // not of the family the host snaps
        {"12.5", {25, 2}, "12.5"},
        {"0.01", {1, 100}, "0.01"},
        {"1000", {1000, 1}, "1000"},
        {"10.101563", {10101563, 1000000}, "10.101563"},
        {"10.1015625", {1293, 128}, "10.1015625"},
    };
    for (const auto& c : cases) {
        const auto rate = parseRate(c.typed);
        ASSERT_TRUE(rate) << c.typed;
        EXPECT_EQ(*rate, c.rate) << c.typed << ": " << rate->num << "/" << rate->den;
        EXPECT_EQ(rateText(*rate), c.text) << c.typed;
        EXPECT_EQ(parseRate(rateText(*rate)), rate) << c.typed << " read back";
    }
    for (const char* bad : {"0", "0.009", "1000.5", "24fps", "inf", "1e2", "-5", "", ".", "29.9700299"})
        EXPECT_EQ(parseRate(bad), std::nullopt) << bad;
}

TEST(FrameRate, HeaderRatesPlayAsTheControlPlaysThem) {
    const struct {
        double header;  // as the 8.8 field gives it
        Rational rate;
    } cases[] = {
        {24, {24, 1}},
        {29.96875, {30000, 1001}},
        {23.9765625, {24000, 1001}},
        {59.94140625, {60000, 1001}},
        {12.5, {25, 2}},
        {10.25, {41, 4}},
        {0, {12, 1}},               // a movie that names no rate
        {10.1015625, {1293, 128}},  // seven places, exact
    };
    for (const auto& c : cases) {
        const Rational rate = headerRate(c.header);
        EXPECT_EQ(rate, c.rate) << c.header << ": " << rate.num << "/" << rate.den;
    }
}

TEST(CaptureOptions, RejectsBadCommandLines) {
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"--size", "4x4"}, "no movie given"},
        {{"a.swf", "b.swf", "--size", "4x4"}, "more than one movie"},
        {{"a.swf"}, "--size WIDTHxHEIGHT is needed"},
        {{"a.swf", "--frames", "all", "--size", "4x4"}, "--frames all needs the movie's header"},
        {{"a.swf", "--scale", "0"}, "--scale wants"},
        {{"a.swf", "--size", "4x4", "--scale", "2"}, "not both"},
        {{"a.swf", "--size", "4x4", "--crf", "64"}, "--crf wants"},
        {{"a.swf", "--size", "0x4"}, "two positive numbers"},
        {{"a.swf", "--size", "4x"}, "two positive numbers"},
        {{"a.swf", "--size", "-4x4"}, "two positive numbers"},
        {{"a.swf", "--size", "4x4x4"}, "two positive numbers"},
        {{"a.swf", "--size", " 4x4"}, "two positive numbers"},
        {{"a.swf", "--size", "70000x1"}, "too large"},
        {{"a.swf", "--size", "20000x20000"}, "too large"},
        {{"a.swf", "--size", "4x4", "--frames", "0"}, "--frames wants"},
        {{"a.swf", "--size", "4x4", "--frames", "2.5"}, "--frames wants"},
        {{"a.swf", "--size", "4x4", "--frames", "1000000001"}, "--frames wants"},
        {{"a.swf", "--size", "4x4", "--seconds", "0"}, "--seconds wants"},
        {{"a.swf", "--size", "4x4", "--seconds", "nan"}, "--seconds wants"},
        {{"a.swf", "--size", "4x4", "--seconds", "-1"}, "--seconds wants"},
        {{"a.swf", "--size", "4x4", "--frames", "2", "--seconds", "1"}, "not both"},
        {{"a.swf", "--size", "4x4", "--seconds", "1e9", "--rate", "2"}, "more than 1000000000 frames"},
        {{"a.swf", "--size", "4x4", "--rate", "0"}, "--rate wants"},
        {{"a.swf", "--size", "4x4", "--rate", "24fps"}, "--rate wants"},
        {{"a.swf", "--size", "4x4", "--rate", "24", "--realtime"}, "give --rate or --realtime"},
        {{"a.swf", "--size", "4x4", "--realtime=1"}, "unknown option --realtime"},
        {{"a.swf", "--size", "4x4", "--raw", "--out", "x"}, "not both"},
        {{"a.swf", "--size", "4x4", "--click", "4,0@1"}, "lies outside the 4x4 frame"},
        {{"a.swf", "--size", "4x4", "--move", "0,4@1"}, "lies outside the 4x4 frame"},
        {{"a.swf", "--size", "4x4", "--click", "1,1@2"}, "comes after the last frame, 1"},
        {{"a.swf", "--size", "4x4", "--click", "1,1@0"}, "X,Y@FRAME"},
        {{"a.swf", "--size", "4x4", "--click", "1,1"}, "X,Y@FRAME"},
        {{"a.swf", "--size", "4x4", "--click", "1@1,1"}, "X,Y@FRAME"},
        {{"a.swf", "--size", "4x4", "--timeout", "0"}, "--timeout wants"},
        {{"a.swf", "--size", "4x4", "--fps", "3"}, "unknown option --fps"},
        {{"a.swf", "--size", "4x4", "--raw=yes"}, "unknown option --raw"},
        {{"a.swf", "--size"}, "--size needs a value"},
        {{"a.swf", "--size", "4x4", "--out="}, "--out needs a folder or a video"},
        {{"", "--size", "4x4"}, "empty"},
    };
    for (const auto& [arguments, message] : cases) {
        auto options = parse(arguments);
        std::string line;
        for (const auto& argument : arguments)
            line += "'" + argument + "' ";
        ASSERT_FALSE(options.has_value()) << line;
        EXPECT_NE(options.error().message.find(message), std::string::npos)
            << line << ": expected '" << message << "', got '" << options.error().message << "'";
    }
}

TEST(FrameFileName, PadsToFiveDigitsOrTheTotalsWidth) {
    EXPECT_EQ(frameFileName(1, 1), "frame_00001.png");
    EXPECT_EQ(frameFileName(42, 99999), "frame_00042.png");
    EXPECT_EQ(frameFileName(7, 100000), "frame_000007.png");
    EXPECT_EQ(frameFileName(1000000000, 1000000000), "frame_1000000000.png");
}

TEST(MovieLocation, UrlsPassAndLocalPathsMustExist) {
    EXPECT_TRUE(isUrl("http://example.com/a.swf"));
    EXPECT_TRUE(isUrl("file:///tmp/a.swf"));
    EXPECT_TRUE(isUrl("svn+ssh://host/a.swf"));
    EXPECT_FALSE(isUrl("C://movie.swf")) << "a drive letter, not a scheme";
    EXPECT_FALSE(isUrl("movies/a://b.swf"));
    EXPECT_FALSE(isUrl("://a.swf"));
    EXPECT_FALSE(isUrl("movie.swf"));

    EXPECT_EQ(checkMovie("https://example.invalid/nothing.swf"), std::nullopt);
    EXPECT_EQ(checkMovie("/nonexistent/movie.swf"), "movie not found: /nonexistent/movie.swf");
    EXPECT_EQ(checkMovie("/"), "movie is a folder, not a file: /");
}

TEST(HostLocator, OptionThenEnvironmentThenOwnFolder) {
    const std::filesystem::path self = "/opt/bin/moviecapture";
    EXPECT_EQ(locateHost(std::filesystem::path("/x/host"), "/y/host", self), "/x/host");
    EXPECT_EQ(locateHost(std::nullopt, "/y/host", self), "/y/host");
    EXPECT_EQ(locateHost(std::nullopt, "", self), "/opt/bin/moviehost");
    EXPECT_EQ(locateHost(std::nullopt, nullptr, self), "/opt/bin/moviehost");
    EXPECT_EQ(ownExecutable().filename(), "tools_tests");
}

}  // namespace
