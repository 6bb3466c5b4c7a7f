// Conversions and comparisons between value types.
#include "script/conversions.h"
#include "script/clip_loading.h"

#include "script/calls.h"
#include "script/member_access.h"
#include "script/number_format.h"
#include "script/object.h"
#include "script/runtime.h"
#include "script/stage_object.h"

#include <cmath>
#include <limits>
#include <vector>

namespace script {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// Calls a conversion method; true with a primitive result.
bool tryConversion(Runtime& rt, Object* o, std::u16string_view method, Value& out) {
    Value fn = getProperty(rt, o, method);
    Object* f = fn.asObject();
    if (!f || !f->isCallable())
        return false;
    Value result = callFunction(rt, fn, Value(o), {});
    if (result.isObject())
        return false;
    out = std::move(result);
    return true;
}

}  // namespace

Value toPrimitive(Runtime& rt, const Value& v, PrimitiveHint hint) {
    Object* o = v.asObject();
    if (!o)
        return v;
    if (o->objectClass() == ObjectClass::Stage) {
        const auto* stageObject = static_cast<const StageObject*>(o);
        return Value(rt.makeString(stageObject->display() ? dotPath(*stageObject) : std::u16string()));
    }
    if (hint == PrimitiveHint::None)
        hint = o->objectClass() == ObjectClass::Date ? PrimitiveHint::String : PrimitiveHint::Number;
    Value out;
    if (hint == PrimitiveHint::String) {
        if (tryConversion(rt, o, u"toString", out) || tryConversion(rt, o, u"valueOf", out))
            return out;
    } else {
        if (tryConversion(rt, o, u"valueOf", out) || tryConversion(rt, o, u"toString", out))
            return out;
    }
    return Value(String(o->isCallable() ? u"[type Function]" : u"[type Object]"));
}

double stringToNumber(Runtime& rt, std::u16string_view s) {
    auto n = parseNumberLiteral(s);
    if (n)
        return *n;
    return rt.version <= 4 ? 0.0 : NaN;
}

double toNumber(Runtime& rt, const Value& v) {
    switch (v.type()) {
    case ValueType::Undefined:
    case ValueType::Null:
        return rt.version >= 7 ? NaN : 0.0;
    case ValueType::Boolean:
        return v.asBool() ? 1.0 : 0.0;
    case ValueType::Number:
        return v.asNumber();
    case ValueType::String:
        return stringToNumber(rt, v.asString().view());
    case ValueType::Object: {
        if (v.asObject()->objectClass() == ObjectClass::Stage)
            return NaN;
        Value p = toPrimitive(rt, v, PrimitiveHint::Number);
        return p.isObject() ? NaN : toNumber(rt, p);
    }
    }
    return NaN;
}

String toString(Runtime& rt, const Value& v) {
    switch (v.type()) {
    case ValueType::Undefined:
        return rt.version >= 7 ? String(u"undefined") : String();
    case ValueType::Null:
        return String(u"null");
    case ValueType::Boolean:
        return String(v.asBool() ? u"true" : u"false");
    case ValueType::Number:
        return rt.makeString(numberToString(v.asNumber()));
    case ValueType::String:
        return v.asString();
    case ValueType::Object: {
        Value p = toPrimitive(rt, v, PrimitiveHint::String);
        return p.isObject() ? String(u"[type Object]") : toString(rt, p);
    }
    }
    return String();
}

bool toBoolean(Runtime& rt, const Value& v) {
    switch (v.type()) {
    case ValueType::Undefined:
    case ValueType::Null:
        return false;
    case ValueType::Boolean:
        return v.asBool();
    case ValueType::Number:
        return v.asNumber() != 0 && !std::isnan(v.asNumber());
    case ValueType::String: {
        if (rt.version >= 7)
            return !v.asString().empty();
        double n = stringToNumber(rt, v.asString().view());
        return n != 0 && !std::isnan(n);
    }
    case ValueType::Object:
        return true;
    }
    return false;
}

int32_t toInt32(Runtime& rt, const Value& v) { return script::toInt32(toNumber(rt, v)); }

Object* toObject(Runtime& rt, const Value& v) {
    switch (v.type()) {
    case ValueType::Undefined:
    case ValueType::Null:
        return nullptr;
    case ValueType::Boolean:
        return rt.heap.make<PrimitiveObject>(rt.protos.boolean, ObjectClass::BooleanWrapper, v);
    case ValueType::Number:
        return rt.heap.make<PrimitiveObject>(rt.protos.number, ObjectClass::NumberWrapper, v);
    case ValueType::String:
        return rt.heap.make<PrimitiveObject>(rt.protos.string, ObjectClass::StringWrapper, v);
    case ValueType::Object:
        return v.asObject();
    }
    return nullptr;
}

std::u16string_view typeOf(const Value& v) {
    switch (v.type()) {
    case ValueType::Undefined:
        return u"undefined";
    case ValueType::Null:
        return u"null";
    case ValueType::Boolean:
        return u"boolean";
    case ValueType::Number:
        return u"number";
    case ValueType::String:
        return u"string";
    case ValueType::Object: {
        Object* o = v.asObject();
        if (o->objectClass() == ObjectClass::Stage)
            return static_cast<StageObject*>(o)->isClip() ? u"movieclip" : u"object";
        return o->isCallable() ? u"function" : u"object";
    }
    }
    return u"undefined";
}

bool strictEquals(const Value& a, const Value& b) {
    if (a.type() != b.type())
        return false;
    switch (a.type()) {
    case ValueType::Undefined:
    case ValueType::Null:
        return true;
    case ValueType::Boolean:
        return a.asBool() == b.asBool();
    case ValueType::Number:
        return a.asNumber() == b.asNumber();
    case ValueType::String:
        return a.asString() == b.asString();
    case ValueType::Object:
        return a.asObject() == b.asObject();
    }
    return false;
}

bool looseEquals(Runtime& rt, const Value& a, const Value& b) {
    if (a.type() == b.type())
        return strictEquals(a, b);
    if (a.isNullish() && b.isNullish())
        return true;
    if (a.isNullish() || b.isNullish())
        return false;
    if (a.isNumber() && b.isString())
        return a.asNumber() == stringToNumber(rt, b.asString().view());
    if (a.isString() && b.isNumber())
        return stringToNumber(rt, a.asString().view()) == b.asNumber();
    if (a.isBoolean())
        return looseEquals(rt, Value(a.asBool() ? 1.0 : 0.0), b);
    if (b.isBoolean())
        return looseEquals(rt, a, Value(b.asBool() ? 1.0 : 0.0));
    if (a.isObject() && !b.isObject()) {
        Value p = toPrimitive(rt, a);
        return p.isObject() ? false : looseEquals(rt, p, b);
    }
    if (b.isObject() && !a.isObject()) {
        Value p = toPrimitive(rt, b);
        return p.isObject() ? false : looseEquals(rt, a, p);
    }
    return false;
}

Value lessThan(Runtime& rt, const Value& a, const Value& b) {
    Value pa = toPrimitive(rt, a, PrimitiveHint::Number);
    Value pb = toPrimitive(rt, b, PrimitiveHint::Number);
    if (pa.isString() && pb.isString())
        return Value::fromBool(pa.asString().view() < pb.asString().view());
    double na = toNumber(rt, pa);
    double nb = toNumber(rt, pb);
    if (std::isnan(na) || std::isnan(nb))
        return Value();
    return Value::fromBool(na < nb);
}

Value addValues(Runtime& rt, const Value& a, const Value& b) {
    if (a.isNumber() && b.isNumber())
        return Value(a.asNumber() + b.asNumber());
    Value pa = toPrimitive(rt, a);
    Value pb = toPrimitive(rt, b);
    if (pa.isString() || pb.isString()) {
        String sa = toString(rt, pa);
        String sb = toString(rt, pb);
        if (sa.empty())
            return Value(sb);
        if (sb.empty())
            return Value(sa);
        std::u16string joined;
        joined.reserve(sa.size() + sb.size());
        joined.append(sa.view()).append(sb.view());
        return Value(rt.makeString(joined));
    }
    return Value(toNumber(rt, pa) + toNumber(rt, pb));
}

namespace {

bool isRootClip(const model::DisplayObject& d) {
    const auto* clip = d.as<model::MovieClip>();
    return clip && clip->isRoot();
}

std::vector<const model::DisplayObject*> chainOf(const model::DisplayObject& d) {
    std::vector<const model::DisplayObject*> chain;
    for (const model::DisplayObject* p = &d; p && chain.size() < 1024; p = p->parent()) {
        chain.push_back(p);
        if (isRootClip(*p))
            break;  // a movie inside another's tree: paths start at its own root
    }
    return chain;
}

}  // namespace

std::u16string dotPath(const StageObject& object) {
    const model::DisplayObject* d = object.display();
    if (!d)
        return {};
    auto chain = chainOf(*d);
    std::u16string out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (auto level = levelOf(**it)) {
            out = u"_level" + utf8ToUtf16(std::to_string(*level));
            continue;
        }
        if (!out.empty())
            out.push_back(u'.');
        out += utf8ToUtf16((*it)->name());
    }
    return out;
}

std::u16string slashPath(const StageObject& object) {
    const model::DisplayObject* d = object.display();
    if (!d)
        return {};
    auto chain = chainOf(*d);
    std::u16string out;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
        if (isRootClip(**it))
            continue;
        if (auto level = levelOf(**it)) {
            out = u"_level" + utf8ToUtf16(std::to_string(*level));
            continue;
        }
        out.push_back(u'/');
        out += utf8ToUtf16((*it)->name());
    }
    return out.empty() ? std::u16string(u"/") : out;
}

}  // namespace script
