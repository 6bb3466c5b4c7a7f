#include "raw_stream_sink.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace moviecapture {

std::optional<std::string> RawStreamSink::open() {
    if (::isatty(m_fd))
        return "refusing to write raw frames to a terminal; redirect standard output or use --out";
    return std::nullopt;
}

std::optional<std::string> RawStreamSink::write(const moviehost::client::Frame& frame, std::uint64_t) {
    const auto bytes = frame.bytes();
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(m_fd, bytes.data() + written, bytes.size() - written);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // Someone handed us a non-blocking standard output; wait our turn.
            pollfd fd{m_fd, POLLOUT, 0};
            (void)::poll(&fd, 1, -1);
            continue;
        }
        if (n < 0 && errno == EPIPE)
            return "standard output was closed by its reader";
        return "cannot write to standard output: " + std::string(std::strerror(n < 0 ? errno : EIO));
    }
    return std::nullopt;
}

}  // namespace moviecapture
