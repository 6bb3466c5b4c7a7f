// flash.display.BitmapData (ActionScript 2) and MovieClip.attachBitmap.
#include "script/bitmap_object.h"
#include "script/builtins.h"
#include "script/geom_values.h"

#include "script/array_object.h"
#include "script/clip_control.h"
#include "script/conversions.h"
#include "script/display_styles.h"
#include "script/member_access.h"
#include "script/runtime.h"

#include "bitmap/bitmap_surface.h"
#include "model/movie_clip.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace script {

void BitmapObject::adopt(bitmap::BitmapData data) {
    release();
    const size_t bytes = size_t(data.width()) * size_t(data.height()) * 4;
    if (MemoryMeter* m = meter()) {
        m->charge(bytes);
        m_chargedPixels = bytes;
    }
    m_holder = std::make_shared<BitmapHolder>(std::move(data));
}

void BitmapObject::dispose() {
    if (m_holder)
        m_holder->dispose();
    release();
}

void BitmapObject::release() {
    if (MemoryMeter* m = meter(); m && m_chargedPixels)
        m->release(m_chargedPixels);
    m_chargedPixels = 0;
}

std::shared_ptr<const model::FillBitmap> fillBitmapOf(const Value& v) {
    auto* b = dynamic_cast<BitmapObject*>(v.asObject());
    return b && b->holder() ? b->shared() : nullptr;
}

Value sharedBitmap(Runtime& rt, const std::shared_ptr<const model::FillBitmap>& pixels) {
    auto holder = std::const_pointer_cast<BitmapHolder>(std::dynamic_pointer_cast<const BitmapHolder>(pixels));
    if (!holder)
        return Value::null();
    auto* o = rt.heap.make<BitmapObject>(rt.protos.bitmapData);
    o->share(std::move(holder));
    return Value(o);
}

namespace {

bitmap::BitmapData* self(const Value& v) {
    auto* b = dynamic_cast<BitmapObject*>(v.asObject());
    BitmapHolder* h = b ? b->holder() : nullptr;
    return h ? &h->data() : nullptr;
}

const bitmap::BitmapData* source(const Value& v) { return self(v); }

bitmap::PixelRect rectArg(Runtime& rt, const Value& v) {
    if (!v.asObject())
        return {};
    return bitmap::PixelRect::fromNumbers(toNumber(rt, getMember(rt, v, u"x")), toNumber(rt, getMember(rt, v, u"y")),
                                          toNumber(rt, getMember(rt, v, u"width")),
                                          toNumber(rt, getMember(rt, v, u"height")));
}

bitmap::PixelPoint pointArg(Runtime& rt, const Value& v) {
    const swf::Point p = v.asObject() ? readPoint(rt, v) : swf::Point{};
    return bitmap::PixelPoint::fromNumbers(p.x, p.y);
}

uint32_t colorArg(Runtime& rt, const Value& v) { return uint32_t(toInt32(rt, v)); }

Object* newBitmap(Runtime& rt, bitmap::BitmapData data) {
    auto* o = rt.heap.make<BitmapObject>(rt.protos.bitmapData);
    o->adopt(std::move(data));
    return o;
}

// new BitmapData(width, height, transparent = true, fillColor = 0xFFFFFFFF)
Value construct(Runtime& rt, const Value&, std::span<const Value> args) {
    auto* o = rt.heap.make<BitmapObject>(rt.protos.bitmapData);
    const double w = toNumber(rt, arg(args, 0));
    const double h = toNumber(rt, arg(args, 1));
    const bool transparent = arg(args, 2).isUndefined() || toBoolean(rt, args[2]);
    const uint32_t fill = arg(args, 3).isUndefined() ? 0xFFFFFFFF : colorArg(rt, args[3]);
    if (std::isfinite(w) && std::isfinite(h) && w >= 1 && h >= 1 && w <= 1e9 && h <= 1e9) {
        auto made = bitmap::BitmapData::create(int32_t(w), int32_t(h), transparent, fill);
        if (made)
            o->adopt(std::move(made.value()));
    }
    return Value(o);
}

Value width(Runtime&, const Value& s, std::span<const Value>) {
    const auto* b = source(s);
    return Value(b ? double(b->width()) : -1.0);
}

Value height(Runtime&, const Value& s, std::span<const Value>) {
    const auto* b = source(s);
    return Value(b ? double(b->height()) : -1.0);
}

Value transparent(Runtime&, const Value& s, std::span<const Value>) {
    const auto* b = source(s);
    return b ? Value::fromBool(b->transparent()) : Value(-1.0);
}

Value rectangle(Runtime& rt, const Value& s, std::span<const Value>) {
    const auto* b = source(s);
    return b ? Value(newRectangle(rt, 0, 0, b->width(), b->height())) : Value(-1.0);
}

Value getPixel(Runtime& rt, const Value& s, std::span<const Value> args) {
    const auto* b = source(s);
    if (!b)
        return Value(0.0);
    const auto p = bitmap::PixelPoint::fromNumbers(toNumber(rt, arg(args, 0)), toNumber(rt, arg(args, 1)));
    return Value(double(b->getPixel(p.x, p.y)));
}

Value getPixel32(Runtime& rt, const Value& s, std::span<const Value> args) {
    const auto* b = source(s);
    if (!b)
        return Value(0.0);
    const auto p = bitmap::PixelPoint::fromNumbers(toNumber(rt, arg(args, 0)), toNumber(rt, arg(args, 1)));
    // Scripts see a signed 32-bit number.
    return Value(double(int32_t(b->getPixel32(p.x, p.y))));
}

Value setPixel(Runtime& rt, const Value& s, std::span<const Value> args) {
    if (auto* b = self(s)) {
        const auto p = bitmap::PixelPoint::fromNumbers(toNumber(rt, arg(args, 0)), toNumber(rt, arg(args, 1)));
        b->setPixel(p.x, p.y, colorArg(rt, arg(args, 2)));
    }
    return Value();
}

Value setPixel32(Runtime& rt, const Value& s, std::span<const Value> args) {
    if (auto* b = self(s)) {
        const auto p = bitmap::PixelPoint::fromNumbers(toNumber(rt, arg(args, 0)), toNumber(rt, arg(args, 1)));
        b->setPixel32(p.x, p.y, colorArg(rt, arg(args, 2)));
    }
    return Value();
}

Value fillRect(Runtime& rt, const Value& s, std::span<const Value> args) {
    if (auto* b = self(s))
        b->fillRect(rectArg(rt, arg(args, 0)), colorArg(rt, arg(args, 1)));
    return Value();
}

Value floodFill(Runtime& rt, const Value& s, std::span<const Value> args) {
    if (auto* b = self(s)) {
        const auto p = bitmap::PixelPoint::fromNumbers(toNumber(rt, arg(args, 0)), toNumber(rt, arg(args, 1)));
        b->floodFill(p.x, p.y, colorArg(rt, arg(args, 2)));
    }
    return Value();
}

Value colorTransform(Runtime& rt, const Value& s, std::span<const Value> args) {
    if (auto* b = self(s); b && arg(args, 1).asObject())
        b->colorTransform(rectArg(rt, arg(args, 0)), readColorTransform(rt, args[1]).toModel());
    return Value();
}

Value scroll(Runtime& rt, const Value& s, std::span<const Value> args) {
    if (auto* b = self(s))
        b->scroll(toInt32(rt, arg(args, 0)), toInt32(rt, arg(args, 1)));
    return Value();
}

Value copyPixels(Runtime& rt, const Value& s, std::span<const Value> args) {
    auto* b = self(s);
    const auto* from = source(arg(args, 0));
    if (b && from)
        b->copyPixels(*from, rectArg(rt, arg(args, 1)), pointArg(rt, arg(args, 2)), source(arg(args, 3)),
                      pointArg(rt, arg(args, 4)), toBoolean(rt, arg(args, 5)));
    return Value();
}

Value copyChannel(Runtime& rt, const Value& s, std::span<const Value> args) {
    auto* b = self(s);
    const auto* from = source(arg(args, 0));
    if (b && from)
        b->copyChannel(*from, rectArg(rt, arg(args, 1)), pointArg(rt, arg(args, 2)),
                       uint32_t(toInt32(rt, arg(args, 3))), uint32_t(toInt32(rt, arg(args, 4))));
    return Value();
}

Value threshold(Runtime& rt, const Value& s, std::span<const Value> args) {
    auto* b = self(s);
    const auto* from = source(arg(args, 0));
    const auto op = bitmap::parseThresholdOperation(toString(rt, arg(args, 3)).utf8());
    if (!b || !from || !op)
        return Value(0.0);
    const uint32_t mask = arg(args, 6).isUndefined() ? 0xFFFFFFFF : colorArg(rt, args[6]);
    return Value(double(b->threshold(*from, rectArg(rt, arg(args, 1)), pointArg(rt, arg(args, 2)), *op,
                                     colorArg(rt, arg(args, 4)), colorArg(rt, arg(args, 5)), mask,
                                     toBoolean(rt, arg(args, 7)))));
}

Value paletteMap(Runtime& rt, const Value& s, std::span<const Value> args) {
    auto* b = self(s);
    const auto* from = source(arg(args, 0));
    if (!b || !from)
        return Value();
    std::array<std::array<uint32_t, 256>, 4> tables{};
    std::array<const std::array<uint32_t, 256>*, 4> given{};
    for (size_t c = 0; c < 4; ++c) {
        auto* list = dynamic_cast<ArrayObject*>(arg(args, 3 + c).asObject());
        if (!list)
            continue;
        for (size_t i = 0; i < 256; ++i)
            tables[c][i] = i < list->length() ? uint32_t(toInt32(rt, list->at(i))) : 0;
        given[c] = &tables[c];
    }
    b->paletteMap(*from, rectArg(rt, arg(args, 1)), pointArg(rt, arg(args, 2)),
                  {given[0], given[1], given[2], given[3]});
    return Value();
}

Value merge(Runtime& rt, const Value& s, std::span<const Value> args) {
    auto* b = self(s);
    const auto* from = source(arg(args, 0));
    if (b && from)
        b->merge(*from, rectArg(rt, arg(args, 1)), pointArg(rt, arg(args, 2)), uint32_t(toInt32(rt, arg(args, 3))),
                 uint32_t(toInt32(rt, arg(args, 4))), uint32_t(toInt32(rt, arg(args, 5))),
                 uint32_t(toInt32(rt, arg(args, 6))));
    return Value();
}

Value pixelDissolve(Runtime& rt, const Value& s, std::span<const Value> args) {
    auto* b = self(s);
    const auto* from = source(arg(args, 0));
    if (!b || !from)
        return Value(0.0);
    const int32_t count = arg(args, 4).isUndefined() ? 0 : toInt32(rt, args[4]);
    return Value(double(b->pixelDissolve(*from, rectArg(rt, arg(args, 1)), pointArg(rt, arg(args, 2)),
                                         toInt32(rt, arg(args, 3)), count, colorArg(rt, arg(args, 5)))));
}

Value noise(Runtime& rt, const Value& s, std::span<const Value> args) {
    if (auto* b = self(s)) {
        const uint32_t low = arg(args, 1).isUndefined() ? 0 : uint32_t(toInt32(rt, args[1]));
        const uint32_t high = arg(args, 2).isUndefined() ? 255 : uint32_t(toInt32(rt, args[2]));
        const uint32_t channels = arg(args, 3).isUndefined() ? 7 : uint32_t(toInt32(rt, args[3]));
        b->noise(toInt32(rt, arg(args, 0)), low, high, channels, toBoolean(rt, arg(args, 4)));
    }
    return Value();
}

Value perlinNoise(Runtime& rt, const Value& s, std::span<const Value> args) {
    auto* b = self(s);
    if (!b)
        return Value();
    bitmap::PerlinNoiseOptions o;
    o.baseX = toNumber(rt, arg(args, 0));
    o.baseY = toNumber(rt, arg(args, 1));
    o.octaves = toInt32(rt, arg(args, 2));
    o.seed = toInt32(rt, arg(args, 3));
    o.stitch = toBoolean(rt, arg(args, 4));
    o.fractalNoise = toBoolean(rt, arg(args, 5));
    if (!arg(args, 6).isUndefined())
        o.channels = uint32_t(toInt32(rt, args[6]));
    o.grayScale = toBoolean(rt, arg(args, 7));
    if (auto* offsets = dynamic_cast<ArrayObject*>(arg(args, 8).asObject())) {
        const size_t n = std::min<size_t>(offsets->length(), bitmap::PerlinNoiseOptions::MaxOctaves);
        for (size_t i = 0; i < n; ++i) {
            const swf::Point p = readPoint(rt, offsets->at(i));
            o.offsets.emplace_back(p.x, p.y);
        }
    }
    rt.chargeWork(uint64_t(b->width()) * uint64_t(b->height()) / 256);
    b->perlinNoise(o);
    return Value();
}

// hitTest(firstPoint, firstAlphaThreshold, secondObject [, secondPoint, secondAlphaThreshold]):
// the second is a Point, a Rectangle or a BitmapData.
Value hitTest(Runtime& rt, const Value& s, std::span<const Value> args) {
    const auto* b = source(s);
    if (!b)
        return Value::fromBool(false);
    const bitmap::PixelPoint first = pointArg(rt, arg(args, 0));
    const uint32_t threshold = uint32_t(toInt32(rt, arg(args, 1)));
    const Value& other = arg(args, 2);
    if (const auto* bitmap = source(other)) {
        const uint32_t second = arg(args, 4).isUndefined() ? 1 : uint32_t(toInt32(rt, args[4]));
        return Value::fromBool(b->hitTestBitmap(first, threshold, *bitmap, pointArg(rt, arg(args, 3)), second));
    }
    if (!other.asObject())
        return Value::fromBool(false);
    if (!getMember(rt, other, u"width").isUndefined())
        return Value::fromBool(b->hitTestRect(first, threshold, rectArg(rt, other)));
    return Value::fromBool(b->hitTestPoint(first, threshold, pointArg(rt, other)));
}

Value getColorBoundsRect(Runtime& rt, const Value& s, std::span<const Value> args) {
    const auto* b = source(s);
    if (!b)
        return Value();
    const bool find = arg(args, 2).isUndefined() || toBoolean(rt, args[2]);
    const bitmap::PixelRect r = b->getColorBoundsRect(colorArg(rt, arg(args, 0)), colorArg(rt, arg(args, 1)), find);
    return Value(newRectangle(rt, r.x, r.y, r.width, r.height));
}

Value compare(Runtime& rt, const Value& s, std::span<const Value> args) {
    const auto* a = source(s);
    const auto* b = source(arg(args, 0));
    if (!a || !b)
        return Value(-2.0);
    bitmap::CompareResult result = a->compare(*b);
    if (result.difference)
        return Value(newBitmap(rt, std::move(*result.difference)));
    return Value(double(result.code));
}

Value clone(Runtime& rt, const Value& s, std::span<const Value>) {
    const auto* b = source(s);
    if (!b)
        return Value();
    auto copy = b->clone();
    return copy ? Value(newBitmap(rt, std::move(copy.value()))) : Value();
}

Value dispose(Runtime&, const Value& s, std::span<const Value>) {
    if (auto* b = dynamic_cast<BitmapObject*>(s.asObject()))
        b->dispose();
    return Value();
}

// draw(source, matrix, colorTransform, blendMode, clipRect, smoothing): a
// BitmapData, or a clip through the renderer (its own transform left out).
// Both blend alike; smoothing concerns a BitmapData source only (bitmaps in
// a clip keep their own smoothing).
Value draw(Runtime& rt, const Value& s, std::span<const Value> args) {
    auto* b = self(s);
    const auto* from = source(arg(args, 0));
    auto* clip = dynamic_cast<StageObject*>(arg(args, 0).asObject());
    if (!b || (!from && !(clip && clip->display() && rt.painter.paint)))
        return Value();
    bitmap::DrawParams params;
    if (arg(args, 1).asObject())
        params.matrix = readMatrix(rt, args[1]);
    if (arg(args, 2).asObject())
        params.colorTransform = readColorTransform(rt, args[2]).toModel();
    if (!arg(args, 3).isUndefined())
        params.blendMode = blendModeFromValue(rt, args[3]);
    if (arg(args, 4).asObject())
        params.clipRect = rectArg(rt, args[4]);
    params.smoothing = toBoolean(rt, arg(args, 5));
    if (!from) {
        model::DisplayObject* display = clip->display();
        const auto keep = display->shared_from_this();
        bitmap::draw(
            *b,
            [&rt, display](cairo_t* cr, const bitmap::DrawParams& p) {
                rt.painter.paint(cr, *display, p.matrix, p.colorTransform);
            },
            params);
        return Value();
    }
    // Drawing a bitmap into itself reads a copy.
    std::optional<bitmap::BitmapData> copy;
    if (from == b) {
        auto cloned = b->clone();
        if (!cloned)
            return Value();
        copy = std::move(cloned.value());
        from = &*copy;
    }
    bitmap::draw(
        *b, [from](cairo_t* cr, const bitmap::DrawParams& p) { bitmap::paintBitmap(cr, *from, p); }, params);
    return Value();
}

// applyFilter(source, sourceRect, destPoint, filter): the source's pixels
// copied, then filtered within the rectangle they land in.
Value applyFilter(Runtime& rt, const Value& s, std::span<const Value> args) {
    auto* b = self(s);
    const auto* from = source(arg(args, 0));
    const auto filter = readFilter(rt, arg(args, 3));
    if (!b || !from || !filter || !rt.painter.filter)
        return Value(-1.0);
    const bitmap::PixelRect sourceRect = rectArg(rt, arg(args, 1));
    const bitmap::PixelPoint at = pointArg(rt, arg(args, 2));
    if (const auto area = bitmap::clipCopy(sourceRect, from->width(), from->height(), at, b->width(), b->height()))
        rt.chargeWork(uint64_t(area->width) * uint64_t(area->height) / 64);
    const swf::Filter one[] = {*filter};
    (void)bitmap::applyFilter(*b, *from, sourceRect, at,
                              [&rt, &one](uint32_t* pixels, int32_t w, int32_t h, int32_t stride) {
                                  rt.painter.filter(one, pixels, w, h, stride);
                              });
    return Value(0.0);
}

// generateFilterRect(sourceRect, filter): the rectangle grown by the
// filter's reach; the rectangle itself without a renderer.
Value generateFilterRect(Runtime& rt, const Value& s, std::span<const Value> args) {
    const auto filter = readFilter(rt, arg(args, 1));
    if (!source(s) || !arg(args, 0).asObject() || !filter)
        return Value();
    const Value& given = args[0];
    bitmap::FilterRect r{toNumber(rt, getMember(rt, given, u"x")), toNumber(rt, getMember(rt, given, u"y")),
                         toNumber(rt, getMember(rt, given, u"width")), toNumber(rt, getMember(rt, given, u"height"))};
    if (rt.painter.margin)
        r = bitmap::grownByFilter(r, rt.painter.margin({*filter}));
    return Value(newRectangle(rt, r.x, r.y, r.width, r.height));
}

// BitmapData.loadBitmap(linkage): a copy of an exported bitmap character.
Value loadBitmap(Runtime& rt, const Value&, std::span<const Value> args) {
    const std::string name = toString(rt, arg(args, 0)).utf8();
    const swf::Movie& movie = rt.movie();
    for (const auto& [exported, id] : movie.exports) {
        const bool same =
            exported == name || (!rt.caseSensitive && equalsFolded(utf8ToUtf16(exported), utf8ToUtf16(name)));
        if (!same)
            continue;
        const auto* character = movie.characters.find<swf::Bitmap>(id);
        if (!character)
            return Value();
        auto copy = bitmap::fromCharacter(*character);
        return copy ? Value(newBitmap(rt, std::move(copy.value()))) : Value();
    }
    return Value();
}

// "auto" (and anything else), "always" or "never".
model::PixelSnapping snappingOf(const std::string& mode) {
    if (mode == "always")
        return model::PixelSnapping::Always;
    if (mode == "never")
        return model::PixelSnapping::Never;
    return model::PixelSnapping::Auto;
}

// attachBitmap(bitmap, depth, pixelSnapping, smoothing): the bitmap shown
// at the depth. It is a clip whose drawing is the bitmap's rectangle filled
// with its pixels, so it redraws as they change.
Value attachBitmap(Runtime& rt, const Value& s, std::span<const Value> args) {
    auto* stageObject = dynamic_cast<StageObject*>(s.asObject());
    model::MovieClip* clip = stageObject ? stageObject->clip() : nullptr;
    auto pixels = fillBitmapOf(arg(args, 0));
    const double depth = toNumber(rt, arg(args, 1));
    if (!clip || !pixels || !std::isfinite(depth) || depth < -16383 || depth > 1048575)
        return Value();
    auto child = clip->createEmptyClip(int32_t(std::trunc(depth)) + ScriptDepthOffset, std::string());
    if (!child)
        return Value();
    swf::FillStyle style;
    style.kind = swf::FillKind::ClippedBitmap;
    style.smoothed = toBoolean(rt, arg(args, 3));
    style.matrix = {20.0, 0.0, 0.0, 20.0, 0.0, 0.0};
    const double w = pixels->width() * 20.0;
    const double h = pixels->height() * 20.0;
    model::Drawing& d = child->drawing();
    d.setPixelSnapping(snappingOf(toString(rt, arg(args, 2)).utf8()));
    d.beginFill(style, std::move(pixels));
    d.lineTo(w, 0);
    d.lineTo(w, h);
    d.lineTo(0, h);
    d.endFill();
    return Value();
}

}  // namespace

void installBitmapData(Runtime& rt) {
    Object* display = packageObject(rt, u"flash.display");
    Object* proto = rt.newObject();
    rt.protos.bitmapData = proto;
    NativeFunction* ctor = rt.newNative(construct, construct);
    rt.defineValue(ctor, u"prototype", Value(proto), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(proto, u"constructor", Value(ctor));
    rt.defineValue(display, u"BitmapData", Value(ctor), 0);
    rt.defineMethod(ctor, u"loadBitmap", loadBitmap);
    const struct {
        std::u16string_view name;
        NativeFn fn;
    } methods[] = {
        {u"getPixel", getPixel},
        {u"getPixel32", getPixel32},
        {u"setPixel", setPixel},
        {u"setPixel32", setPixel32},
        {u"fillRect", fillRect},
        {u"floodFill", floodFill},
        {u"colorTransform", colorTransform},
        {u"scroll", scroll},
        {u"copyPixels", copyPixels},
        {u"copyChannel", copyChannel},
        {u"threshold", threshold},
        {u"paletteMap", paletteMap},
        {u"merge", merge},
        {u"pixelDissolve", pixelDissolve},
        {u"noise", noise},
        {u"perlinNoise", perlinNoise},
        {u"hitTest", hitTest},
        {u"getColorBoundsRect", getColorBoundsRect},
        {u"compare", compare},
        {u"clone", clone},
        {u"dispose", dispose},
        {u"draw", draw},
        {u"applyFilter", applyFilter},
        {u"generateFilterRect", generateFilterRect},
    };
    for (const auto& m : methods)
        rt.defineMethod(proto, m.name, m.fn);
    defineAccessor(rt, proto, u"width", width);
    defineAccessor(rt, proto, u"height", height);
    defineAccessor(rt, proto, u"transparent", transparent);
    defineAccessor(rt, proto, u"rectangle", rectangle);
    rt.defineMethod(rt.protos.movieClip, u"attachBitmap", attachBitmap);
}

}  // namespace script
