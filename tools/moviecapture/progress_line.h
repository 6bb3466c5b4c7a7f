#pragma once
// The progress both file sinks show on standard error: on a terminal one live
// line (frames, percent, frames per second, time left) rewritten in place;
// elsewhere (a log, a pipe) a line at every tenth, so logs stay short.

#include <chrono>
#include <cstdint>
#include <ostream>
#include <string>

namespace moviecapture {

class ProgressLine {
public:
    // Live when `out` is standard error and that is a terminal.
    ProgressLine(std::ostream& out, std::uint64_t total, std::string where);
    void show(std::uint64_t number);
    // Ends a live line before anything else is said on the stream.
    void end();

private:
    std::ostream& m_out;
    std::uint64_t m_total{0};
    std::string m_where;
    bool m_live{false};
    bool m_shown{false};
    std::uint64_t m_lastTenth{0};
    std::chrono::steady_clock::time_point m_start{std::chrono::steady_clock::now()};
};

}  // namespace moviecapture
