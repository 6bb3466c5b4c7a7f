#include "frame_geometry.h"

std::optional<FrameGeometry> FrameGeometry::From(LONG width, LONG height) noexcept {
    if (width <= 0 || height <= 0)
        return std::nullopt;
    // Both factors are below 2^31, so the product fits in 64 bits.
    const std::uint64_t bytes =
        std::uint64_t{static_cast<std::uint32_t>(width)} * static_cast<std::uint32_t>(height) * BytesPerPixel;
    if (bytes > MaxPixelBytes)
        return std::nullopt;
    return FrameGeometry(width, height);
}

std::string FrameGeometry::RefusalText(LONG width, LONG height) {
    return "frame size " + std::to_string(width) + "x" + std::to_string(height) +
           " is not allowed: both sides must be at least 1 and the frame at most " + std::to_string(MaxPixelBytes) +
           " bytes";
}
