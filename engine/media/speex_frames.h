// Splits a block of Speex (wideband, 16 kHz) data into its 20 ms frames.
//
// A sound block may hold many frames, but libavcodec's Speex decoder takes one
// frame per packet and has no parser, so the block is walked here by the
// frame layout and each frame copied into a byte-aligned packet of its own.
//
//   uint32_t lost = media::splitSpeexFrames(block, [&](std::span<const uint8_t> frame) {
//       decode(frame);
//       return true;  // false stops the walk
//   });
//   // then `lost` frames of silence for what could not be read
#pragma once

#include <cstdint>
#include <functional>
#include <span>

namespace media {

inline constexpr uint32_t SpeexFrameSamples = 320;  // 20 ms at 16 kHz

// Calls `frame` with each frame's narrowband and wideband layers (in-band
// signalling left out), padded to whole bytes. After an invalid submode the
// walk stops and returns how many frames the rest would have held, judged by
// the size of the last good frame (0 when none came before), to play as
// silence; never more than the frames before it, or 50 (one second).
[[nodiscard]] uint32_t splitSpeexFrames(std::span<const uint8_t> block,
                                        const std::function<bool(std::span<const uint8_t>)>& frame);

}  // namespace media
