#include "region.h"

#include <algorithm>
#include <cassert>
#include <cstdint>
#include <limits>

namespace platform::gdi {

namespace {

// One band: rectangles [first, last) of a region, all with this top and bottom.
struct Band {
    LONG top = 0;
    LONG bottom = 0;
    std::size_t first = 0;
    std::size_t last = 0;
};

struct Span {
    LONG left = 0;
    LONG right = 0;
};

std::vector<Band> bandsOf(std::span<const RECT> rects) {
    std::vector<Band> bands;
    for (std::size_t i = 0; i < rects.size(); ++i) {
        if (bands.empty() || bands.back().top != rects[i].top)
            bands.push_back(Band{rects[i].top, rects[i].bottom, i, i});
        bands.back().last = i + 1;
    }
    return bands;
}

std::vector<LONG> edgesOf(const std::vector<Band>& bands) {
    std::vector<LONG> edges;
    edges.reserve(bands.size() * 2);
    for (const Band& band : bands) {
        edges.push_back(band.top);
        edges.push_back(band.bottom);
    }
    return edges;
}

bool apply(RegionOp op, bool inA, bool inB) {
    switch (op) {
    case RegionOp::Intersect:
        return inA && inB;
    case RegionOp::Unite:
        return inA || inB;
    case RegionOp::ExclusiveOr:
        return inA != inB;
    case RegionOp::Subtract:
        return inA && !inB;
    }
    return false;
}

// Combines two sorted lists of disjoint spans by sweeping their edges: the
// output changes state only where the operation's answer changes, so touching
// pieces come out merged.
void combineSpans(std::span<const RECT> a, std::span<const RECT> b, RegionOp op, std::vector<Span>& out) {
    out.clear();
    const std::size_t edgesA = a.size() * 2;
    const std::size_t edgesB = b.size() * 2;
    auto edge = [](std::span<const RECT> spans, std::size_t k) {
        return k % 2 == 0 ? spans[k / 2].left : spans[k / 2].right;
    };
    std::size_t ka = 0;
    std::size_t kb = 0;
    bool inA = false;
    bool inB = false;
    bool inside = false;
    LONG start = 0;
    while (ka < edgesA || kb < edgesB) {
        LONG x = 0;
        if (ka < edgesA && kb < edgesB)
            x = std::min(edge(a, ka), edge(b, kb));
        else
            x = ka < edgesA ? edge(a, ka) : edge(b, kb);
        while (ka < edgesA && edge(a, ka) == x) {
            inA = !inA;
            ++ka;
        }
        while (kb < edgesB && edge(b, kb) == x) {
            inB = !inB;
            ++kb;
        }
        const bool now = apply(op, inA, inB);
        if (now == inside)
            continue;
        if (now)
            start = x;
        else
            out.push_back(Span{start, x});
        inside = now;
    }
}

bool sameSpans(std::span<const RECT> band, const std::vector<Span>& spans) {
    if (band.size() != spans.size())
        return false;
    for (std::size_t i = 0; i < spans.size(); ++i) {
        if (band[i].left != spans[i].left || band[i].right != spans[i].right)
            return false;
    }
    return true;
}

bool fits(std::int64_t value) {
    return value >= std::numeric_limits<LONG>::min() && value <= std::numeric_limits<LONG>::max();
}

}  // namespace

Region Region::fromRect(const RECT& rect) {
    Region region;
    if (rect.right > rect.left && rect.bottom > rect.top)
        region.m_rects.push_back(rect);
    region.finish();
    return region;
}

// Sweeps the horizontal slabs between consecutive band edges of both
// operands. Inside a slab each operand is a fixed list of spans; the result's
// spans for the slab either extend the previous band (same spans, touching)
// or start a new one, which keeps the output canonical.
Region Region::combine(const Region& a, const Region& b, RegionOp op) {
    const std::vector<Band> bandsA = bandsOf(a.m_rects);
    const std::vector<Band> bandsB = bandsOf(b.m_rects);

    // Bands never overlap, so each operand's edges come out sorted; a merge
    // gives all slab boundaries in order.
    const std::vector<LONG> edgesA = edgesOf(bandsA);
    const std::vector<LONG> edgesB = edgesOf(bandsB);
    std::vector<LONG> edges(edgesA.size() + edgesB.size());
    std::merge(edgesA.begin(), edgesA.end(), edgesB.begin(), edgesB.end(), edges.begin());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

    Region out;
    out.m_rects.reserve(a.m_rects.size() + b.m_rects.size());
    std::vector<Span> spans;
    std::size_t ia = 0;
    std::size_t ib = 0;
    std::size_t previousFirst = 0;
    bool havePrevious = false;
    auto slabOf = [](const Region& region, const std::vector<Band>& bands, std::size_t& index,
                     LONG y) -> std::span<const RECT> {
        while (index < bands.size() && bands[index].bottom <= y)
            ++index;
        if (index == bands.size() || bands[index].top > y)
            return {};
        return std::span<const RECT>(region.m_rects)
            .subspan(bands[index].first, bands[index].last - bands[index].first);
    };

    for (std::size_t i = 0; i + 1 < edges.size(); ++i) {
        const LONG y0 = edges[i];
        const LONG y1 = edges[i + 1];
        combineSpans(slabOf(a, bandsA, ia, y0), slabOf(b, bandsB, ib, y0), op, spans);
        if (spans.empty())
            continue;
        if (havePrevious && out.m_rects.back().bottom == y0 &&
            sameSpans(std::span<const RECT>(out.m_rects).subspan(previousFirst), spans)) {
            for (std::size_t k = previousFirst; k < out.m_rects.size(); ++k)
                out.m_rects[k].bottom = y1;
            continue;
        }
        previousFirst = out.m_rects.size();
        havePrevious = true;
        for (const Span& span : spans)
            out.m_rects.push_back(RECT{span.left, y0, span.right, y1});
    }
    out.finish();
    return out;
}

int Region::type() const {
    if (m_rects.empty())
        return NULLREGION;
    return m_rects.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool Region::contains(LONG x, LONG y) const {
    for (const RECT& rect : m_rects) {
        if (rect.top > y)
            break;
        if (y < rect.bottom && x >= rect.left && x < rect.right)
            return true;
    }
    return false;
}

bool Region::offset(LONG dx, LONG dy) {
    if (m_rects.empty())
        return true;
    const std::int64_t left = std::int64_t{m_bounds.left} + dx;
    const std::int64_t top = std::int64_t{m_bounds.top} + dy;
    const std::int64_t right = std::int64_t{m_bounds.right} + dx;
    const std::int64_t bottom = std::int64_t{m_bounds.bottom} + dy;
    if (!fits(left) || !fits(top) || !fits(right) || !fits(bottom))
        return false;
    // Every coordinate lies within the bounds, so none of these overflow.
    for (RECT& rect : m_rects) {
        rect.left += dx;
        rect.right += dx;
        rect.top += dy;
        rect.bottom += dy;
    }
    finish();
    return true;
}

bool operator==(const Region& a, const Region& b) {
    return std::equal(a.m_rects.begin(), a.m_rects.end(), b.m_rects.begin(), b.m_rects.end(),
                      [](const RECT& x, const RECT& y) {
                          return x.left == y.left && x.top == y.top && x.right == y.right && x.bottom == y.bottom;
                      });
}

void Region::finish() {
    if (m_rects.empty()) {
        m_bounds = RECT{0, 0, 0, 0};
    } else {
        m_bounds = RECT{m_rects.front().left, m_rects.front().top, m_rects.front().right, m_rects.back().bottom};
        for (const RECT& rect : m_rects) {
            m_bounds.left = std::min(m_bounds.left, rect.left);
            m_bounds.right = std::max(m_bounds.right, rect.right);
        }
    }
    checkInvariants();
}

void Region::checkInvariants() const {
#ifndef NDEBUG
    const std::vector<Band> bands = bandsOf(m_rects);
    for (std::size_t b = 0; b < bands.size(); ++b) {
        const Band& band = bands[b];
        assert(band.top < band.bottom && "a band has height");
        for (std::size_t i = band.first; i < band.last; ++i) {
            assert(m_rects[i].bottom == band.bottom && "rectangles of a band share the bottom");
            assert(m_rects[i].left < m_rects[i].right && "rectangles are not empty");
            assert((i == band.first || m_rects[i].left > m_rects[i - 1].right) &&
                   "rectangles of a band are sorted and apart");
            assert(m_rects[i].left >= m_bounds.left && m_rects[i].right <= m_bounds.right);
        }
        if (b > 0) {
            const Band& previous = bands[b - 1];
            assert(previous.bottom <= band.top && "bands do not overlap");
            const auto spansOf = [this](const Band& x) {
                return std::span<const RECT>(m_rects).subspan(x.first, x.last - x.first);
            };
            std::vector<Span> spans;
            for (const RECT& rect : spansOf(previous))
                spans.push_back(Span{rect.left, rect.right});
            assert((previous.bottom != band.top || !sameSpans(spansOf(band), spans)) &&
                   "touching bands with the same spans are merged");
        }
    }
    if (!m_rects.empty())
        assert(m_bounds.top == m_rects.front().top && m_bounds.bottom == m_rects.back().bottom);
    else
        assert(m_bounds.left == 0 && m_bounds.top == 0 && m_bounds.right == 0 && m_bounds.bottom == 0);
#endif
}

}  // namespace platform::gdi
