// A face the layout measures and the renderer draws: metrics and outlines
// in em units (1.0 is the em; y grows downwards, as on the stage), so one
// cached glyph serves every size.
#pragma once

#include <memory>
#include <vector>

namespace text {

struct OutlineStep {
    enum class Kind : unsigned char { Move, Line, Quad, Cubic, Close };
    Kind kind = Kind::Move;
    float x1 = 0, y1 = 0, x2 = 0, y2 = 0, x3 = 0, y3 = 0;  // the control points, then the end point
};

struct GlyphOutline {
    std::vector<OutlineStep> steps;
    double advance = 0.0;  // em
};

class Face {
public:
    virtual ~Face() = default;
    [[nodiscard]] virtual double ascent() const = 0;   // em, above the baseline
    [[nodiscard]] virtual double descent() const = 0;  // em, below it
    // The glyph of `code`, or nothing when the face has none.
    [[nodiscard]] virtual std::shared_ptr<const GlyphOutline> glyph(char32_t code) const = 0;
    // The pair adjustment between two codes, em.
    [[nodiscard]] virtual double kerning(char32_t left, char32_t right) const = 0;
    // Embedded faces draw from the movie's glyph shapes instead of outlines.
    [[nodiscard]] virtual bool embedded() const { return false; }
};

}  // namespace text
