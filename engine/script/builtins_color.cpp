// Color (Flash 5): tints a clip through its colour transform.
//   new Color(target): target is a clip or a path to one.
//   setRGB(0xRRGGBB): multipliers 0, offsets the colour (alpha kept).
//   getRGB(): the offsets as 0xRRGGBB.
//   setTransform({ra, rb, ga, gb, ba, bb, aa, ab}): percentages (-100..100)
//   and offsets (-255..255); members left out keep their value.
//   getTransform(): that object.
#include "script/builtins.h"

#include "script/clip_control.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/runtime.h"
#include "script/variables.h"

#include <algorithm>
#include <cmath>

namespace script {

namespace {

constexpr std::u16string_view TargetMember = u"__target";

model::DisplayObject* targetOf(Runtime& rt, const Value& self) {
    if (!self.asObject())
        return nullptr;
    const Value target = getMember(rt, self, TargetMember);
    if (target.isNullish())
        return nullptr;
    // A clip, or a path resolved from the root.
    StageObject* s = resolveTarget(rt, rt.rootObject(), target);
    return s ? s->display() : nullptr;
}

void applyTint(model::DisplayObject& d, const swf::ColorTransform& cx) {
    d.setColorTransform(cx);
    d.setScriptTransformed(true);
}

int16_t clamp16(double v) { return std::isfinite(v) ? int16_t(std::clamp(std::lround(v), -32768L, 32767L)) : 0; }

Value construct(Runtime& rt, const Value& self, std::span<const Value> args) {
    if (Object* o = self.asObject())
        putOwn(rt, o, TargetMember, arg(args, 0), PropertyFlag::DontEnum);
    return Value();
}

Value setRGB(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::DisplayObject* d = targetOf(rt, self);
    if (!d)
        return Value();
    const auto rgb = uint32_t(toInt32(rt, arg(args, 0)));
    swf::ColorTransform cx = d->colorTransform();
    cx.rMult = cx.gMult = cx.bMult = 0;
    cx.rAdd = int16_t((rgb >> 16) & 0xFF);
    cx.gAdd = int16_t((rgb >> 8) & 0xFF);
    cx.bAdd = int16_t(rgb & 0xFF);
    applyTint(*d, cx);
    return Value();
}

Value getRGB(Runtime& rt, const Value& self, std::span<const Value>) {
    model::DisplayObject* d = targetOf(rt, self);
    if (!d)
        return Value();
    const swf::ColorTransform& cx = d->colorTransform();
    return Value(
        double((uint32_t(cx.rAdd) & 0xFF) << 16 | (uint32_t(cx.gAdd) & 0xFF) << 8 | (uint32_t(cx.bAdd) & 0xFF)));
}

Value setTransform(Runtime& rt, const Value& self, std::span<const Value> args) {
    model::DisplayObject* d = targetOf(rt, self);
    const Value& t = arg(args, 0);
    if (!d || !t.asObject())
        return Value();
    swf::ColorTransform cx = d->colorTransform();
    auto percent = [&](std::u16string_view name, int16_t& into) {
        const Value v = getMember(rt, t, name);
        if (!v.isUndefined())
            into = clamp16(toNumber(rt, v) * 256.0 / 100.0);
    };
    auto offset = [&](std::u16string_view name, int16_t& into) {
        const Value v = getMember(rt, t, name);
        if (!v.isUndefined())
            into = clamp16(toNumber(rt, v));
    };
    percent(u"ra", cx.rMult);
    percent(u"ga", cx.gMult);
    percent(u"ba", cx.bMult);
    percent(u"aa", cx.aMult);
    offset(u"rb", cx.rAdd);
    offset(u"gb", cx.gAdd);
    offset(u"bb", cx.bAdd);
    offset(u"ab", cx.aAdd);
    applyTint(*d, cx);
    return Value();
}

Value getTransform(Runtime& rt, const Value& self, std::span<const Value>) {
    model::DisplayObject* d = targetOf(rt, self);
    if (!d)
        return Value();
    const swf::ColorTransform& cx = d->colorTransform();
    Object* o = rt.newObject();
    putOwn(rt, o, u"ra", Value(cx.rMult * 100.0 / 256.0));
    putOwn(rt, o, u"rb", Value(double(cx.rAdd)));
    putOwn(rt, o, u"ga", Value(cx.gMult * 100.0 / 256.0));
    putOwn(rt, o, u"gb", Value(double(cx.gAdd)));
    putOwn(rt, o, u"ba", Value(cx.bMult * 100.0 / 256.0));
    putOwn(rt, o, u"bb", Value(double(cx.bAdd)));
    putOwn(rt, o, u"aa", Value(cx.aMult * 100.0 / 256.0));
    putOwn(rt, o, u"ab", Value(double(cx.aAdd)));
    return Value(o);
}

}  // namespace

void installColor(Runtime& rt) {
    Object* proto = rt.newObject();
    rt.defineMethod(proto, u"setRGB", setRGB);
    rt.defineMethod(proto, u"getRGB", getRGB);
    rt.defineMethod(proto, u"setTransform", setTransform);
    rt.defineMethod(proto, u"getTransform", getTransform);
    NativeFunction* ctor = rt.newNative(construct);
    rt.defineValue(ctor, u"prototype", Value(proto), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(proto, u"constructor", Value(ctor));
    rt.defineValue(rt.global, u"Color", Value(ctor));
}

}  // namespace script
