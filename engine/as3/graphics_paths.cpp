// drawPath, drawTriangles, drawGraphicsData and copyFrom, and the
// IGraphicsData classes: their fields are ordinary properties of the
// instance (the classes' public variables), read when they are drawn.
#include "as3/graphics_paths.h"

#include "as3/geom_values.h"

#include "avm2/class_object.h"
#include "avm2/conversions.h"
#include "avm2/vector.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <optional>
#include <vector>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

namespace {

// The numbers of a Vector (or an Array a script passed instead).
class Numbers {
public:
    Numbers(Machine& m, Value v) : m_machine(m) {
        if ((m_vector = avm2::asVector(v)))
            return;
        if (v.isObject())
            m_array = dynamic_cast<const avm2::ArrayObject*>(v.asObject());
    }
    [[nodiscard]] size_t size() const { return m_vector ? m_vector->size() : m_array ? m_array->elements().size() : 0; }
    [[nodiscard]] double operator[](size_t i) const {
        if (i >= size())
            return 0;
        const double v = m_machine.toNumber(m_vector ? m_vector->get(i) : m_array->elements()[i]);
        return std::isfinite(v) ? v : 0;
    }

private:
    Machine& m_machine;
    const avm2::VectorObject* m_vector = nullptr;
    const avm2::ArrayObject* m_array = nullptr;
};

void requireNonNull(Machine& m, Value v, const char16_t* name) {
    if (v.isNullish())
        m.throwError("TypeError", 2007, u"Parameter " + std::u16string(name) + u" must be non-null.");
}

std::u16string textArg(Machine& m, std::span<const Value> args, size_t i) {
    return i < args.size() && !args[i].isNullish() ? m.toString(args[i])->text() : std::u16string();
}

struct Pen {
    model::Drawing& drawing;
    swf::Point at;  // pixels
    void moveTo(double x, double y) {
        drawing.moveTo(x * 20, y * 20);
        at = {x, y};
    }
    void lineTo(double x, double y) {
        drawing.lineTo(x * 20, y * 20);
        at = {x, y};
    }
    void curveTo(double cx, double cy, double x, double y) {
        drawing.curveTo(cx * 20, cy * 20, x * 20, y * 20);
        at = {x, y};
    }
    // Four quadratic pieces, each with the control point that matches the
    // cubic piece's tangents on average: within a pixel's fraction for
    // curves of a stage's size.
    void cubicTo(swf::Point c1, swf::Point c2, swf::Point end) {
        const swf::Point p0 = at;
        auto point = [&](double t) {
            const double u = 1 - t;
            return swf::Point{u * u * u * p0.x + 3 * u * u * t * c1.x + 3 * u * t * t * c2.x + t * t * t * end.x,
                              u * u * u * p0.y + 3 * u * u * t * c1.y + 3 * u * t * t * c2.y + t * t * t * end.y};
        };
        auto slope = [&](double t) {
            const double u = 1 - t;
            return swf::Point{3 * u * u * (c1.x - p0.x) + 6 * u * t * (c2.x - c1.x) + 3 * t * t * (end.x - c2.x),
                              3 * u * u * (c1.y - p0.y) + 6 * u * t * (c2.y - c1.y) + 3 * t * t * (end.y - c2.y)};
        };
        constexpr int Pieces = 4;
        for (int i = 0; i < Pieces; ++i) {
            const double t0 = double(i) / Pieces, t1 = double(i + 1) / Pieces, k = (t1 - t0) / 3;
            const swf::Point q0 = point(t0), q3 = i + 1 == Pieces ? end : point(t1);
            const swf::Point d0 = slope(t0), d1 = slope(t1);
            const swf::Point q1{q0.x + k * d0.x, q0.y + k * d0.y}, q2{q3.x - k * d1.x, q3.y - k * d1.y};
            curveTo((3 * (q1.x + q2.x) - q0.x - q3.x) / 4, (3 * (q1.y + q2.y) - q0.y - q3.y) / 4, q3.x, q3.y);
        }
    }
};

// drawPath(commands, data, winding = "evenOdd"): commands read their points
// from data in turn; the path ends where data runs out or at a command that
// is none of GraphicsPathCommand's.
Value drawPath(Machine& m, Value t, std::span<const Value> args) {
    requireNonNull(m, argument(args, 0), u"commands");
    requireNonNull(m, argument(args, 1), u"data");
    model::Drawing& d = graphicsDrawing(m, t);
    const Numbers commands(m, argument(args, 0)), data(m, argument(args, 1));
    const Value winding = argument(args, 2);
    const std::u16string rule = winding.isNullish() ? u"evenOdd" : m.toString(winding)->text();
    if (rule != u"evenOdd" && rule != u"nonZero")
        m.throwError("ArgumentError", 2008, u"Parameter winding must be one of the accepted values.");
    d.setNonZeroWinding(rule == u"nonZero");
    // Numbers each command takes: NO_OP, MOVE_TO, LINE_TO, CURVE_TO,
    // WIDE_MOVE_TO, WIDE_LINE_TO, CUBIC_CURVE_TO.
    constexpr std::array<size_t, 7> Takes = {0, 2, 2, 4, 4, 4, 6};
    Pen pen{d, {}};
    size_t k = 0;
    for (size_t i = 0; i < commands.size(); ++i) {
        const double command = commands[i];
        if (!(command >= 0 && command < double(Takes.size())))
            break;
        const auto c = size_t(command);
        if (k + Takes[c] > data.size())
            break;
        auto at = [&](size_t j) { return data[k + j]; };
        switch (c) {
        case 1:
            pen.moveTo(at(0), at(1));
            break;
        case 2:
            pen.lineTo(at(0), at(1));
            break;
        case 3:
            pen.curveTo(at(0), at(1), at(2), at(3));
            break;
        case 4:
            pen.moveTo(at(2), at(3));
            break;
        case 5:
            pen.lineTo(at(2), at(3));
            break;
        case 6:
            pen.cubicTo({at(0), at(1)}, {at(2), at(3)}, {at(4), at(5)});
            break;
        default:
            break;
        }
        k += Takes[c];
    }
    return Value();
}

// The matrix taking bitmap pixels (u * width, v * height) of a triangle's
// three corners to their places in twips; none for a triangle with no area
// in the bitmap.
std::optional<swf::Matrix> uvMatrix(const std::array<swf::Point, 3>& at, const std::array<swf::Point, 3>& source) {
    const double sx1 = source[1].x - source[0].x, sy1 = source[1].y - source[0].y;
    const double sx2 = source[2].x - source[0].x, sy2 = source[2].y - source[0].y;
    const double det = sx1 * sy2 - sx2 * sy1;
    if (!(std::abs(det) > 1e-12))
        return std::nullopt;
    const double dx1 = (at[1].x - at[0].x) * 20, dy1 = (at[1].y - at[0].y) * 20;
    const double dx2 = (at[2].x - at[0].x) * 20, dy2 = (at[2].y - at[0].y) * 20;
    // [dx1 dx2; dy1 dy2] times the inverse of [sx1 sx2; sy1 sy2].
    swf::Matrix r;
    r.a = (dx1 * sy2 - dx2 * sy1) / det;
    r.c = (dx2 * sx1 - dx1 * sx2) / det;
    r.b = (dy1 * sy2 - dy2 * sy1) / det;
    r.d = (dy2 * sx1 - dy1 * sx2) / det;
    r.tx = at[0].x * 20 - (r.a * source[0].x + r.c * source[0].y);
    r.ty = at[0].y * 20 - (r.b * source[0].x + r.d * source[0].y);
    if (!std::isfinite(r.a + r.b + r.c + r.d + r.tx + r.ty))
        return std::nullopt;
    return r;
}

// The picture of a triangle whose corners lie at different depths (the t of
// uvt, 1/z), made pixel by pixel with the perspective's bitmap point, so the
// triangle is one fill (no seams) and the picture recedes as it should.
class PerspectivePicture final : public model::FillBitmap {
public:
    PerspectivePicture(std::vector<uint32_t> pixels, int32_t width, int32_t height)
        : m_pixels(std::move(pixels)), m_width(width), m_height(height) {}
    [[nodiscard]] const uint32_t* pixels() const override { return m_pixels.data(); }
    [[nodiscard]] int32_t width() const override { return m_width; }
    [[nodiscard]] int32_t height() const override { return m_height; }
    [[nodiscard]] uint64_t version() const override { return 0; }

private:
    std::vector<uint32_t> m_pixels;
    int32_t m_width = 0, m_height = 0;
};

// The picture and its place for one triangle; none when the triangle has no
// area or the bitmap no pixels. At most MaxSide pixels a side: a larger
// triangle gets a coarser picture, not unbounded memory.
std::optional<std::pair<std::shared_ptr<const model::FillBitmap>, swf::Matrix>> perspectivePicture(
    const model::FillBitmap& bitmap, bool repeat, const std::array<swf::Point, 3>& at,
    const std::array<swf::Point, 3>& source, const std::array<double, 3>& depth) {
    constexpr double MaxSide = 1024;
    const uint32_t* texture = bitmap.pixels();
    const int32_t tw = bitmap.width(), th = bitmap.height();
    const double denom = (at[1].y - at[2].y) * (at[0].x - at[2].x) + (at[2].x - at[1].x) * (at[0].y - at[2].y);
    if (!texture || tw <= 0 || th <= 0 || !(std::abs(denom) > 1e-9))
        return std::nullopt;
    const double left = std::floor(std::min({at[0].x, at[1].x, at[2].x}));
    const double top = std::floor(std::min({at[0].y, at[1].y, at[2].y}));
    const double right = std::ceil(std::max({at[0].x, at[1].x, at[2].x}));
    const double bottom = std::ceil(std::max({at[0].y, at[1].y, at[2].y}));
    const double step = std::max(1.0, std::max(right - left, bottom - top) / MaxSide);
    const auto width = int32_t(std::max(1.0, std::ceil((right - left) / step)));
    const auto height = int32_t(std::max(1.0, std::ceil((bottom - top) / step)));
    auto wrap = [repeat](double p, int32_t size) {
        auto i = int64_t(std::floor(p));
        if (repeat)
            return int32_t(((i % size) + size) % size);
        return int32_t(std::clamp<int64_t>(i, 0, size - 1));
    };
    std::vector<uint32_t> pixels(size_t(width) * size_t(height));
    for (int32_t py = 0; py < height; ++py) {
        for (int32_t px = 0; px < width; ++px) {
            const double x = left + (px + 0.5) * step, y = top + (py + 0.5) * step;
            const double l0 = ((at[1].y - at[2].y) * (x - at[2].x) + (at[2].x - at[1].x) * (y - at[2].y)) / denom;
            const double l1 = ((at[2].y - at[0].y) * (x - at[2].x) + (at[0].x - at[2].x) * (y - at[2].y)) / denom;
            const double w0 = l0 * depth[0], w1 = l1 * depth[1], w2 = (1 - l0 - l1) * depth[2];
            const double w = w0 + w1 + w2;
            if (!(w > 0))
                continue;  // behind the eye
            const double u = (w0 * source[0].x + w1 * source[1].x + w2 * source[2].x) / w;
            const double v = (w0 * source[0].y + w1 * source[1].y + w2 * source[2].y) / w;
            if (!std::isfinite(u) || !std::isfinite(v))
                continue;
            pixels[size_t(py) * size_t(width) + size_t(px)] =
                texture[size_t(wrap(v, th)) * size_t(tw) + size_t(wrap(u, tw))];
        }
    }
    swf::Matrix place;
    place.a = place.d = step * 20;
    place.b = place.c = 0;
    place.tx = left * 20;
    place.ty = top * 20;
    return std::pair{std::make_shared<PerspectivePicture>(std::move(pixels), width, height), place};
}

bool isBitmapFill(const swf::FillStyle& style) {
    return style.kind == swf::FillKind::RepeatingBitmap || style.kind == swf::FillKind::ClippedBitmap;
}

// drawTriangles(vertices, indices = null, uvtData = null, culling = "none").
// Triangles with a side turned away by the culling are left out ("positive"
// leaves out those whose corners run clockwise on the screen, "negative" the
// others); indices outside the vertices leave their triangle out.
// Under a bitmap fill with uv data each triangle shows its part of the
// bitmap, mapped affinely, or through a picture made with perspective
// where the t of uvt data differs between its corners. Under any other
// fill the triangles are filled together, overlaps counting once.
Value drawTriangles(Machine& m, Value t, std::span<const Value> args) {
    requireNonNull(m, argument(args, 0), u"vertices");
    model::Drawing& d = graphicsDrawing(m, t);
    const Numbers vertices(m, argument(args, 0));
    const bool indexed = !argument(args, 1).isNullish();
    const Numbers indices(m, argument(args, 1)), uvt(m, argument(args, 2));
    const std::u16string culling = textArg(m, args, 3);
    const size_t count = vertices.size() / 2;
    const size_t corners = indexed ? indices.size() / 3 * 3 : count / 3 * 3;
    const size_t uvStride = uvt.size() >= count * 3 && count > 0 ? 3 : uvt.size() >= count * 2 ? 2 : 0;

    std::optional<swf::FillStyle> fill;
    if (const swf::FillStyle* open = d.openFill())
        fill = *open;
    const std::shared_ptr<const model::FillBitmap> bitmap = d.openFillBitmap();
    const bool mapped = fill && isBitmapFill(*fill) && bitmap && uvStride > 0 && count > 0;
    if (fill && !mapped) {
        // A fill of their own, so contours drawn before do not cut holes.
        d.beginFill(*fill, bitmap);
        d.setNonZeroWinding(true);
    }
    Pen pen{d, {}};
    for (size_t i = 0; i < corners; i += 3) {
        std::array<size_t, 3> corner{};
        bool inside = true;
        for (size_t j = 0; j < 3; ++j) {
            const double index = indexed ? indices[i + j] : double(i + j);
            inside = inside && index >= 0 && index < double(count);
            corner[j] = inside ? size_t(index) : 0;
        }
        if (!inside)
            continue;
        std::array<swf::Point, 3> at{};
        for (size_t j = 0; j < 3; ++j)
            at[j] = {vertices[corner[j] * 2], vertices[corner[j] * 2 + 1]};
        const double turn = (at[1].x - at[0].x) * (at[2].y - at[0].y) - (at[1].y - at[0].y) * (at[2].x - at[0].x);
        if ((culling == u"positive" && turn > 0) || (culling == u"negative" && turn < 0))
            continue;
        if (mapped) {
            std::array<swf::Point, 3> source{};
            std::array<double, 3> depth{1, 1, 1};
            for (size_t j = 0; j < 3; ++j) {
                source[j] = {uvt[corner[j] * uvStride] * bitmap->width(),
                             uvt[corner[j] * uvStride + 1] * bitmap->height()};
                if (uvStride == 3)
                    depth[j] = uvt[corner[j] * 3 + 2];
            }
            const bool flat = depth[0] == depth[1] && depth[1] == depth[2];
            const bool usable = std::ranges::all_of(depth, [](double t) { return std::isfinite(t) && t > 0; });
            if (!flat && usable) {
                auto picture =
                    perspectivePicture(*bitmap, fill->kind == swf::FillKind::RepeatingBitmap, at, source, depth);
                if (!picture)
                    continue;
                swf::FillStyle piece = *fill;
                piece.kind = swf::FillKind::ClippedBitmap;  // the picture covers the triangle; no wrap at its edges
                piece.matrix = picture->second;
                d.beginFill(piece, picture->first);
            } else {
                const auto matrix = uvMatrix(at, source);
                if (!matrix)
                    continue;
                swf::FillStyle piece = *fill;
                piece.matrix = *matrix;
                d.beginFill(piece, bitmap);
            }
        } else if (fill && turn < 0) {
            // One direction for all, so overlaps add up under the non-zero rule.
            std::swap(at[1], at[2]);
        }
        pen.moveTo(at[0].x, at[0].y);
        pen.lineTo(at[1].x, at[1].y);
        pen.lineTo(at[2].x, at[2].y);
        pen.lineTo(at[0].x, at[0].y);
    }
    // The fill the script began goes on as it was.
    if (fill)
        d.beginFill(*fill, bitmap);
    return Value();
}

Value copyFrom(Machine& m, Value t, std::span<const Value> args) {
    requireNonNull(m, argument(args, 0), u"sourceGraphics");
    graphicsDrawing(m, t).copyFrom(graphicsDrawing(m, argument(args, 0)));
    return Value();
}

// --- IGraphicsData ----------------------------------------------------------

Value field(Value o, const char16_t* name) {
    const Value* v = o.asObject()->find(name);
    return v ? *v : Value();
}

void set(Value o, const char16_t* name, Value v) { o.asObject()->setOwn(name, v); }

Value argOr(std::span<const Value> args, size_t i, Value otherwise) {
    return i < args.size() && !args[i].isUndefined() ? args[i] : otherwise;
}

bool is(Machine& m, Value v, const char16_t* name) {
    const avm2::ClassObject* c = m.coreClass(u"flash.display", name);
    return c && m.isInstance(v, c);
}

Value solidFillInit(Machine&, Value t, std::span<const Value> args) {
    set(t, u"color", argOr(args, 0, Value::fromUInt(0)));
    set(t, u"alpha", argOr(args, 1, Value::number(1)));
    return Value();
}

Value gradientFillInit(Machine& m, Value t, std::span<const Value> args) {
    set(t, u"type", argOr(args, 0, m.string(u"linear")));
    set(t, u"colors", argOr(args, 1, Value::null()));
    set(t, u"alphas", argOr(args, 2, Value::null()));
    set(t, u"ratios", argOr(args, 3, Value::null()));
    set(t, u"matrix", argOr(args, 4, Value::null()));
    set(t, u"spreadMethod", argOr(args, 5, m.string(u"pad")));
    set(t, u"interpolationMethod", argOr(args, 6, m.string(u"rgb")));
    set(t, u"focalPointRatio", argOr(args, 7, Value::number(0)));
    return Value();
}

Value bitmapFillInit(Machine&, Value t, std::span<const Value> args) {
    set(t, u"bitmapData", argOr(args, 0, Value::null()));
    set(t, u"matrix", argOr(args, 1, Value::null()));
    set(t, u"repeat", argOr(args, 2, Value::boolean(true)));
    set(t, u"smooth", argOr(args, 3, Value::boolean(false)));
    return Value();
}

Value strokeInit(Machine& m, Value t, std::span<const Value> args) {
    set(t, u"thickness", argOr(args, 0, Value::number(std::nan(""))));
    set(t, u"pixelHinting", argOr(args, 1, Value::boolean(false)));
    set(t, u"scaleMode", argOr(args, 2, m.string(u"normal")));
    set(t, u"caps", argOr(args, 3, m.string(u"none")));
    set(t, u"joints", argOr(args, 4, m.string(u"round")));
    set(t, u"miterLimit", argOr(args, 5, Value::number(3)));
    set(t, u"fill", argOr(args, 6, Value::null()));
    return Value();
}

Value pathInit(Machine& m, Value t, std::span<const Value> args) {
    set(t, u"commands", argOr(args, 0, Value::null()));
    set(t, u"data", argOr(args, 1, Value::null()));
    set(t, u"winding", argOr(args, 2, m.string(u"evenOdd")));
    return Value();
}

Value trianglePathInit(Machine& m, Value t, std::span<const Value> args) {
    set(t, u"vertices", argOr(args, 0, Value::null()));
    set(t, u"indices", argOr(args, 1, Value::null()));
    set(t, u"uvtData", argOr(args, 2, Value::null()));
    set(t, u"culling", argOr(args, 3, m.string(u"none")));
    return Value();
}

Value noInit(Machine&, Value, std::span<const Value>) { return Value(); }

// The path's vector named `name` (Vector.<int> or Vector.<Number>), made
// when the path has none.
avm2::VectorObject* pathVector(Machine& m, Value path, const char16_t* name, const char16_t* element) {
    if (auto* v = avm2::asVector(field(path, name)))
        return v;
    const Value made = avm2::newVectorOf(m, m.coreClass(element));
    set(path, name, made);
    return avm2::asVector(made);
}

void append(Machine& m, Value path, int command, std::span<const Value> args, size_t numbers) {
    avm2::VectorObject* commands = pathVector(m, path, u"commands", u"int");
    Machine::Pin keep(m, Value::object(commands));
    avm2::VectorObject* data = pathVector(m, path, u"data", u"Number");
    avm2::resizeVector(m, commands, commands->size() + 1);
    commands->set(commands->size() - 1, avm2::coerceElement(m, *commands, Value::fromInt(command)));
    const size_t start = data->size();
    avm2::resizeVector(m, data, start + numbers);
    for (size_t i = 0; i < numbers; ++i)
        data->set(start + i, avm2::coerceElement(m, *data, Value::number(m.toNumber(argument(args, i)))));
}

template <int Command, size_t Numbers>
Value pathAppend(Machine& m, Value t, std::span<const Value> args) {
    append(m, t, Command, args, Numbers);
    return Value();
}

const avm2::NativeMember PathMethods[] = {
    {u"moveTo", pathAppend<1, 2>},     {u"lineTo", pathAppend<2, 2>},     {u"curveTo", pathAppend<3, 4>},
    {u"wideMoveTo", pathAppend<4, 4>}, {u"wideLineTo", pathAppend<5, 4>}, {u"cubicCurveTo", pathAppend<6, 6>},
};

// What drawGraphicsData does with one element: the Graphics member its class
// stands for, with its fields as the arguments.
void drawOne(Machine& m, Value graphics, Value item) {
    auto call = [&](const char16_t* member, std::initializer_list<Value> args) {
        (void)m.callMember(graphics, member, std::span<const Value>(args.begin(), args.size()));
    };
    auto fill = [&](Value f, bool line) {
        if (is(m, f, u"GraphicsSolidFill")) {
            call(line ? u"lineStyle" : u"beginFill",
                 line ? std::initializer_list<Value>{field(item, u"thickness"), field(f, u"color"), field(f, u"alpha"),
                                                     field(item, u"pixelHinting"), field(item, u"scaleMode"),
                                                     field(item, u"caps"), field(item, u"joints"),
                                                     field(item, u"miterLimit")}
                      : std::initializer_list<Value>{field(f, u"color"), field(f, u"alpha")});
        } else if (is(m, f, u"GraphicsGradientFill")) {
            call(line ? u"lineGradientStyle" : u"beginGradientFill",
                 {field(f, u"type"), field(f, u"colors"), field(f, u"alphas"), field(f, u"ratios"), field(f, u"matrix"),
                  field(f, u"spreadMethod"), field(f, u"interpolationMethod"), field(f, u"focalPointRatio")});
        } else if (is(m, f, u"GraphicsBitmapFill")) {
            call(line ? u"lineBitmapStyle" : u"beginBitmapFill",
                 {field(f, u"bitmapData"), field(f, u"matrix"), field(f, u"repeat"), field(f, u"smooth")});
        }
    };
    if (is(m, item, u"GraphicsStroke")) {
        // The line's shape first; its fill paints it.
        call(u"lineStyle",
             {field(item, u"thickness"), Value::fromInt(0), Value::number(1), field(item, u"pixelHinting"),
              field(item, u"scaleMode"), field(item, u"caps"), field(item, u"joints"), field(item, u"miterLimit")});
        if (const Value f = field(item, u"fill"); f.isObject())
            fill(f, true);
    } else if (is(m, item, u"GraphicsPath")) {
        if (!field(item, u"commands").isNullish() && !field(item, u"data").isNullish())
            call(u"drawPath", {field(item, u"commands"), field(item, u"data"), field(item, u"winding")});
    } else if (is(m, item, u"GraphicsTrianglePath")) {
        if (!field(item, u"vertices").isNullish())
            call(u"drawTriangles",
                 {field(item, u"vertices"), field(item, u"indices"), field(item, u"uvtData"), field(item, u"culling")});
    } else if (is(m, item, u"GraphicsEndFill")) {
        call(u"endFill", {});
    } else {
        fill(item, false);
    }
}

// drawGraphicsData(graphicsData): each element in order; nulls and objects
// of other classes are passed over.
Value drawGraphicsData(Machine& m, Value t, std::span<const Value> args) {
    requireNonNull(m, argument(args, 0), u"graphicsData");
    (void)graphicsDrawing(m, t);
    const Value list = argument(args, 0);
    Machine::Pin keep(m, list);
    for (size_t i = 0;; ++i) {
        Value item;
        if (const auto* v = avm2::asVector(list)) {
            if (i >= v->size())
                break;
            item = v->get(i);
        } else if (const auto* a =
                       list.isObject() ? dynamic_cast<const avm2::ArrayObject*>(list.asObject()) : nullptr) {
            if (i >= a->elements().size())
                break;
            item = a->elements()[i];
        } else {
            break;
        }
        if (item.isObject())
            drawOne(m, t, item);
    }
    return Value();
}

const avm2::NativeMember Methods[] = {
    {u"drawPath", drawPath}, {u"drawTriangles", drawTriangles},       {u"drawGraphicsData", drawGraphicsData},
    {u"copyFrom", copyFrom}, {u"readGraphicsData", readGraphicsData},
};

constexpr const char16_t* Display = u"flash.display";

const avm2::NativeConstant PathCommands[] = {
    {u"NO_OP", 0},        {u"MOVE_TO", 1},      {u"LINE_TO", 2},        {u"CURVE_TO", 3},
    {u"WIDE_MOVE_TO", 4}, {u"WIDE_LINE_TO", 5}, {u"CUBIC_CURVE_TO", 6},
};
const avm2::NativeStringConstant Windings[] = {{u"EVEN_ODD", u"evenOdd"}, {u"NON_ZERO", u"nonZero"}};
const avm2::NativeStringConstant Cullings[] = {
    {u"NONE", u"none"}, {u"POSITIVE", u"positive"}, {u"NEGATIVE", u"negative"}};
const avm2::NativeStringConstant ScaleModes[] = {
    {u"NORMAL", u"normal"}, {u"NONE", u"none"}, {u"VERTICAL", u"vertical"}, {u"HORIZONTAL", u"horizontal"}};
const avm2::NativeStringConstant Caps[] = {{u"NONE", u"none"}, {u"ROUND", u"round"}, {u"SQUARE", u"square"}};
const avm2::NativeStringConstant Joints[] = {{u"BEVEL", u"bevel"}, {u"MITER", u"miter"}, {u"ROUND", u"round"}};
const avm2::NativeStringConstant GradientTypes[] = {{u"LINEAR", u"linear"}, {u"RADIAL", u"radial"}};
const avm2::NativeStringConstant Spreads[] = {{u"PAD", u"pad"}, {u"REFLECT", u"reflect"}, {u"REPEAT", u"repeat"}};
const avm2::NativeStringConstant Interpolations[] = {{u"RGB", u"rgb"}, {u"LINEAR_RGB", u"linearRGB"}};

constexpr avm2::CoreClassSpec names(const char16_t* name, std::span<const avm2::NativeStringConstant> values) {
    return {.name = name, .base = u"Object", .package = Display, .stringConstants = values, .final = true};
}

constexpr avm2::CoreClassSpec dataClass(const char16_t* name, avm2::NativeCode init,
                                        std::span<const avm2::NativeMember> methods = {}) {
    return {.name = name, .base = u"Object", .init = init, .package = Display, .methods = methods, .final = true};
}

const avm2::CoreClassSpec Classes[] = {
    {.name = u"GraphicsPathCommand", .base = u"Object", .constants = PathCommands, .package = Display, .final = true},
    names(u"GraphicsPathWinding", Windings),
    names(u"TriangleCulling", Cullings),
    names(u"LineScaleMode", ScaleModes),
    names(u"CapsStyle", Caps),
    names(u"JointStyle", Joints),
    names(u"GradientType", GradientTypes),
    names(u"SpreadMethod", Spreads),
    names(u"InterpolationMethod", Interpolations),
    dataClass(u"IGraphicsData", noInit),
    dataClass(u"IGraphicsFill", noInit),
    dataClass(u"IGraphicsPath", noInit),
    dataClass(u"IGraphicsStroke", noInit),
    dataClass(u"GraphicsSolidFill", solidFillInit),
    dataClass(u"GraphicsGradientFill", gradientFillInit),
    dataClass(u"GraphicsBitmapFill", bitmapFillInit),
    dataClass(u"GraphicsStroke", strokeInit),
    dataClass(u"GraphicsPath", pathInit, PathMethods),
    dataClass(u"GraphicsTrianglePath", trianglePathInit),
    dataClass(u"GraphicsEndFill", noInit),
};

}  // namespace

std::span<const avm2::NativeMember> graphicsPathMethods() { return Methods; }

std::span<const avm2::CoreClassSpec> graphicsDataClasses() { return Classes; }

void declareGraphicsInterfaces(Machine& m) {
    struct Implements {
        const char16_t* name;
        std::initializer_list<const char16_t*> interfaces;
    };
    const Implements table[] = {
        {u"GraphicsSolidFill", {u"IGraphicsFill", u"IGraphicsData"}},
        {u"GraphicsGradientFill", {u"IGraphicsFill", u"IGraphicsData"}},
        {u"GraphicsBitmapFill", {u"IGraphicsFill", u"IGraphicsData"}},
        {u"GraphicsEndFill", {u"IGraphicsFill", u"IGraphicsData"}},
        {u"GraphicsStroke", {u"IGraphicsStroke", u"IGraphicsData"}},
        {u"GraphicsPath", {u"IGraphicsPath", u"IGraphicsData"}},
        {u"GraphicsTrianglePath", {u"IGraphicsPath", u"IGraphicsData"}},
    };
    for (const Implements& row : table) {
        avm2::ClassObject* c = m.coreClass(Display, row.name);
        for (const char16_t* name : row.interfaces) {
            if (const avm2::ClassObject* i = m.coreClass(Display, name); c && i)
                c->mutableInstanceTraits().types.push_back(i);
        }
    }
}

}  // namespace as3
