// Output frames per movie frame at a rational frame rate. Counting from the
// start, not by adding rounded per-frame counts, keeps every frame's share
// exact over any length: frame k's interval holds
// floor((k + 1) * 44100 / rate) - floor(k * 44100 / rate) frames.
#pragma once

#include "media/pcm.h"

#include <cstdint>

namespace media {

class SampleClock {
public:
    // rate = numerator / denominator frames per second (29.97: 30000 / 1001);
    // both must be in 1..2^20 (others give a clock that never advances).
    SampleClock(uint32_t numerator, uint32_t denominator)
        : m_num(valid(numerator, denominator) ? numerator : 0), m_den(denominator) {}

    // Output frames before movie frame `frame` begins.
    [[nodiscard]] uint64_t framesBefore(uint64_t frame) const {
        if (m_num == 0)
            return 0;
        uint64_t perSecond = uint64_t(OutputRate) * m_den;
        return frame / m_num * perSecond + frame % m_num * perSecond / m_num;
    }
    // Output frames in movie frame `frame`'s interval.
    [[nodiscard]] uint64_t framesIn(uint64_t frame) const { return framesBefore(frame + 1) - framesBefore(frame); }

private:
    static bool valid(uint32_t n, uint32_t d) { return n > 0 && d > 0 && n <= (1u << 20) && d <= (1u << 20); }

    uint32_t m_num = 0;
    uint32_t m_den = 1;
};

}  // namespace media
