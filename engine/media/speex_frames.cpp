// Walking Speex frames by their bit layout.
#include "media/speex_frames.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace media {

namespace {

// Bits per frame of each narrowband submode, its 5 header bits included.
constexpr std::array<int, 9> NarrowbandBits = {5, 43, 119, 160, 220, 300, 364, 492, 79};
// Bits of each wideband layer submode, its 4 header bits included; 5-7 are unused.
constexpr std::array<int, 8> WidebandBits = {4, 36, 112, 192, 352, -1, -1, -1};

class BitReader {
public:
    explicit BitReader(std::span<const uint8_t> data) : m_data(data), m_total(data.size() * 8) {}

    [[nodiscard]] size_t position() const { return m_pos; }
    [[nodiscard]] size_t remaining() const { return m_total - m_pos; }
    void seek(size_t pos) { m_pos = pos < m_total ? pos : m_total; }
    [[nodiscard]] unsigned bitAt(size_t pos) const { return (m_data[pos / 8] >> (7 - pos % 8)) & 1u; }

    // Reads n bits (n <= 8); nothing when the block ends first.
    [[nodiscard]] std::optional<unsigned> read(unsigned n) {
        if (remaining() < n)
            return std::nullopt;
        unsigned v = 0;
        for (unsigned i = 0; i < n; ++i)
            v = (v << 1) | bitAt(m_pos++);
        return v;
    }
    [[nodiscard]] bool skip(size_t n) {
        if (remaining() < n)
            return false;
        m_pos += n;
        return true;
    }

private:
    std::span<const uint8_t> m_data;
    size_t m_total = 0;
    size_t m_pos = 0;
};

enum class Step { Frame, Terminator, End, Invalid };

struct Parsed {
    Step step = Step::End;
    size_t start = 0;  // the frame's bits, in-band signalling left out
    size_t end = 0;
    int submode = -1;
};

size_t inbandSkip(unsigned code) {
    if (code < 2)
        return 1;
    if (code < 8)
        return 4;
    if (code < 10)
        return 8;
    if (code < 12)
        return 16;
    if (code < 14)
        return 32;
    return 64;
}

Parsed parseFrame(BitReader& r) {
    for (;;) {
        if (r.remaining() < 5)
            return {Step::End};
        size_t start = r.position();
        unsigned wideband = *r.read(1);
        if (wideband) {
            // A wideband layer with no narrowband one before it: the decoder
            // steps over it, and so do we.
            auto sub = r.read(3);
            if (!sub || WidebandBits[*sub] < 0 || !r.skip(size_t(WidebandBits[*sub] - 4)))
                return {Step::Invalid};
            continue;
        }
        unsigned m = *r.read(4);
        if (m == 15)
            return {Step::Terminator};
        if (m == 14 || m == 13) {
            auto code = r.read(4);
            if (!code || !r.skip(m == 14 ? inbandSkip(*code) : 5 + 8 * size_t(*code)))
                return {Step::Invalid};
            continue;
        }
        if (m >= NarrowbandBits.size() || !r.skip(size_t(NarrowbandBits[m] - 5)))
            return {Step::Invalid};
        // The wideband layer follows when its flag bit is set.
        if (r.remaining() > 0 && r.bitAt(r.position())) {
            (void)r.read(1);
            auto sub = r.read(3);
            if (!sub || WidebandBits[*sub] < 0 || !r.skip(size_t(WidebandBits[*sub] - 4)))
                return {Step::Invalid};
        }
        return {Step::Frame, start, r.position(), int(m)};
    }
}

// The narrowband submode a frame starting at `pos` would have, or -1.
int peekSubmode(const BitReader& r, size_t pos) {
    if (pos + 5 > r.position() + r.remaining() || r.bitAt(pos))
        return -1;
    unsigned m = 0;
    for (size_t i = 1; i < 5; ++i)
        m = (m << 1) | r.bitAt(pos + i);
    return m < NarrowbandBits.size() ? int(m) : -1;
}

// Encoders pad a block to whole bytes with a 0 and then 1s. Fewer than five
// such bits do not read as a terminator, and a frame may also start there, so
// choose the reading whose submode matches the last frame's.
void stepOverPadding(BitReader& r, int lastSubmode) {
    size_t pos = r.position();
    size_t k = (8 - pos % 8) % 8;
    if (k == 0 || k >= 5 || r.remaining() <= k || r.bitAt(pos))
        return;
    for (size_t i = 1; i < k; ++i)
        if (!r.bitAt(pos + i))
            return;
    int here = peekSubmode(r, pos);
    int aligned = peekSubmode(r, pos + k);
    if (here >= 0 && (here == lastSubmode || aligned != lastSubmode))
        return;
    r.seek(pos + k);
}

void copyBits(const BitReader& r, size_t start, size_t end, std::vector<uint8_t>& out) {
    out.assign((end - start + 7) / 8, 0);
    size_t n = end - start;
    for (size_t i = 0; i < n; ++i)
        if (r.bitAt(start + i))
            out[i / 8] |= uint8_t(0x80u >> (i % 8));
    // Pad as an encoder would: a 0, then 1s to the byte's end.
    for (size_t i = n + 1; i < out.size() * 8; ++i)
        out[i / 8] |= uint8_t(0x80u >> (i % 8));
}

}  // namespace

uint32_t splitSpeexFrames(std::span<const uint8_t> block, const std::function<bool(std::span<const uint8_t>)>& frame) {
    BitReader r(block);
    std::vector<uint8_t> packet;
    uint32_t count = 0;
    int lastSubmode = -1;
    size_t lastBits = 0;
    for (;;) {
        stepOverPadding(r, lastSubmode);
        size_t at = r.position();
        Parsed p = parseFrame(r);
        if (p.step == Step::End)
            break;
        if (p.step == Step::Terminator) {
            r.seek((r.position() + 7) / 8 * 8);  // the rest of the byte is padding
            continue;
        }
        if (p.step == Step::Invalid) {
            if (lastBits == 0)
                return 0;
            size_t lost = (block.size() * 8 - at) / lastBits;
            return uint32_t(std::min<size_t>(lost, std::max<size_t>(count, 50)));
        }
        copyBits(r, p.start, p.end, packet);
        if (!frame(packet))
            return 0;
        ++count;
        lastSubmode = p.submode;
        lastBits = p.end - at;
    }
    return 0;
}

}  // namespace media
