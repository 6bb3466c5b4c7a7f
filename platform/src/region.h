// A region as a canonical list of rectangles, banded like the platform's.
//
// Invariants (checked by checkInvariants() in debug builds):
// - every rectangle is non-empty;
// - rectangles are grouped in bands: all rectangles of a band share top and
//   bottom, bands are sorted by top and never overlap vertically;
// - within a band rectangles are sorted by left and separated by a gap
//   (left > previous right), never touching;
// - two bands that touch (one's bottom is the next one's top) differ in their
//   horizontal spans, otherwise they would have been one band;
// - m_bounds is the bounding box of all rectangles, (0, 0, 0, 0) when empty.
// These make the representation unique: two regions covering the same points
// hold identical rectangle lists.
#pragma once

#include "platform/gdi.h"

#include <cstddef>
#include <span>
#include <vector>

namespace platform::gdi {

enum class RegionOp { Intersect, Unite, ExclusiveOr, Subtract };

class Region {
public:
    Region() = default;

    // The rectangle with its corners as given; an empty one gives an empty
    // region. Callers normalise inverted rectangles first if they want that.
    [[nodiscard]] static Region fromRect(const RECT& rect);
    // Throws std::bad_alloc; the operands are never modified.
    [[nodiscard]] static Region combine(const Region& a, const Region& b, RegionOp op);

    [[nodiscard]] std::span<const RECT> rects() const { return m_rects; }
    [[nodiscard]] const RECT& bounds() const { return m_bounds; }
    [[nodiscard]] bool empty() const { return m_rects.empty(); }
    // NULLREGION, SIMPLEREGION or COMPLEXREGION.
    [[nodiscard]] int type() const;
    [[nodiscard]] bool contains(LONG x, LONG y) const;
    // False, leaving the region unchanged, when a coordinate would overflow.
    [[nodiscard]] bool offset(LONG dx, LONG dy);

    friend bool operator==(const Region& a, const Region& b);

private:
    void finish();
    void checkInvariants() const;

    std::vector<RECT> m_rects;
    RECT m_bounds{0, 0, 0, 0};
};

}  // namespace platform::gdi
