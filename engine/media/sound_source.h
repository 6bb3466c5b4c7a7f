// What the mixer plays: anything that yields output-format frames on demand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace media {

class SoundSource {
public:
    virtual ~SoundSource() = default;
    // Fills `out` (interleaved stereo, out.size() / 2 frames) from the current
    // position and returns the frames written. Fewer than asked means the
    // source has ended; it is then never asked again.
    virtual size_t read(std::span<int16_t> out) = 0;
    // Frames produced so far.
    [[nodiscard]] virtual uint64_t position() const = 0;
};

}  // namespace media
