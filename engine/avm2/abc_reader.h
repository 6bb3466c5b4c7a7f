// Reads the primitive fields of an ABC block. Errors stick: a read past the
// end or an over-long variable-length integer returns 0, marks the reader
// failed and records where, so a caller may read a whole structure and check
// once. No read touches memory outside the span.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace avm2 {

class AbcReader {
public:
    explicit AbcReader(std::span<const uint8_t> data) : m_data(data) {}

    uint8_t u8();
    uint16_t u16();
    int32_t s24();
    // The variable-length integers: 1 to 5 bytes of 7 bits, low group first.
    uint32_t u32();
    uint32_t u30() { return u32(); }
    int32_t s32();
    double d64();
    // A u30 length followed by that many UTF-8 bytes (kept as they are).
    std::string string();

    // A count of entries that each take at least `minBytes`; a count the
    // remaining bytes cannot hold fails the reader, so nothing is allocated
    // on a claim the data cannot back.
    uint32_t count(size_t minBytes = 1);
    // The count of a constant pool, which includes the unstored entry 0.
    uint32_t poolCount(size_t minBytes = 1);

    [[nodiscard]] bool failed() const { return m_failed; }
    [[nodiscard]] size_t position() const { return m_pos; }
    [[nodiscard]] size_t failedAt() const { return m_failedAt; }
    [[nodiscard]] size_t remaining() const { return m_data.size() - m_pos; }
    [[nodiscard]] bool atEnd() const { return m_pos == m_data.size(); }
    void fail();

    std::span<const uint8_t> bytes(size_t length);

private:
    std::span<const uint8_t> m_data;
    size_t m_pos = 0;
    size_t m_failedAt = 0;
    bool m_failed = false;
};

}  // namespace avm2
