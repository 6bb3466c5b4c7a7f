#include <moviehost/client/frame.h>
#include <moviehost/wire_protocol.h>

#include <ostream>
#include <stdexcept>
#include <string>

namespace moviehost::client {

bool isValidFrameSize(std::int64_t width, std::int64_t height) {
    if (width < 1 || height < 1 || width > MaxFrameSide || height > MaxFrameSide)
        return false;
    // Both sides are at most 16 bits, so the product cannot overflow.
    return static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * wire::BytesPerPixel <=
           MaxFrameBytes;
}

std::ostream& operator<<(std::ostream& out, const Rgba& pixel) {
    return out << "(" << int{pixel.r} << ", " << int{pixel.g} << ", " << int{pixel.b} << ", " << int{pixel.a} << ")";
}

Frame::Frame(std::int32_t width, std::int32_t height) { resize(width, height); }

void Frame::resize(std::int32_t width, std::int32_t height) {
    if (!isValidFrameSize(width, height))
        throw std::invalid_argument("frame size " + std::to_string(width) + "x" + std::to_string(height) +
                                    " is outside what the protocol carries");
    m_bytes.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * wire::BytesPerPixel);
    m_width = width;
    m_height = height;
}

std::span<const std::uint8_t> Frame::row(std::int32_t y) const {
    if (y < 0 || y >= m_height)
        throw std::out_of_range("row " + std::to_string(y) + " outside a frame " + std::to_string(m_height) +
                                " rows high");
    const std::size_t stride = static_cast<std::size_t>(m_width) * wire::BytesPerPixel;
    return std::span<const std::uint8_t>(m_bytes).subspan(static_cast<std::size_t>(y) * stride, stride);
}

Rgba Frame::pixel(std::int32_t x, std::int32_t y) const {
    if (x < 0 || x >= m_width)
        throw std::out_of_range("column " + std::to_string(x) + " outside a frame " + std::to_string(m_width) +
                                " pixels wide");
    const auto at = row(y).subspan(static_cast<std::size_t>(x) * wire::BytesPerPixel, wire::BytesPerPixel);
    return {at[0], at[1], at[2], at[3]};
}

}  // namespace moviehost::client
