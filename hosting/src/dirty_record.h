// Which parts of a player's surface the control has declared out of date
// since the last draw.
//
// Invariants: the flag is set exactly when the list holds a rectangle; the
// flag, list and bounds are reset together, and only by Reset(). Stored
// rectangles are clamped one-sided (left/top at 0, right/bottom at the
// surface size), so a rectangle that lay wholly right of or below the surface
// is kept as an inverted, empty one. The bounds grow by the rectangles as
// given, before clamping, and are only ever reported, never drawn.
#pragma once

#include "platform/types.h"

#include <vector>

namespace moviehost {

// One pruning pass: for the first pair (in list order, every ordered pair of
// distinct positions) where one rectangle covers the other, the covered one
// goes. Of two equal rectangles the later one goes; an empty rectangle goes as
// soon as any non-empty one is listed. True when something was removed.
[[nodiscard]] bool RemoveCoveredRect(std::vector<RECT>& rects);

class DirtyRecord {
public:
    // The bounds after a reset: any rectangle added next becomes the bounds
    // exactly. The right and bottom are one above the smallest LONG.
    static constexpr RECT ResetBounds = {2147483647, 2147483647, -2147483647, -2147483647};

    // Records `rect` for a surface of `width` x `height`; null means the whole
    // surface and replaces whatever was recorded. An empty rectangle, or one
    // already covered by a stored one, changes nothing.
    void Add(const RECT* rect, LONG width, LONG height);

    // Prunes covered rectangles, then reports copies that stay valid until the
    // next Collect. Each out-parameter is optional. False, with nothing
    // written, when the record is clean.
    bool Collect(const RECT** bounds, const RECT** first, LONG* count);

    void Reset();

    [[nodiscard]] bool IsDirty() const noexcept { return m_dirty; }
    [[nodiscard]] const std::vector<RECT>& Rects() const noexcept { return m_rects; }
    [[nodiscard]] const RECT& Bounds() const noexcept { return m_bounds; }

private:
    RECT m_bounds = ResetBounds;
    std::vector<RECT> m_rects;
    bool m_dirty = false;
    // Handed out by Collect; kept apart so that adding or drawing never moves
    // what a caller is still looking at.
    RECT m_reportedBounds = ResetBounds;
    std::vector<RECT> m_reportedRects;
};

}  // namespace moviehost
