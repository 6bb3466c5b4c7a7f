// A device context: what is selected into it and its clip region.
//
// A memory context always holds a bitmap (the stock 1x1 one until a DIB
// section is selected) and a brush; a window context holds the stock bitmap
// for good, since there is no screen behind it. Selected objects are counted
// in their table slots, so DeleteObject can refuse them.
#pragma once

#include "region.h"

#include "platform/gdi.h"

#include <optional>

namespace platform::gdi {

enum class DcKind { Memory, Window };

struct DeviceContext {
    DcKind m_kind = DcKind::Memory;
    HWND m_window = nullptr;
    HBITMAP m_bitmap = nullptr;
    HBRUSH m_brush = nullptr;
    // Absent: no clipping beyond the bitmap's own bounds.
    std::optional<Region> m_clip;
};

}  // namespace platform::gdi
