#include "capture_session.h"

#include "movie_location.h"

#include <moviehost/client/host_process.h>

namespace moviecapture {

namespace client = moviehost::client;

namespace {

CaptureOutcome failure(ExitCode code, std::string message) { return {code, std::move(message)}; }

CaptureOutcome fromHostError(const client::Error& error) {
    switch (error.code) {
    case client::ErrorCode::InvalidArgument:
        return failure(ExitCode::BadArguments, error.message);
    case client::ErrorCode::HostMissing:
        return failure(ExitCode::HostMissing, error.message + " (use --host or MOVIEHOST_HOST)");
    case client::ErrorCode::StartFailed:
        return failure(ExitCode::HostMissing, error.message);
    case client::ErrorCode::HostEnded:
    case client::ErrorCode::HostGone:
        return failure(ExitCode::HostEndedEarly, "host ended early: " + error.message);
    case client::ErrorCode::MalformedStream:
    case client::ErrorCode::UnexpectedEndMarker:
        return failure(ExitCode::MalformedStream, "malformed frame stream: " + error.message);
    case client::ErrorCode::Timeout:
        return failure(ExitCode::HostTimeout, "host timed out: " + error.message);
    case client::ErrorCode::SystemError:
        break;
    }
    return failure(ExitCode::Failure, error.message);
}

client::Status sendInputsFor(client::HostProcess& host, const std::vector<ScriptedInput>& inputs, std::uint64_t frame) {
    for (const auto& input : inputs) {
        if (input.frame != frame)
            continue;
        // Positions were checked against the frame size, which fits 16 bits.
        const auto x = static_cast<std::uint16_t>(input.x);
        const auto y = static_cast<std::uint16_t>(input.y);
        auto sent = input.kind == ScriptedInput::Kind::Click ? host.click(x, y) : host.moveMouse(x, y);
        if (!sent)
            return sent;
    }
    return {};
}

CaptureOutcome capture(const CaptureOptions& options, client::HostProcess& host, FrameSink& sink, SoundSink* sound) {
    client::Frame frame;
    std::vector<std::int16_t> samples;
    for (std::uint64_t number = 1; number <= options.frames; ++number) {
        if (auto sent = sendInputsFor(host, options.inputs, number); !sent)
            return fromHostError(sent.error());
        auto kind = host.readMessage(frame);
        if (!kind)
            return fromHostError(kind.error());
        if (*kind == client::MessageKind::EndMarker)
            return failure(ExitCode::MalformedStream,
                           "malformed frame stream: the host sent its end marker before frame " +
                               std::to_string(number) + " without being asked");
        if (auto failed = sink.write(frame, number))
            return failure(ExitCode::OutputFailed, *failed);
        if (sound) {
            samples.clear();
            host.takeSound(samples);
            if (auto failed = sound->writeSound(samples))
                return failure(ExitCode::OutputFailed, *failed);
        }
    }

    if (auto finished = host.finish(); !finished)
        return fromHostError(finished.error());
    auto status = host.wait();
    if (!status)
        return fromHostError(status.error());
    if (!status->success())
        return failure(ExitCode::HostEndedEarly, "the host failed after its last frame (" + status->describe() + ")");
    return {};
}

}  // namespace

CaptureOutcome runCapture(const CaptureOptions& options, const std::filesystem::path& hostProgram, FrameSink& sink,
                          SoundSink* sound) {
    if (auto missing = checkMovie(options.movie))
        return failure(ExitCode::MovieMissing, *missing);
    client::HostOptions hostOptions;
    hostOptions.program = hostProgram;
    hostOptions.movie = options.movie;
    hostOptions.width = options.width;
    hostOptions.height = options.height;
    hostOptions.timeout = options.timeout;
    hostOptions.sound = sound != nullptr;
    auto host = client::HostProcess::start(std::move(hostOptions));
    if (!host)
        return fromHostError(host.error());
    // Opened only once the host runs, so a missing host leaves no empty folder.
    if (auto failed = sink.open())
        return failure(ExitCode::OutputFailed, *failed);

    auto outcome = capture(options, *host, sink, sound);
    // The progress line ends before any message follows it.
    if (auto failed = sink.close(); failed && outcome.code == ExitCode::Success)
        outcome = failure(ExitCode::OutputFailed, *failed);
    return outcome;
}

}  // namespace moviecapture
