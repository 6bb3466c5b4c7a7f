#include "dirty_record.h"

#include "platform/gdi.h"

#include <algorithm>

namespace moviehost {

namespace {

bool Covers(const RECT& outer, const RECT& inner) noexcept {
    return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right &&
           outer.bottom >= inner.bottom;
}

}  // namespace

bool RemoveCoveredRect(std::vector<RECT>& rects) {
    for (std::size_t p = 0; p < rects.size(); ++p) {
        for (std::size_t q = 0; q < rects.size(); ++q) {
            if (q == p)
                continue;
            RECT both;
            if (!UnionRect(&both, &rects[p], &rects[q]))
                continue;  // two empty rectangles have no union
            if (EqualRect(&both, &rects[p])) {
                rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(q));
                return true;
            }
            if (EqualRect(&both, &rects[q])) {
                rects.erase(rects.begin() + static_cast<std::ptrdiff_t>(p));
                return true;
            }
        }
    }
    return false;
}

void DirtyRecord::Add(const RECT* rect, LONG width, LONG height) {
    if (rect != nullptr && IsRectEmpty(rect))
        return;
    m_dirty = true;
    if (rect == nullptr) {
        const RECT whole = {0, 0, width, height};
        m_bounds = whole;
        m_rects.clear();
        m_rects.push_back(whole);
        return;
    }
    const RECT& r = *rect;
    for (const RECT& stored : m_rects) {
        if (Covers(stored, r))
            return;
    }
    // One-sided on purpose: a rectangle right of or below the surface stays
    // inverted (empty) rather than being moved onto it.
    const RECT clamped = {r.left > 0 ? r.left : 0, r.top > 0 ? r.top : 0, r.right >= width ? width : r.right,
                          r.bottom >= height ? height : r.bottom};
    m_bounds.left = std::min(m_bounds.left, r.left);
    m_bounds.top = std::min(m_bounds.top, r.top);
    m_bounds.right = std::max(m_bounds.right, r.right);
    m_bounds.bottom = std::max(m_bounds.bottom, r.bottom);
    m_rects.push_back(clamped);
}

bool DirtyRecord::Collect(const RECT** bounds, const RECT** first, LONG* count) {
    if (!m_dirty)
        return false;
    while (RemoveCoveredRect(m_rects)) {
    }
    m_reportedBounds = m_bounds;
    m_reportedRects = m_rects;  // reuses the capacity it already has
    if (bounds != nullptr)
        *bounds = &m_reportedBounds;
    if (first != nullptr)
        *first = m_reportedRects.empty() ? nullptr : m_reportedRects.data();
    if (count != nullptr)
        *count = static_cast<LONG>(m_reportedRects.size());
    return m_dirty;
}

void DirtyRecord::Reset() {
    m_dirty = false;
    m_rects.clear();
    m_bounds = ResetBounds;
}

}  // namespace moviehost
