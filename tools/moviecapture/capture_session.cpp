#include "capture_session.h"

#include "movie_location.h"

#include <moviehost/client/host_process.h>

#include <algorithm>

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

std::vector<client::InputRecord> recordsFor(const ScriptedInput& input) {
    // Positions were checked against the frame size, which fits 16 bits.
    const auto x = static_cast<std::uint16_t>(input.x);
    const auto y = static_cast<std::uint16_t>(input.y);
    if (input.kind == ScriptedInput::Kind::Move)
        return {client::InputRecord::mouse(moviehost::wire::MouseMove, x, y)};
    return {client::InputRecord::mouse(moviehost::wire::LeftButtonDown, x, y),
            client::InputRecord::mouse(moviehost::wire::LeftButtonUp, x, y)};
}

// The whole script for the virtual clock, each record stamped with its frame,
// in frame order (the command line's order within a frame). The host holds a
// record until just before that frame is drawn.
struct HeldScript {
    std::vector<std::uint8_t> bytes;
    std::vector<std::pair<std::uint64_t, std::size_t>> ends;  // (frame, bytes up to its last record)
};

HeldScript heldScript(std::vector<ScriptedInput> inputs) {
    std::stable_sort(inputs.begin(), inputs.end(), [](const auto& a, const auto& b) { return a.frame < b.frame; });
    HeldScript script;
    for (const auto& input : inputs) {
        for (auto record : recordsFor(input)) {
            // Frames are at most MaxFrames, well inside the 32-bit field.
            record.time = static_cast<std::uint32_t>(input.frame);
            const auto bytes = record.encode();
            script.bytes.insert(script.bytes.end(), bytes.begin(), bytes.end());
        }
        script.ends.emplace_back(input.frame, script.bytes.size());
    }
    return script;
}

// On the wall clock, input for frame F goes once frame F - 1 was read.
client::Status sendLiveInputsFor(client::HostProcess& host, const std::vector<ScriptedInput>& inputs,
                                 std::uint64_t frame) {
    for (const auto& input : inputs) {
        if (input.frame != frame)
            continue;
        for (const auto& record : recordsFor(input))
            if (auto sent = host.send(record); !sent)
                return sent;
    }
    return {};
}

// With the virtual clock the script went ahead of the host's start; what
// did not fit its input pipe follows as the host takes it, and must be in
// before the frame that needs it is read.
client::Status feedHeldScript(client::HostProcess& host, const HeldScript& script, std::uint64_t frame) {
    if (host.queuedInputBytes() == 0)
        return {};
    if (auto sent = host.flushInput(false); !sent)
        return sent;
    const auto due = std::upper_bound(script.ends.begin(), script.ends.end(), frame,
                                      [](std::uint64_t f, const auto& end) { return f < end.first; });
    const std::size_t needed = due == script.ends.begin() ? 0 : std::prev(due)->second;
    if (script.bytes.size() - host.queuedInputBytes() < needed)
        return host.flushInput(true);
    return {};
}

CaptureOutcome capture(const CaptureOptions& options, client::HostProcess& host, const HeldScript& script,
                       FrameSink& sink, SoundSink* sound) {
    client::Frame frame;
    std::vector<std::int16_t> samples;
    for (std::uint64_t number = 1; number <= options.frames; ++number) {
        auto sent =
            options.realtime ? sendLiveInputsFor(host, options.inputs, number) : feedHeldScript(host, script, number);
        if (!sent)
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
    HeldScript script;
    if (options.realtime) {
        hostOptions.removedEnvironment = {"MOVIEHOST_CLOCK", "MOVIEHOST_FRAME_RATE"};
    } else {
        hostOptions.environment.emplace_back("MOVIEHOST_CLOCK", "virtual");
        // The host's own default is the nominal rate; a rate left in our
        // environment must not stand in for it.
        if (options.rate == NominalRate)
            hostOptions.removedEnvironment = {"MOVIEHOST_FRAME_RATE"};
        else
            hostOptions.environment.emplace_back("MOVIEHOST_FRAME_RATE", rateText(options.rate));
        script = heldScript(options.inputs);
        hostOptions.initialInput = script.bytes;
    }
    auto host = client::HostProcess::start(std::move(hostOptions));
    if (!host)
        return fromHostError(host.error());
    // Opened only once the host runs, so a missing host leaves no empty folder.
    if (auto failed = sink.open())
        return failure(ExitCode::OutputFailed, *failed);

    auto outcome = capture(options, *host, script, sink, sound);
    // The progress line ends before any message follows it.
    if (auto failed = sink.close(); failed && outcome.code == ExitCode::Success)
        outcome = failure(ExitCode::OutputFailed, *failed);
    return outcome;
}

}  // namespace moviecapture
