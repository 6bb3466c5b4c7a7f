#include "text/glyph_rendering.h"

#include <algorithm>
#include <cmath>

namespace text {

namespace {

double clampTo(double v, double limit) { return std::isnan(v) ? 0.0 : std::clamp(v, -limit, limit); }

}  // namespace

double clampSharpness(double v) { return clampTo(v, 400.0); }
double clampThickness(double v) { return clampTo(v, 200.0); }

GlyphRendering glyphRenderingOf(const swf::TextSettings& t) {
    return {.advanced = t.advanced,
            .gridFit = t.gridFit == 0   ? GridFit::None
                       : t.gridFit == 2 ? GridFit::Subpixel
                                        : GridFit::Pixel,
            .sharpness = clampSharpness(t.sharpness),
            .thickness = clampThickness(t.thickness)};
}

std::optional<GridFit> gridFitNamed(std::u16string_view name) {
    if (name == u"none")
        return GridFit::None;
    if (name == u"pixel")
        return GridFit::Pixel;
    if (name == u"subpixel")
        return GridFit::Subpixel;
    return std::nullopt;
}

std::u16string_view gridFitName(GridFit fit) {
    switch (fit) {
    case GridFit::None:
        return u"none";
    case GridFit::Subpixel:
        return u"subpixel";
    case GridFit::Pixel:
        break;
    }
    return u"pixel";
}

CoverageCurve coverageCurve(double sharpness, double thickness, const Cutoffs& cutoffs) {
    const double shift = clampThickness(thickness) / 200.0 * 0.5;
    const double ramp = std::exp2(-clampSharpness(sharpness) / 200.0) * (cutoffs.inside - cutoffs.outside);
    const double middle = (cutoffs.inside + cutoffs.outside) / 2.0;
    CoverageCurve curve{};
    curve[255] = 255;
    for (int c = 1; c < 255; ++c) {
        const double distance = c / 255.0 - 0.5 + shift - middle;
        // Cutoffs the wrong way round (or equal) leave a hard edge.
        const double a = ramp > 0.0 ? std::clamp(distance / ramp + 0.5, 0.0, 1.0) : distance >= 0.0 ? 1.0 : 0.0;
        curve[size_t(c)] = uint8_t(std::lround(a * 255.0));
    }
    return curve;
}

CoverageCurve identityCurve() {
    CoverageCurve curve{};
    for (size_t c = 0; c < curve.size(); ++c)
        curve[c] = uint8_t(c);
    return curve;
}

}  // namespace text
