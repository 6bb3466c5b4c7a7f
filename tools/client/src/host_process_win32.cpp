// The Windows half of HostProcess. Anonymous pipes have no non-blocking mode
// and no readiness wait, so reads look with PeekNamedPipe and take only what
// is there; between looks the process handle is waited on briefly.

#include "deadline.h"
#include "host_process_timing.h"
#include "win32_text.h"

#include <moviehost/client/host_process.h>

#include <windows.h>

#include <algorithm>
#include <array>

namespace moviehost::client {

using detail::CapturedErrorsLimit;
using detail::EndGrace;
using detail::milliseconds;
using detail::QuitGrace;
using detail::WaitPoll;

namespace {

// How long a read waits between looks at an empty pipe.
constexpr DWORD ReadPollMs = 1;

bool pipeEnded(DWORD error) { return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA; }

// Bytes waiting in the pipe, or the error that says why none can come.
struct Available {
    DWORD bytes{0};
    DWORD error{ERROR_SUCCESS};
};

Available peek(HANDLE pipe) {
    Available available;
    if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &available.bytes, nullptr))
        available.error = GetLastError();
    return available;
}

}  // namespace

HostProcess::~HostProcess() { release(); }

void HostProcess::release() {
    if (m_process && !m_exitStatus) {
        if (m_input)
            (void)quit();
        // Closing both pipes also frees a host blocked writing a frame.
        closeInput();
        closeOutput();
        if (!wait(QuitGrace).has_value()) {
            TerminateProcess(m_process.get(), 1);
            WaitForSingleObject(m_process.get(), INFINITE);
        }
    }
    m_process.reset();
    m_input.reset();
    m_output.reset();
    m_errors.reset();
    m_pid = NoProcess;
}

// ---- reading -------------------------------------------------------------

moviehost::Expected<void, HostProcess::ShortRead> HostProcess::readFully(std::span<std::uint8_t> into,
                                                                         const Deadline& deadline) {
    using Reason = ShortRead::Reason;
    std::size_t got = 0;
    if (!m_output)
        return ShortRead{Reason::Failed, got, ERROR_INVALID_HANDLE};
    while (got < into.size()) {
        const Available available = peek(m_output.get());
        if (pipeEnded(available.error))
            return ShortRead{Reason::EndOfStream, got, 0};
        if (available.error != ERROR_SUCCESS)
            return ShortRead{Reason::Failed, got, static_cast<int>(available.error)};
        if (available.bytes > 0) {
            const std::size_t want = std::min<std::size_t>(into.size() - got, available.bytes);
            DWORD n = 0;
            if (!ReadFile(m_output.get(), into.data() + got, static_cast<DWORD>(want), &n, nullptr)) {
                const DWORD error = GetLastError();
                if (pipeEnded(error))
                    return ShortRead{Reason::EndOfStream, got, 0};
                return ShortRead{Reason::Failed, got, static_cast<int>(error)};
            }
            got += n;
            continue;
        }
        // Standard error is drained while we wait, so a talkative host cannot
        // block on it while we block on its frames.
        drainErrors();
        if (deadline.passed())
            return ShortRead{Reason::TimedOut, got, 0};
        Sleep(ReadPollMs);
    }
    return {};
}

Error HostProcess::readFailure(const ShortRead& failure) {
    return streamError(ErrorCode::SystemError, "reading the host's output failed: " +
                                                   detail::systemMessage(static_cast<DWORD>(failure.osError)));
}

void HostProcess::drainErrors() {
    if (!m_errors)
        return;
    std::array<char, 4096> chunk{};
    for (;;) {
        const Available available = peek(m_errors.get());
        if (available.error != ERROR_SUCCESS) {
            m_errors.reset();
            break;
        }
        if (available.bytes == 0)
            break;
        DWORD n = 0;
        const DWORD want = std::min<DWORD>(available.bytes, static_cast<DWORD>(chunk.size()));
        if (!ReadFile(m_errors.get(), chunk.data(), want, &n, nullptr)) {
            m_errors.reset();
            break;
        }
        m_capturedErrors.append(chunk.data(), n);
    }
    if (m_capturedErrors.size() > CapturedErrorsLimit)
        m_capturedErrors.erase(0, m_capturedErrors.size() - CapturedErrorsLimit);
}

// ---- writing -------------------------------------------------------------

// A write to an anonymous pipe waits for room: there is no telling how much
// the pipe takes at once, so `untilDone` changes nothing here. The host
// reads its input on a thread of its own, so records find room at once.
Status HostProcess::writeInput(std::span<const std::uint8_t> bytes, std::size_t& sent, bool) {
    if (!m_input)
        return Error{ErrorCode::HostGone, "the host's input is closed", m_exitStatus};
    while (sent < bytes.size()) {
        DWORD n = 0;
        if (WriteFile(m_input.get(), bytes.data() + sent, static_cast<DWORD>(bytes.size() - sent), &n, nullptr)) {
            sent += n;
            m_inputBytesSent += n;
            continue;
        }
        const DWORD error = GetLastError();
        if (pipeEnded(error)) {
            const auto status = wait(EndGrace);
            std::string message = "the host no longer reads its input";
            message += status.has_value() ? " (" + status->describe() + ")" : " (the host is still running)";
            return Error{ErrorCode::HostGone, std::move(message), m_exitStatus};
        }
        return Error{ErrorCode::SystemError, "writing to the host failed: " + detail::systemMessage(error),
                     m_exitStatus};
    }
    return {};
}

// ---- the process ---------------------------------------------------------

Expected<ExitStatus> HostProcess::wait(std::optional<std::chrono::milliseconds> timeout) {
    if (m_exitStatus)
        return *m_exitStatus;
    if (!m_process)
        return Error{ErrorCode::InvalidArgument, "there is no host process to wait for", std::nullopt};
    const Deadline deadline(timeout.value_or(m_timeout));
    for (;;) {
        const DWORD waited = WaitForSingleObject(m_process.get(), static_cast<DWORD>(WaitPoll.count()));
        if (waited == WAIT_OBJECT_0) {
            DWORD code = 0;
            if (!GetExitCodeProcess(m_process.get(), &code))
                return Error{ErrorCode::SystemError,
                             "reading the host's exit code failed: " + detail::systemMessage(GetLastError()),
                             std::nullopt};
            m_exitStatus = ExitStatus{ExitStatus::Kind::Exited, static_cast<int>(code)};
            drainErrors();
            return *m_exitStatus;
        }
        if (waited == WAIT_FAILED)
            return Error{ErrorCode::SystemError,
                         "waiting for the host failed: " + detail::systemMessage(GetLastError()), std::nullopt};
        drainErrors();
        if (deadline.passed())
            return Error{ErrorCode::Timeout, "the host did not end within " + milliseconds(timeout.value_or(m_timeout)),
                         std::nullopt};
    }
}

Status HostProcess::kill(int signal) {
    if (!m_process || m_exitStatus)
        return Error{ErrorCode::InvalidArgument, "the host has already been reaped", m_exitStatus};
    if (!TerminateProcess(m_process.get(), static_cast<UINT>(128 + signal)))
        return Error{ErrorCode::SystemError, "cannot end the host: " + detail::systemMessage(GetLastError()),
                     std::nullopt};
    return {};
}

// The host's sound descriptor is a POSIX feature: on Windows there is never
// a sound pipe, so there is nothing to drain or hand over.
void HostProcess::drainSound() {}

void HostProcess::takeSound(std::vector<std::int16_t>&) {}

}  // namespace moviehost::client
