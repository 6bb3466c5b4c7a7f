// A stand-in for the moviehost host process that speaks its pipe protocol,
// for testing the parent side before and beside the real host.
//
// argv[0] is the movie, argv[1..3] width, height and the parent's process id.
// Every period it writes one frame drawn by stub_pattern.h, but only once the
// parent has drained the previous one: that keeps at most one frame in
// flight, so a record sent before frame F is read shows in frame F + 1 at
// the latest. Finish writes the end marker and ends, Quit ends, a closed
// input or a vanished parent ends.
//
// With MOVIEHOST_CLOCK=virtual it holds a record whose time field is T > 0
// until just before it draws frame T (counted from 1), as the host does.
//
// Environment:
//   MOVIEHOST_CLOCK, MOVIEHOST_FRAME_RATE   logged on the start line as
//                                  clock= and rate= when set
//   MOVIEHOST_STUB_LOG=path        append what happened, one line per event
//   MOVIEHOST_STUB_PERIOD_MS=n     frame period (default 30)
//   MOVIEHOST_STUB_MODE=mode       misbehave:
//     exit-early:K:CODE   write K frames, then exit with CODE
//     signal:K            write K frames, then die of SIGKILL
//     bad-kind:K          frame K's header says kind 7
//     bad-size:K          frame K's header says width + 1
//     truncate:K          write half of frame K, then exit 0
//     silent              never write a frame
//     deaf                never read input, never write, wait for the parent
//     no-marker           on Finish, end without the marker
//     trailing            on Finish, write the marker and then more bytes
//     ignore-finish       ignore Finish
//     finish-status:CODE  exit with CODE after the marker
//     stderr:TEXT         write TEXT and a newline to standard error at start

#include "stub_pattern.h"

#include <moviehost/wire_protocol.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
namespace wire = moviehost::wire;

struct Mode {
    std::string name;
    long first{0};
    long second{0};
    std::string text;
};

Mode parseMode(const char* text) {
    Mode mode;
    if (!text)
        return mode;
    const std::string description(text);
    const auto colon = description.find(':');
    mode.name = description.substr(0, colon);
    if (colon == std::string::npos)
        return mode;
    mode.text = description.substr(colon + 1);
    mode.first = std::strtol(mode.text.c_str(), nullptr, 10);
    if (const auto next = mode.text.find(':'); next != std::string::npos)
        mode.second = std::strtol(mode.text.c_str() + next + 1, nullptr, 10);
    return mode;
}

// Appends lines to the file named by MOVIEHOST_STUB_LOG, when there is one.
class Log {
public:
    explicit Log(const char* path) : m_file(path ? std::fopen(path, "a") : nullptr) {}
    ~Log() {
        if (m_file)
            std::fclose(m_file);
    }
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    void line(const std::string& text) {
        if (m_file) {
            std::fprintf(m_file, "%s\n", text.c_str());
            std::fflush(m_file);
        }
    }

private:
    FILE* m_file{nullptr};
};

bool writeAll(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::write(STDOUT_FILENO, bytes, size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        bytes += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

bool writeInt(std::uint32_t value) {
    const auto bytes = wire::integerBytes(value);
    return writeAll(bytes.data(), bytes.size());
}

// Whether the parent has read everything written so far (always true when
// standard output is not a pipe).
bool outputDrained() {
    int pending = 0;
    return ::ioctl(STDOUT_FILENO, FIONREAD, &pending) != 0 || pending == 0;
}

bool parentAlive(pid_t parent) { return parent > 0 && (::kill(parent, 0) == 0 || errno != ESRCH); }

// Acts on one record; the exit status when it ends the stub.
std::optional<int> apply(const wire::Record& fields, const Mode& mode, moviehost::testing::PatternState& state,
                         Log& log) {
    if (wire::isMouseMessage(fields.message)) {
        ++state.mouseRecords;
        state.marked = true;
        state.markX = wire::mouseX(fields.lParam);
        state.markY = wire::mouseY(fields.lParam);
        state.markMessage = fields.message;
    } else if (fields.message == wire::Finish && mode.name != "ignore-finish") {
        if (mode.name == "no-marker") {
            log.line("end finish-without-marker");
            return 0;
        }
        writeInt(wire::EndMarker);
        if (mode.name == "trailing")
            writeInt(wire::FrameKind);
        log.line("end finish");
        return mode.name == "finish-status" ? static_cast<int>(mode.first) : 0;
    } else if (fields.message == wire::Quit) {
        log.line("end quit");
        return 0;
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    Log log(std::getenv("MOVIEHOST_STUB_LOG"));
    std::string start = "start argc=" + std::to_string(argc);
    for (int i = 0; i < argc; ++i)
        start += " argv" + std::to_string(i) + "=" + argv[i];
    const char* clock = std::getenv("MOVIEHOST_CLOCK");
    const char* rate = std::getenv("MOVIEHOST_FRAME_RATE");
    if (clock)
        start += std::string(" clock=") + clock;
    if (rate)
        start += std::string(" rate=") + rate;
    log.line(start);
    const bool virtualClock = clock && std::string(clock) == "virtual";
    if (argc != 4)
        return 0;

    const long width = std::strtol(argv[1], nullptr, 10);
    const long height = std::strtol(argv[2], nullptr, 10);
    const auto parent = static_cast<pid_t>(std::strtol(argv[3], nullptr, 10));
    if (width <= 0 || height <= 0 || width > 4096 || height > 4096) {
        std::fprintf(stderr, "stub host: bad size %s x %s\n", argv[1], argv[2]);
        return 1;
    }
    const Mode mode = parseMode(std::getenv("MOVIEHOST_STUB_MODE"));
    const char* periodText = std::getenv("MOVIEHOST_STUB_PERIOD_MS");
    const auto period = std::chrono::milliseconds(periodText ? std::strtol(periodText, nullptr, 10) : 30);
    if (mode.name == "stderr")
        std::fprintf(stderr, "%s\n", mode.text.c_str());

    std::signal(SIGPIPE, SIG_IGN);
    ::fcntl(STDIN_FILENO, F_SETFL, ::fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);

    moviehost::testing::PatternState state;
    std::vector<wire::Record> held;  // in arrival order
    wire::EncodedRecord record{};
    std::size_t gathered = 0;
    auto nextTick = Clock::now();

    for (;;) {
        if (!parentAlive(parent)) {
            log.line("end parent-gone");
            return 0;
        }
        while (mode.name != "deaf") {
            const ssize_t n = ::read(STDIN_FILENO, record.data() + gathered, record.size() - gathered);
            if (n == 0) {
                log.line("end input-closed");
                return 0;
            }
            if (n < 0)
                break;
            gathered += static_cast<std::size_t>(n);
            if (gathered < record.size())
                continue;
            gathered = 0;
            const wire::Record fields = wire::Record::decode(record);
            log.line("record message=" + std::to_string(fields.message) + " wparam=" + std::to_string(fields.wParam) +
                     " lparam=" + std::to_string(fields.lParam) + " time=" + std::to_string(fields.time) +
                     " after=" + std::to_string(state.frame));
            if (virtualClock && fields.time > state.frame + 1) {
                held.push_back(fields);
                continue;
            }
            if (const auto ended = apply(fields, mode, state, log))
                return *ended;
        }

        const auto now = Clock::now();
        if (now >= nextTick && outputDrained() && mode.name != "silent" && mode.name != "deaf") {
            const long number = static_cast<long>(state.frame) + 1;
            if (mode.name == "exit-early" && number > mode.first) {
                log.line("end exit-early");
                return static_cast<int>(mode.second);
            }
            if (mode.name == "signal" && number > mode.first) {
                log.line("end signal");
                ::kill(::getpid(), SIGKILL);
            }
            state.frame = static_cast<std::uint32_t>(number);
            for (auto it = held.begin(); it != held.end();) {
                if (it->time > state.frame) {
                    ++it;
                    continue;
                }
                if (const auto ended = apply(*it, mode, state, log))
                    return *ended;
                it = held.erase(it);
            }
            const auto pixels = moviehost::testing::patternFrame(state, static_cast<std::uint32_t>(width),
                                                                 static_cast<std::uint32_t>(height));
            const bool broken = number == mode.first;
            bool ok = writeInt(mode.name == "bad-kind" && broken ? 7 : wire::FrameKind) &&
                      writeInt(static_cast<std::uint32_t>(mode.name == "bad-size" && broken ? width + 1 : width)) &&
                      writeInt(static_cast<std::uint32_t>(height));
            if (ok && mode.name == "truncate" && broken) {
                writeAll(pixels.data(), pixels.size() / 2);
                log.line("end truncate");
                return 0;
            }
            ok = ok && writeAll(pixels.data(), pixels.size());
            if (!ok) {
                log.line("end output-closed");
                return 0;
            }
            nextTick = Clock::now() + period;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
}
