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

std::uint64_t framesForSeconds(double seconds) {
    const double limit = static_cast<double>(MaxFrames) * moviehost::wire::FramePeriodMs / 1000.0;
    const auto ms = static_cast<std::uint64_t>(std::llround(std::min(seconds, limit) * 1000.0));
    const std::uint64_t period = moviehost::wire::FramePeriodMs;
    return std::max<std::uint64_t>(1, (ms + period - 1) / period);
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
                                                    "--host", "--timeout", "--scale",   "--crf", "--audio"};
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
            options.frames = framesForSeconds(*seconds);
            haveSeconds = true;
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
    if (options.allFrames) {
        if (!movie)
            return badArgument("--frames all needs the movie's header, which cannot be read first");
        options.frames = std::max<std::uint64_t>(1, movie->frameCount);
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
                    [--out DIR|FILE.mp4|.webm|.mkv|.mov|.gif | --raw] [--crf N]
                    [--no-audio] [--audio FILE.wav]
                    [--click X,Y@FRAME ...] [--move X,Y@FRAME ...] [--host PATH] [--timeout S]

Plays MOVIE (a file path or a URL) in the moviehost host process and saves
its frames.

  --size WxH          frame size in pixels (default: the movie's own size)
  --scale F           the movie's own size times F
  --frames N|all      number of frames to capture (default 1); all: one
                      for each frame of the movie's main timeline
  --seconds S         capture S seconds of movie at the host's rate of one
                      frame per 30 ms (rounded up)
  --out DIR           write frame_00001.png, frame_00002.png, ... into DIR,
                      created when missing (default: frames)
  --out FILE.EXT      write one video instead: .mp4, .mov and .mkv (H.264),
                      .webm (VP9) or .gif, at the host's frame rate
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
  --click X,Y@FRAME   press and release the left button at X,Y just before
                      frame FRAME (counted from 1) is read
  --move X,Y@FRAME    move the mouse to X,Y just before frame FRAME is read
  --host PATH         the host program (default: $MOVIEHOST_HOST, otherwise
                      moviehost next to moviecapture)
  --timeout S         give up when the host sends nothing for S seconds
                      (default 10)
  --help              show this text

A file that is no movie is refused before the host starts.

Exit status: 0 success, 1 other failure, 2 bad arguments, 3 movie missing or no movie,
4 host missing or not startable, 5 host ended early, 6 malformed frame stream,
7 output failed, 8 host timed out.
)";
}

}  // namespace moviecapture
