// What kind of descriptor a handle wraps, for the calls that treat pipes
// differently from files.
#pragma once

namespace platform::detail {

// True for a pipe or FIFO, and for a stream socket, which some parents hand
// their children as standard input in place of a pipe.
[[nodiscard]] bool isPipeLike(int fd);

}  // namespace platform::detail
