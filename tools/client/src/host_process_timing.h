#pragma once
// How long the parent side waits for a host at its ends, shared by the
// protocol and the system-specific halves of HostProcess.

#include <chrono>
#include <cstddef>
#include <string>

namespace moviehost::client::detail {

inline constexpr std::size_t CapturedErrorsLimit = 64 * 1024;
// After the host's output or input closes, how long we wait to learn its
// exit status; a host normally exits right after.
inline constexpr std::chrono::milliseconds EndGrace{5000};
// How long a host asked to quit by our destructor may take before it is killed.
inline constexpr std::chrono::milliseconds QuitGrace{2000};
inline constexpr std::chrono::milliseconds WaitPoll{2};

[[nodiscard]] inline std::string milliseconds(std::chrono::milliseconds value) {
    return std::to_string(value.count()) + " ms";
}

}  // namespace moviehost::client::detail
