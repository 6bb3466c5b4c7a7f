// Keeps a write to a pipe without a reader from killing the process.
//
// SIGPIPE is blocked on the writing thread for the duration of the write, and
// the one the write raised is taken off the thread's pending set before the
// old mask returns. Chosen over ignoring SIGPIPE process-wide so that the
// platform never changes a disposition the application owns; it costs three
// system calls per WriteFile, which is nothing next to a frame.
#pragma once

#include <csignal>

namespace platform::detail {

class SigpipeGuard {
public:
    SigpipeGuard();
    ~SigpipeGuard();
    SigpipeGuard(const SigpipeGuard&) = delete;
    SigpipeGuard& operator=(const SigpipeGuard&) = delete;

    // Call after a write failed with EPIPE: discards the SIGPIPE it raised,
    // unless one was already pending before the guard (not ours to take).
    void discardRaised();

private:
    sigset_t m_pipe{};
    sigset_t m_previousMask{};
    bool m_blocked = false;
    bool m_wasPending = false;
};

}  // namespace platform::detail
