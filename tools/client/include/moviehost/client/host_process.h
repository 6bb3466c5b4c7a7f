#pragma once
// A running host process seen from its parent: it starts the host with the
// movie location as argv[0], then reads its frames and writes its input
// records over two pipes. Not thread-safe: one thread drives one host.
//
// Errors on the output stream stick: once a read has failed (end of stream,
// malformed header, timeout) the stream is out of step and every later read
// reports the same error. Writing to a host that has gone is an error result,
// never a SIGPIPE.

#include <moviehost/client/error.h>
#include <moviehost/client/exit_status.h>
#include <moviehost/client/frame.h>
#include <moviehost/client/input_record.h>
#include <moviehost/client/pipe_end.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace moviehost::client {

namespace detail {
class Deadline;
}

enum class StderrMode {
    Inherit,  // the host writes to our standard error
    Capture,  // kept in memory (the last 64 KiB), see HostProcess::capturedErrors
};

struct HostOptions {
    std::filesystem::path program;  // the host executable
    std::string movie;              // a file path or URL; becomes the host's argv[0]
    std::int32_t width{0};
    std::int32_t height{0};
    // The process the host watches; our own process id when empty.
    std::optional<ProcessId> parentPid;
    // The whole argument vector instead of (movie, width, height, parent id),
    // for driving the host with command lines it must reject. width and height
    // must still describe the frames we expect to read.
    std::optional<std::vector<std::string>> arguments;
    StderrMode stderrMode{StderrMode::Inherit};
    // How long one frame, a finish or a wait may take before we give up.
    std::chrono::milliseconds timeout{10000};
    // Set in the host's environment on top of ours.
    std::vector<std::pair<std::string, std::string>> environment;
    // Left out of the host's environment although we have them.
    std::vector<std::string> removedEnvironment;
    // Input that waits in the host's standard input before the host starts,
    // so its very first read finds it (records for the first frame). What
    // the pipe cannot hold at once stays queued; see flushInput.
    std::vector<std::uint8_t> initialInput;
    // The host writes the movie's sound on a pipe of its own (its descriptor
    // 3, named by MOVIEHOST_AUDIO_FD); takeSound() hands it over. The frame
    // stream is the same either way.
    bool sound{false};
};

enum class MessageKind { Frame, EndMarker };

class HostProcess {
public:
    [[nodiscard]] static Expected<HostProcess> start(HostOptions options);

    HostProcess(HostProcess&& other) noexcept;
    HostProcess& operator=(HostProcess&& other) noexcept;
    HostProcess(const HostProcess&) = delete;
    HostProcess& operator=(const HostProcess&) = delete;
    // A host still running is asked to quit, then killed if it does not end
    // within a short grace period; it is always reaped.
    ~HostProcess();

    [[nodiscard]] ProcessId pid() const { return m_pid; }
    [[nodiscard]] std::int32_t width() const { return m_width; }
    [[nodiscard]] std::int32_t height() const { return m_height; }
    [[nodiscard]] std::uint64_t framesRead() const { return m_framesRead; }

    // Reads the next message. For a frame, `into` is resized and filled; for
    // the end marker it is left alone.
    [[nodiscard]] Expected<MessageKind> readMessage(Frame& into);
    // Reads the next frame; an end marker here is ErrorCode::UnexpectedEndMarker.
    [[nodiscard]] Expected<Frame> readFrame();
    // Asks for the end marker (wire::Finish) and reads up to it, discarding
    // the frames in between (or appending them to `framesBefore`). The host's
    // output must end right after the marker. Returns the frames passed over.
    [[nodiscard]] Expected<std::size_t> finish(std::vector<Frame>* framesBefore = nullptr);

    // Raw access to the output stream, for tests of the stream itself.
    [[nodiscard]] Status readExactly(std::span<std::uint8_t> into);
    // Everything until the host closes its output; more than `limit` bytes is
    // an error (MalformedStream).
    [[nodiscard]] Expected<std::vector<std::uint8_t>> readToEnd(std::size_t limit);

    // Writes input still queued from HostOptions::initialInput: only what
    // the pipe takes at once, or with `untilDone` all of it (within the
    // timeout). Sending anything else first writes the whole queue.
    [[nodiscard]] Status flushInput(bool untilDone);
    [[nodiscard]] std::size_t queuedInputBytes() const { return m_queuedInput.size() - m_queuedFrom; }

    [[nodiscard]] Status send(const InputRecord& record);
    // Any bytes, for records split into pieces or deliberately broken ones.
    [[nodiscard]] Status sendBytes(std::span<const std::uint8_t> bytes);
    [[nodiscard]] Status moveMouse(std::uint16_t x, std::uint16_t y);
    [[nodiscard]] Status pressMouse(std::uint16_t x, std::uint16_t y);
    [[nodiscard]] Status releaseMouse(std::uint16_t x, std::uint16_t y);
    // A left button down, then up, at the same place.
    [[nodiscard]] Status click(std::uint16_t x, std::uint16_t y);
    // wire::Quit: the host ends without an end marker. Queued input not yet
    // begun is dropped, so the quit is not held up behind it.
    [[nodiscard]] Status quit();

    // Sound (HostOptions::sound): 44,100 Hz stereo, signed 16-bit, left then
    // right. Appends every whole frame the host wrote so far; the host writes
    // a frame's sound before the frame, so after readMessage() this holds
    // the sound up to and including that frame. It is drained while frames
    // are awaited, so the host never blocks on it; at most SoundKeptBytes
    // wait here (older sound goes first).
    static constexpr std::size_t SoundKeptBytes = 16u << 20;
    void takeSound(std::vector<std::int16_t>& into);
    // False once the host closed its sound pipe (or none was asked for).
    [[nodiscard]] bool soundOpen() const { return static_cast<bool>(m_sound); }
    // Closes our end of the sound pipe (the host's writes then fail).
    void closeSound() { m_sound.reset(); }

    // Close our end of the host's input or output pipe.
    void closeInput();
    void closeOutput();

    // Waits for the host to end (for the configured timeout when none is
    // given) and reaps it. Once reaped, returns the same status at once.
    [[nodiscard]] Expected<ExitStatus> wait(std::optional<std::chrono::milliseconds> timeout = {});
    // Sends a signal to a host that has not been reaped yet. Windows has no
    // signals: there the host is terminated with exit code 128 + signal.
    [[nodiscard]] Status kill(int signal);
    [[nodiscard]] std::optional<ExitStatus> exitStatus() const { return m_exitStatus; }

    // What the host wrote to its standard error so far (StderrMode::Capture).
    [[nodiscard]] const std::string& capturedErrors();

private:
    using Deadline = detail::Deadline;
    // Why a read stopped before its buffer was full.
    struct ShortRead {
        enum class Reason { EndOfStream, TimedOut, Failed };
        Reason reason{Reason::Failed};
        std::size_t got{0};  // bytes read before it stopped
        int osError{0};      // errno (GetLastError() on Windows), for Failed
    };

    HostProcess() = default;

    [[nodiscard]] moviehost::Expected<void, ShortRead> readFully(std::span<std::uint8_t> into,
                                                                 const Deadline& deadline);
    Error readFailure(const ShortRead& failure);
    Error streamError(ErrorCode code, std::string message);
    Error endedError(std::string what);
    Expected<MessageKind> readMessageBefore(Frame& into, const Deadline& deadline);
    // Writes `bytes` from `sent` on; without `untilDone` it stops where the pipe is full.
    Status writeInput(std::span<const std::uint8_t> bytes, std::size_t& sent, bool untilDone);
    void drainErrors();
    void drainSound();
    void release();

    ProcessId m_pid{NoProcess};
#ifdef _WIN32
    UniqueHandle m_process;  // for waiting and terminating
#endif
    PipeEnd m_input;   // write end of the host's standard input
    PipeEnd m_output;  // read end of the host's standard output
    PipeEnd m_errors;  // read end of the host's standard error when captured
    PipeEnd m_sound;   // read end of the host's sound pipe when asked for (POSIX)
    std::vector<std::uint8_t> m_soundBytes;
    std::int32_t m_width{0};
    std::int32_t m_height{0};
    std::chrono::milliseconds m_timeout{10000};
    std::uint64_t m_framesRead{0};
    std::vector<std::uint8_t> m_queuedInput;
    std::size_t m_queuedFrom{0};        // bytes of m_queuedInput already written
    std::uint64_t m_inputBytesSent{0};  // in all, to keep records whole when dropping
    std::optional<Error> m_streamError;
    std::optional<ExitStatus> m_exitStatus;
    std::string m_capturedErrors;
};

}  // namespace moviehost::client
