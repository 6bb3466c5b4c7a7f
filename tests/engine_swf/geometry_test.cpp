// Paths from the edge model, on shapes small enough to work out by hand.
#include "swf/geometry.h"
#include "swf/movie.h"

#include "movie_writer.h"
#include "test_util.h"

#include <gtest/gtest.h>

namespace {

using namespace swfwriter;
using swf::PathCommand;
using swf::PathVerb;
using testutil::load;

PathCommand moveTo(double x, double y) { return {PathVerb::MoveTo, {x, y}, {}}; }
PathCommand lineTo(double x, double y) { return {PathVerb::LineTo, {x, y}, {}}; }
PathCommand closePath() { return {PathVerb::Close, {}, {}}; }

swf::Shape shapeFrom(const ShapeBuilder& builder, int version = 3) {
    MovieWriter m;
    uint16_t id = m.defineShape(builder, version);
    auto movie = load(m.finish());
    const swf::Shape* s = movie->characters.find<swf::Shape>(id);
    EXPECT_NE(s, nullptr);
    return s ? *s : swf::Shape{};
}

// Winding number of a point for a path of straight segments.
int winding(const swf::Path& path, double px, double py) {
    int w = 0;
    swf::Point start, last;
    auto edge = [&](swf::Point a, swf::Point b) {
        if (a.y <= py && b.y > py && (b.x - a.x) * (py - a.y) - (px - a.x) * (b.y - a.y) > 0)
            ++w;
        else if (a.y > py && b.y <= py && (b.x - a.x) * (py - a.y) - (px - a.x) * (b.y - a.y) < 0)
            --w;
    };
    for (const auto& c : path) {
        if (c.verb == PathVerb::MoveTo) {
            start = last = c.to;
        } else if (c.verb == PathVerb::Close) {
            edge(last, start);
            last = start;
        } else {
            edge(last, c.to);
            last = c.to;
        }
    }
    return w;
}

TEST(Geometry, SquareWithFill1) {
    ShapeBuilder b;
    b.setFill1(b.addSolidFill({255, 0, 0})).rectangle(0, 0, 100, 100);
    auto g = swf::buildGeometry(shapeFrom(b));
    ASSERT_EQ(g.paths.size(), 1u);
    EXPECT_EQ(g.paths[0].kind, swf::PaintKind::Fill);
    EXPECT_EQ(g.paths[0].style, 0u);
    EXPECT_EQ(g.paths[0].path,
              (swf::Path{moveTo(0, 0), lineTo(100, 0), lineTo(100, 100), lineTo(0, 100), lineTo(0, 0), closePath()}));
    EXPECT_FALSE(g.bounds.empty);
    EXPECT_EQ(g.bounds.xMin, 0);
    EXPECT_EQ(g.bounds.xMax, 100);
    EXPECT_EQ(g.bounds.yMax, 100);
}

TEST(Geometry, SquareWithFill0RunsTheOtherWay) {
    ShapeBuilder b;
    b.setFill0(b.addSolidFill({255, 0, 0})).rectangle(0, 0, 100, 100);
    auto g = swf::buildGeometry(shapeFrom(b));
    ASSERT_EQ(g.paths.size(), 1u);
    EXPECT_EQ(g.paths[0].path,
              (swf::Path{moveTo(100, 0), lineTo(0, 0), lineTo(0, 100), lineTo(100, 100), lineTo(100, 0), closePath()}));
}

TEST(Geometry, TwoSquaresSharingAnEdge) {
    ShapeBuilder b;
    uint32_t left = b.addSolidFill({255, 0, 0});
    uint32_t right = b.addSolidFill({0, 0, 255});
    b.setFill0(0).setFill1(left).moveTo(100, 100).lineTo(0, 100).lineTo(0, 0).lineTo(100, 0);
    b.setFill0(right).lineTo(100, 100);  // the shared edge: left square on its right, right square on its left
    b.setFill0(0).setFill1(right).moveTo(100, 0).lineTo(200, 0).lineTo(200, 100).lineTo(100, 100);
    auto g = swf::buildGeometry(shapeFrom(b));
    ASSERT_EQ(g.paths.size(), 2u);
    EXPECT_EQ(g.paths[0].style, 0u);
    EXPECT_EQ(g.paths[0].path, (swf::Path{moveTo(100, 100), lineTo(0, 100), lineTo(0, 0), lineTo(100, 0),
                                          lineTo(100, 100), closePath()}));
    EXPECT_EQ(g.paths[1].style, 1u);
    EXPECT_EQ(g.paths[1].path, (swf::Path{moveTo(100, 100), lineTo(100, 0), lineTo(200, 0), lineTo(200, 100),
                                          lineTo(100, 100), closePath()}));
    EXPECT_EQ(winding(g.paths[0].path, 50, 50), winding(g.paths[1].path, 150, 50)) << "same orientation";
    EXPECT_EQ(winding(g.paths[0].path, 150, 50), 0);
}

TEST(Geometry, SquareWithAHole) {
    ShapeBuilder b;
    uint32_t fill = b.addSolidFill({0, 255, 0});
    b.setFill1(fill).rectangle(0, 0, 300, 300);
    b.setFill1(0).setFill0(fill).rectangle(100, 100, 100, 100);  // clockwise: the ring is on its left
    auto g = swf::buildGeometry(shapeFrom(b));
    ASSERT_EQ(g.paths.size(), 1u);
    const swf::Path expected = {moveTo(0, 0),     lineTo(300, 0),   lineTo(300, 300), lineTo(0, 300),
                                lineTo(0, 0),     closePath(),      moveTo(200, 100), lineTo(100, 100),
                                lineTo(100, 200), lineTo(200, 200), lineTo(200, 100), closePath()};
    EXPECT_EQ(g.paths[0].path, expected);
    EXPECT_NE(winding(g.paths[0].path, 50, 50), 0) << "inside the ring";
    EXPECT_EQ(winding(g.paths[0].path, 150, 150), 0) << "the hole, under the non-zero rule too";
    EXPECT_EQ(winding(g.paths[0].path, 400, 150), 0);
}

TEST(Geometry, CurvesStayQuadratic) {
    ShapeBuilder b;
    b.setFill1(b.addSolidFill({})).circle(0, 0, 1000);
    auto g = swf::buildGeometry(shapeFrom(b));
    ASSERT_EQ(g.paths.size(), 1u);
    size_t quads = 0;
    for (const auto& c : g.paths[0].path)
        quads += c.verb == PathVerb::QuadTo;
    EXPECT_EQ(quads, 8u);
    EXPECT_EQ(g.paths[0].path.back().verb, PathVerb::Close);
    EXPECT_EQ(g.paths[0].path[8].to, (swf::Point{1000, 0})) << "the circle ends where it began";
}

TEST(Geometry, StrokesFollowRecordOrderAndCloseLoops) {
    ShapeBuilder b;
    uint32_t thin = b.addLine(20, {});
    LineStyle openStyle;
    openStyle.width = 100;
    openStyle.noClose = true;
    uint32_t noClose = b.addLine(openStyle);
    b.setLine(thin).rectangle(0, 0, 50, 50);          // closed loop
    b.moveTo(100, 0).lineTo(200, 0).lineTo(200, 80);  // open polyline
    b.setLine(noClose).rectangle(300, 0, 10, 10);     // returns to start but asks not to close
    auto g = swf::buildGeometry(shapeFrom(b, 4));
    ASSERT_EQ(g.paths.size(), 2u);
    EXPECT_EQ(g.paths[0].kind, swf::PaintKind::Stroke);
    EXPECT_EQ(g.paths[0].style, 0u);
    EXPECT_EQ(g.paths[0].path, (swf::Path{moveTo(0, 0), lineTo(50, 0), lineTo(50, 50), lineTo(0, 50), lineTo(0, 0),
                                          closePath(), moveTo(100, 0), lineTo(200, 0), lineTo(200, 80)}));
    EXPECT_EQ(g.paths[1].style, 1u);
    EXPECT_EQ(g.paths[1].path.back().verb, PathVerb::LineTo);
    // Bounds widen by half the widest stroke: 50 twips around the 300..310 square.
    EXPECT_EQ(g.bounds.xMax, 360);
    EXPECT_EQ(g.bounds.yMin, -50);
}

TEST(Geometry, StyleGroupsPaintInOrder) {
    ShapeBuilder b;
    b.setFill1(b.addSolidFill({})).setLine(b.addLine(20, {})).rectangle(0, 0, 10, 10);
    b.newStyleGroup();
    b.setFill1(b.addSolidFill({})).rectangle(20, 0, 10, 10);
    auto g = swf::buildGeometry(shapeFrom(b));
    ASSERT_EQ(g.paths.size(), 3u);
    EXPECT_EQ(g.paths[0].kind, swf::PaintKind::Fill);
    EXPECT_EQ(g.paths[0].style, 0u);
    EXPECT_EQ(g.paths[1].kind, swf::PaintKind::Stroke);
    EXPECT_EQ(g.paths[2].kind, swf::PaintKind::Fill);
    EXPECT_EQ(g.paths[2].style, 1u);
}

TEST(Geometry, AbsurdCoordinatesAreClamped) {
    swf::Shape s;
    s.fillStyles.resize(1);
    swf::StyleChange sc;
    sc.hasMove = true;
    sc.moveX = INT32_MAX;
    sc.moveY = INT32_MIN;
    sc.hasFill1 = true;
    sc.fill1 = 1;
    s.records.emplace_back(sc);
    swf::Edge e;
    e.anchorDx = INT32_MAX;
    s.records.emplace_back(e);
    s.records.emplace_back(e);
    e.anchorDx = 0;
    e.anchorDy = INT32_MAX;
    s.records.emplace_back(e);
    auto g = swf::buildGeometry(s);
    ASSERT_FALSE(g.bounds.empty);
    EXPECT_EQ(g.bounds.xMax, swf::kCoordinateLimit);
    EXPECT_EQ(g.bounds.yMin, -swf::kCoordinateLimit);
    EXPECT_EQ(g.bounds.yMax, swf::kCoordinateLimit);
}

TEST(Geometry, GlyphOutline) {
    swf::Glyph glyph;
    swf::StyleChange sc;
    sc.hasMove = true;
    sc.hasFill1 = true;
    sc.fill1 = 1;
    glyph.records.emplace_back(sc);
    for (auto [dx, dy] : {std::pair{10, 0}, {0, 10}, {-10, 0}, {0, -10}}) {
        swf::Edge e;
        e.anchorDx = dx;
        e.anchorDy = dy;
        glyph.records.emplace_back(e);
    }
    EXPECT_EQ(swf::buildGlyphPath(glyph),
              (swf::Path{moveTo(0, 0), lineTo(10, 0), lineTo(10, 10), lineTo(0, 10), lineTo(0, 0), closePath()}));
}

MorphShapeSpec growingSquare() {
    MorphShapeSpec spec;
    MorphFill fill;
    fill.startColor = {255, 0, 0, 255};
    fill.endColor = {0, 0, 255, 0};
    spec.fills = {fill};
    MorphLine line;
    line.startWidth = 20;
    line.endWidth = 100;
    spec.lines = {line};
    spec.start.setFill1(1).setLine(1).rectangle(0, 0, 100, 100);
    spec.end.moveTo(0, 0).lineTo(300, 0).curveTo(300, 100, 300, 200).lineTo(0, 200).lineTo(0, 0);
    return spec;
}

TEST(Geometry, MorphAtRatios) {
    MovieWriter m;
    uint16_t id = m.defineMorphShape(growingSquare());
    auto movie = load(m.finish());
    const swf::MorphShape* morph = movie->characters.find<swf::MorphShape>(id);
    ASSERT_NE(morph, nullptr);

    auto start = swf::buildGeometry(swf::morphShapeAt(*morph, 0));
    ASSERT_EQ(start.paths.size(), 2u);
    EXPECT_EQ(start.paths[0].path[2].to, (swf::Point{100, 100}));

    swf::Shape endShape = swf::morphShapeAt(*morph, 65535);
    EXPECT_EQ(endShape.fillStyles[0].color, (swf::Rgba{0, 0, 255, 0}));
    EXPECT_EQ(endShape.lineStyles[0].width, 100);
    auto end = swf::buildGeometry(endShape);
    ASSERT_EQ(end.paths.size(), 2u);
    // The start's straight right edge pairs with the end's curve: a curve throughout.
    EXPECT_EQ(end.paths[0].path[2].verb, PathVerb::QuadTo);
    EXPECT_EQ(end.paths[0].path[2].control, (swf::Point{300, 100}));
    EXPECT_EQ(end.paths[0].path[2].to, (swf::Point{300, 200}));

    swf::Shape half = swf::morphShapeAt(*morph, 32768);
    EXPECT_EQ(half.lineStyles[0].width, 60);
    EXPECT_EQ(half.fillStyles[0].color, (swf::Rgba{127, 0, 128, 127}));
    auto mid = swf::buildGeometry(half);
    EXPECT_EQ(mid.paths[0].path[1].to, (swf::Point{200, 0}));
    EXPECT_EQ(mid.paths[0].path[2].to, (swf::Point{200, 150}));
    EXPECT_EQ(mid.paths[0].path[2].control, (swf::Point{200, 75}));
}

TEST(Geometry, MorphWithMissingEndEdgesCollapsesSafely) {
    swf::MorphShape morph;
    morph.fillStyles.resize(1);
    swf::StyleChange sc;
    sc.hasMove = true;
    sc.hasFill1 = true;
    sc.fill1 = 1;
    morph.startRecords.emplace_back(sc);
    swf::Edge e;
    e.anchorDx = 100;
    morph.startRecords.emplace_back(e);
    morph.startRecords.emplace_back(e);
    auto shape = swf::morphShapeAt(morph, 65535);
    EXPECT_EQ(shape.records.size(), 3u);
    auto g = swf::buildGeometry(shape);
    for (const auto& p : g.paths)
        for (const auto& c : p.path)
            EXPECT_EQ(c.to, (swf::Point{0, 0}));
}

}  // namespace
