// Matrix, colour transform and rectangle arithmetic in twips.
#pragma once

#include "swf/geometry.h"
#include "swf/types.h"

#include <optional>

namespace model {

// outer after inner: maps inner's input through inner, then outer.
[[nodiscard]] swf::Matrix multiply(const swf::Matrix& outer, const swf::Matrix& inner);
[[nodiscard]] swf::Point apply(const swf::Matrix& m, swf::Point p);
// None for a matrix that flattens the plane (determinant 0 or not finite).
[[nodiscard]] std::optional<swf::Matrix> invert(const swf::Matrix& m);
// The axis-aligned box around the four transformed corners.
[[nodiscard]] swf::Bounds transformBounds(const swf::Matrix& m, const swf::Bounds& b);
[[nodiscard]] swf::Bounds intersect(const swf::Bounds& a, const swf::Bounds& b);

// outer applied to the result of inner: multipliers multiply (8.8), inner's
// adds are scaled by outer's multipliers; results saturate at 16 bits.
[[nodiscard]] swf::ColorTransform concat(const swf::ColorTransform& outer, const swf::ColorTransform& inner);

// Whole twips covering the bounds (floor of the minimum, ceiling of the
// maximum), saturated to the 32-bit range; empty bounds give an empty Rect.
[[nodiscard]] swf::Rect coveringRect(const swf::Bounds& b);
// Bounds of a Rect as stored (empty when isEmpty()).
[[nodiscard]] swf::Bounds toBounds(const swf::Rect& r);

}  // namespace model
