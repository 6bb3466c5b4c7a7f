// A brush: a solid colour, or the null brush that paints nothing.
#pragma once

#include "platform/gdi.h"

#include <cstdint>

namespace platform::gdi {

class Brush {
public:
    [[nodiscard]] static Brush solid(COLORREF color);
    [[nodiscard]] static Brush hollow();

    [[nodiscard]] bool paints() const { return !m_hollow; }
    // The four bytes a 32-bit DIB receives: blue, green, red, 0.
    [[nodiscard]] std::uint32_t pixel() const;
    [[nodiscard]] LOGBRUSH describe() const;

private:
    Brush() = default;

    COLORREF m_color = 0;
    bool m_hollow = false;
};

}  // namespace platform::gdi
