// The frequency content of a window of sound (SoundMixer.computeSpectrum's
// FFT mode), through libavutil's real DFT.
#pragma once

#include <array>
#include <span>

namespace media {

inline constexpr size_t SpectrumWindow = 512;
inline constexpr size_t SpectrumBins = SpectrumWindow / 2;

// Magnitudes of the first SpectrumBins frequencies of `samples` (-1..1),
// scaled so that a full-scale sine centred on a bin reads 1 there; all
// zeros when the transform cannot be made.
[[nodiscard]] std::array<float, SpectrumBins> spectrum(std::span<const float, SpectrumWindow> samples);

}  // namespace media
