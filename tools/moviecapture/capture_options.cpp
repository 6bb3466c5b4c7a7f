#include "capture_options.h"

#include "movie_probe.h"

#include <moviehost/client/frame.h>
#include <moviehost/wire_protocol.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace moviecapture {

namespace client = moviehost::client;

namespace {

client::Error badArgument(std::string message) {
    return client::Error{client::ErrorCode::InvalidArgument, std::move(message), std::nullopt};
}

// A whole decimal number with nothing around it: no sign, no spaces.
template <typename Number>
std::optional<Number> parseNumber(std::string_view text) {
    Number value{};
    if (text.empty() || text.front() < '0' || text.front() > '9')
        return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

std::optional<double> parseDecimal(std::string_view text) {
    double value = 0;
    if (text.empty() || ((text.front() < '0' || text.front() > '9') && text.front() != '.'))
        return std::nullopt;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

client::Expected<CaptureOptions> parseSize(std::string_view text, CaptureOptions options) {
    const auto cross = text.find_first_of("xX");
    const auto width = parseNumber<std::int64_t>(text.substr(0, cross));
    const auto height =
        cross == std::string_view::npos ? std::nullopt : parseNumber<std::int64_t>(text.substr(cross + 1));
    if (!width || !height || *width == 0 || *height == 0)
        return badArgument("--size wants WIDTHxHEIGHT with two positive numbers, not '" + std::string(text) + "'");
    if (!client::isValidFrameSize(*width, *height))
        return badArgument("--size " + std::string(text) + " is too large (each side at most " +
                           std::to_string(client::MaxFrameSide) + ", at most " +
                           std::to_string(client::MaxFrameBytes >> 20) + " MiB per frame)");
    options.width = static_cast<std::int32_t>(*width);
    options.height = static_cast<std::int32_t>(*height);
    return options;
}

client::Expected<ScriptedInput> parseInput(std::string_view option, std::string_view text, ScriptedInput::Kind kind) {
    const auto comma = text.find(',');
    const auto at = text.find('@');
    const auto invalid =
        badArgument(std::string(option) + " wants X,Y@FRAME (frames counted from 1), not '" + std::string(text) + "'");
    if (comma == std::string_view::npos || at == std::string_view::npos || at < comma)
        return invalid;
    const auto x = parseNumber<std::uint32_t>(text.substr(0, comma));
    const auto y = parseNumber<std::uint32_t>(text.substr(comma + 1, at - comma - 1));
    const auto frame = parseNumber<std::uint64_t>(text.substr(at + 1));
    if (!x || !y || !frame || *frame == 0)
        return invalid;
    return ScriptedInput{kind, *x, *y, *frame};
}

}  // namespace

std::uint64_t framesForSeconds(double seconds, Rational rate) {
    const double frames = std::round(seconds * rate.num / rate.den);
    if (!(frames <= static_cast<double>(MaxFrames)))
        return MaxFrames + 1;
    return std::max<std::uint64_t>(1, static_cast<std::uint64_t>(frames));
}

std::uint64_t framesForTimeline(std::uint64_t frameCount, Rational rate, Rational movieRate) {
    // Whole numbers: 65535 frames times the largest fractions stays far below 2^63.
    const auto num = static_cast<std::int64_t>(frameCount) * rate.num * movieRate.den;
    const auto den = std::int64_t{rate.den} * movieRate.num;
    return std::max<std::uint64_t>(1, static_cast<std::uint64_t>((2 * num + den) / (2 * den)));
}

client::Expected<CaptureOptions> parseCaptureOptions(const std::vector<std::string>& arguments) {
    CaptureOptions options;
    bool haveSize = false, haveFrames = false, haveSeconds = false, haveOut = false, optionsEnded = false;
    std::vector<std::string> positional;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        std::string_view argument = arguments[i];
        if (optionsEnded || argument.empty() || argument.front() != '-' || argument == "-") {
            positional.emplace_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            return options;
        }
        if (argument == "--raw") {
            options.raw = true;
            continue;
        }
        if (argument == "--realtime") {
            options.realtime = true;
            continue;
        }
        if (argument == "--no-audio") {
            options.noAudio = true;
            continue;
        }

        // Every other option takes a value, as "--name VALUE" or "--name=VALUE".
        std::string name(argument);
        std::string value;
        if (const auto equals = name.find('='); equals != std::string::npos) {
            value = name.substr(equals + 1);
            name.resize(equals);
        } else {
            static const char* const WithValue[] = {"--size", "--frames",  "--seconds", "--out", "--click", "--move",
                                                    "--host", "--timeout", "--scale",   "--crf", "--rate",  "--audio"};
            const bool known = std::find(std::begin(WithValue), std::end(WithValue), name) != std::end(WithValue);
            if (!known)
                return badArgument("unknown option " + name);
            if (i + 1 == arguments.size())
                return badArgument(name + " needs a value");
            value = arguments[++i];
        }

        if (name == "--size") {
            auto sized = parseSize(value, options);
            if (!sized)
                return sized.error();
            options = std::move(*sized);
            haveSize = true;
        } else if (name == "--frames" && value == "all") {
            options.allFrames = true;
            haveFrames = true;
        } else if (name == "--frames") {
            const auto frames = parseNumber<std::uint64_t>(value);
            if (!frames || *frames == 0 || *frames > MaxFrames)
                return badArgument("--frames wants 'all' or a whole number from 1 to " + std::to_string(MaxFrames) +
                                   ", not '" + value + "'");
            options.frames = *frames;
            haveFrames = true;
        } else if (name == "--seconds") {
            const auto seconds = parseDecimal(value);
            if (!seconds || *seconds <= 0)
                return badArgument("--seconds wants a positive number, not '" + value + "'");
            options.seconds = *seconds;
            haveSeconds = true;
        } else if (name == "--rate") {
            const auto rate = parseRate(value);
            if (!rate)
                return badArgument(
                    "--rate wants frames per second from 0.01 to 1000 with at most six decimal "
                    "places, not '" +
                    value + "'");
            options.rate = *rate;
            options.rateGiven = true;
        } else if (name == "--scale") {
            const auto scale = parseDecimal(value);
            if (!scale || *scale <= 0 || *scale > 16)
                return badArgument("--scale wants a number above 0 and up to 16, not '" + value + "'");
            options.scale = *scale;
        } else if (name == "--crf") {
            const auto crf = parseNumber<int>(value);
            if (!crf || *crf > 63)
                return badArgument("--crf wants a whole number from 0 to 63, not '" + value + "'");
            options.crf = *crf;
        } else if (name == "--out") {
            if (value.empty())
                return badArgument("--out needs a folder or a video file name");
            options.outputFolder = value;
            haveOut = true;
        } else if (name == "--click" || name == "--move") {
            auto input =
                parseInput(name, value, name == "--click" ? ScriptedInput::Kind::Click : ScriptedInput::Kind::Move);
            if (!input)
                return input.error();
            options.inputs.push_back(*input);
        } else if (name == "--audio") {
            if (value.empty())
                return badArgument("--audio needs a file name");
            options.audioFile = value;
        } else if (name == "--host") {
            if (value.empty())
                return badArgument("--host needs a path");
            options.host = value;
        } else if (name == "--timeout") {
            const auto seconds = parseDecimal(value);
            if (!seconds || *seconds <= 0 || *seconds > 86400)
                return badArgument("--timeout wants a number of seconds above 0 and up to 86400, not '" + value + "'");
            options.timeout = std::chrono::milliseconds(std::max<long long>(1, std::llround(*seconds * 1000)));
        } else {
            return badArgument("unknown option " + name);
        }
    }

    if (positional.empty())
        return badArgument("no movie given");
    if (positional.size() > 1)
        return badArgument("more than one movie given: '" + positional[0] + "' and '" + positional[1] + "'");
    options.movie = positional[0];
    if (options.movie.empty())
        return badArgument("the movie location is empty");
    if (haveSize && options.scale != 1.0)
        return badArgument("give --size or --scale, not both");
    if (haveFrames && haveSeconds)
        return badArgument("give --frames or --seconds, not both");
    if (haveOut && options.raw)
        return badArgument("give --out or --raw, not both");
    if (options.rateGiven && options.realtime)
        return badArgument("give --rate or --realtime, not both: on the wall clock the host writes a frame every " +
                           std::to_string(moviehost::wire::FramePeriodMs) + " ms");
    return options;
}

client::Expected<CaptureOptions> resolveCaptureOptions(CaptureOptions options, const MovieInfo* movie) {
    if (options.width == 0) {
        if (!movie)
            return badArgument("--size WIDTHxHEIGHT is needed when the movie's header cannot be read first");
        const auto width = std::llround(movie->width * options.scale);
        const auto height = std::llround(movie->height * options.scale);
        if (width < 1 || height < 1 || !client::isValidFrameSize(width, height))
            return badArgument("the movie's stage, " + std::to_string(movie->width) + "x" +
                               std::to_string(movie->height) + (options.scale != 1.0 ? " scaled" : "") +
                               ", is no frame size the host can stream; give --size");
        options.width = static_cast<std::int32_t>(width);
        options.height = static_cast<std::int32_t>(height);
    }
    if (!options.rateGiven)
        options.rate = movie && !options.realtime ? headerRate(movie->frameRate) : NominalRate;
    if (options.allFrames) {
        if (!movie)
            return badArgument("--frames all needs the movie's header, which cannot be read first");
        options.frames = framesForTimeline(movie->frameCount, options.rate, headerRate(movie->frameRate));
    }
    if (options.seconds) {
        options.frames = framesForSeconds(*options.seconds, options.rate);
        if (options.frames > MaxFrames)
            return badArgument("--seconds asks for more than " + std::to_string(MaxFrames) + " frames");
    }
    for (const auto& input : options.inputs) {
        const std::string what = input.kind == ScriptedInput::Kind::Click ? "--click" : "--move";
        const std::string where = std::to_string(input.x) + "," + std::to_string(input.y);
        if (std::int64_t{input.x} >= options.width || std::int64_t{input.y} >= options.height)
            return badArgument(what + " " + where + " lies outside the " + std::to_string(options.width) + "x" +
                               std::to_string(options.height) + " frame");
        if (input.frame > options.frames)
            return badArgument(what + " " + where + " at frame " + std::to_string(input.frame) +
                               " comes after the last frame, " + std::to_string(options.frames));
    }
    return options;
}

std::string usageText() {
    return R"(usage: moviecapture MOVIE [--size WxH | --scale F] [--frames N|all | --seconds S]
                    [--rate R | --realtime] [--out DIR|FILE.mp4|.webm|.mkv|.mov|.gif | --raw]
                    [--crf N] [--no-audio] [--audio FILE.wav] [--click X,Y@FRAME ...] [--move X,Y@FRAME ...] [--host PATH]
                    [--timeout S]

Plays MOVIE (a file path or a URL) in the moviehost host process and saves
its frames. The host runs on a virtual clock that moves one frame at a time,
so frame k of the output shows the movie at k / R seconds (counted from 0)
however long the encoding takes, and two runs give the same frames.

  --size WxH          frame size in pixels (default: the movie's own size)
  --scale F           the movie's own size times F
  --rate R            output frames per second, 0.01 to 1000, up to six
                      decimal places; 23.976, 29.97, 59.94 (and 47.952,
                      119.88, 239.76) mean n*1000/1001 exactly (default: the
                      movie's own rate, so frame k is movie frame k)
  --frames N|all      number of frames to capture (default 1); all: the
                      movie's main timeline once (its frame count at the
                      movie's own rate)
  --seconds S         capture S seconds of movie time: round(S * R) frames
  --realtime          run the host on the wall clock instead (live input,
                      timing studies): a frame every 30 ms of real time,
                      which need not line up with the movie's frames
  --out DIR           write frame_00001.png, frame_00002.png, ... into DIR,
                      created when missing (default: frames)
  --out FILE.EXT      write one video instead: .mp4, .mov and .mkv (H.264),
                      .webm (VP9) or .gif, at exactly the output rate
  --no-audio          leave the movie's sound out of the video (a video has
                      it otherwise: AAC in .mp4 and .mov, Opus in .webm and
                      .mkv; a GIF never has sound)
  --audio FILE.wav    write the movie's sound to FILE.wav as well (16-bit
                      stereo, 44,100 Hz)
  --crf N             video quality, lower is better (H.264 default 20,
                      VP9 default 32)
  --raw               write the frames to standard output instead, as raw
                      RGBA pixels back to back (width * height * 4 bytes each),
                      e.g. for: ffmpeg -f rawvideo -pix_fmt rgba -s WxH -i -
  --click X,Y@FRAME   press and release the left button at X,Y so that frame
                      FRAME (counted from 1) is the first to show it
  --move X,Y@FRAME    move the mouse to X,Y, likewise
                      (with --realtime both are sent once frame FRAME - 1 was
                      read, so FRAME or a later frame shows them)
  --host PATH         the host program (default: $MOVIEHOST_HOST, otherwise
                      moviehost next to moviecapture)
  --timeout S         give up when the host sends nothing for S seconds
                      (default 10)
  --help              show this text

A file that is no movie is refused before the host starts. A URL, whose
header is not read first, needs --size and plays at one frame per 30 ms
unless --rate says otherwise. MOVIEHOST_SEED and MOVIEHOST_EPOCH in the
environment reach the host (its random numbers and its start date).

Exit status: 0 success, 1 other failure, 2 bad arguments, 3 movie missing or no movie,
4 host missing or not startable, 5 host ended early, 6 malformed frame stream,
7 output failed, 8 host timed out.
)";
}

}  // namespace moviecapture
