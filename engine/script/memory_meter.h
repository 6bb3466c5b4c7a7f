// The bytes scripts keep: strings, objects, property slots and array
// elements add what they take while they live and give it back when they go.
// A charge that would pass the limit is refused with a ScriptAbort
// (MemoryLimit) before anything is allocated.
#pragma once

#include <cstddef>

namespace script {

class MemoryMeter {
public:
    explicit MemoryMeter(size_t limit = ~size_t(0)) : m_limit(limit) {}

    // Throws ScriptAbort when the total would pass the limit.
    void charge(size_t bytes);
    void release(size_t bytes) { m_bytes = bytes > m_bytes ? 0 : m_bytes - bytes; }
    [[nodiscard]] size_t bytes() const { return m_bytes; }
    [[nodiscard]] size_t limit() const { return m_limit; }
    void setLimit(size_t limit) { m_limit = limit; }

private:
    size_t m_bytes = 0;
    size_t m_limit = ~size_t(0);
};

}  // namespace script
