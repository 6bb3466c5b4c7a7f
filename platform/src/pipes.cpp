// Anonymous pipes: CreatePipe and PeekNamedPipe.
#include "file_object.h"
#include "last_error.h"
#include "pipe_kind.h"

#include "platform/kernel.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>

using platform::detail::FileObject;
using platform::detail::HandleTable;

namespace platform::detail {

bool isPipeLike(int fd) {
    struct stat status {};
    if (::fstat(fd, &status) != 0)
        return false;
    return S_ISFIFO(status.st_mode) || S_ISSOCK(status.st_mode);
}

}  // namespace platform::detail

namespace {

bool isSocket(int fd) {
    struct stat status {};
    return ::fstat(fd, &status) == 0 && S_ISSOCK(status.st_mode);
}

// Copies up to `size` bytes from the front of pipe `fd` without consuming
// them: tee duplicates them into a scratch pipe, which is then read. Returns
// the count copied, or -1 with errno set.
ssize_t peekPipe(int fd, void* buffer, std::size_t size) {
    int scratch[2] = {-1, -1};
    if (::pipe2(scratch, O_CLOEXEC | O_NONBLOCK) != 0)
        return -1;
    ssize_t copied = -1;
    do
        copied = ::tee(fd, scratch[1], size, SPLICE_F_NONBLOCK);
    while (copied < 0 && errno == EINTR);
    if (copied < 0 && errno == EAGAIN)
        copied = 0;  // another reader took the bytes meanwhile
    if (copied > 0) {
        ssize_t got = -1;
        do
            got = ::read(scratch[0], buffer, static_cast<std::size_t>(copied));
        while (got < 0 && errno == EINTR);
        copied = got;
    }
    const int savedErrno = errno;
    ::close(scratch[0]);
    ::close(scratch[1]);
    errno = savedErrno;
    return copied;
}

ssize_t peekSocket(int fd, void* buffer, std::size_t size) {
    ssize_t copied = -1;
    do
        copied = ::recv(fd, buffer, size, MSG_PEEK | MSG_DONTWAIT);
    while (copied < 0 && errno == EINTR);
    if (copied < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
        copied = 0;
    return copied;
}

}  // namespace

BOOL WINAPI CreatePipe(HANDLE* read, HANDLE* write, LPSECURITY_ATTRIBUTES, DWORD) {
    if (!read || !write) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    int ends[2] = {-1, -1};
    if (::pipe2(ends, O_CLOEXEC) != 0) {
        platform::detail::setLastErrorFromErrno(errno);
        return FALSE;
    }
    // Each end is owned by its object from here on, so a failure below closes it.
    auto readEnd = std::make_shared<FileObject>(ends[0]);
    auto writeEnd = std::make_shared<FileObject>(ends[1]);
    auto& table = HandleTable::instance();
    HANDLE readHandle = table.add(std::move(readEnd));
    HANDLE writeHandle = readHandle ? table.add(std::move(writeEnd)) : nullptr;
    if (!writeHandle) {
        if (readHandle)
            static_cast<void>(table.remove(readHandle));
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return FALSE;
    }
    *read = readHandle;
    *write = writeHandle;
    return TRUE;
}

BOOL WINAPI PeekNamedPipe(HANDLE pipe, LPVOID buffer, DWORD bufferSize, LPDWORD bytesRead, LPDWORD totalAvailable,
                          LPDWORD bytesLeftThisMessage) {
    if (bytesRead)
        *bytesRead = 0;
    if (totalAvailable)
        *totalAvailable = 0;
    if (bytesLeftThisMessage)
        *bytesLeftThisMessage = 0;

    std::shared_ptr<FileObject> keepAlive;
    const int fd = platform::detail::fileDescriptorOf(pipe, keepAlive);
    if (fd < 0)
        return FALSE;
    if (!platform::detail::isPipeLike(fd)) {
        SetLastError(ERROR_INVALID_FUNCTION);
        return FALSE;
    }
    const int mode = ::fcntl(fd, F_GETFL);
    if (mode >= 0 && (mode & O_ACCMODE) == O_WRONLY) {
        SetLastError(ERROR_ACCESS_DENIED);
        return FALSE;
    }

    // Hang-up first, then the count: bytes written just before the last
    // writer closed are then always seen, never mistaken for a drained pipe.
    pollfd state{fd, static_cast<short>(POLLIN | POLLRDHUP), 0};
    int polled = -1;
    do
        polled = ::poll(&state, 1, 0);
    while (polled < 0 && errno == EINTR);
    if (polled < 0 || (state.revents & POLLNVAL)) {
        platform::detail::setLastErrorFromErrno(polled < 0 ? errno : EBADF);
        return FALSE;
    }
    const bool hungUp = (state.revents & (POLLHUP | POLLRDHUP | POLLERR)) != 0;

    int available = 0;
    if (::ioctl(fd, FIONREAD, &available) != 0) {
        platform::detail::setLastErrorFromErrno(errno);
        return FALSE;
    }
    if (available <= 0 && hungUp) {
        SetLastError(ERROR_BROKEN_PIPE);
        return FALSE;
    }
    const DWORD count = available > 0 ? static_cast<DWORD>(available) : 0;
    if (totalAvailable)
        *totalAvailable = count;

    if (buffer && bufferSize > 0 && count > 0) {
        const std::size_t wanted = std::min<std::size_t>(bufferSize, count);
        const ssize_t copied = isSocket(fd) ? peekSocket(fd, buffer, wanted) : peekPipe(fd, buffer, wanted);
        if (copied < 0) {
            platform::detail::setLastErrorFromErrno(errno);
            return FALSE;
        }
        if (bytesRead)
            *bytesRead = static_cast<DWORD>(copied);
    }
    return TRUE;
}
