#include "render/filter_effects.h"

#include "render/box_blur.h"
#include "render/displacement_map.h"
#include "render/premultiplied.h"

#include <array>
#include <cmath>
#include <vector>

namespace render {

namespace {

using namespace pixel;

constexpr double MaxDistance = 2000.0;  // movie pixels
constexpr int32_t MaxMatrixSide = 15;

double finiteOr(double v, double fallback) { return std::isfinite(v) ? v : fallback; }

// Strength in 8.8 fixed point, 0..255.
uint32_t strength256(const swf::Filter& f) {
    return uint32_t(std::lround(std::clamp(finiteOr(f.strength, 0.0), 0.0, 255.0) * 256.0));
}

uint32_t applyStrength(uint32_t a, uint32_t s256) {
    return uint32_t(std::min<uint64_t>((uint64_t(a) * s256 + 128) >> 8, 255));
}

BoxBlur blurOf(const swf::Filter& f, FilterScale scale) {
    return BoxBlur::from(finiteOr(f.blurX, 0.0), finiteOr(f.blurY, 0.0), f.passes, scale.x, scale.y);
}

struct Offset {
    int32_t x = 0;
    int32_t y = 0;
};

// The shadow's displacement in device pixels.
Offset offsetOf(const swf::Filter& f, FilterScale scale) {
    if (f.kind == swf::FilterKind::Glow)
        return {};
    const double distance = std::clamp(finiteOr(f.distance, 0.0), -MaxDistance, MaxDistance);
    const double angle = finiteOr(f.angle, 0.0);
    const double sx = std::clamp(finiteOr(scale.x, 1.0), 0.0, 64.0);
    const double sy = std::clamp(finiteOr(scale.y, 1.0), 0.0, 64.0);
    return {int32_t(std::lround(distance * std::cos(angle) * sx)),
            int32_t(std::lround(distance * std::sin(angle) * sy))};
}

// A bevel's two copies: the shadow's moved by `shadow`, the highlight's by
// minus `highlight`; together they are the distance apart.
struct BevelOffsets {
    Offset shadow;
    Offset highlight;
};

BevelOffsets bevelOffsets(const swf::Filter& f, FilterScale scale) {
    const Offset d = offsetOf(f, scale);
    const Offset half{d.x / 2, d.y / 2};
    return {half, {d.x - half.x, d.y - half.y}};
}

// The 256 premultiplied colours of a gradient filter, indexed by position.
std::array<uint32_t, 256> gradientRamp(const swf::Filter& f) {
    std::array<uint32_t, 256> ramp{};
    const size_t n = std::min(f.gradientColors.size(), f.gradientRatios.size());
    if (n == 0)
        return ramp;
    for (int i = 0; i < 256; ++i) {
        size_t hi = 0;
        while (hi < n && f.gradientRatios[hi] < i)
            ++hi;
        swf::Rgba c;
        if (hi == 0 || hi == n) {
            c = f.gradientColors[hi == 0 ? 0 : n - 1];
        } else {
            const swf::Rgba& a = f.gradientColors[hi - 1];
            const swf::Rgba& b = f.gradientColors[hi];
            const int span = f.gradientRatios[hi] - f.gradientRatios[hi - 1];
            const int t = span > 0 ? (i - f.gradientRatios[hi - 1]) * 256 / span : 256;
            auto mix = [t](uint8_t x, uint8_t y) { return uint8_t((x * (256 - t) + y * t + 128) >> 8); };
            c = {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b), mix(a.a, b.a)};
        }
        ramp[size_t(i)] = premultiply(c);
    }
    return ramp;
}

std::vector<uint8_t> alphaPlane(const PixelView& px) {
    std::vector<uint8_t> plane(size_t(px.width()) * size_t(px.height()));
    for (int32_t y = 0; y < px.height(); ++y) {
        const auto row = px.row(y);
        uint8_t* out = plane.data() + size_t(y) * size_t(px.width());
        for (int32_t x = 0; x < px.width(); ++x)
            out[x] = uint8_t(alpha(row[size_t(x)]));
    }
    return plane;
}

// The blurred alpha of the source, read with transparent outside.
class BlurredAlpha {
public:
    BlurredAlpha(const PixelView& px, const BoxBlur& blur)
        : m_plane(alphaPlane(px)), m_width(px.width()), m_height(px.height()) {
        boxBlur(m_plane.data(), m_width, m_height, m_width, 1, blur);
    }
    [[nodiscard]] uint32_t at(int32_t x, int32_t y) const {
        if (x < 0 || y < 0 || x >= m_width || y >= m_height)
            return 0;
        return m_plane[size_t(y) * size_t(m_width) + size_t(x)];
    }

private:
    std::vector<uint8_t> m_plane;
    int32_t m_width = 0;
    int32_t m_height = 0;
};

enum class Placement : uint8_t { Outer, Inner, Full };

Placement placementOf(const swf::Filter& f) {
    if (f.onTop && f.kind != swf::FilterKind::DropShadow && f.kind != swf::FilterKind::Glow)
        return Placement::Full;
    return f.inner ? Placement::Inner : Placement::Outer;
}

struct Flags {
    Placement placement = Placement::Outer;
    bool knockout = false;  // the object cut out of the effect
    bool hide = false;      // the effect drawn alone
};

Flags flagsOf(const swf::Filter& f) { return {placementOf(f), f.knockout, !f.compositeSource}; }

// Lays an effect pixel `e` and the source pixel `s` together as the
// filter's flags say.
uint32_t compose(uint32_t e, uint32_t s, const Flags& flags) {
    const uint32_t as = alpha(s);
    switch (flags.placement) {
    case Placement::Outer:
        if (flags.hide && !flags.knockout)
            return e;
        e = scale(e, 255 - as);
        return flags.knockout ? e : addSaturated(s, e);
    case Placement::Inner:
        e = scale(e, as);
        return flags.knockout || flags.hide ? e : over(e, s);
    case Placement::Full:
        if (flags.knockout)
            return scale(e, 255 - as);
        return flags.hide ? e : over(e, s);
    }
    return s;
}

// Drop shadow, glow and gradient glow: the blurred alpha, moved, coloured
// through `lut` (indexed by the blurred alpha).
void shadow(const swf::Filter& f, const PixelView& px, FilterScale scale, const std::array<uint32_t, 256>& lut) {
    const BlurredAlpha blurred(px, blurOf(f, scale));
    const Offset d = offsetOf(f, scale);
    const Flags flags = flagsOf(f);
    for (int32_t y = 0; y < px.height(); ++y) {
        const auto row = px.row(y);
        for (int32_t x = 0; x < px.width(); ++x)
            row[size_t(x)] = compose(lut[blurred.at(x - d.x, y - d.y)], row[size_t(x)], flags);
    }
}

// Bevel and gradient bevel: the difference of the blurred alpha moved both
// ways, coloured through `lut` (indexed by that difference + 255).
void bevel(const swf::Filter& f, const PixelView& px, FilterScale scale, const std::array<uint32_t, 511>& lut) {
    const BlurredAlpha blurred(px, blurOf(f, scale));
    const BevelOffsets o = bevelOffsets(f, scale);
    const Flags flags = flagsOf(f);
    for (int32_t y = 0; y < px.height(); ++y) {
        const auto row = px.row(y);
        for (int32_t x = 0; x < px.width(); ++x) {
            const int32_t v = int32_t(blurred.at(x - o.shadow.x, y - o.shadow.y)) -
                              int32_t(blurred.at(x + o.highlight.x, y + o.highlight.y));
            row[size_t(x)] = compose(lut[size_t(v + 255)], row[size_t(x)], flags);
        }
    }
}

std::array<uint32_t, 256> shadowLut(const swf::Filter& f, const std::array<uint32_t, 256>* ramp) {
    const uint32_t s = strength256(f);
    const bool invert = placementOf(f) == Placement::Inner;
    const uint32_t color = premultiply(f.color);
    std::array<uint32_t, 256> lut{};
    for (uint32_t a = 0; a < 256; ++a) {
        const uint32_t v = applyStrength(invert ? 255 - a : a, s);
        lut[a] = ramp ? (*ramp)[v] : scale(color, v);
    }
    return lut;
}

std::array<uint32_t, 511> bevelLut(const swf::Filter& f, const std::array<uint32_t, 256>* ramp) {
    const uint32_t s = strength256(f);
    const uint32_t shadowColor = premultiply(f.color);
    const uint32_t highlightColor = premultiply(f.highlightColor);
    std::array<uint32_t, 511> lut{};
    for (int32_t v = -255; v <= 255; ++v) {
        const int32_t m = int32_t(applyStrength(uint32_t(std::abs(v)), s)) * (v < 0 ? -1 : 1);
        uint32_t p;
        if (ramp)
            p = (*ramp)[size_t(std::min((m + 256) >> 1, 255))];  // highlight at 0, shadow at 255
        else
            p = m >= 0 ? scale(shadowColor, uint32_t(m)) : scale(highlightColor, uint32_t(-m));
        lut[size_t(v + 255)] = p;
    }
    return lut;
}

// Unpremultiplied RGBA of a whole picture, for the filters that work on
// straight colour.
std::vector<swf::Rgba> straightColours(const PixelView& px) {
    std::vector<swf::Rgba> out(size_t(px.width()) * size_t(px.height()));
    for (int32_t y = 0; y < px.height(); ++y) {
        const auto row = px.row(y);
        for (int32_t x = 0; x < px.width(); ++x)
            out[size_t(y) * size_t(px.width()) + size_t(x)] = unpremultiply(row[size_t(x)]);
    }
    return out;
}

uint8_t clampChannel(double v) { return uint8_t(std::lround(std::clamp(v, 0.0, 255.0))); }

void convolution(const swf::Filter& f, const PixelView& px) {
    const int32_t mx = f.matrixX;
    const int32_t my = f.matrixY;
    if (mx < 1 || my < 1 || mx > MaxMatrixSide || my > MaxMatrixSide || f.matrix.size() < size_t(mx * my))
        return;
    std::vector<double> m(size_t(mx * my));
    for (size_t i = 0; i < m.size(); ++i)
        m[i] = finiteOr(f.matrix[i], 0.0);
    double divisor = finiteOr(f.divisor, 1.0);
    if (divisor == 0.0)
        divisor = 1.0;
    const double bias = finiteOr(f.bias, 0.0);
    const std::vector<swf::Rgba> src = straightColours(px);
    const int32_t w = px.width();
    const int32_t h = px.height();
    auto at = [&](int32_t x, int32_t y) -> const swf::Rgba& {
        if (x < 0 || y < 0 || x >= w || y >= h) {
            if (!f.clamp)
                return f.color;
            x = std::clamp(x, 0, w - 1);
            y = std::clamp(y, 0, h - 1);
        }
        return src[size_t(y) * size_t(w) + size_t(x)];
    };
    for (int32_t y = 0; y < h; ++y) {
        const auto row = px.row(y);
        for (int32_t x = 0; x < w; ++x) {
            double r = 0, g = 0, b = 0, a = 0;
            for (int32_t j = 0; j < my; ++j)
                for (int32_t i = 0; i < mx; ++i) {
                    const double k = m[size_t(j * mx + i)];
                    const swf::Rgba& c = at(x + i - mx / 2, y + j - my / 2);
                    r += k * c.r;
                    g += k * c.g;
                    b += k * c.b;
                    a += k * c.a;
                }
            swf::Rgba out{clampChannel(r / divisor + bias), clampChannel(g / divisor + bias),
                          clampChannel(b / divisor + bias), clampChannel(a / divisor + bias)};
            if (f.preserveAlpha)
                out.a = src[size_t(y) * size_t(w) + size_t(x)].a;
            row[size_t(x)] = premultiply(out);
        }
    }
}

void colorMatrix(const swf::Filter& f, const PixelView& px) {
    if (f.matrix.size() < 20)
        return;
    std::array<float, 20> m{};
    for (size_t i = 0; i < 20; ++i)
        m[i] = std::isfinite(f.matrix[i]) ? f.matrix[i] : 0.0f;
    for (int32_t y = 0; y < px.height(); ++y) {
        const auto row = px.row(y);
        for (int32_t x = 0; x < px.width(); ++x) {
            const swf::Rgba c = unpremultiply(row[size_t(x)]);
            const float in[4] = {float(c.r), float(c.g), float(c.b), float(c.a)};
            uint8_t out[4];
            for (size_t k = 0; k < 4; ++k) {
                const float* line = &m[k * 5];
                const float v = line[0] * in[0] + line[1] * in[1] + line[2] * in[2] + line[3] * in[3] + line[4];
                out[k] = uint8_t(std::lround(std::clamp(v, 0.0f, 255.0f)));
            }
            row[size_t(x)] = premultiply({out[0], out[1], out[2], out[3]});
        }
    }
}

int32_t capReach(int64_t v) { return int32_t(std::clamp<int64_t>(v, 0, FilterReach::kMax)); }

}  // namespace

FilterReach filterReach(const swf::Filter& f, FilterScale scale) {
    switch (f.kind) {
    case swf::FilterKind::Blur: {
        const BoxBlur b = blurOf(f, scale);
        return {capReach(b.reachX()), capReach(b.reachY()), capReach(b.reachX()), capReach(b.reachY())};
    }
    case swf::FilterKind::DropShadow:
    case swf::FilterKind::Glow:
    case swf::FilterKind::GradientGlow: {
        if (placementOf(f) == Placement::Inner)
            return {};
        const BoxBlur b = blurOf(f, scale);
        const Offset d = offsetOf(f, scale);
        return {capReach(int64_t(b.reachX()) - d.x), capReach(int64_t(b.reachY()) - d.y),
                capReach(int64_t(b.reachX()) + d.x), capReach(int64_t(b.reachY()) + d.y)};
    }
    case swf::FilterKind::Bevel:
    case swf::FilterKind::GradientBevel: {
        if (placementOf(f) == Placement::Inner)
            return {};
        const BoxBlur b = blurOf(f, scale);
        const BevelOffsets o = bevelOffsets(f, scale);
        const int64_t bx = b.reachX();
        const int64_t by = b.reachY();
        return {capReach(std::max(bx - o.shadow.x, bx + o.highlight.x)),
                capReach(std::max(by - o.shadow.y, by + o.highlight.y)),
                capReach(std::max(bx + o.shadow.x, bx - o.highlight.x)),
                capReach(std::max(by + o.shadow.y, by - o.highlight.y))};
    }
    case swf::FilterKind::Convolution: {
        const int32_t mx = std::min<int32_t>(f.matrixX, MaxMatrixSide);
        const int32_t my = std::min<int32_t>(f.matrixY, MaxMatrixSide);
        if (mx < 1 || my < 1)
            return {};
        return {mx - 1 - mx / 2, my - 1 - my / 2, mx / 2, my / 2};
    }
    case swf::FilterKind::ColorMatrix:
    case swf::FilterKind::DisplacementMap:
        return {};
    }
    return {};
}

FilterReach filterReach(std::span<const swf::Filter> filters, FilterScale scale) {
    FilterReach total;
    for (const swf::Filter& f : filters.first(std::min(filters.size(), MaxFilters))) {
        const FilterReach r = filterReach(f, scale);
        total = {capReach(int64_t(total.left) + r.left), capReach(int64_t(total.top) + r.top),
                 capReach(int64_t(total.right) + r.right), capReach(int64_t(total.bottom) + r.bottom)};
    }
    return total;
}

model::FilterMargin filterMargin(const std::vector<swf::Filter>& filters) {
    model::FilterMargin margin;
    for (const swf::Filter& f : std::span(filters).first(std::min(filters.size(), MaxFilters))) {
        const FilterReach r = filterReach(f);
        // A radius scaled to the device rounds down by under a pixel a pass,
        // an offset by half a pixel.
        const double slack = r.isZero() ? 0.0 : double(std::clamp<int>(f.passes, 1, BoxBlur::MaxPasses) + 1);
        auto twips = [slack](int32_t side) { return side > 0 ? (side + slack) * 20.0 : 0.0; };
        margin += {twips(r.left), twips(r.top), twips(r.right), twips(r.bottom)};
    }
    return margin;
}

void applyFilter(const swf::Filter& f, const PixelView& px, FilterScale scale) {
    if (px.empty())
        return;
    switch (f.kind) {
    case swf::FilterKind::Blur:
        boxBlur(px, blurOf(f, scale));
        return;
    case swf::FilterKind::DropShadow:
    case swf::FilterKind::Glow:
        shadow(f, px, scale, shadowLut(f, nullptr));
        return;
    case swf::FilterKind::GradientGlow: {
        const auto ramp = gradientRamp(f);
        shadow(f, px, scale, shadowLut(f, &ramp));
        return;
    }
    case swf::FilterKind::Bevel:
        bevel(f, px, scale, bevelLut(f, nullptr));
        return;
    case swf::FilterKind::GradientBevel: {
        const auto ramp = gradientRamp(f);
        bevel(f, px, scale, bevelLut(f, &ramp));
        return;
    }
    case swf::FilterKind::Convolution:
        convolution(f, px);
        return;
    case swf::FilterKind::ColorMatrix:
        colorMatrix(f, px);
        return;
    case swf::FilterKind::DisplacementMap:
        displace(f, px, scale);
        return;
    }
}

void applyFilters(std::span<const swf::Filter> filters, const PixelView& px, FilterScale scale) {
    for (const swf::Filter& f : filters.first(std::min(filters.size(), MaxFilters)))
        applyFilter(f, px, scale);
}

}  // namespace render
