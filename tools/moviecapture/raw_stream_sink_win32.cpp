// Raw frames on Windows: the C runtime's descriptor, set to binary by main.
#include "raw_stream_sink.h"

#include <io.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>

namespace moviecapture {

std::optional<std::string> RawStreamSink::open() {
    if (_isatty(m_fd))
        return "refusing to write raw frames to a terminal; redirect standard output or use --out";
    return std::nullopt;
}

std::optional<std::string> RawStreamSink::write(const moviehost::client::Frame& frame, std::uint64_t) {
    const auto bytes = frame.bytes();
    std::size_t written = 0;
    while (written < bytes.size()) {
        const auto chunk = static_cast<unsigned>(std::min<std::size_t>(bytes.size() - written, INT_MAX));
        const int n = _write(m_fd, bytes.data() + written, chunk);
        if (n > 0) {
            written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EPIPE)
            return "standard output was closed by its reader";
        return "cannot write to standard output: " + std::string(std::strerror(n < 0 ? errno : EIO));
    }
    return std::nullopt;
}

}  // namespace moviecapture
