#pragma once
// A point in time on the monotonic clock that a read or wait must not pass.

#include <algorithm>
#include <chrono>
#include <climits>

namespace moviehost::client::detail {

class Deadline {
public:
    using Clock = std::chrono::steady_clock;

    explicit Deadline(std::chrono::milliseconds budget) : m_end(Clock::now() + budget) {}

    [[nodiscard]] bool passed() const { return Clock::now() >= m_end; }
    // Milliseconds left for poll(), rounded up so that a wait never ends a
    // fraction of a millisecond early and spins; 0 once passed.
    [[nodiscard]] int remainingMs() const {
        const auto left = m_end - Clock::now();
        if (left <= Clock::duration::zero())
            return 0;
        const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
        return static_cast<int>(std::min<decltype(ms)>(ms, INT_MAX));
    }

private:
    Clock::time_point m_end;
};

}  // namespace moviehost::client::detail
