#include "sigpipe_guard.h"

#include <pthread.h>
#include <cerrno>
#include <ctime>

namespace platform::detail {

SigpipeGuard::SigpipeGuard() {
    sigemptyset(&m_pipe);
    sigaddset(&m_pipe, SIGPIPE);
    sigset_t pending;
    sigemptyset(&pending);
    if (sigpending(&pending) == 0)
        m_wasPending = sigismember(&pending, SIGPIPE) == 1;
    m_blocked = pthread_sigmask(SIG_BLOCK, &m_pipe, &m_previousMask) == 0;
}

SigpipeGuard::~SigpipeGuard() {
    if (m_blocked)
        pthread_sigmask(SIG_SETMASK, &m_previousMask, nullptr);
}

void SigpipeGuard::discardRaised() {
    if (m_wasPending || !m_blocked)
        return;
    const int savedErrno = errno;
    const timespec noWait{};
    while (sigtimedwait(&m_pipe, nullptr, &noWait) < 0 && errno == EINTR) {
    }
    errno = savedErrno;
}

}  // namespace platform::detail
