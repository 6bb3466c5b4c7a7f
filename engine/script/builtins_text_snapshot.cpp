// TextSnapshot (Flash 7): MovieClip.getTextSnapshot(), a live view of the
// clip's static text (model::TextSnapshot). The object keeps its clip in a
// hidden member; once the clip is gone it reads as empty.
#include "script/array_object.h"
#include "script/builtins.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/runtime.h"
#include "script/stage_object.h"

#include "model/text_snapshot.h"

namespace script {

namespace {

constexpr std::u16string_view ClipMember = u"__clip";

model::TextSnapshot viewOf(Runtime& rt, const Value& self) {
    if (!self.asObject())
        return model::TextSnapshot(nullptr);
    Object* o = getMember(rt, self, ClipMember).asObject();
    if (!o || o->objectClass() != ObjectClass::Stage)
        return model::TextSnapshot(nullptr);
    model::DisplayObject* d = static_cast<StageObject*>(o)->display();
    return model::TextSnapshot(d ? d->shared_from_this() : nullptr);
}

double numberArg(Runtime& rt, std::span<const Value> args, size_t i) { return toNumber(rt, arg(args, i)); }

Value getCount(Runtime& rt, const Value& self, std::span<const Value>) {
    return Value(double(viewOf(rt, self).count()));
}

Value getText(Runtime& rt, const Value& self, std::span<const Value> args) {
    return Value(rt.makeString(
        viewOf(rt, self).text(numberArg(rt, args, 0), numberArg(rt, args, 1), toBoolean(rt, arg(args, 2)))));
}

Value findText(Runtime& rt, const Value& self, std::span<const Value> args) {
    const String needle = toString(rt, arg(args, 1));
    return Value(double(viewOf(rt, self).find(numberArg(rt, args, 0), needle.view(), toBoolean(rt, arg(args, 2)))));
}

Value setSelected(Runtime& rt, const Value& self, std::span<const Value> args) {
    viewOf(rt, self).setSelected(numberArg(rt, args, 0), numberArg(rt, args, 1), toBoolean(rt, arg(args, 2)));
    return Value();
}

Value getSelected(Runtime& rt, const Value& self, std::span<const Value> args) {
    return Value::fromBool(viewOf(rt, self).selected(numberArg(rt, args, 0), numberArg(rt, args, 1)));
}

Value getSelectedText(Runtime& rt, const Value& self, std::span<const Value> args) {
    return Value(rt.makeString(viewOf(rt, self).selectedText(toBoolean(rt, arg(args, 0)))));
}

Value setSelectColor(Runtime& rt, const Value& self, std::span<const Value> args) {
    viewOf(rt, self).setSelectColor(uint32_t(toInt32(rt, arg(args, 0))));
    return Value();
}

// Coordinates are the clip's pixels.
Value hitTestTextNearPos(Runtime& rt, const Value& self, std::span<const Value> args) {
    const double maxDistance = args.size() > 2 ? numberArg(rt, args, 2) : 0.0;
    return Value(double(viewOf(rt, self).hitTestNear(numberArg(rt, args, 0) * 20.0, numberArg(rt, args, 1) * 20.0,
                                                     maxDistance * 20.0)));
}

Value getTextRunInfo(Runtime& rt, const Value& self, std::span<const Value> args) {
    std::vector<Value> out;
    for (const model::TextSnapshot::RunInfo& r :
         viewOf(rt, self).runInfo(numberArg(rt, args, 0), numberArg(rt, args, 1))) {
        Object* o = rt.newObject();
        out.emplace_back(o);
        auto set = [&](std::u16string_view name, const Value& v) { putOwn(rt, o, name, v); };
        set(u"indexInRun", Value(double(r.index)));
        set(u"selected", Value::fromBool(r.selected));
        set(u"font", Value(rt.makeString(utf8ToUtf16(r.font))));
        set(u"color", Value(double(r.color)));
        set(u"height", Value(r.height));
        set(u"matrix_a", Value(r.matrix.a));
        set(u"matrix_b", Value(r.matrix.b));
        set(u"matrix_c", Value(r.matrix.c));
        set(u"matrix_d", Value(r.matrix.d));
        set(u"matrix_tx", Value(r.matrix.tx));
        set(u"matrix_ty", Value(r.matrix.ty));
        for (int k = 0; k < 4; ++k) {
            const std::u16string corner = u"corner" + std::u16string(1, char16_t(u'0' + k));
            set(corner + u"x", Value(r.corners[k].x));
            set(corner + u"y", Value(r.corners[k].y));
        }
    }
    return Value(rt.newArray(std::move(out)));
}

Value getTextSnapshot(Runtime& rt, const Value& self, std::span<const Value>) {
    Object* o = self.asObject();
    if (!o || o->objectClass() != ObjectClass::Stage)
        return Value();
    Object* snapshot = rt.heap.make<Object>(rt.protos.textSnapshot);
    putOwn(rt, snapshot, ClipMember, self, PropertyFlag::DontEnum);
    return Value(snapshot);
}

}  // namespace

void installTextSnapshot(Runtime& rt) {
    Object* proto = rt.newObject();
    rt.protos.textSnapshot = proto;
    rt.defineMethod(proto, u"getCount", getCount);
    rt.defineMethod(proto, u"getText", getText);
    rt.defineMethod(proto, u"findText", findText);
    rt.defineMethod(proto, u"setSelected", setSelected);
    rt.defineMethod(proto, u"getSelected", getSelected);
    rt.defineMethod(proto, u"getSelectedText", getSelectedText);
    rt.defineMethod(proto, u"setSelectColor", setSelectColor);
    rt.defineMethod(proto, u"hitTestTextNearPos", hitTestTextNearPos);
    rt.defineMethod(proto, u"getTextRunInfo", getTextRunInfo);
    NativeFunction* ctor = rt.newNative([](Runtime&, const Value&, std::span<const Value>) { return Value(); });
    rt.defineValue(ctor, u"prototype", Value(proto), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(proto, u"constructor", Value(ctor));
    rt.defineValue(rt.global, u"TextSnapshot", Value(ctor));
    rt.defineMethod(rt.protos.movieClip, u"getTextSnapshot", getTextSnapshot);
}

}  // namespace script
