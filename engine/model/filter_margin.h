// How far an object's filters draw past its content, so that changes
// invalidate what a shadow or glow covers. The model holds filters as the
// file gives them; the renderer, which draws them, supplies the measure.
#pragma once

#include "swf/filter.h"

#include <vector>

namespace model {

// Twips on each side.
struct FilterMargin {
    double left = 0.0;
    double top = 0.0;
    double right = 0.0;
    double bottom = 0.0;

    FilterMargin& operator+=(const FilterMargin& other) {
        left += other.left;
        top += other.top;
        right += other.right;
        bottom += other.bottom;
        return *this;
    }
};

using FilterMarginFn = FilterMargin (*)(const std::vector<swf::Filter>& filters);

}  // namespace model
