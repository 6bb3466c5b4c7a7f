#pragma once
// One frame of the host's output: a width, a height and top-down RGBA bytes.

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <span>
#include <vector>

namespace moviehost::client {

// Mouse positions travel as two unsigned 16-bit halves of lParam, so no frame
// side can be wider than this and still be addressed by the mouse.
inline constexpr std::int32_t MaxFrameSide = 65535;
// Frames are read whole into memory; this bounds one frame (16384 x 16384).
inline constexpr std::uint64_t MaxFrameBytes = std::uint64_t{1} << 30;

struct Rgba {
    std::uint8_t r{0};
    std::uint8_t g{0};
    std::uint8_t b{0};
    std::uint8_t a{0};

    bool operator==(const Rgba&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Rgba& pixel);

class Frame {
public:
    Frame() = default;
    // Throws std::invalid_argument for a size the protocol does not allow.
    Frame(std::int32_t width, std::int32_t height);

    [[nodiscard]] std::int32_t width() const { return m_width; }
    [[nodiscard]] std::int32_t height() const { return m_height; }
    [[nodiscard]] std::size_t byteCount() const { return m_bytes.size(); }
    [[nodiscard]] std::span<const std::uint8_t> bytes() const { return m_bytes; }
    [[nodiscard]] std::span<std::uint8_t> bytes() { return m_bytes; }
    // One row, top row first; throws std::out_of_range outside the frame.
    [[nodiscard]] std::span<const std::uint8_t> row(std::int32_t y) const;
    // Throws std::out_of_range outside the frame.
    [[nodiscard]] Rgba pixel(std::int32_t x, std::int32_t y) const;

    // Changes the size, keeping the allocation when it is big enough, so a
    // reader can reuse one frame for a whole stream.
    void resize(std::int32_t width, std::int32_t height);

private:
    std::int32_t m_width{0};
    std::int32_t m_height{0};
    std::vector<std::uint8_t> m_bytes;
};

// Whether the protocol can carry frames of this size (both sides in
// 1..MaxFrameSide, at most MaxFrameBytes of pixels).
[[nodiscard]] bool isValidFrameSize(std::int64_t width, std::int64_t height);

}  // namespace moviehost::client
