// MovieClip, Button and TextField: methods that reach the model.
#include "script/builtins.h"

#include "script/clip_control.h"
#include "script/clip_loading.h"
#include "script/conversions.h"
#include "script/hit_test.h"
#include "script/member_access.h"
#include "script/movie_origins.h"
#include "script/runtime.h"
#include "script/variables.h"

#include "model/display_list.h"
#include "model/transform.h"
#include "swf/geometry.h"

#include <algorithm>
#include <cmath>

namespace script {

namespace {

StageObject* thisStage(const Value& self) {
    Object* o = self.asObject();
    if (!o || o->objectClass() != ObjectClass::Stage)
        return nullptr;
    auto* s = static_cast<StageObject*>(o);
    return s->display() ? s : nullptr;
}

model::MovieClip* thisClip(const Value& self) {
    StageObject* s = thisStage(self);
    return s ? s->clip() : nullptr;
}

// A script depth argument as a model depth; none when it is not a number
// in the range scripts may use.
std::optional<int32_t> modelDepth(Runtime& rt, const Value& v) {
    double d = toNumber(rt, v);
    if (!std::isfinite(d) || d < -16383 || d > 2130690045.0 - ScriptDepthOffset)
        return std::nullopt;
    return int32_t(std::trunc(d)) + ScriptDepthOffset;
}

Value play(Runtime&, const Value& self, std::span<const Value>) {
    if (auto* c = thisClip(self))
        c->play();
    return Value();
}

Value stop(Runtime&, const Value& self, std::span<const Value>) {
    if (auto* c = thisClip(self))
        c->stop();
    return Value();
}

Value nextFrame(Runtime&, const Value& self, std::span<const Value>) {
    if (auto* c = thisClip(self))
        c->nextFrame();
    return Value();
}

Value prevFrame(Runtime&, const Value& self, std::span<const Value>) {
    if (auto* c = thisClip(self))
        c->prevFrame();
    return Value();
}

Value gotoAndPlay(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (StageObject* s = thisStage(self); s && s->clip())
        (void)gotoFrameValue(rt, s, arg(args, 0), true);
    return Value();
}

Value gotoAndStop(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (StageObject* s = thisStage(self); s && s->clip())
        (void)gotoFrameValue(rt, s, arg(args, 0), false);
    return Value();
}

Object* boundsObject(Runtime& rt, const swf::Bounds& b) {
    Object* o = rt.newObject();
    // An empty clip answers the player's out-of-range marker.
    const double empty = 6710886.35;
    putOwn(rt, o, u"xMin", Value(b.empty ? empty : b.xMin / 20.0));
    putOwn(rt, o, u"xMax", Value(b.empty ? empty : b.xMax / 20.0));
    putOwn(rt, o, u"yMin", Value(b.empty ? empty : b.yMin / 20.0));
    putOwn(rt, o, u"yMax", Value(b.empty ? empty : b.yMax / 20.0));
    return o;
}

// getBounds(space): the clip's box in the coordinates of `space` (its own
// when omitted).
Value getBounds(Runtime& rt, const Value& self, std::span<const Value> args) {
    StageObject* s = thisStage(self);
    if (!s)
        return Value();
    model::DisplayObject* d = s->display();
    swf::Matrix toSpace;
    if (!arg(args, 0).isUndefined()) {
        StageObject* space = resolveTarget(rt, s, arg(args, 0));
        if (!space)
            return Value();
        auto inverse = model::invert(space->display()->concatenatedMatrix());
        if (!inverse)
            return Value();
        toSpace = model::multiply(*inverse, d->concatenatedMatrix());
    }
    return Value(boundsObject(rt, d->boundsThrough(toSpace)));
}

Value hitTest(Runtime& rt, const Value& self, std::span<const Value> args) {
    StageObject* s = thisStage(self);
    if (!s)
        return Value::fromBool(false);
    model::DisplayObject* d = s->display();
    if (args.size() >= 2) {
        swf::Point p{toNumber(rt, args[0]) * 20.0, toNumber(rt, args[1]) * 20.0};
        if (!std::isfinite(p.x) || !std::isfinite(p.y))
            return Value::fromBool(false);
        if (toBoolean(rt, arg(args, 2)))
            return Value::fromBool(HitTester(rt.stage).hits(*d, p, true));
        swf::Bounds b = d->stageBounds();
        return Value::fromBool(!b.empty && p.x >= b.xMin && p.x <= b.xMax && p.y >= b.yMin && p.y <= b.yMax);
    }
    StageObject* other = resolveTarget(rt, s, arg(args, 0));
    if (!other)
        return Value::fromBool(false);
    swf::Bounds a = d->stageBounds();
    swf::Bounds b = other->display()->stageBounds();
    bool overlap = !a.empty && !b.empty && a.xMin <= b.xMax && b.xMin <= a.xMax && a.yMin <= b.yMax && b.yMin <= a.yMax;
    return Value::fromBool(overlap);
}

Value attachMovie(Runtime& rt, const Value& self, std::span<const Value> args) {
    StageObject* s = thisStage(self);
    auto depth = modelDepth(rt, arg(args, 2));
    if (!s || !s->clip() || !depth)
        return Value();
    String id = toString(rt, arg(args, 0));
    String name = toString(rt, arg(args, 1));
    StageObject* made = attachClip(rt, *s, id.view(), name.view(), *depth, arg(args, 3).asObject());
    return made ? Value(made) : Value();
}

Value duplicateMovieClip(Runtime& rt, const Value& self, std::span<const Value> args) {
    StageObject* s = thisStage(self);
    auto depth = modelDepth(rt, arg(args, 1));
    if (!s || !depth)
        return Value();
    String name = toString(rt, arg(args, 0));
    StageObject* made = duplicateClip(rt, *s, name.view(), *depth, arg(args, 2).asObject());
    return made ? Value(made) : Value();
}

Value removeMovieClip(Runtime& rt, const Value& self, std::span<const Value>) {
    if (StageObject* s = thisStage(self))
        (void)removeClip(rt, *s);
    return Value();
}

Value createEmptyMovieClip(Runtime& rt, const Value& self, std::span<const Value> args) {
    StageObject* s = thisStage(self);
    auto depth = modelDepth(rt, arg(args, 1));
    if (!s || !s->clip() || !depth)
        return Value();
    String name = toString(rt, arg(args, 0));
    StageObject* made = createEmptyClip(rt, *s, name.view(), *depth);
    return made ? Value(made) : Value();
}

// createTextField(name, depth, x, y, width, height): the new field (Flash 8
// returns it; earlier players return nothing, which scripts do not rely on).
Value createTextField(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::MovieClip* c = thisClip(self);
    auto depth = modelDepth(rt, arg(args, 1));
    if (!c || !depth || args.size() < 6)
        return Value();
    auto twips = [&](size_t i) {
        const double v = toNumber(rt, args[i]) * 20.0;
        return int32_t(std::isfinite(v) ? std::clamp(v, -swf::CoordinateLimit, swf::CoordinateLimit) : 0.0);
    };
    const int32_t x = twips(2);
    const int32_t y = twips(3);
    const swf::Rect bounds{x, x + std::max(0, twips(4)), y, y + std::max(0, twips(5))};
    auto field = c->createTextField(*depth, toString(rt, args[0]).utf8(), bounds);
    return field ? Value(rt.objectFor(*field)) : Value();
}

Value getDepth(Runtime&, const Value& self, std::span<const Value>) {
    StageObject* s = thisStage(self);
    if (!s)
        return Value();
    return Value(double(s->display()->depth() - ScriptDepthOffset));
}

Value swapDepths(Runtime& rt, const Value& self, std::span<const Value> args) {
    StageObject* s = thisStage(self);
    model::MovieClip* parent = s && s->display() != &rt.root() ? s->display()->parentClip() : nullptr;
    if (!parent)
        return Value();
    std::optional<int32_t> target;
    if (Object* o = arg(args, 0).asObject()) {
        if (StageObject* other = resolveTarget(rt, s, arg(args, 0)); other && other->display()->parent() == parent)
            target = other->display()->depth();
        (void)o;
    } else {
        target = modelDepth(rt, arg(args, 0));
    }
    if (target)
        parent->swapChildren(s->display()->depth(), *target);
    return Value();
}

Value getNextHighestDepth(Runtime&, const Value& self, std::span<const Value>) {
    model::MovieClip* c = thisClip(self);
    if (!c)
        return Value();
    int32_t next = 0;
    // Levels sit in the root above every script depth: they do not count.
    const auto& entries = c->displayList().entries();
    const auto top = std::make_reverse_iterator(entries.lower_bound(LevelDepthBase));
    if (top != entries.rend())
        next = std::max(0, top->first - ScriptDepthOffset + 1);
    return Value(double(next));
}

Value getInstanceAtDepth(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::MovieClip* c = thisClip(self);
    auto depth = modelDepth(rt, arg(args, 0));
    if (!c || !depth)
        return Value();
    model::DisplayObject* d = c->displayList().at(*depth);
    return d ? Value(rt.objectFor(*d)) : Value();
}

// localToGlobal / globalToLocal change the point object in place.
Value convertPoint(Runtime& rt, const Value& self, std::span<const Value> args, bool toGlobal) {
    StageObject* s = thisStage(self);
    Object* point = arg(args, 0).asObject();
    if (!s || !point)
        return Value();
    swf::Matrix m = s->display()->concatenatedMatrix();
    if (!toGlobal) {
        auto inverse = model::invert(m);
        if (!inverse)
            return Value();
        m = *inverse;
    }
    double x = toNumber(rt, getProperty(rt, point, u"x"));
    double y = toNumber(rt, getProperty(rt, point, u"y"));
    swf::Point p = model::apply(m, {x * 20.0, y * 20.0});
    setProperty(rt, point, u"x", Value(p.x / 20.0));
    setProperty(rt, point, u"y", Value(p.y / 20.0));
    return Value();
}

Value localToGlobal(Runtime& rt, const Value& self, std::span<const Value> args) {
    return convertPoint(rt, self, args, true);
}

Value globalToLocal(Runtime& rt, const Value& self, std::span<const Value> args) {
    return convertPoint(rt, self, args, false);
}

Value startDragMethod(Runtime& rt, const Value& self, std::span<const Value> args) {
    StageObject* s = thisStage(self);
    if (!s)
        return Value();
    std::optional<std::array<double, 4>> bounds;
    if (args.size() >= 5) {
        bounds = std::array<double, 4>{toNumber(rt, args[1]), toNumber(rt, args[2]), toNumber(rt, args[3]),
                                       toNumber(rt, args[4])};
    }
    startDrag(rt, *s, toBoolean(rt, arg(args, 0)), bounds);
    return Value();
}

Value stopDragMethod(Runtime& rt, const Value&, std::span<const Value>) {
    stopDrag(rt);
    return Value();
}

uint8_t methodCode(Runtime& rt, const Value& v) {
    if (v.isUndefined())
        return 0;
    String m = toString(rt, v);
    if (equalsFolded(m.view(), u"GET"))
        return 1;
    if (equalsFolded(m.view(), u"POST"))
        return 2;
    return 0;
}

Value getURL(Runtime& rt, const Value& self, std::span<const Value> args) {
    requestUrl(rt, toString(rt, arg(args, 0)).view(), toString(rt, arg(args, 1)).view(), methodCode(rt, arg(args, 2)),
               false, false, thisStage(self));
    return Value();
}

Value loadMovie(Runtime& rt, const Value& self, std::span<const Value> args) {
    StageObject* s = thisStage(self);
    std::u16string target = s ? dotPath(*s) : std::u16string();
    requestUrl(rt, toString(rt, arg(args, 0)).view(), target, methodCode(rt, arg(args, 1)), true, false, s);
    return Value();
}

Value loadVariables(Runtime& rt, const Value& self, std::span<const Value> args) {
    StageObject* s = thisStage(self);
    std::u16string target = s ? dotPath(*s) : std::u16string();
    requestUrl(rt, toString(rt, arg(args, 0)).view(), target, methodCode(rt, arg(args, 1)), false, true, s);
    return Value();
}

// A clip with loaded content counts its bytes; others the movie's.
Value bytesLoaded(Runtime& rt, const Value& self, std::span<const Value>) {
    StageObject* s = thisStage(self);
    if (!s)
        return Value();
    if (auto progress = clipProgress(rt, *s))
        return Value(double(progress->first));
    return Value(double(rt.movie().header.declaredLength));
}

Value bytesTotal(Runtime& rt, const Value& self, std::span<const Value>) {
    StageObject* s = thisStage(self);
    if (!s)
        return Value();
    if (auto progress = clipProgress(rt, *s))
        return Value(double(progress->second));
    return Value(double(rt.movie().header.declaredLength));
}

// unloadMovie(): the clip empties; a level goes.
Value unloadMovie(Runtime& rt, const Value& self, std::span<const Value>) {
    StageObject* s = thisStage(self);
    if (s && s->clip())
        requestUrl(rt, u"", dotPath(*s), 0, true, false);
    return Value();
}

// The version of the movie the clip came from, not the caller's.
Value swfVersion(Runtime& rt, const Value& self, std::span<const Value>) {
    StageObject* s = thisStage(self);
    return Value(double(s && s->display() ? movieVersion(rt, s->display()) : rt.version));
}

Value nothing(Runtime&, const Value&, std::span<const Value>) { return Value(); }

// setMask(clip): `clip` (or the clip at that path) masks this one; null or
// undefined removes the mask.
Value setMask(Runtime& rt, const Value& self, std::span<const Value> args) {
    StageObject* s = thisStage(self);
    if (!s)
        return Value::fromBool(false);
    model::DisplayObject* d = s->display();
    if (arg(args, 0).isNullish()) {
        d->setScriptMask(nullptr);
        return Value::fromBool(true);
    }
    StageObject* mask = resolveTarget(rt, s, arg(args, 0));
    if (!mask || !mask->display() || mask->display() == d)
        return Value::fromBool(false);
    d->setScriptMask(mask->display()->shared_from_this());
    return Value::fromBool(true);
}

}  // namespace

void installMovieClip(Runtime& rt) {
    Object* p = rt.newObject();
    rt.protos.movieClip = p;
    struct Method {
        std::u16string_view name;
        NativeFn fn;
    };
    const Method methods[] = {
        {u"play", play},
        {u"stop", stop},
        {u"nextFrame", nextFrame},
        {u"prevFrame", prevFrame},
        {u"gotoAndPlay", gotoAndPlay},
        {u"gotoAndStop", gotoAndStop},
        {u"getBounds", getBounds},
        {u"getRect", getBounds},
        {u"hitTest", hitTest},
        {u"attachMovie", attachMovie},
        {u"duplicateMovieClip", duplicateMovieClip},
        {u"removeMovieClip", removeMovieClip},
        {u"createEmptyMovieClip", createEmptyMovieClip},
        {u"createTextField", createTextField},
        {u"getDepth", getDepth},
        {u"swapDepths", swapDepths},
        {u"getNextHighestDepth", getNextHighestDepth},
        {u"getInstanceAtDepth", getInstanceAtDepth},
        {u"localToGlobal", localToGlobal},
        {u"globalToLocal", globalToLocal},
        {u"startDrag", startDragMethod},
        {u"stopDrag", stopDragMethod},
        {u"getURL", getURL},
        {u"loadMovie", loadMovie},
        {u"loadVariables", loadVariables},
        {u"unloadMovie", unloadMovie},
        {u"getBytesLoaded", bytesLoaded},
        {u"getBytesTotal", bytesTotal},
        {u"getSWFVersion", swfVersion},
        {u"setMask", setMask},
    };
    for (const Method& m : methods)
        rt.defineMethod(p, m.name, m.fn);
    NativeFunction* clipCtor = rt.newNative(nothing);
    rt.defineValue(clipCtor, u"prototype", Value(p), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(p, u"constructor", Value(clipCtor));
    rt.defineValue(rt.global, u"MovieClip", Value(clipCtor));

    Object* b = rt.newObject();
    rt.protos.button = b;
    rt.defineMethod(b, u"getDepth", getDepth);
    rt.defineMethod(b, u"swapDepths", swapDepths);
    rt.defineMethod(b, u"getBounds", getBounds);
    rt.defineMethod(b, u"hitTest", hitTest);
    rt.defineMethod(b, u"localToGlobal", localToGlobal);
    rt.defineMethod(b, u"globalToLocal", globalToLocal);
    NativeFunction* buttonCtor = rt.newNative(nothing);
    rt.defineValue(buttonCtor, u"prototype", Value(b), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(b, u"constructor", Value(buttonCtor));
    rt.defineValue(rt.global, u"Button", Value(buttonCtor));

    Object* t = rt.newObject();
    rt.protos.textField = t;
    rt.defineMethod(t, u"getDepth", getDepth);
    NativeFunction* textCtor = rt.newNative(nothing);
    rt.defineValue(textCtor, u"prototype", Value(t), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(t, u"constructor", Value(textCtor));
    rt.defineValue(rt.global, u"TextField", Value(textCtor));
}

}  // namespace script
