// Builds SHAPEWITHSTYLE data: style arrays and edge records from absolute
// drawing calls. Coordinates are twips.
//
//   ShapeBuilder s;
//   auto red = s.addSolidFill({255, 0, 0});
//   s.setFill1(red).rectangle(0, 0, 2000, 1000);
//   uint16_t id = movie.defineShape(s);
#pragma once

#include "bit_writer.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace swfwriter {

struct GradientStop {
    uint8_t ratio = 0;
    Color color;
};

// Fill style as written: type 0x00 solid, 0x10 linear, 0x12 radial,
// 0x13 focal, 0x40-0x43 bitmap (repeating/clipped, smoothed/not).
struct FillStyle {
    uint8_t type = 0x00;
    Color color;
    Matrix matrix;
    uint8_t spread = 0;         // 0 pad, 1 reflect, 2 repeat
    uint8_t interpolation = 0;  // 0 normal, 1 linear RGB
    std::vector<GradientStop> stops;
    double focalPoint = 0.0;
    uint16_t bitmapId = 0;

    static FillStyle solid(Color c) { return {0x00, c, {}, 0, 0, {}, 0.0, 0}; }
    static FillStyle linear(const Matrix& m, std::vector<GradientStop> stops) {
        return {0x10, {}, m, 0, 0, std::move(stops), 0.0, 0};
    }
    static FillStyle radial(const Matrix& m, std::vector<GradientStop> stops) {
        return {0x12, {}, m, 0, 0, std::move(stops), 0.0, 0};
    }
    static FillStyle bitmap(uint16_t id, const Matrix& m, bool clipped = false, bool smoothed = true) {
        uint8_t type = uint8_t(0x40 | (clipped ? 1 : 0) | (smoothed ? 0 : 2));
        return {type, {}, m, 0, 0, {}, 0.0, id};
    }
    // A matrix that maps the gradient square (-16384..16384) onto a box.
    static Matrix gradientBox(int32_t x, int32_t y, int32_t width, int32_t height);
};

// LINESTYLE, or LINESTYLE2 when the shape is written as DefineShape4.
struct LineStyle {
    uint16_t width = 20;
    Color color;
    uint8_t startCap = 0;  // 0 round, 1 none, 2 square
    uint8_t endCap = 0;
    uint8_t join = 0;  // 0 round, 1 bevel, 2 miter
    double miterLimit = 3.0;
    bool noHScale = false;
    bool noVScale = false;
    bool pixelHinting = false;
    bool noClose = false;
    std::optional<FillStyle> fill;
};

class ShapeBuilder {
public:
    // Styles go into the current style group; indices are 1-based within it.
    uint32_t addFill(const FillStyle& f);
    uint32_t addSolidFill(Color c) { return addFill(FillStyle::solid(c)); }
    uint32_t addLine(const LineStyle& l);
    uint32_t addLine(uint16_t width, Color c) {
        LineStyle l;
        l.width = width;
        l.color = c;
        return addLine(l);
    }
    // Starts a new style group (DefineShape2 and later); styles added after
    // this belong to it and the style selections reset to none.
    ShapeBuilder& newStyleGroup();

    ShapeBuilder& setFill0(uint32_t index);
    ShapeBuilder& setFill1(uint32_t index);
    ShapeBuilder& setLine(uint32_t index);

    ShapeBuilder& moveTo(int32_t x, int32_t y);
    ShapeBuilder& lineTo(int32_t x, int32_t y);
    ShapeBuilder& curveTo(int32_t controlX, int32_t controlY, int32_t anchorX, int32_t anchorY);
    // Closed outlines, clockwise on screen (y down), starting with a move.
    ShapeBuilder& rectangle(int32_t x, int32_t y, int32_t width, int32_t height);
    ShapeBuilder& circle(int32_t cx, int32_t cy, int32_t radius);  // eight quadratic curves

    // Bounds of every point drawn (control points included), widened by the widest line / 2.
    [[nodiscard]] Rect bounds() const;
    // SHAPEWITHSTYLE for DefineShape `version` (1-4; RGB colours below 3).
    [[nodiscard]] std::vector<uint8_t> shapeWithStyle(int version) const;
    // SHAPE: bit counts and records only (glyphs, morph edges): style arrays are not written.
    [[nodiscard]] std::vector<uint8_t> shapeOnly() const;

    static void writeFillStyle(BitWriter& w, const FillStyle& f, int version);

private:
    struct Record {
        bool edge = false;
        // style change
        std::optional<uint32_t> fill0, fill1, line;
        std::optional<std::pair<int32_t, int32_t>> move;
        int newGroup = -1;  // index of the group whose arrays this record brings
        // edge
        bool curved = false;
        int32_t cdx = 0, cdy = 0, adx = 0, ady = 0;
    };
    struct Group {
        std::vector<FillStyle> fills;
        std::vector<LineStyle> lines;
    };
    Record& pendingChange();
    void writeRecords(BitWriter& w, int version, bool withStyles) const;
    static void writeStyles(BitWriter& w, const Group& g, int version);
    void extend(int32_t x, int32_t y);

    std::vector<Group> m_groups{Group{}};
    std::vector<Record> m_records;
    int32_t m_x = 0;
    int32_t m_y = 0;
    Rect m_bounds;
    bool m_hasBounds = false;
};

}  // namespace swfwriter
