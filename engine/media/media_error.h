// Errors of the media layer.
#pragma once

#include <cstdint>

namespace media {

enum class MediaError : uint8_t {
    UnknownCodec,      // the file names a codec id we do not know
    CodecUnavailable,  // libavcodec was built without the decoder
    CodecOpenFailed,   // the decoder refused the parameters (rate, channels, size)
    OutOfMemory,
};

[[nodiscard]] const char* describe(MediaError error);

}  // namespace media
