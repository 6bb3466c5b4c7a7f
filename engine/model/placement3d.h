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
#include <vector>

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

// A matrix taken apart: move, rotation as a unit quaternion (x, y, z, w) and
// scale, so that m = move * rotation * scale. None when a scale is zero.
struct Parts3D {
    std::array<double, 3> move{};
    std::array<double, 4> rotation{0, 0, 0, 1};
    std::array<double, 3> scale{1, 1, 1};
};
[[nodiscard]] std::optional<Parts3D> decompose3D(const Matrix3D& m);
[[nodiscard]] Matrix3D recompose3D(const Parts3D& parts);
// Rotations about x, then y, then z (radians) <-> quaternion.
[[nodiscard]] std::array<double, 4> quaternionFromEuler(double x, double y, double z);
[[nodiscard]] std::array<double, 3> eulerFromQuaternion(const std::array<double, 4>& q);
// Between a and b: moves and scales straight, rotation along the sphere.
[[nodiscard]] Parts3D interpolate3D(const Parts3D& a, const Parts3D& b, double t);

class DisplayObject;

// The 4x4 matrix a 3D-placed object is drawn with (in its parent, pixels).
[[nodiscard]] Matrix3D placementMatrix(const DisplayObject& object, const Placement3D& place);
// The depth from the eye (pixels) where projected content is cut off: toward
// the eye a projection grows without bound and behind it turns over, so
// nothing nearer than a 32nd of the focal length is shown, boxed or hit.
[[nodiscard]] double nearDepth(const Placement3D& place);
// The part of a polygon of the object's z = 0 plane (local pixels, matrix
// `m`) in front of the near depth; the polygon itself without perspective.
[[nodiscard]] std::vector<swf::Point> clipToNear(const Placement3D& place, const Matrix3D& m,
                                                 const std::vector<swf::Point>& polygon);
// Perspective of the placement's projection: a stage point (twips) at depth z.
[[nodiscard]] std::optional<swf::Point> perspective(const Placement3D& place, swf::Point stage, double z);
// A point of a 3D-placed object (pixels) where the stage shows it (twips);
// none behind the eye.
[[nodiscard]] std::optional<swf::Point> projectToStage(const DisplayObject& object, double x, double y, double z);
// The point of the object's z = 0 plane (pixels) shown at the stage point
// (twips); none when the plane is seen edge-on or the point is behind the eye.
[[nodiscard]] std::optional<swf::Point> unprojectFromStage(const DisplayObject& object, swf::Point stage);
// Hit tests look at the flat drawing: the stage point moved back through the
// projections of the object and its ancestors placed in 3D to where the flat
// drawing of the object has the same content point. None when off plane.
[[nodiscard]] std::optional<swf::Point> flatStagePoint(const DisplayObject& object, swf::Point stage);
// Where the stage shows a point of the object (twips both), through the
// projections of it and its ancestors; none behind the eye.
[[nodiscard]] std::optional<swf::Point> shownOnStage(const DisplayObject& object, swf::Point local);

// The box (twips, the parent's content coordinates) of the projected corners of a
// 3D-placed object's own bounds, as the player boxes such objects.
[[nodiscard]] swf::Bounds projectedInParent(const DisplayObject& object);
// The box of the object's content in the coordinates of `space` (the stage
// when null). Every object placed in 3D between the two adds the box of its
// projected corners; without any the content is boxed through one matrix.
[[nodiscard]] swf::Bounds boundsInSpace(const DisplayObject& object, const DisplayObject* space);

}  // namespace model
