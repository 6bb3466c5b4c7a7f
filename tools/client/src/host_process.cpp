// Reading frames from and writing records to a running host.

#include "deadline.h"
#include "pipe_io.h"

#include <moviehost/client/host_process.h>
#include <moviehost/client/protocol.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <new>
#include <thread>

namespace moviehost::client {

namespace {

constexpr std::size_t kCapturedErrorsLimit = 64 * 1024;
// After the host's output or input closes, how long we wait to learn its
// exit status; a host normally exits right after.
constexpr std::chrono::milliseconds kEndGrace{5000};
// How long a host asked to quit by our destructor may take before it is killed.
constexpr std::chrono::milliseconds kQuitGrace{2000};
constexpr std::chrono::milliseconds kWaitPoll{2};

std::uint32_t readLittleEndian(const std::uint8_t* at) {
    return std::uint32_t{at[0]} | std::uint32_t{at[1]} << 8 | std::uint32_t{at[2]} << 16 | std::uint32_t{at[3]} << 24;
}

std::string milliseconds(std::chrono::milliseconds value) { return std::to_string(value.count()) + " ms"; }

}  // namespace

HostProcess::HostProcess(HostProcess&& other) noexcept
    : m_pid(std::exchange(other.m_pid, -1)),
      m_input(std::move(other.m_input)),
      m_output(std::move(other.m_output)),
      m_errors(std::move(other.m_errors)),
      m_width(other.m_width),
      m_height(other.m_height),
      m_timeout(other.m_timeout),
      m_framesRead(other.m_framesRead),
      m_streamError(std::move(other.m_streamError)),
      m_exitStatus(other.m_exitStatus),
      m_capturedErrors(std::move(other.m_capturedErrors)) {}

HostProcess& HostProcess::operator=(HostProcess&& other) noexcept {
    if (this != &other) {
        release();
        m_pid = std::exchange(other.m_pid, -1);
        m_input = std::move(other.m_input);
        m_output = std::move(other.m_output);
        m_errors = std::move(other.m_errors);
        m_width = other.m_width;
        m_height = other.m_height;
        m_timeout = other.m_timeout;
        m_framesRead = other.m_framesRead;
        m_streamError = std::move(other.m_streamError);
        m_exitStatus = other.m_exitStatus;
        m_capturedErrors = std::move(other.m_capturedErrors);
    }
    return *this;
}

HostProcess::~HostProcess() { release(); }

void HostProcess::release() {
    if (m_pid > 0 && !m_exitStatus) {
        if (m_input)
            (void)quit();
        // Closing both pipes also frees a host blocked writing a frame.
        closeInput();
        closeOutput();
        if (!wait(kQuitGrace).ok()) {
            ::kill(m_pid, SIGKILL);
            int status = 0;
            while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
    m_input.reset();
    m_output.reset();
    m_errors.reset();
    m_pid = -1;
}

// ---- reading -------------------------------------------------------------

HostProcess::ReadOutcome HostProcess::readFully(std::span<std::uint8_t> into, const Deadline& deadline,
                                                std::size_t& got, int& osError) {
    got = 0;
    if (!m_output) {
        osError = EBADF;
        return ReadOutcome::Failed;
    }
    while (got < into.size()) {
        const ssize_t n = ::read(m_output.get(), into.data() + got, into.size() - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0)
            return ReadOutcome::EndOfStream;
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            osError = errno;
            return ReadOutcome::Failed;
        }
        if (deadline.passed())
            return ReadOutcome::TimedOut;
        // Standard error is drained while we wait, so a talkative host cannot
        // block on it while we block on its frames.
        std::array<pollfd, 2> fds{{{m_output.get(), POLLIN, 0}, {m_errors.get(), POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), deadline.remainingMs()) < 0 && errno != EINTR) {
            osError = errno;
            return ReadOutcome::Failed;
        }
        if (fds[1].revents != 0)
            drainErrors();
    }
    return ReadOutcome::Complete;
}

Error HostProcess::streamError(ErrorCode code, std::string message) {
    m_streamError = Error{code, std::move(message), m_exitStatus};
    return *m_streamError;
}

Error HostProcess::endedError(std::string what) {
    const auto status = wait(kEndGrace);
    what += status.ok() ? " (" + status->describe() + ")" : " (the host is still running)";
    return streamError(ErrorCode::HostEnded, std::move(what));
}

Expected<MessageKind> HostProcess::readMessageBefore(Frame& into, const Deadline& deadline) {
    if (m_streamError)
        return *m_streamError;
    const std::uint64_t frameNumber = m_framesRead + 1;
    std::array<std::uint8_t, protocol::kFrameHeaderBytes> header{};
    std::size_t got = 0;
    int osError = 0;

    const auto failed = [&](ReadOutcome outcome, const std::string& during, std::size_t have, std::size_t want) {
        switch (outcome) {
        case ReadOutcome::EndOfStream:
            return endedError("the host's output ended in the middle of " + during + " (" + std::to_string(have) +
                              " of " + std::to_string(want) + " bytes)");
        case ReadOutcome::TimedOut:
            return streamError(ErrorCode::Timeout,
                               "the host did not send " + during + " within " + milliseconds(m_timeout));
        default:
            return streamError(ErrorCode::SystemError,
                               "reading the host's output failed: " + std::string(std::strerror(osError)));
        }
    };
    const std::string headerName = "the header of frame " + std::to_string(frameNumber);

    auto outcome = readFully(std::span(header).first(4), deadline, got, osError);
    if (outcome == ReadOutcome::EndOfStream && got == 0)
        return endedError("the host's output ended without an end marker after " + std::to_string(m_framesRead) +
                          (m_framesRead == 1 ? " frame" : " frames"));
    if (outcome != ReadOutcome::Complete)
        return failed(outcome, headerName, got, protocol::kFrameHeaderBytes);

    const std::uint32_t kind = readLittleEndian(header.data());
    if (kind == protocol::kKindEndMarker) {
        m_streamError = Error{ErrorCode::HostEnded, "the host's output has ended with its end marker", std::nullopt};
        return MessageKind::EndMarker;
    }
    if (kind != protocol::kKindFrame)
        return streamError(ErrorCode::MalformedStream,
                           "the host sent a message of unknown kind " + std::to_string(kind) + " where frame " +
                               std::to_string(frameNumber) + " was due (a frame is 1, the end marker 0)");

    outcome = readFully(std::span(header).subspan(4), deadline, got, osError);
    if (outcome != ReadOutcome::Complete)
        return failed(outcome, headerName, 4 + got, protocol::kFrameHeaderBytes);
    const auto width = static_cast<std::int32_t>(readLittleEndian(header.data() + 4));
    const auto height = static_cast<std::int32_t>(readLittleEndian(header.data() + 8));
    if (width != m_width || height != m_height)
        return streamError(ErrorCode::MalformedStream, "the host sent frame " + std::to_string(frameNumber) + " as " +
                                                           std::to_string(width) + "x" + std::to_string(height) +
                                                           " but was started for " + std::to_string(m_width) + "x" +
                                                           std::to_string(m_height));

    try {
        into.resize(m_width, m_height);
    } catch (const std::bad_alloc&) {
        return streamError(ErrorCode::SystemError, "no memory for frame " + std::to_string(frameNumber) + " of " +
                                                       std::to_string(m_width) + "x" + std::to_string(m_height));
    }
    outcome = readFully(into.bytes(), deadline, got, osError);
    if (outcome != ReadOutcome::Complete)
        return failed(outcome, "frame " + std::to_string(frameNumber), got, into.byteCount());
    ++m_framesRead;
    return MessageKind::Frame;
}

Expected<MessageKind> HostProcess::readMessage(Frame& into) { return readMessageBefore(into, Deadline(m_timeout)); }

Expected<Frame> HostProcess::readFrame() {
    Frame frame;
    auto kind = readMessage(frame);
    if (!kind)
        return kind.error();
    if (*kind == MessageKind::EndMarker)
        return Error{ErrorCode::UnexpectedEndMarker,
                     "the host sent its end marker where frame " + std::to_string(m_framesRead + 1) + " was due",
                     std::nullopt};
    return frame;
}

Expected<std::size_t> HostProcess::finish(std::vector<Frame>* framesBefore) {
    if (m_streamError)
        return *m_streamError;
    if (auto sent = send(InputRecord::control(protocol::kFinish)); !sent)
        return sent.error();

    // The marker must arrive within one timeout of the request, however many
    // frames the host still writes before it.
    const Deadline deadline(m_timeout);
    std::size_t passed = 0;
    Frame frame;
    for (;;) {
        auto kind = readMessageBefore(frame, deadline);
        if (!kind && kind.error().code == ErrorCode::Timeout)
            return streamError(ErrorCode::Timeout,
                               "the host sent no end marker within " + milliseconds(m_timeout) + " of the request");
        if (!kind)
            return kind.error();
        if (*kind == MessageKind::EndMarker)
            break;
        ++passed;
        if (framesBefore)
            framesBefore->push_back(frame);
    }

    std::uint8_t extra = 0;
    std::size_t got = 0;
    int osError = 0;
    switch (readFully(std::span(&extra, 1), deadline, got, osError)) {
    case ReadOutcome::EndOfStream:
        return passed;
    case ReadOutcome::Complete:
        return streamError(ErrorCode::MalformedStream, "the host wrote more after its end marker");
    case ReadOutcome::TimedOut:
        return streamError(ErrorCode::Timeout,
                           "the host kept its output open for " + milliseconds(m_timeout) + " after its end marker");
    case ReadOutcome::Failed:
        break;
    }
    return streamError(ErrorCode::SystemError,
                       "reading the host's output failed: " + std::string(std::strerror(osError)));
}

Status HostProcess::readExactly(std::span<std::uint8_t> into) {
    if (m_streamError)
        return *m_streamError;
    std::size_t got = 0;
    int osError = 0;
    switch (readFully(into, Deadline(m_timeout), got, osError)) {
    case ReadOutcome::Complete:
        return {};
    case ReadOutcome::EndOfStream:
        return endedError("the host's output ended after " + std::to_string(got) + " of " +
                          std::to_string(into.size()) + " bytes");
    case ReadOutcome::TimedOut:
        return streamError(ErrorCode::Timeout, "the host sent " + std::to_string(got) + " of " +
                                                   std::to_string(into.size()) + " bytes within " +
                                                   milliseconds(m_timeout));
    case ReadOutcome::Failed:
        break;
    }
    return streamError(ErrorCode::SystemError,
                       "reading the host's output failed: " + std::string(std::strerror(osError)));
}

Expected<std::vector<std::uint8_t>> HostProcess::readToEnd(std::size_t limit) {
    if (m_streamError)
        return *m_streamError;
    const Deadline deadline(m_timeout);
    std::vector<std::uint8_t> bytes;
    std::array<std::uint8_t, 64 * 1024> chunk{};
    for (;;) {
        std::size_t got = 0;
        int osError = 0;
        // Asking for one byte more than the limit allows tells "exactly the
        // limit" from "too much" without reading unbounded amounts.
        const std::size_t room = limit - bytes.size();
        const std::size_t want = room >= chunk.size() ? chunk.size() : room + 1;
        const auto outcome = readFully(std::span(chunk).first(want), deadline, got, osError);
        bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(got));
        if (bytes.size() > limit)
            return streamError(ErrorCode::MalformedStream,
                               "the host wrote more than " + std::to_string(limit) + " bytes");
        if (outcome == ReadOutcome::EndOfStream)
            return bytes;
        if (outcome == ReadOutcome::TimedOut)
            return streamError(ErrorCode::Timeout, "the host kept its output open for " + milliseconds(m_timeout) +
                                                       " after " + std::to_string(bytes.size()) + " bytes");
        if (outcome == ReadOutcome::Failed)
            return streamError(ErrorCode::SystemError,
                               "reading the host's output failed: " + std::string(std::strerror(osError)));
    }
}

void HostProcess::drainErrors() {
    if (!m_errors)
        return;
    std::array<char, 4096> chunk{};
    for (;;) {
        const ssize_t n = ::read(m_errors.get(), chunk.data(), chunk.size());
        if (n > 0) {
            m_capturedErrors.append(chunk.data(), static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK))
            m_errors.reset();
        break;
    }
    if (m_capturedErrors.size() > kCapturedErrorsLimit)
        m_capturedErrors.erase(0, m_capturedErrors.size() - kCapturedErrorsLimit);
}

const std::string& HostProcess::capturedErrors() {
    drainErrors();
    return m_capturedErrors;
}

// ---- writing -------------------------------------------------------------

Status HostProcess::sendBytes(std::span<const std::uint8_t> bytes) {
    if (!m_input)
        return Error{ErrorCode::HostGone, "the host's input is closed", m_exitStatus};
    const Deadline deadline(m_timeout);
    std::size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = detail::writeWithoutSigpipe(m_input.get(), bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EPIPE) {
            const auto status = wait(kEndGrace);
            std::string message = "the host no longer reads its input";
            message += status.ok() ? " (" + status->describe() + ")" : " (the host is still running)";
            return Error{ErrorCode::HostGone, std::move(message), m_exitStatus};
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (deadline.passed())
                return Error{ErrorCode::Timeout, "the host has not read its input for " + milliseconds(m_timeout),
                             m_exitStatus};
            std::array<pollfd, 2> fds{{{m_input.get(), POLLOUT, 0}, {m_errors.get(), POLLIN, 0}}};
            if (::poll(fds.data(), fds.size(), deadline.remainingMs()) < 0 && errno != EINTR)
                return Error{ErrorCode::SystemError,
                             "waiting to write to the host failed: " + std::string(std::strerror(errno)), m_exitStatus};
            if (fds[1].revents != 0)
                drainErrors();
            continue;
        }
        return Error{ErrorCode::SystemError, "writing to the host failed: " + std::string(std::strerror(errno)),
                     m_exitStatus};
    }
    return {};
}

Status HostProcess::send(const InputRecord& record) {
    const auto bytes = record.encode();
    return sendBytes(bytes);
}

Status HostProcess::moveMouse(std::uint16_t x, std::uint16_t y) {
    return send(InputRecord::mouse(protocol::kMouseMove, x, y));
}

Status HostProcess::pressMouse(std::uint16_t x, std::uint16_t y) {
    return send(InputRecord::mouse(protocol::kLeftButtonDown, x, y));
}

Status HostProcess::releaseMouse(std::uint16_t x, std::uint16_t y) {
    return send(InputRecord::mouse(protocol::kLeftButtonUp, x, y));
}

Status HostProcess::click(std::uint16_t x, std::uint16_t y) {
    if (auto pressed = pressMouse(x, y); !pressed)
        return pressed;
    return releaseMouse(x, y);
}

Status HostProcess::quit() { return send(InputRecord::control(protocol::kQuit)); }

void HostProcess::closeInput() { m_input.reset(); }

void HostProcess::closeOutput() { m_output.reset(); }

// ---- the process ---------------------------------------------------------

Expected<ExitStatus> HostProcess::wait(std::optional<std::chrono::milliseconds> timeout) {
    if (m_exitStatus)
        return *m_exitStatus;
    if (m_pid <= 0)
        return Error{ErrorCode::InvalidArgument, "there is no host process to wait for", std::nullopt};
    const Deadline deadline(timeout.value_or(m_timeout));
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(m_pid, &status, WNOHANG);
        if (done == m_pid) {
            m_exitStatus = ExitStatus::fromWaitStatus(status);
            drainErrors();
            return *m_exitStatus;
        }
        if (done < 0 && errno != EINTR)
            return Error{ErrorCode::SystemError, "waiting for the host failed: " + std::string(std::strerror(errno)),
                         std::nullopt};
        if (deadline.passed())
            return Error{ErrorCode::Timeout, "the host did not end within " + milliseconds(timeout.value_or(m_timeout)),
                         std::nullopt};
        if (m_errors) {
            pollfd fd{m_errors.get(), POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(kWaitPoll.count())) > 0)
                drainErrors();
        } else {
            std::this_thread::sleep_for(kWaitPoll);
        }
    }
}

Status HostProcess::kill(int signal) {
    if (m_pid <= 0 || m_exitStatus)
        return Error{ErrorCode::InvalidArgument, "the host has already been reaped", m_exitStatus};
    if (::kill(m_pid, signal) != 0)
        return Error{ErrorCode::SystemError, "cannot signal the host: " + std::string(std::strerror(errno)),
                     std::nullopt};
    return {};
}

}  // namespace moviehost::client
