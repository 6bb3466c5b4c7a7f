// Version 10's 2.5D placement of a display object (ActionScript 3's z,
// rotationX, rotationY, scaleZ, transform.matrix3D): the object is drawn
// through a 4x4 matrix and the stage's perspective projection. Its flat
// matrix stays what bounds and hit tests use.
//
// Matrices are column-major as scripts read them (rawData): element (row r,
// column c) at [c * 4 + r], points are columns, pixels throughout.
#pragma once

#include "swf/geometry.h"

#include <array>
#include <optional>

namespace model {

using Matrix3D = std::array<double, 16>;

struct Placement3D {
    double z = 0.0;
    double rotationX = 0.0;  // degrees
    double rotationY = 0.0;
    double scaleZ = 1.0;
    // A whole matrix set by a script, standing for the values above and the
    // flat position, scale and rotation.
    std::optional<Matrix3D> matrix;
    // The projection: focal length and centre, stage pixels.
    double focalLength = 0.0;
    swf::Point center;

    friend bool operator==(const Placement3D&, const Placement3D&) = default;
};

[[nodiscard]] constexpr Matrix3D identity3D() { return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; }
// a * b: b applies first.
[[nodiscard]] Matrix3D multiply3D(const Matrix3D& a, const Matrix3D& b);
// Scale, then rotation about x, y and z (degrees), then the move.
[[nodiscard]] Matrix3D compose3D(double x, double y, double z, double scaleX, double scaleY, double scaleZ,
                                 double rotationX, double rotationY, double rotationZ);
// Rotation by `degrees` about the axis (normalised here; none for a zero axis).
[[nodiscard]] std::optional<Matrix3D> rotation3D(double degrees, double ax, double ay, double az);
[[nodiscard]] std::optional<Matrix3D> invert3D(const Matrix3D& m);
[[nodiscard]] double determinant3D(const Matrix3D& m);

}  // namespace model
