#include "text/stem_hinting.h"

#include <algorithm>
#include <cmath>

namespace text {

AxisFit::AxisFit(std::vector<double> edges, double across) {
    std::erase_if(edges, [](double e) { return !std::isfinite(e); });
    if (edges.empty() || !(across > 0.0))
        return;
    std::sort(edges.begin(), edges.end());
    if (edges.size() > MaxEdges)
        edges.resize(MaxEdges);
    const double step = 1.0 / across;
    for (double e : edges) {
        // Edges closer than half a step are one edge: the first one counts.
        if (!m_anchors.empty() && e - m_anchors.back().first < step / 2.0)
            continue;
        double fitted = std::round(e * across) / across;
        if (!m_anchors.empty())
            fitted = std::max(fitted, m_anchors.back().second + step);
        m_anchors.emplace_back(e, fitted);
    }
}

double AxisFit::operator()(double v) const {
    if (m_anchors.empty())
        return v;
    if (v <= m_anchors.front().first)
        return v + (m_anchors.front().second - m_anchors.front().first);
    if (v >= m_anchors.back().first)
        return v + (m_anchors.back().second - m_anchors.back().first);
    const auto hi = std::upper_bound(m_anchors.begin(), m_anchors.end(), v,
                                     [](double x, const std::pair<double, double>& a) { return x < a.first; });
    const auto& [e1, f1] = *hi;
    const auto& [e0, f0] = *(hi - 1);
    return f0 + (v - e0) * (f1 - f0) / (e1 - e0);
}

std::optional<StemEdge> stemEdgeOf(double x0, double y0, double x1, double y1, double minLength) {
    const double dx = std::abs(x1 - x0);
    const double dy = std::abs(y1 - y0);
    if (!std::isfinite(dx) || !std::isfinite(dy))
        return std::nullopt;
    if (dy >= minLength && dx * 16.0 <= dy)
        return StemEdge{true, (x0 + x1) / 2.0};
    if (dx >= minLength && dy * 16.0 <= dx)
        return StemEdge{false, (y0 + y1) / 2.0};
    return std::nullopt;
}

}  // namespace text
