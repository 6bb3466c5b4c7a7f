#include "pipe_io.h"

#include <fcntl.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace moviehost::client::detail {

namespace {

int moveAboveStandardStreams(UniqueFd& fd) {
    if (fd.get() > STDERR_FILENO)
        return 0;
    const int moved = ::fcntl(fd.get(), F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    if (moved < 0)
        return errno;
    fd.reset(moved);
    return 0;
}

}  // namespace

moviehost::Expected<Pipe, int> makePipe() {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return moviehost::Unexpected(errno);
    Pipe pipe{UniqueFd(ends[0]), UniqueFd(ends[1])};
    if (const int error = moveAboveStandardStreams(pipe.readEnd))
        return moviehost::Unexpected(error);
    if (const int error = moveAboveStandardStreams(pipe.writeEnd))
        return moviehost::Unexpected(error);
    return pipe;
}

void enlargePipe(int fd) {
    // Whole frames are megabytes; a 64 KiB pipe makes the host and us trade
    // the processor over a hundred times per frame. Only a hint: a smaller
    // limit (/proc/sys/fs/pipe-max-size) leaves the default in place.
    constexpr int FramePipeBytes = 1 << 20;
    (void)::fcntl(fd, F_SETPIPE_SZ, FramePipeBytes);
}

int setNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        return errno;
    return 0;
}

ssize_t writeWithoutSigpipe(int fd, const void* data, std::size_t size) {
    sigset_t pipeOnly;
    sigemptyset(&pipeOnly);
    sigaddset(&pipeOnly, SIGPIPE);

    // A SIGPIPE that was already pending belongs to someone else; keep it.
    sigset_t pending;
    sigemptyset(&pending);
    sigpending(&pending);
    const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;

    sigset_t previous;
    pthread_sigmask(SIG_BLOCK, &pipeOnly, &previous);
    const ssize_t written = ::write(fd, data, size);
    const int writeError = errno;
    if (written < 0 && writeError == EPIPE && !alreadyPending) {
        const timespec noWait{0, 0};
        while (sigtimedwait(&pipeOnly, nullptr, &noWait) < 0 && errno == EINTR) {
        }
    }
    pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    errno = writeError;
    return written;
}

}  // namespace moviehost::client::detail

namespace moviehost::client {

void UniqueFd::reset(int fd) {
    // A failed close still releases the descriptor on Linux; retrying could
    // close a descriptor another thread has just been given.
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = fd;
}

}  // namespace moviehost::client
