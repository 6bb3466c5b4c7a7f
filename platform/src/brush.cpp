#include "brush.h"

#include "gdi_table.h"

#include <array>
#include <bit>

namespace platform::gdi {

Brush Brush::solid(COLORREF color) {
    Brush brush;
    // The top byte selects palette modes; a 32-bit DIB has no palette.
    brush.m_color = color & 0x00FFFFFFu;
    return brush;
}

Brush Brush::hollow() {
    Brush brush;
    brush.m_hollow = true;
    return brush;
}

std::uint32_t Brush::pixel() const {
    const std::array<std::uint8_t, 4> bytes{GetBValue(m_color), GetGValue(m_color), GetRValue(m_color), 0};
    return std::bit_cast<std::uint32_t>(bytes);
}

LOGBRUSH Brush::describe() const { return LOGBRUSH{m_hollow ? UINT{BS_NULL} : UINT{BS_SOLID}, m_color, 0}; }

}  // namespace platform::gdi

using platform::gdi::Brush;
using platform::gdi::GdiTable;

HBRUSH WINAPI CreateSolidBrush(COLORREF color) {
    auto access = GdiTable::acquire();
    return static_cast<HBRUSH>(access.insert(Brush::solid(color)));
}
