#include "model/scale_grid.h"

#include <algorithm>
#include <cmath>

namespace model {

namespace {

std::optional<SliceAxis> axis(double gridMin, double gridMax, double low, double high, double scale) {
    scale = std::fabs(scale);
    if (!std::isfinite(scale) || scale < 1e-9 || !std::isfinite(gridMin) || !std::isfinite(gridMax))
        return std::nullopt;
    const double g0 = std::clamp(gridMin, low, high);
    const double g1 = std::clamp(gridMax, low, high);
    if (!(g1 > g0))
        return std::nullopt;
    const double before = g0 - low;
    const double after = high - g1;
    // Sizes as shown; corners that do not fit share what room there is.
    const double shown = scale * (high - low);
    const double shrink = before + after > shown ? shown / (before + after) : 1.0;
    SliceAxis a;
    a.gridMin = g0;
    a.gridMax = g1;
    a.toMin = low + before * shrink / scale;
    // Rounding must not turn the vanished centre inside out.
    a.toMax = std::max(high - after * shrink / scale, a.toMin);
    a.outerMin = shrink / scale;
    a.outerMax = shrink / scale;
    return a;
}

}  // namespace

double SliceAxis::map(double v) const {
    if (v < gridMin)
        return toMin + (v - gridMin) * outerMin;
    if (v > gridMax)
        return toMax + (v - gridMax) * outerMax;
    return toMin + (v - gridMin) * (toMax - toMin) / (gridMax - gridMin);
}

std::optional<SliceMap> sliceMap(const swf::Bounds& grid, const swf::Bounds& bounds, double scaleX, double scaleY) {
    if (grid.empty || bounds.empty)
        return std::nullopt;
    const auto x = axis(grid.xMin, grid.xMax, bounds.xMin, bounds.xMax, scaleX);
    const auto y = axis(grid.yMin, grid.yMax, bounds.yMin, bounds.yMax, scaleY);
    if (!x || !y)
        return std::nullopt;
    return SliceMap{*x, *y};
}

}  // namespace model
