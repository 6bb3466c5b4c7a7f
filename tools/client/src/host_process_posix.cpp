// The POSIX half of HostProcess: non-blocking pipes watched with poll(2),
// the process reaped with waitpid(2).

#include "deadline.h"
#include "host_process_timing.h"
#include "pipe_io.h"

#include <moviehost/client/host_process.h>

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <thread>

namespace moviehost::client {

using detail::CapturedErrorsLimit;
using detail::EndGrace;
using detail::milliseconds;
using detail::QuitGrace;
using detail::WaitPoll;

HostProcess::~HostProcess() { release(); }

void HostProcess::release() {
    if (m_pid > 0 && !m_exitStatus) {
        if (m_input)
            (void)quit();
        // Closing the pipes also frees a host blocked writing a frame or sound.
        closeInput();
        closeOutput();
        m_sound.reset();
        if (!wait(QuitGrace).has_value()) {
            ::kill(m_pid, SIGKILL);
            int status = 0;
            while (::waitpid(m_pid, &status, 0) < 0 && errno == EINTR) {
            }
        }
    }
    m_input.reset();
    m_output.reset();
    m_errors.reset();
    m_sound.reset();
    m_pid = NoProcess;
}

moviehost::Expected<void, HostProcess::ShortRead> HostProcess::readFully(std::span<std::uint8_t> into,
                                                                         const Deadline& deadline) {
    using Reason = ShortRead::Reason;
    std::size_t got = 0;
    if (!m_output)
        return ShortRead{Reason::Failed, got, EBADF};
    while (got < into.size()) {
        const ssize_t n = ::read(m_output.get(), into.data() + got, into.size() - got);
        if (n > 0) {
            got += static_cast<std::size_t>(n);
            continue;
        }
        if (n == 0)
            return ShortRead{Reason::EndOfStream, got, 0};
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK)
            return ShortRead{Reason::Failed, got, errno};
        if (deadline.passed())
            return ShortRead{Reason::TimedOut, got, 0};
        // Standard error and sound are drained while we wait, so a host
        // cannot block on them while we block on its frames.
        std::array<pollfd, 3> fds{
            {{m_output.get(), POLLIN, 0}, {m_errors.get(), POLLIN, 0}, {m_sound.get(), POLLIN, 0}}};
        if (::poll(fds.data(), fds.size(), deadline.remainingMs()) < 0 && errno != EINTR)
            return ShortRead{Reason::Failed, got, errno};
        if (fds[1].revents != 0)
            drainErrors();
        if (fds[2].revents != 0)
            drainSound();
    }
    return {};
}

Error HostProcess::readFailure(const ShortRead& failure) {
    return streamError(ErrorCode::SystemError,
                       "reading the host's output failed: " + std::string(std::strerror(failure.osError)));
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
    if (m_capturedErrors.size() > CapturedErrorsLimit)
        m_capturedErrors.erase(0, m_capturedErrors.size() - CapturedErrorsLimit);
}

Status HostProcess::writeInput(std::span<const std::uint8_t> bytes, std::size_t& sent, bool untilDone) {
    if (!m_input)
        return Error{ErrorCode::HostGone, "the host's input is closed", m_exitStatus};
    const Deadline deadline(m_timeout);
    while (sent < bytes.size()) {
        const ssize_t n = detail::writeWithoutSigpipe(m_input.get(), bytes.data() + sent, bytes.size() - sent);
        if (n > 0) {
            sent += static_cast<std::size_t>(n);
            m_inputBytesSent += static_cast<std::uint64_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno == EPIPE) {
            const auto status = wait(EndGrace);
            std::string message = "the host no longer reads its input";
            message += status.has_value() ? " (" + status->describe() + ")" : " (the host is still running)";
            return Error{ErrorCode::HostGone, std::move(message), m_exitStatus};
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!untilDone)
                return {};
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
            if (::poll(&fd, 1, static_cast<int>(WaitPoll.count())) > 0)
                drainErrors();
        } else {
            std::this_thread::sleep_for(WaitPoll);
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
