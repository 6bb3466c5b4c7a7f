#include "as3/bitmap_classes.h"
#include "as3/member_tables.h"

#include "as3/display_state.h"
#include "as3/filter_classes.h"
#include "as3/geom_values.h"
#include "as3/host_context.h"
#include "as3/timeline_instances.h"

#include "avm2/byte_array.h"
#include "avm2/conversions.h"
#include "avm2/object.h"
#include "avm2/string.h"
#include "avm2/vector.h"

#include "bitmap/bitmap_surface.h"
#include "script/bitmap_object.h"
#include "script/display_styles.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

namespace {

struct BitmapDataState final : avm2::NativeState {
    std::shared_ptr<script::BitmapHolder> holder;
    [[nodiscard]] size_t extraBytes() const override {
        return holder ? size_t(holder->width()) * size_t(holder->height()) * 4 : 0;
    }
};

[[noreturn]] void invalid(Machine& m) { m.throwError("ArgumentError", 2015, u"Invalid BitmapData."); }

[[noreturn]] void nullArgument(Machine& m, const char16_t* name) {
    m.throwError("TypeError", 2007, u"Parameter " + std::u16string(name) + u" must be non-null.");
}

BitmapDataState* stateOf(Value v) { return v.isObject() ? v.asObject()->nativeAs<BitmapDataState>() : nullptr; }

// The live bitmap of `this`, or ArgumentError #2015.
bitmap::BitmapData& self(Machine& m, Value t) {
    BitmapDataState* s = stateOf(t);
    if (!s || !s->holder || s->holder->data().disposed())
        invalid(m);
    return s->holder->data();
}

// A BitmapData argument: null is a TypeError, a disposed one #2015.
bitmap::BitmapData& bitmapArg(Machine& m, std::span<const Value> args, size_t i, const char16_t* name) {
    const Value v = argument(args, i);
    if (v.isNullish())
        nullArgument(m, name);
    if (!stateOf(v))
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to flash.display.BitmapData.");
    return self(m, v);
}

bitmap::PixelRect rectArg(Machine& m, std::span<const Value> args, size_t i, const char16_t* name) {
    const Value v = argument(args, i);
    if (!v.isObject())
        nullArgument(m, name);
    return bitmap::PixelRect::fromNumbers(numberOf(m, v, u"x"), numberOf(m, v, u"y"), numberOf(m, v, u"width"),
                                          numberOf(m, v, u"height"));
}

bitmap::PixelPoint pointArg(Machine& m, std::span<const Value> args, size_t i, const char16_t* name) {
    const Value v = argument(args, i);
    if (!v.isObject())
        nullArgument(m, name);
    return bitmap::PixelPoint::fromNumbers(numberOf(m, v, u"x"), numberOf(m, v, u"y"));
}

double numberArg(Machine& m, std::span<const Value> args, size_t i, double otherwise) {
    return i < args.size() && !args[i].isUndefined() ? m.toNumber(args[i]) : otherwise;
}
uint32_t uintArg(Machine& m, std::span<const Value> args, size_t i, uint32_t otherwise) {
    return i < args.size() && !args[i].isUndefined() ? avm2::toUInt32(m.toNumber(args[i])) : otherwise;
}
int32_t intArg(Machine& m, std::span<const Value> args, size_t i, int32_t otherwise) {
    return i < args.size() && !args[i].isUndefined() ? avm2::toInt32(m.toNumber(args[i])) : otherwise;
}
bool boolArg(std::span<const Value> args, size_t i, bool otherwise) {
    return i < args.size() && !args[i].isUndefined() ? avm2::toBoolean(args[i]) : otherwise;
}

// Charges a bitmap's pixels to the heap (a catchable Error #1000 past it).
void chargePixels(Machine& m, int64_t width, int64_t height) { m.chargeExternal(size_t(width * height * 4)); }

Value newBitmapData(Machine& m, bitmap::BitmapData data) {
    chargePixels(m, data.width(), data.height());
    const Value made = m.construct(Value::object(m.coreClass(u"flash.display", u"BitmapData")),
                                   std::array{Value::number(1), Value::number(1)});
    stateOf(made)->holder = std::make_shared<script::BitmapHolder>(std::move(data));
    return made;
}

// The bitmap symbol a subclass of BitmapData is linked to.
const swf::Bitmap* linkedBitmapCharacter(Machine& m, Value t) {
    const auto id = linkedCharacter(m, t.asObject());
    return id ? hostContext(m).stage.movie().characters.find<swf::Bitmap>(*id) : nullptr;
}

avm2::ClassObject* vectorOf(Machine& m, Value element) {
    return avm2::applyVectorType(m, Value::object(m.coreClass(u"__AS3__.vec", u"Vector")), element);
}

// (width, height, transparent = true, fillColor = 0xFFFFFFFF)
Value init(Machine& m, Value t, std::span<const Value> args) {
    auto state = std::make_unique<BitmapDataState>();
    const double w = numberArg(m, args, 0, 0);
    const double h = numberArg(m, args, 1, 0);
    // A class linked to a bitmap symbol takes the symbol's pixels whatever the size given.
    if (const swf::Bitmap* linked = linkedBitmapCharacter(m, t)) {
        auto copy = bitmap::fromCharacter(*linked, true, {bitmap::MaxCoordinate, int64_t(bitmap::MaxCoordinate)});
        if (copy)
            state->holder = std::make_shared<script::BitmapHolder>(std::move(copy.value()));
    }
    if (!state->holder) {
        if (!(std::isfinite(w) && std::isfinite(h) && w >= 1 && h >= 1 && w <= 1e9 && h <= 1e9))
            invalid(m);
        const bitmap::SizeLimits limits;
        if (w <= limits.maxSide && h <= limits.maxSide && int64_t(w) * int64_t(h) <= limits.maxPixels) {
            // A script's big bitmap may fit once the ones it dropped are
            // gone: collect here, where only the new object (pinned) and
            // the caller's published values are live.
            const size_t bytes = size_t(w) * size_t(h) * 4;
            if (bytes >= (size_t(1) << 20) && !m.fitsExternal(bytes)) {
                Machine::Pin keep(m, t);
                (void)m.collect();
            }
            chargePixels(m, int64_t(w), int64_t(h));
        }
        auto made =
            bitmap::BitmapData::create(int32_t(w), int32_t(h), boolArg(args, 2, true), uintArg(m, args, 3, 0xFFFFFFFF));
        if (!made)
            invalid(m);
        state->holder = std::make_shared<script::BitmapHolder>(std::move(made.value()));
    }
    t.asObject()->setNativeState(std::move(state));
    return Value();
}

Value width(Machine& m, Value t, std::span<const Value>) { return Value::fromInt(self(m, t).width()); }
Value height(Machine& m, Value t, std::span<const Value>) { return Value::fromInt(self(m, t).height()); }
Value transparent(Machine& m, Value t, std::span<const Value>) { return Value::boolean(self(m, t).transparent()); }
Value rect(Machine& m, Value t, std::span<const Value>) {
    const auto& b = self(m, t);
    return newRectangle(m, 0, 0, b.width(), b.height());
}

bitmap::PixelPoint xyArgs(Machine& m, std::span<const Value> args) {
    return bitmap::PixelPoint::fromNumbers(numberArg(m, args, 0, 0), numberArg(m, args, 1, 0));
}

Value getPixel(Machine& m, Value t, std::span<const Value> args) {
    const auto p = xyArgs(m, args);
    return Value::fromUInt(self(m, t).getPixel(p.x, p.y));
}
Value getPixel32(Machine& m, Value t, std::span<const Value> args) {
    const auto p = xyArgs(m, args);
    return Value::fromUInt(self(m, t).getPixel32(p.x, p.y));
}
Value setPixel(Machine& m, Value t, std::span<const Value> args) {
    const auto p = xyArgs(m, args);
    self(m, t).setPixel(p.x, p.y, uintArg(m, args, 2, 0));
    return Value();
}
Value setPixel32(Machine& m, Value t, std::span<const Value> args) {
    const auto p = xyArgs(m, args);
    self(m, t).setPixel32(p.x, p.y, uintArg(m, args, 2, 0));
    return Value();
}
Value fillRect(Machine& m, Value t, std::span<const Value> args) {
    auto& b = self(m, t);
    b.fillRect(rectArg(m, args, 0, u"rect"), uintArg(m, args, 1, 0));
    return Value();
}
Value floodFill(Machine& m, Value t, std::span<const Value> args) {
    const auto p = xyArgs(m, args);
    self(m, t).floodFill(p.x, p.y, uintArg(m, args, 2, 0));
    return Value();
}
Value colorTransform(Machine& m, Value t, std::span<const Value> args) {
    auto& b = self(m, t);
    const auto r = rectArg(m, args, 0, u"rect");
    if (!argument(args, 1).isObject())
        nullArgument(m, u"colorTransform");
    b.colorTransform(r, readColorTransform(m, args[1]));
    return Value();
}
Value scroll(Machine& m, Value t, std::span<const Value> args) {
    self(m, t).scroll(intArg(m, args, 0, 0), intArg(m, args, 1, 0));
    return Value();
}
Value lock(Machine& m, Value t, std::span<const Value>) {
    self(m, t).lock();
    return Value();
}
Value unlock(Machine& m, Value t, std::span<const Value>) {
    self(m, t).unlock();
    return Value();
}

// The source of an operation may be this bitmap itself; the bitmap layer
// copes with that.
Value copyPixels(Machine& m, Value t, std::span<const Value> args) {
    auto& b = self(m, t);
    const auto& from = bitmapArg(m, args, 0, u"sourceBitmapData");
    const auto r = rectArg(m, args, 1, u"sourceRect");
    const auto at = pointArg(m, args, 2, u"destPoint");
    const bitmap::BitmapData* alpha =
        argument(args, 3).isNullish() ? nullptr : &bitmapArg(m, args, 3, u"alphaBitmapData");
    const bitmap::PixelPoint alphaAt =
        argument(args, 4).isNullish() ? bitmap::PixelPoint{} : pointArg(m, args, 4, u"alphaPoint");
    b.copyPixels(from, r, at, alpha, alphaAt, boolArg(args, 5, false));
    return Value();
}
Value copyChannel(Machine& m, Value t, std::span<const Value> args) {
    auto& b = self(m, t);
    const auto& from = bitmapArg(m, args, 0, u"sourceBitmapData");
    b.copyChannel(from, rectArg(m, args, 1, u"sourceRect"), pointArg(m, args, 2, u"destPoint"), uintArg(m, args, 3, 0),
                  uintArg(m, args, 4, 0));
    return Value();
}
Value threshold(Machine& m, Value t, std::span<const Value> args) {
    auto& b = self(m, t);
    const auto& from = bitmapArg(m, args, 0, u"sourceBitmapData");
    const auto r = rectArg(m, args, 1, u"sourceRect");
    const auto at = pointArg(m, args, 2, u"destPoint");
    const auto op = bitmap::parseThresholdOperation(avm2::utf16ToUtf8(m.toString(argument(args, 3))->text()));
    if (!op)
        m.throwError("ArgumentError", 2005, u"Parameter 3 is of the incorrect type. Should be type Operation.");
    return Value::fromUInt(b.threshold(from, r, at, *op, uintArg(m, args, 4, 0), uintArg(m, args, 5, 0),
                                       uintArg(m, args, 6, 0xFFFFFFFF), boolArg(args, 7, false)));
}
Value paletteMap(Machine& m, Value t, std::span<const Value> args) {
    auto& b = self(m, t);
    const auto& from = bitmapArg(m, args, 0, u"sourceBitmapData");
    const auto r = rectArg(m, args, 1, u"sourceRect");
    const auto at = pointArg(m, args, 2, u"destPoint");
    std::array<std::array<uint32_t, 256>, 4> tables{};
    std::array<const std::array<uint32_t, 256>*, 4> given{};
    for (size_t c = 0; c < 4; ++c) {
        const Value v = argument(args, 3 + c);
        const auto* list = v.isObject() ? dynamic_cast<const avm2::ArrayObject*>(v.asObject()) : nullptr;
        if (!list)
            continue;
        const auto& elements = list->elements();
        for (size_t i = 0; i < 256; ++i)
            tables[c][i] = i < elements.size() ? avm2::toUInt32(m.toNumber(elements[i])) : 0;
        given[c] = &tables[c];
    }
    b.paletteMap(from, r, at, {given[0], given[1], given[2], given[3]});
    return Value();
}
Value merge(Machine& m, Value t, std::span<const Value> args) {
    auto& b = self(m, t);
    const auto& from = bitmapArg(m, args, 0, u"sourceBitmapData");
    b.merge(from, rectArg(m, args, 1, u"sourceRect"), pointArg(m, args, 2, u"destPoint"), uintArg(m, args, 3, 0),
            uintArg(m, args, 4, 0), uintArg(m, args, 5, 0), uintArg(m, args, 6, 0));
    return Value();
}
Value pixelDissolve(Machine& m, Value t, std::span<const Value> args) {
    auto& b = self(m, t);
    const auto& from = bitmapArg(m, args, 0, u"sourceBitmapData");
    const auto r = rectArg(m, args, 1, u"sourceRect");
    const auto at = pointArg(m, args, 2, u"destPoint");
    return Value::fromInt(
        b.pixelDissolve(from, r, at, intArg(m, args, 3, 0), intArg(m, args, 4, 0), uintArg(m, args, 5, 0)));
}
Value noise(Machine& m, Value t, std::span<const Value> args) {
    self(m, t).noise(intArg(m, args, 0, 0), uintArg(m, args, 1, 0), uintArg(m, args, 2, 255), uintArg(m, args, 3, 7),
                     boolArg(args, 4, false));
    return Value();
}
Value perlinNoise(Machine& m, Value t, std::span<const Value> args) {
    auto& b = self(m, t);
    bitmap::PerlinNoiseOptions o;
    o.baseX = numberArg(m, args, 0, 0);
    o.baseY = numberArg(m, args, 1, 0);
    o.octaves = intArg(m, args, 2, 0);
    o.seed = intArg(m, args, 3, 0);
    o.stitch = boolArg(args, 4, false);
    o.fractalNoise = boolArg(args, 5, false);
    o.channels = uintArg(m, args, 6, 7);
    o.grayScale = boolArg(args, 7, false);
    const Value offsets = argument(args, 8);
    if (const auto* list = offsets.isObject() ? dynamic_cast<const avm2::ArrayObject*>(offsets.asObject()) : nullptr) {
        const size_t n = std::min<size_t>(list->elements().size(), bitmap::PerlinNoiseOptions::MaxOctaves);
        for (size_t i = 0; i < n; ++i) {
            const swf::Point p = readPoint(m, list->elements()[i]);
            o.offsets.emplace_back(p.x, p.y);
        }
    }
    b.perlinNoise(o);
    return Value();
}

// hitTest(firstPoint, firstAlphaThreshold, secondObject, secondBitmapDataPoint, secondAlphaThreshold):
// the second is a Point, a Rectangle, a BitmapData or a Bitmap (its bitmap
// data, placed by the point as a BitmapData is).
Value hitTest(Machine& m, Value t, std::span<const Value> args) {
    const auto& b = self(m, t);
    const auto first = pointArg(m, args, 0, u"firstPoint");
    const uint32_t threshold = uintArg(m, args, 1, 0);
    Value other = argument(args, 2);
    if (!other.isObject())
        nullArgument(m, u"secondObject");
    if (m.isInstance(other, m.coreClass(u"flash.display", u"Bitmap"))) {
        other = m.getMember(other, u"bitmapData");
        if (!other.isObject())
            nullArgument(m, u"secondObject");
    }
    if (stateOf(other)) {
        const auto& second = self(m, other);
        const bitmap::PixelPoint at =
            argument(args, 3).isNullish() ? bitmap::PixelPoint{} : pointArg(m, args, 3, u"secondBitmapDataPoint");
        return Value::boolean(b.hitTestBitmap(first, threshold, second, at, uintArg(m, args, 4, 1)));
    }
    if (other.asObject()->find(u"width"))
        return Value::boolean(b.hitTestRect(first, threshold, rectArg(m, args, 2, u"secondObject")));
    return Value::boolean(b.hitTestPoint(first, threshold, pointArg(m, args, 2, u"secondObject")));
}

Value getColorBoundsRect(Machine& m, Value t, std::span<const Value> args) {
    const auto r =
        self(m, t).getColorBoundsRect(uintArg(m, args, 0, 0), uintArg(m, args, 1, 0), boolArg(args, 2, true));
    return newRectangle(m, r.x, r.y, r.width, r.height);
}

Value compare(Machine& m, Value t, std::span<const Value> args) {
    const Value other = argument(args, 0);
    if (other.isNullish())
        nullArgument(m, u"otherBitmapData");
    const BitmapDataState* a = stateOf(t);
    const BitmapDataState* b = stateOf(other);
    if (!a || !b || !a->holder || !b->holder || a->holder->data().disposed() || b->holder->data().disposed())
        return Value::number(-2);
    bitmap::CompareResult result = a->holder->data().compare(b->holder->data());
    if (result.difference)
        return newBitmapData(m, std::move(*result.difference));
    return Value::number(result.code);
}

Value clone(Machine& m, Value t, std::span<const Value>) {
    auto copy = self(m, t).clone();
    if (!copy)
        invalid(m);
    return newBitmapData(m, std::move(copy.value()));
}

Value dispose(Machine&, Value t, std::span<const Value>) {
    if (BitmapDataState* s = stateOf(t); s && s->holder)
        s->holder->dispose();
    return Value();
}

// getPixels(rect): big-endian ARGB, the position left at the end.
Value getPixels(Machine& m, Value t, std::span<const Value> args) {
    const auto bytes = self(m, t).getPixels(rectArg(m, args, 0, u"rect"));
    const Value made = m.construct(Value::object(m.coreClass(u"flash.utils", u"ByteArray")), {});
    Machine::Pin keep(m, made);
    auto* s = made.asObject()->nativeAs<avm2::ByteArrayState>();
    avm2::resizeByteArray(m, *s, bytes.size());
    std::copy(bytes.begin(), bytes.end(), s->bytes.begin());
    s->position = bytes.size();
    return made;
}

// setPixels(rect, bytes): from the byte array's position on, which moves
// past what was read; running out is EOFError #2030.
Value setPixels(Machine& m, Value t, std::span<const Value> args) {
    auto& b = self(m, t);
    const auto r = rectArg(m, args, 0, u"rect");
    const Value from = argument(args, 1);
    auto* s = from.isObject() ? from.asObject()->nativeAs<avm2::ByteArrayState>() : nullptr;
    if (!s)
        nullArgument(m, u"inputByteArray");
    const size_t start = std::min(s->position, s->bytes.size());
    const auto result = b.setPixels(r, std::span<const uint8_t>(s->bytes).subspan(start));
    s->position = start + size_t(result.written) * 4;
    if (result.exhausted)
        m.throwError("flash.errors.EOFError", 2030, u"End of file was encountered.");
    return Value();
}

Value getVector(Machine& m, Value t, std::span<const Value> args) {
    const auto values = self(m, t).getVector(rectArg(m, args, 0, u"rect"));
    const Value made = avm2::newVectorOf(m, m.coreClass(u"uint"));
    Machine::Pin keep(m, made);
    auto* v = avm2::asVector(made);
    avm2::resizeVector(m, v, values.size());
    for (size_t i = 0; i < values.size(); ++i)
        v->set(i, Value::fromUInt(values[i]));
    return made;
}

Value setVector(Machine& m, Value t, std::span<const Value> args) {
    auto& b = self(m, t);
    const auto r = rectArg(m, args, 0, u"rect");
    const auto* v = avm2::asVector(argument(args, 1));
    if (!v)
        nullArgument(m, u"inputVector");
    std::vector<uint32_t> values(v->size());
    for (size_t i = 0; i < values.size(); ++i)
        values[i] = avm2::toUInt32(m.toNumber(v->get(i)));
    if (b.setVector(r, values).exhausted)
        m.throwError("RangeError", 1125, u"The index is out of range.");
    return Value();
}

// histogram(rect = whole bitmap): four Vector.<Number> of 256 counts, red,
// green, blue, alpha.
Value histogram(Machine& m, Value t, std::span<const Value> args) {
    const auto& b = self(m, t);
    const bitmap::Histogram counts =
        b.histogram(argument(args, 0).isNullish() ? b.rect() : rectArg(m, args, 0, u"rect"));
    avm2::ClassObject* numbers = vectorOf(m, Value::object(m.coreClass(u"Number")));
    const Value outer = m.construct(Value::object(vectorOf(m, Value::object(numbers))), {});
    Machine::Pin keep(m, outer);
    auto* list = avm2::asVector(outer);
    avm2::resizeVector(m, list, 4);
    for (size_t c = 0; c < 4; ++c) {
        const Value inner = m.construct(Value::object(numbers), {});
        list->set(c, inner);
        auto* v = avm2::asVector(inner);
        avm2::resizeVector(m, v, 256);
        for (size_t i = 0; i < 256; ++i)
            v->set(i, Value::number(counts[c][i]));
    }
    return outer;
}

// generateFilterRect(sourceRect, filter): the rectangle grown by how far
// the filter draws past what it filters.
Value generateFilterRect(Machine& m, Value t, std::span<const Value> args) {
    (void)self(m, t);
    const Value given = argument(args, 0);
    if (!given.isObject())
        nullArgument(m, u"sourceRect");
    const double x = numberOf(m, given, u"x"), y = numberOf(m, given, u"y");
    const double w = numberOf(m, given, u"width"), h = numberOf(m, given, u"height");
    const auto filter = readFilter(m, argument(args, 1));
    if (!filter)
        nullArgument(m, u"filter");
    const auto margin = hostContext(m).painter.margin;
    if (!margin)
        return newRectangle(m, x, y, w, h);
    const auto r = bitmap::grownByFilter({x, y, w, h}, margin({*filter}));
    return newRectangle(m, r.x, r.y, r.width, r.height);
}

Value applyFilter(Machine& m, Value t, std::span<const Value> args) {
    auto& b = self(m, t);
    const auto& from = bitmapArg(m, args, 0, u"sourceBitmapData");
    const auto r = rectArg(m, args, 1, u"sourceRect");
    const auto at = pointArg(m, args, 2, u"destPoint");
    const auto filter = readFilter(m, argument(args, 3));
    if (!filter)
        nullArgument(m, u"filter");
    const auto& painter = hostContext(m).painter;
    if (!painter.filter)
        return Value();
    const swf::Filter one[] = {*filter};
    // A copy when the source is this bitmap: the copy moves pixels first.
    std::optional<bitmap::BitmapData> own;
    const bitmap::BitmapData* source = &from;
    if (&from == &b) {
        auto copy = b.clone();
        if (!copy)
            invalid(m);
        own.emplace(std::move(copy.value()));
        source = &*own;
    }
    (void)bitmap::applyFilter(b, *source, r, at, [&](uint32_t* pixels, int32_t w, int32_t h, int32_t stride) {
        painter.filter(one, pixels, w, h, stride);
    });
    return Value();
}

swf::BlendMode blendModeArg(Machine& m, std::span<const Value> args, size_t i) {
    const Value v = argument(args, i);
    if (v.isNullish())
        return swf::BlendMode::Normal;
    const std::u16string name = m.toString(v)->text();
    for (int k = int(swf::BlendMode::Normal); k <= int(swf::BlendMode::HardLight); ++k) {
        if (script::blendModeName(swf::BlendMode(k)) == name)
            return swf::BlendMode(k);
    }
    return swf::BlendMode::Normal;
}

// draw(source, matrix, colorTransform, blendMode, clipRect, smoothing): a
// BitmapData, or a display object through the renderer without its own
// transform. Smoothing concerns a BitmapData source only.
Value draw(Machine& m, Value t, std::span<const Value> args) {
    auto& b = self(m, t);
    const Value from = argument(args, 0);
    if (from.isNullish())
        nullArgument(m, u"source");
    bitmap::DrawParams params;
    if (argument(args, 1).isObject())
        params.matrix = readMatrix(m, args[1]);
    if (argument(args, 2).isObject())
        params.colorTransform = readColorTransform(m, args[2]);
    params.blendMode = blendModeArg(m, args, 3);
    if (argument(args, 4).isObject())
        params.clipRect = rectArg(m, args, 4, u"clipRect");
    params.smoothing = boolArg(args, 5, false);
    if (stateOf(from)) {
        const auto& source = self(m, from);
        // Drawing a bitmap into itself reads a copy.
        std::optional<bitmap::BitmapData> own;
        const bitmap::BitmapData* read = &source;
        if (&source == &b) {
            auto copy = b.clone();
            if (!copy)
                invalid(m);
            own.emplace(std::move(copy.value()));
            read = &*own;
        }
        bitmap::draw(
            b, [read](cairo_t* cr, const bitmap::DrawParams& p) { bitmap::paintBitmap(cr, *read, p); }, params);
        return Value();
    }
    const DisplayState& display = displayOf(m, from);
    const auto& painter = hostContext(m).painter;
    if (!display.object || !painter.paint)
        return Value();
    const std::shared_ptr<model::DisplayObject> keep = display.object;
    bitmap::draw(
        b,
        [&painter, keep](cairo_t* cr, const bitmap::DrawParams& p) {
            painter.paint(cr, *keep, p.matrix, p.colorTransform);
        },
        params);
    return Value();
}

const avm2::NativeMember Methods[] = {
    {u"getPixel", getPixel},
    {u"getPixel32", getPixel32},
    {u"setPixel", setPixel},
    {u"setPixel32", setPixel32},
    {u"fillRect", fillRect},
    {u"floodFill", floodFill},
    {u"colorTransform", colorTransform},
    {u"scroll", scroll},
    {u"lock", lock},
    {u"unlock", unlock},
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
    {u"getPixels", getPixels},
    {u"setPixels", setPixels},
    {u"getVector", getVector},
    {u"setVector", setVector},
    {u"histogram", histogram},
    {u"generateFilterRect", generateFilterRect},
    {u"applyFilter", applyFilter},
    {u"draw", draw},
};

const avm2::NativeAccessor Accessors[] = {
    {u"width", width},
    {u"height", height},
    {u"transparent", transparent},
    {u"rect", rect},
};

// --- Bitmap ----------------------------------------------------------------

// A Bitmap is drawn by its model clip: the bitmap's rectangle filled with
// its pixels, as ActionScript 2's attachBitmap shows one, so it redraws as
// they change; pixelSnapping goes with the drawing to the painter.
constexpr const char16_t* BitmapDataKey = u"bitmapData";
constexpr const char16_t* SmoothingKey = u"smoothing";
constexpr const char16_t* SnappingKey = u"pixelSnapping";

void showBitmap(Machine& m, Value t) {
    DisplayState& d = displayOf(m, t);
    model::MovieClip* clip = d.clip();
    if (!clip)
        return;
    model::Drawing& drawing = clip->drawing();
    drawing.clear();
    auto pixels = fillBitmapOf(d.stored[BitmapDataKey]);
    if (!pixels)
        return;
    swf::FillStyle style;
    style.kind = swf::FillKind::ClippedBitmap;
    style.smoothed = avm2::toBoolean(d.stored[SmoothingKey]);
    style.matrix = {20.0, 0.0, 0.0, 20.0, 0.0, 0.0};
    const double w = pixels->width() * 20.0;
    const double h = pixels->height() * 20.0;
    const std::u16string snapping = m.toString(d.stored[SnappingKey])->text();
    drawing.setPixelSnapping(snapping == u"always"  ? model::PixelSnapping::Always
                             : snapping == u"never" ? model::PixelSnapping::Never
                                                    : model::PixelSnapping::Auto);
    drawing.beginFill(style, std::move(pixels));
    drawing.lineTo(w, 0);
    drawing.lineTo(w, h);
    drawing.lineTo(0, h);
    drawing.endFill();
}

Value bitmapDataOrNull(Machine& m, Value v) {
    if (v.isNullish())
        return Value::null();
    if (!stateOf(v))
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to flash.display.BitmapData.");
    return v;
}

// Bitmap(bitmapData = null, pixelSnapping = "auto", smoothing = false)
Value bitmapInit(Machine& m, Value t, std::span<const Value> args) {
    initDisplayObject(m, t, args);
    DisplayState& d = displayOf(m, t);
    d.isInteractive = false;
    d.stored[BitmapDataKey] = bitmapDataOrNull(m, argument(args, 0));
    d.stored[SnappingKey] =
        args.size() > 1 && !args[1].isNullish() ? Value::string(m.toString(args[1])) : m.string(u"auto");
    d.stored[SmoothingKey] = Value::boolean(boolArg(args, 2, false));
    showBitmap(m, t);
    return Value();
}

Value getBitmapData(Machine& m, Value t, std::span<const Value>) { return displayOf(m, t).stored[BitmapDataKey]; }
Value setBitmapData(Machine& m, Value t, std::span<const Value> args) {
    displayOf(m, t).stored[BitmapDataKey] = bitmapDataOrNull(m, argument(args, 0));
    showBitmap(m, t);
    return Value();
}
Value getSmoothing(Machine& m, Value t, std::span<const Value>) { return displayOf(m, t).stored[SmoothingKey]; }
Value setSmoothing(Machine& m, Value t, std::span<const Value> args) {
    displayOf(m, t).stored[SmoothingKey] = Value::boolean(avm2::toBoolean(argument(args, 0)));
    showBitmap(m, t);
    return Value();
}
Value getSnapping(Machine& m, Value t, std::span<const Value>) { return displayOf(m, t).stored[SnappingKey]; }
Value setSnapping(Machine& m, Value t, std::span<const Value> args) {
    const std::u16string mode = m.toString(argument(args, 0))->text();
    if (mode != u"auto" && mode != u"always" && mode != u"never")
        m.throwError("ArgumentError", 2008, u"Parameter pixelSnapping must be one of the accepted values.");
    displayOf(m, t).stored[SnappingKey] = m.string(mode);
    showBitmap(m, t);
    return Value();
}

const avm2::NativeAccessor BitmapAccessors[] = {
    {u"bitmapData", getBitmapData, setBitmapData},
    {u"smoothing", getSmoothing, setSmoothing},
    {u"pixelSnapping", getSnapping, setSnapping},
};

const avm2::NativeStringConstant BlendModes[] = {
    {u"NORMAL", u"normal"},     {u"LAYER", u"layer"},         {u"MULTIPLY", u"multiply"},     {u"SCREEN", u"screen"},
    {u"LIGHTEN", u"lighten"},   {u"DARKEN", u"darken"},       {u"DIFFERENCE", u"difference"}, {u"ADD", u"add"},
    {u"SUBTRACT", u"subtract"}, {u"INVERT", u"invert"},       {u"ALPHA", u"alpha"},           {u"ERASE", u"erase"},
    {u"OVERLAY", u"overlay"},   {u"HARDLIGHT", u"hardlight"}, {u"SHADER", u"shader"},
};

const avm2::NativeConstant Channels[] = {
    {u"RED", bitmap::channel::Red},
    {u"GREEN", bitmap::channel::Green},
    {u"BLUE", bitmap::channel::Blue},
    {u"ALPHA", bitmap::channel::Alpha},
};

const char16_t* const Drawable[] = {u"flash.display.IBitmapDrawable"};

const avm2::CoreClassSpec Classes[] = {
    {.name = u"BitmapData",
     .base = u"Object",
     .init = init,
     .sealed = true,
     .package = u"flash.display",
     .methods = Methods,
     .accessors = Accessors,
     .implements = Drawable},
    sealedClass(u"flash.display", u"Bitmap", u"flash.display.DisplayObject", bitmapInit,
                {.accessors = BitmapAccessors}),
    sealedClass(u"flash.display", u"BlendMode", u"Object", nullptr, {.strings = BlendModes}),
    sealedClass(u"flash.display", u"BitmapDataChannel", u"Object", nullptr, {.numbers = Channels}),
};

}  // namespace

std::shared_ptr<const model::FillBitmap> fillBitmapOf(Value v) {
    const BitmapDataState* s = stateOf(v);
    return s && s->holder && !s->holder->data().disposed() ? s->holder : nullptr;
}

bool isBitmapData(Value v) { return stateOf(v) != nullptr; }

Value sharedBitmapData(Machine& m, const std::shared_ptr<const model::FillBitmap>& pixels) {
    auto holder =
        std::const_pointer_cast<script::BitmapHolder>(std::dynamic_pointer_cast<const script::BitmapHolder>(pixels));
    if (!holder)
        return Value::null();
    const Value made = m.construct(Value::object(m.coreClass(u"flash.display", u"BitmapData")),
                                   std::array{Value::number(1), Value::number(1)});
    stateOf(made)->holder = std::move(holder);
    return made;
}

std::span<const avm2::CoreClassSpec> bitmapClasses() { return Classes; }

Value makeBitmapData(Machine& m, bitmap::BitmapData data) { return newBitmapData(m, std::move(data)); }
Value characterBitmapData(Machine& m, const swf::Bitmap& character) {
    auto copy = bitmap::fromCharacter(character, true, {bitmap::MaxCoordinate, int64_t(bitmap::MaxCoordinate)});
    if (!copy)
        invalid(m);
    return newBitmapData(m, std::move(copy.value()));
}

}  // namespace as3
