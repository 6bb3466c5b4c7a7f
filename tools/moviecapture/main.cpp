// moviecapture: renders a movie through the moviehost host process into PNG
// files, one video file or a raw RGBA stream.

#include "capture_options.h"
#include "capture_session.h"
#include "host_locator.h"
#include "movie_location.h"
#include "movie_probe.h"
#include "png_folder_sink.h"
#include "raw_stream_sink.h"
#include "video_format.h"
#ifndef _WIN32
#include "video_sink.h"
#endif
#include "wav_file_sink.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif
#include <csignal>
#include <cstdlib>
#include <exception>
#include <iostream>
#include <memory>
#include <optional>

int main(int argc, char** argv) {
    using namespace moviecapture;
#ifdef _WIN32
    // Raw frames are bytes: no line ends may be rewritten on the way out.
    _setmode(1, _O_BINARY);
#else
    // A closed pipe, to the host or on our standard output, is an error
    // result, not a reason to die. The host gets default signals back.
    std::signal(SIGPIPE, SIG_IGN);
#endif

    try {
        auto parsed = parseCaptureOptions(std::vector<std::string>(argv + 1, argv + argc));
        if (!parsed) {
            std::cerr << "moviecapture: " << parsed.error().message << " (see moviecapture --help)\n";
            return static_cast<int>(ExitCode::BadArguments);
        }
        if (parsed->help) {
            std::cout << usageText();
            return std::cout.flush() ? 0 : static_cast<int>(ExitCode::OutputFailed);
        }

        // A local file is read first: what is no movie never reaches a host,
        // and the movie's own size and frame count become the defaults.
        std::optional<MovieInfo> movie;
        if (!isUrl(parsed->movie)) {
            if (auto missing = checkMovie(parsed->movie)) {
                std::cerr << "moviecapture: " << *missing << "\n";
                return static_cast<int>(ExitCode::MovieMissing);
            }
            auto probed = probeMovieFile(parsed->movie);
            if (!probed) {
                std::cerr << "moviecapture: " << parsed->movie << ": " << probed.error().message << "\n";
                return static_cast<int>(ExitCode::MovieMissing);
            }
            movie = *probed;
        }
        auto resolved = resolveCaptureOptions(std::move(*parsed), movie ? &*movie : nullptr);
        if (!resolved) {
            std::cerr << "moviecapture: " << resolved.error().message << " (see moviecapture --help)\n";
            return static_cast<int>(ExitCode::BadArguments);
        }
        const CaptureOptions& options = *resolved;

        std::unique_ptr<FrameSink> sink;
        SoundTee sound;
        if (options.raw) {
            sink = std::make_unique<RawStreamSink>(1);
#ifdef _WIN32
        } else if (videoFormatFor(options.outputFolder)) {
            // Videos are encoded through FFmpeg's libraries, which this
            // build does not have.
            std::cerr << "moviecapture: videos are not made on Windows; give a folder or --raw\n";
            return static_cast<int>(ExitCode::BadArguments);
#else
        } else if (const auto format = videoFormatFor(options.outputFolder)) {
            // One video frame per host frame, at exactly the output rate.
            const bool withSound = !options.noAudio && *format != VideoFormat::Gif;
            auto video =
                std::make_unique<VideoSink>(VideoSettings{options.outputFolder, *format, options.width, options.height,
                                                          options.rate, options.crf, withSound},
                                            options.frames, std::cerr);
            if (withSound)
                sound.add(video.get());
            sink = std::move(video);
#endif
        } else {
            sink = std::make_unique<PngFolderSink>(options.outputFolder, options.frames, std::cerr);
        }

        const auto host = locateHost(options.host, std::getenv("MOVIEHOST_HOST"), ownExecutable());
        std::optional<WavFileSink> wav;
#ifdef _WIN32
        if (options.audioFile) {
            // The host's sound descriptor is a POSIX pipe: there is no sound to write.
            std::cerr << "moviecapture: sound is not captured on Windows; leave out --audio\n";
            return static_cast<int>(ExitCode::BadArguments);
        }
#endif
        if (options.audioFile) {
            wav.emplace(*options.audioFile);
            if (auto failed = wav->open()) {
                std::cerr << "moviecapture: " << *failed << "\n";
                return static_cast<int>(ExitCode::OutputFailed);
            }
            sound.add(&*wav);
        }
        auto outcome = runCapture(options, host, *sink, sound.empty() ? nullptr : &sound);
        if (wav) {
            if (auto failed = wav->close(); failed && outcome.code == ExitCode::Success)
                outcome = {ExitCode::OutputFailed, *failed};
        }
        if (outcome.code != ExitCode::Success)
            std::cerr << "moviecapture: " << outcome.message << "\n";
        return static_cast<int>(outcome.code);
    } catch (const std::exception& error) {
        std::cerr << "moviecapture: " << error.what() << "\n";
        return static_cast<int>(ExitCode::Failure);
    }
}
