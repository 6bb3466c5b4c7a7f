// How a field's glyphs meet the pixel grid: "normal" draws the outlines as
// they are; "advanced" fits glyph origins to the grid (whole pixels, or
// thirds of a pixel across for subpixel) and reshapes edge coverage by
// thickness (heavier or lighter strokes) and sharpness (crisper or softer
// edges). Both script machines set it; the renderer applies it.
#pragma once

#include "swf/text.h"
#include "text/text_renderer.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace text {

enum class GridFit : uint8_t { None, Pixel, Subpixel };

struct GlyphRendering {
    bool advanced = false;
    GridFit gridFit = GridFit::Pixel;
    double sharpness = 0.0;  // -400..400
    double thickness = 0.0;  // -200..200

    bool operator==(const GlyphRendering&) const = default;
    // Whether edge coverage changes at all.
    [[nodiscard]] bool reshapesCoverage() const { return advanced && (sharpness != 0.0 || thickness != 0.0); }
};

// The CSMTextSettings tag's rendering (thickness and sharpness clamped).
[[nodiscard]] GlyphRendering glyphRenderingOf(const swf::TextSettings& settings);

// The ranges scripts may set; NaN counts as 0.
[[nodiscard]] double clampSharpness(double v);
[[nodiscard]] double clampThickness(double v);

[[nodiscard]] std::optional<GridFit> gridFitNamed(std::u16string_view name);
[[nodiscard]] std::u16string_view gridFitName(GridFit fit);

// Coverage 0..255 of a glyph mask to the coverage drawn. Edge pixels are
// read as distances from the outline (half a pixel each way); the cutoffs
// (a TextRenderer table's) place the ramp, thickness moves the outline by up
// to half a pixel, sharpness narrows (or widens) the ramp by up to four
// times. Empty and full pixels stay as they are.
using CoverageCurve = std::array<uint8_t, 256>;
[[nodiscard]] CoverageCurve coverageCurve(double sharpness, double thickness, const Cutoffs& cutoffs = {});
// Every coverage to itself.
[[nodiscard]] CoverageCurve identityCurve();

}  // namespace text
