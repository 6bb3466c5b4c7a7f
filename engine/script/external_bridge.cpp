// Conversions across the external interface.
#include "script/external_bridge.h"

#include "script/array_object.h"
#include "script/member_access.h"
#include "script/runtime.h"

#include <vector>

namespace script {

namespace {

ExternalValue convert(Runtime& rt, const Value& v, std::vector<Object*>& path) {
    switch (v.type()) {
    case ValueType::Undefined:
        return ExternalValue::undefined();
    case ValueType::Null:
        return ExternalValue::null();
    case ValueType::Boolean:
        return ExternalValue::fromBool(v.asBool());
    case ValueType::Number:
        return ExternalValue::fromNumber(v.asNumber());
    case ValueType::String:
        return ExternalValue::fromString(v.asString().utf8());
    case ValueType::Object:
        break;
    }
    Object* o = v.asObject();
    if (o->isCallable() || path.size() >= MaxExternalDepth)
        return ExternalValue::null();
    if (rt.inEntry())
        rt.chargeWork(1);
    for (Object* seen : path) {
        if (seen == o)
            return ExternalValue::null();
    }
    switch (o->objectClass()) {
    case ObjectClass::StringWrapper:
    case ObjectClass::NumberWrapper:
    case ObjectClass::BooleanWrapper:
        return convert(rt, static_cast<PrimitiveObject*>(o)->primitive(), path);
    case ObjectClass::Date:
        return ExternalValue::fromNumber(static_cast<DateObject*>(o)->time());
    default:
        break;
    }
    path.push_back(o);
    ExternalValue out;
    if (o->objectClass() == ObjectClass::Array) {
        std::vector<ExternalValue> elements;
        for (const Value& e : static_cast<ArrayObject*>(o)->elements())
            elements.push_back(convert(rt, e, path));
        out = ExternalValue::array(std::move(elements));
    } else {
        std::vector<std::pair<std::string, ExternalValue>> members;
        std::vector<String> names = enumerableNames(rt, o);
        // Enumeration lists the newest first; the document keeps creation order.
        for (auto it = names.rbegin(); it != names.rend(); ++it)
            members.emplace_back(it->utf8(), convert(rt, getProperty(rt, o, it->view()), path));
        out = ExternalValue::object(std::move(members));
    }
    path.pop_back();
    return out;
}

}  // namespace

ExternalValue toExternal(Runtime& rt, const Value& value) {
    std::vector<Object*> path;
    return convert(rt, value, path);
}

namespace {

Value build(Runtime& rt, const ExternalValue& v, size_t depth) {
    if (depth > MaxExternalDepth * 2)
        return Value::null();  // deeper than any decoded request can be
    switch (v.kind) {
    case ExternalValue::Kind::Undefined:
        return Value();
    case ExternalValue::Kind::Null:
        return Value::null();
    case ExternalValue::Kind::Boolean:
        return Value::fromBool(v.boolean);
    case ExternalValue::Kind::Number:
        return Value(v.number);
    case ExternalValue::Kind::String:
        return Value(rt.makeStringUtf8(v.string));
    case ExternalValue::Kind::Array: {
        std::vector<Value> elements;
        elements.reserve(v.elements.size());
        for (const ExternalValue& e : v.elements)
            elements.push_back(build(rt, e, depth + 1));
        return Value(rt.newArray(std::move(elements)));
    }
    case ExternalValue::Kind::Object: {
        Object* o = rt.newObject();
        for (const auto& [name, member] : v.members)
            putOwn(rt, o, utf8ToUtf16(name), build(rt, member, depth + 1));
        return Value(o);
    }
    }
    return Value();
}

}  // namespace

Value fromExternal(Runtime& rt, const ExternalValue& value) { return build(rt, value, 0); }

}  // namespace script
