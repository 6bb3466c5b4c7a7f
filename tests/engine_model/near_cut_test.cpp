// Projection near the eye: polygons of an object's plane are cut where they
// come nearer than the near depth, and points there are not projected.
#include "model/placement3d.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

// A square of 100 turned 80 degrees about y: local x maps to depth
// f - x sin 80, so its right side passes behind the eye.
TEST(NearCut, PolygonsAreCutAtTheNearDepth) {
    model::Placement3D place;
    place.focalLength = 200;
    place.center = {0, 0};
    const double near = model::nearDepth(place);
    ASSERT_GT(near, 0);
    const auto turned = *model::rotation3D(80, 0, 1, 0);
    model::Matrix3D pushed = model::identity3D();
    pushed[14] = -198;  // two pixels in front of the eye
    const std::vector<swf::Point> square{{-100, -50}, {250, -50}, {250, 50}, {-100, 50}};
    const struct {
        const char* what;
        model::Matrix3D matrix;
        size_t corners;
    } cases[] = {
        {"turned: the right side cut off", turned, 4},
        {"flat and far enough: whole", model::identity3D(), 4},
        {"flat, nearer than the near depth: nothing", pushed, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const auto cut = model::clipToNear(place, c.matrix, square);
        ASSERT_EQ(cut.size(), c.corners);
        for (const swf::Point p : cut) {
            const double depth = place.focalLength + c.matrix[2] * p.x + c.matrix[6] * p.y + c.matrix[14];
            EXPECT_GE(depth, near * (1 - 1e-9));
            EXPECT_TRUE(model::perspective(place, {p.x * 20, p.y * 20}, depth - place.focalLength));
        }
    }
    // The cut edge of the turned square lies on the near depth.
    const auto cut = model::clipToNear(place, turned, square);
    const double edgeX = (place.focalLength - near) / std::sin(80 * std::acos(-1.0) / 180);
    EXPECT_NEAR(cut[1].x, edgeX, 1e-9);
    EXPECT_NEAR(cut[2].x, edgeX, 1e-9);
    // Behind the eye or nearer than the near depth: no place on the stage.
    EXPECT_FALSE(model::perspective(place, {0, 0}, -place.focalLength - 5));
    EXPECT_FALSE(model::perspective(place, {0, 0}, -place.focalLength + near / 2));
}

}  // namespace
