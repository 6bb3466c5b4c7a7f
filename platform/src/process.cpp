// Process handles: OpenProcess over a pidfd, waited on with poll.
#include "handle_table.h"
#include "last_error.h"

#include "platform/kernel.h"

#include <poll.h>
#include <sys/syscall.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>

namespace {

// A pidfd refers to one process for good: it turns readable once that
// process has ended (zombie or reaped), and it can never come to mean a later
// process that got the same id.
class ProcessObject final : public platform::detail::KernelObject {
public:
    explicit ProcessObject(int pidfd) : m_pidfd(pidfd) {}
    ~ProcessObject() override { ::close(m_pidfd); }

    [[nodiscard]] DWORD wait(DWORD milliseconds) override;

private:
    int m_pidfd = -1;
};

DWORD ProcessObject::wait(DWORD milliseconds) {
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        int timeout = -1;
        if (milliseconds != INFINITE) {
            // Rounded up, so the wait never ends a fraction of a millisecond early.
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
            timeout = static_cast<int>(std::clamp<long long>(left, 0, INT_MAX));
        }
        pollfd ended{m_pidfd, POLLIN, 0};
        const int polled = ::poll(&ended, 1, timeout);
        if (polled > 0) {
            if (ended.revents & POLLNVAL) {
                SetLastError(ERROR_INVALID_HANDLE);
                return WAIT_FAILED;
            }
            return WAIT_OBJECT_0;
        }
        if (polled == 0) {
            if (timeout == 0 || Clock::now() >= deadline)
                return WAIT_TIMEOUT;
            continue;  // a clamped slice of a very long wait ran out
        }
        if (errno != EINTR) {
            platform::detail::setLastErrorFromErrno(errno);
            return WAIT_FAILED;
        }
    }
}

}  // namespace

HANDLE WINAPI OpenProcess(DWORD, BOOL, DWORD processId) {
    // Ids beyond INT_MAX would turn negative as a pid_t and name a process
    // group or every process; 0 names the caller's group.
    if (processId == 0 || processId > static_cast<DWORD>(INT_MAX)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    const long pidfd = ::syscall(SYS_pidfd_open, static_cast<pid_t>(processId), 0u);
    if (pidfd < 0) {
        // No such process, or the id of a thread rather than a process: the
        // platform calls both an invalid parameter. Running out of
        // descriptors is reported as what it is.
        const int error = errno;
        const bool noSuchProcess = error == ESRCH || error == EINVAL || error == ENOENT;
        platform::detail::setLastErrorFromErrno(noSuchProcess ? EINVAL : error);
        return nullptr;
    }
    auto process = std::make_shared<ProcessObject>(static_cast<int>(pidfd));
    HANDLE handle = platform::detail::HandleTable::instance().add(std::move(process));
    if (!handle)
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return handle;
}

DWORD WINAPI GetCurrentProcessId() { return static_cast<DWORD>(::getpid()); }
