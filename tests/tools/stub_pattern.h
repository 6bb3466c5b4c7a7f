#pragma once
// The picture the stub host draws, shared by the stub and the tests that
// check what reached the parent.
//
// Frame n (counted from 1) with r mouse records received so far:
//   pixel (x, y) = ((x + n) mod 256, (y + 2n) mod 256, r mod 256, 255)
// except at the position of the latest mouse record m (a move, a press or a
// release), when it lies inside the frame:
//   pixel = (255, m - MouseMove, 255, 255)

#include <moviehost/wire_protocol.h>

#include <array>
#include <cstdint>
#include <vector>

namespace moviehost::testing {

struct PatternState {
    std::uint32_t frame{0};
    std::uint32_t mouseRecords{0};
    bool marked{false};
    std::uint32_t markX{0};
    std::uint32_t markY{0};
    std::uint32_t markMessage{0};
};

inline std::array<std::uint8_t, 4> patternPixel(const PatternState& state, std::uint32_t x, std::uint32_t y) {
    if (state.marked && x == state.markX && y == state.markY)
        return {255, static_cast<std::uint8_t>(state.markMessage - moviehost::wire::MouseMove), 255, 255};
    return {static_cast<std::uint8_t>(x + state.frame), static_cast<std::uint8_t>(y + 2 * state.frame),
            static_cast<std::uint8_t>(state.mouseRecords), 255};
}

inline std::vector<std::uint8_t> patternFrame(const PatternState& state, std::uint32_t width, std::uint32_t height) {
    std::vector<std::uint8_t> bytes;
    bytes.reserve(std::size_t{width} * height * 4);
    for (std::uint32_t y = 0; y < height; ++y)
        for (std::uint32_t x = 0; x < width; ++x)
            for (const auto channel : patternPixel(state, x, y))
                bytes.push_back(channel);
    return bytes;
}

}  // namespace moviehost::testing
