#pragma once
// Small POSIX helpers for the pipes between parent and host.

#include <moviehost/client/unique_fd.h>
#include <moviehost/expected.h>

#include <sys/types.h>

#include <cstddef>

namespace moviehost::client::detail {

struct Pipe {
    UniqueFd readEnd;
    UniqueFd writeEnd;
};

// A close-on-exec pipe whose ends are both above standard error, so that
// duplicating them onto 0, 1 or 2 in the child never meets itself. The error
// is an errno value.
[[nodiscard]] moviehost::Expected<Pipe, int> makePipe();

// Returns 0 or an errno value.
[[nodiscard]] int setNonBlocking(int fd);

// Asks for a larger pipe buffer; failure is harmless.
void enlargePipe(int fd);

// write(2) that reports EPIPE without raising SIGPIPE in the process: the
// signal is blocked in this thread for the call and a SIGPIPE it caused is
// taken off the pending set again. Other threads and the signal's disposition
// are left alone.
[[nodiscard]] ssize_t writeWithoutSigpipe(int fd, const void* data, std::size_t size);

}  // namespace moviehost::client::detail
