// The DisplayObject members that read and write the model object: position,
// scale, rotation, alpha, size, styles, mask, transform, coordinates, bounds
// and hit tests. The stage has no model object: it reads as an untransformed
// object and ignores writes.
#include "as3/display_properties.h"
#include "as3/display_binding.h"
#include "as3/filter_classes.h"
#include "as3/geom3d.h"
#include "as3/geom_values.h"

#include "avm2/conversions.h"

#include "model/placement3d.h"
#include "model/transform.h"

#include "script/display_styles.h"
#include "script/hit_test.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

namespace {

model::DisplayObject* modelOf(Machine& m, Value t) { return displayOf(m, t).object.get(); }

double numberArgument(Machine& m, std::span<const Value> args) { return m.toNumber(argument(args, 0)); }

// Writes of non-finite numbers are ignored, as the player ignores them.
// Scale, rotation and size writes to an object placed by a whole matrix3D
// change that one part of it (`Turns`).
template <double (model::DisplayObject::*Get)() const, void (model::DisplayObject::*Set)(double), int Scale,
          bool Turns = false>
struct Property {
    static Value get(Machine& m, Value t, std::span<const Value>) {
        const model::DisplayObject* o = modelOf(m, t);
        if (!o)
            return Value::number(Scale == 100 ? 1 : 0);
        return Value::number((o->*Get)() / Scale);
    }
    static Value set(Machine& m, Value t, std::span<const Value> args) {
        const double v = numberArgument(m, args);
        model::DisplayObject* o = modelOf(m, t);
        if (!o || !std::isfinite(v))
            return Value();
        if constexpr (Turns)
            changeFlatPart(*o, [&] { (o->*Set)(v * Scale); });
        else
            (o->*Set)(v * Scale);
        return Value();
    }
};

template <typename P>
constexpr avm2::NativeAccessor property(const char16_t* name) {
    return {name, P::get, P::set};
}

using D = model::DisplayObject;

Value getVisible(Machine& m, Value t, std::span<const Value>) {
    const model::DisplayObject* o = modelOf(m, t);
    return Value::boolean(!o || o->isVisible());
}
Value setVisible(Machine& m, Value t, std::span<const Value> args) {
    if (model::DisplayObject* o = modelOf(m, t))
        o->setVisible(avm2::toBoolean(argument(args, 0)));
    return Value();
}

Value getBlendMode(Machine& m, Value t, std::span<const Value>) {
    const model::DisplayObject* o = modelOf(m, t);
    return m.string(std::u16string(script::blendModeName(o ? o->blendMode() : swf::BlendMode::Normal)));
}
Value setBlendMode(Machine& m, Value t, std::span<const Value> args) {
    const std::u16string name = m.toString(argument(args, 0))->text();
    for (int i = int(swf::BlendMode::Normal); i <= int(swf::BlendMode::HardLight); ++i) {
        if (script::blendModeName(swf::BlendMode(i)) == name) {
            if (model::DisplayObject* o = modelOf(m, t))
                o->setBlendMode(swf::BlendMode(i));
            return Value();
        }
    }
    m.throwError("ArgumentError", 2008, u"Parameter blendMode must be one of the accepted values.");
}

Value getCacheAsBitmap(Machine& m, Value t, std::span<const Value>) {
    const model::DisplayObject* o = modelOf(m, t);
    return Value::boolean(o && o->cacheAsBitmap());
}
Value setCacheAsBitmap(Machine& m, Value t, std::span<const Value> args) {
    if (model::DisplayObject* o = modelOf(m, t))
        o->setCacheAsBitmap(avm2::toBoolean(argument(args, 0)));
    return Value();
}

Value getMask(Machine& m, Value t, std::span<const Value>) {
    const Value mask = displayOf(m, t).mask;
    return mask.isObject() ? mask : Value::null();
}
Value setMask(Machine& m, Value t, std::span<const Value> args) {
    const Value mask = argument(args, 0);
    DisplayState& d = displayOf(m, t);
    std::shared_ptr<model::DisplayObject> maskObject;
    if (!mask.isNullish())
        maskObject = displayOf(m, mask).object;
    if (d.object)
        d.object->setScriptMask(maskObject);
    d.mask = mask.isNullish() ? Value() : mask;
    return Value();
}

Value getTransform(Machine& m, Value t, std::span<const Value>) {
    const Value args[1] = {t};
    return m.construct(Value::object(m.coreClass(u"flash.geom", u"Transform")), args);
}
// Assigning a Transform copies its matrix, 3D placement and colour transform.
Value setTransform(Machine& m, Value t, std::span<const Value> args) {
    const Value from = argument(args, 0);
    if (!from.isObject())
        m.throwError("TypeError", 2007, u"Parameter transform must be non-null.");
    const Value owner = transformOwner(from);
    model::DisplayObject* source = owner.isObject() ? modelOf(m, owner) : nullptr;
    if (model::DisplayObject* o = modelOf(m, t); o && source) {
        const auto placement = source->placement3D();
        o->setMatrix(source->matrix());
        placeLike(m, t, placement);
        o->setColorTransform(source->colorTransform());
        o->setScriptTransformed(true);
    }
    return Value();
}

// Filters are copied both ways: assigning keeps what the filter objects
// hold then; reading gives new objects. Entries that are no filters are skipped.
Value getFilters(Machine& m, Value t, std::span<const Value>) {
    const model::DisplayObject* o = modelOf(m, t);
    avm2::ArrayObject* out = m.newArray();
    Machine::Pin keep(m, Value::object(out));
    if (o && o->filters()) {
        for (const swf::Filter& f : *o->filters()) {
            const Value v = newFilter(m, f);
            if (v.isObject())
                out->elements().push_back(v);
        }
    }
    return Value::object(out);
}
Value setFilters(Machine& m, Value t, std::span<const Value> args) {
    const Value list = argument(args, 0);
    std::vector<swf::Filter> filters;
    if (const auto* array = list.isObject() ? dynamic_cast<avm2::ArrayObject*>(list.asObject()) : nullptr) {
        for (size_t i = 0; i < std::min<size_t>(array->elements().size(), 64); ++i) {
            if (auto f = readFilter(m, array->elements()[i]))
                filters.push_back(std::move(*f));
        }
    }
    if (model::DisplayObject* o = modelOf(m, t))
        o->setOwnFilters(std::move(filters));
    return Value();
}

Value boxValue(Machine& m, const std::optional<swf::Bounds>& b) {
    if (!b)
        return Value::null();
    return newRectangle(m, b->xMin / 20, b->yMin / 20, (b->xMax - b->xMin) / 20, (b->yMax - b->yMin) / 20);
}

Value getScrollRect(Machine& m, Value t, std::span<const Value>) {
    const model::DisplayObject* o = modelOf(m, t);
    return boxValue(m, o ? o->scrollRect() : std::nullopt);
}
Value setScrollRect(Machine& m, Value t, std::span<const Value> args) {
    const auto box = readBounds(m, argument(args, 0));
    if (model::DisplayObject* o = modelOf(m, t))
        o->setScrollRect(box);
    return Value();
}
Value getScale9Grid(Machine& m, Value t, std::span<const Value>) {
    const model::DisplayObject* o = modelOf(m, t);
    return boxValue(m, o ? o->scaleGrid() : std::nullopt);
}
// A grid without area turns slicing off, as the file's grids do.
Value setScale9Grid(Machine& m, Value t, std::span<const Value> args) {
    auto box = readBounds(m, argument(args, 0));
    if (box && (box->xMax <= box->xMin || box->yMax <= box->yMin))
        box.reset();
    if (model::DisplayObject* o = modelOf(m, t))
        o->setScaleGrid(box);
    return Value();
}
Value getOpaqueBackground(Machine& m, Value t, std::span<const Value>) {
    const model::DisplayObject* o = modelOf(m, t);
    if (!o || !o->opaqueBackground())
        return Value::null();
    const swf::Rgba c = *o->opaqueBackground();
    return Value::fromUInt(uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b);
}
Value setOpaqueBackground(Machine& m, Value t, std::span<const Value> args) {
    const Value v = argument(args, 0);
    std::optional<swf::Rgba> color;
    if (!v.isNullish()) {
        const uint32_t c = avm2::toUInt32(m.toNumber(v));
        color = swf::Rgba{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c), 255};
    }
    if (model::DisplayObject* o = modelOf(m, t))
        o->setOpaqueBackground(color);
    return Value();
}

// The matrix from the object's own coordinates to stage twips.
swf::Matrix toStage(Machine& m, Value t) {
    const model::DisplayObject* o = modelOf(m, t);
    return o ? o->concatenatedMatrix() : swf::Matrix{};
}

// A stage point (twips) in the object's own coordinates, taken back through
// 3D projections; none off the object's plane.
std::optional<swf::Point> stageToLocal(Machine& m, Value t, swf::Point stage) {
    const model::DisplayObject* o = modelOf(m, t);
    const auto flat = o ? model::flatStagePoint(*o, stage) : std::optional(stage);
    const auto inverse = model::invert(toStage(m, t));
    return flat && inverse ? std::optional(model::apply(*inverse, *flat)) : std::nullopt;
}

Value mouseX(Machine& m, Value t, std::span<const Value>) {
    const auto p = stageToLocal(m, t, hostContext(m).pointer);
    return Value::number(p ? p->x / 20 : 0);
}
Value mouseY(Machine& m, Value t, std::span<const Value>) {
    const auto p = stageToLocal(m, t, hostContext(m).pointer);
    return Value::number(p ? p->y / 20 : 0);
}

Value localToGlobal(Machine& m, Value t, std::span<const Value> args) {
    const swf::Point p = readPoint(m, argument(args, 0));
    const model::DisplayObject* o = modelOf(m, t);
    const auto s = o ? model::shownOnStage(*o, {p.x * 20, p.y * 20}) : std::optional(swf::Point{p.x * 20, p.y * 20});
    return s ? newPoint(m, s->x / 20, s->y / 20) : newPoint(m, 0, 0);
}
Value globalToLocal(Machine& m, Value t, std::span<const Value> args) {
    const swf::Point p = readPoint(m, argument(args, 0));
    const auto s = stageToLocal(m, t, {p.x * 20, p.y * 20});
    return s ? newPoint(m, s->x / 20, s->y / 20) : newPoint(m, 0, 0);
}

// The box of the object's content in the coordinates of `space` (the stage
// when null), objects placed in 3D boxed by their projected corners; an
// empty object gives an empty box at its origin there.
Value boundsIn(Machine& m, Value t, std::span<const Value> args) {
    const Value space = argument(args, 0);
    const model::DisplayObject* target = space.isNullish() ? nullptr : modelOf(m, space);
    if (!space.isNullish())
        (void)displayOf(m, space);
    const model::DisplayObject* o = modelOf(m, t);
    const swf::Bounds b = o ? model::boundsInSpace(*o, target) : swf::Bounds{};
    if (b.empty) {
        const auto inverse = model::invert(target ? target->concatenatedMatrix() : swf::Matrix{});
        const swf::Point origin =
            model::apply(inverse ? model::multiply(*inverse, toStage(m, t)) : swf::Matrix{}, {0, 0});
        return newRectangle(m, origin.x / 20, origin.y / 20, 0, 0);
    }
    return newRectangle(m, b.xMin / 20, b.yMin / 20, (b.xMax - b.xMin) / 20, (b.yMax - b.yMin) / 20);
}

Value hitTestPoint(Machine& m, Value t, std::span<const Value> args) {
    const double x = m.toNumber(argument(args, 0)) * 20, y = m.toNumber(argument(args, 1)) * 20;
    const model::DisplayObject* o = modelOf(m, t);
    if (!o || !std::isfinite(x) || !std::isfinite(y))
        return Value::boolean(false);
    if (avm2::toBoolean(argument(args, 2)))
        return Value::boolean(script::HitTester(hostContext(m).stage).hits(*o, {x, y}, true));
    // Without the shape flag: the box where the stage shows the object.
    const swf::Bounds b = o->stageBounds();
    return Value::boolean(!b.empty && x >= b.xMin && x <= b.xMax && y >= b.yMin && y <= b.yMax);
}
Value hitTestObject(Machine& m, Value t, std::span<const Value> args) {
    const model::DisplayObject* a = modelOf(m, t);
    const model::DisplayObject* b = modelOf(m, argument(args, 0));
    if (!a || !b)
        return Value::boolean(false);
    const swf::Bounds x = a->stageBounds(), y = b->stageBounds();
    return Value::boolean(!x.empty && !y.empty && x.xMin <= y.xMax && y.xMin <= x.xMax && x.yMin <= y.yMax &&
                          y.yMin <= x.yMax);
}

const avm2::NativeAccessor Accessors[] = {
    property<Property<&D::x, &D::setX, 1>>(u"x"),
    property<Property<&D::y, &D::setY, 1>>(u"y"),
    property<Property<&D::xScale, &D::setXScale, 100, true>>(u"scaleX"),
    property<Property<&D::yScale, &D::setYScale, 100, true>>(u"scaleY"),
    property<Property<&D::rotation, &D::setRotation, 1, true>>(u"rotation"),
    property<Property<&D::alpha, &D::setAlpha, 100>>(u"alpha"),
    property<Property<&D::width, &D::setWidth, 1, true>>(u"width"),
    property<Property<&D::height, &D::setHeight, 1, true>>(u"height"),
    {u"visible", getVisible, setVisible},
    {u"blendMode", getBlendMode, setBlendMode},
    {u"cacheAsBitmap", getCacheAsBitmap, setCacheAsBitmap},
    {u"mask", getMask, setMask},
    {u"filters", getFilters, setFilters},
    {u"transform", getTransform, setTransform},
    {u"mouseX", mouseX},
    {u"mouseY", mouseY},
    {u"scrollRect", getScrollRect, setScrollRect},
    {u"scale9Grid", getScale9Grid, setScale9Grid},
    {u"opaqueBackground", getOpaqueBackground, setOpaqueBackground},
};
const avm2::NativeMember Methods[] = {
    {u"localToGlobal", localToGlobal}, {u"globalToLocal", globalToLocal},
    {u"getBounds", boundsIn},          {u"getRect", boundsIn},
    {u"hitTestPoint", hitTestPoint},   {u"hitTestObject", hitTestObject},
};

}  // namespace

std::span<const avm2::NativeAccessor> displayObjectAccessors() { return Accessors; }
std::span<const avm2::NativeMember> displayObjectMethods() { return Methods; }

}  // namespace as3
