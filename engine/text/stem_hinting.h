// Stem hinting for "advanced" text fitted to the grid: the straight edges
// of a glyph outline (stems, bars, baselines) move onto the pixel grid, or
// thirds of a pixel across for subpixel fitting, and everything between
// two such edges is stretched along with them. Working on whole outlines
// after they are placed, it serves embedded and device fonts alike.
#pragma once

#include <optional>
#include <utility>
#include <vector>

namespace text {

// A fit of one axis: edge positions (device pixels) to their places on a
// grid of `across` steps per pixel. Points between two edges keep their
// proportion; points outside move with the nearest edge. Order is kept, and
// edges at least half a step apart never merge (a thin stem keeps a step).
class AxisFit {
public:
    // At most MaxEdges edges are used (the first ones by position).
    static constexpr size_t MaxEdges = 4096;
    AxisFit() = default;
    AxisFit(std::vector<double> edges, double across);

    [[nodiscard]] double operator()(double v) const;
    [[nodiscard]] bool empty() const { return m_anchors.empty(); }

private:
    std::vector<std::pair<double, double>> m_anchors;  // (edge, fitted), ascending
};

// Whether a straight segment is a stem edge: within 1/16 of an axis and at
// least `minLength` long. Gives the edge's position across that axis.
struct StemEdge {
    bool vertical = false;  // an edge at constant x
    double position = 0.0;
};
[[nodiscard]] std::optional<StemEdge> stemEdgeOf(double x0, double y0, double x1, double y1, double minLength = 1.0);

}  // namespace text
