// Pictures a script attached to a Video object (a NetStream's), owned and
// decoded by whoever plays them.
#pragma once

#include <cstdint>

namespace model {

class VideoFeed {
public:
    virtual ~VideoFeed() = default;
    // Straight-alpha RGBA, rows of width * 4 bytes, top row first; null
    // while there is no picture (nothing played yet, or closed).
    [[nodiscard]] virtual const uint8_t* rgba() const = 0;
    [[nodiscard]] virtual uint32_t width() const = 0;
    [[nodiscard]] virtual uint32_t height() const = 0;
    // Changes whenever the picture does.
    [[nodiscard]] virtual uint64_t version() const = 0;
};

}  // namespace model
