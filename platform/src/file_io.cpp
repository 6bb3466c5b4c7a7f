// ReadFile and WriteFile on descriptor-backed handles.
#include "file_object.h"
#include "last_error.h"
#include "pipe_kind.h"
#include "sigpipe_guard.h"

#include "platform/kernel.h"

#include <poll.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <climits>

using platform::detail::FileObject;

namespace {

// A non-blocking descriptor would make read and write return EAGAIN; the
// platform's calls block, so wait for readiness and try again.
bool waitFor(int fd, short events) {
    pollfd ready{fd, events, 0};
    for (;;) {
        if (::poll(&ready, 1, -1) >= 0)
            return true;
        if (errno != EINTR)
            return false;
    }
}

}  // namespace

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD toRead, LPDWORD bytesRead, LPOVERLAPPED overlapped) {
    if (bytesRead)
        *bytesRead = 0;
    std::shared_ptr<FileObject> keepAlive;
    const int fd = platform::detail::fileDescriptorOf(file, keepAlive);
    if (fd < 0)
        return FALSE;
    if (overlapped || (!buffer && toRead > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (toRead == 0)
        return TRUE;

    const std::size_t wanted = std::min<std::size_t>(toRead, SSIZE_MAX);
    ssize_t got = -1;
    for (;;) {
        got = ::read(fd, buffer, wanted);
        if (got >= 0)
            break;
        if (errno == EINTR)
            continue;
        if (errno == EAGAIN && waitFor(fd, POLLIN))
            continue;
        platform::detail::setLastErrorFromErrno(errno);
        return FALSE;
    }
    if (got == 0 && platform::detail::isPipeLike(fd)) {
        // Every writer is gone and the pipe is drained.
        SetLastError(ERROR_BROKEN_PIPE);
        return FALSE;
    }
    if (bytesRead)
        *bytesRead = static_cast<DWORD>(got);
    return TRUE;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD toWrite, LPDWORD written, LPOVERLAPPED overlapped) {
    if (written)
        *written = 0;
    std::shared_ptr<FileObject> keepAlive;
    const int fd = platform::detail::fileDescriptorOf(file, keepAlive);
    if (fd < 0)
        return FALSE;
    if (overlapped || (!buffer && toWrite > 0)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }

    platform::detail::SigpipeGuard guard;
    const auto* bytes = static_cast<const unsigned char*>(buffer);
    DWORD done = 0;
    while (done < toWrite) {
        const ssize_t put = ::write(fd, bytes + done, toWrite - done);
        if (put > 0) {
            done += static_cast<DWORD>(put);
            if (written)
                *written = done;
            continue;
        }
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0 && errno == EAGAIN && waitFor(fd, POLLOUT))
            continue;
        // A write that moves nothing without an error would loop for ever.
        const int error = put < 0 ? errno : EIO;
        if (error == EPIPE)
            guard.discardRaised();
        platform::detail::setLastErrorFromErrno(error);
        return FALSE;
    }
    return TRUE;
}
