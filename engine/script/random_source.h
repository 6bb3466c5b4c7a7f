// The engine's random numbers (Math.random, RandomNumber): xorshift64*
// from a fixed seed, so runs repeat exactly.
#pragma once

#include <cstdint>

namespace script {

class RandomSource {
public:
    explicit RandomSource(uint64_t seed) : m_state(seed ? seed : 0x2545F4914F6CDD1Dull) {}

    uint64_t next() {
        m_state ^= m_state >> 12;
        m_state ^= m_state << 25;
        m_state ^= m_state >> 27;
        return m_state * 0x2545F4914F6CDD1Dull;
    }
    // Uniform in [0, 1).
    double unit() { return double(next() >> 11) * (1.0 / 9007199254740992.0); }

private:
    uint64_t m_state;
};

}  // namespace script
