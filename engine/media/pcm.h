// The one output format of the media layer: 44,100 Hz, stereo, signed 16-bit,
// interleaved left then right. Times are counted in frames of this format.
#pragma once

#include <cstddef>
#include <cstdint>

namespace media {

inline constexpr uint32_t OutputRate = 44100;
inline constexpr size_t OutputChannels = 2;

// Output frames for `samples` input samples at the rate of a sound format,
// rounded down. The 5.5 kHz rate is 44,100 / 8 exactly, so it is not
// computed from the rounded 5512.
[[nodiscard]] inline uint64_t outputFrames(uint64_t samples, uint32_t sourceRate) {
    if (sourceRate == 5512)
        return samples * 8;
    if (sourceRate == 0)
        return 0;
    return samples * OutputRate / sourceRate;
}

}  // namespace media
