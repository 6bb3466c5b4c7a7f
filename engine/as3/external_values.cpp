#include "as3/external_values.h"

#include "avm2/string.h"

#include "script/external_bridge.h"

#include <algorithm>

namespace as3 {

using avm2::Value;
using script::ExternalValue;

namespace {

ExternalValue toExternalAt(avm2::Machine& m, Value v, std::vector<const avm2::Object*>& path) {
    switch (v.tag()) {
    case avm2::Tag::Undefined:
        return ExternalValue::undefined();
    case avm2::Tag::Null:
    case avm2::Tag::Namespace:
        return ExternalValue::null();
    case avm2::Tag::Boolean:
        return ExternalValue::fromBool(v.asBoolean());
    case avm2::Tag::Int:
    case avm2::Tag::UInt:
    case avm2::Tag::Number:
        return ExternalValue::fromNumber(v.numeric());
    case avm2::Tag::String:
        return ExternalValue::fromString(avm2::utf16ToUtf8(v.asString()->text()));
    case avm2::Tag::Object:
        break;
    }
    const avm2::Object* o = v.asObject();
    if (path.size() >= script::MaxExternalDepth || std::find(path.begin(), path.end(), o) != path.end() ||
        dynamic_cast<const avm2::NativeFunction*>(o) || dynamic_cast<const avm2::FunctionObject*>(o) ||
        dynamic_cast<const avm2::MethodClosure*>(o))
        return ExternalValue::null();
    path.push_back(o);
    ExternalValue out;
    if (const auto* a = dynamic_cast<const avm2::ArrayObject*>(o)) {
        std::vector<ExternalValue> elements;
        for (const Value& e : a->elements())
            elements.push_back(toExternalAt(m, e, path));
        out = ExternalValue::array(std::move(elements));
    } else {
        std::vector<std::pair<std::string, ExternalValue>> members;
        for (size_t i = 0; i < o->dynamicCount(); ++i) {
            const auto& [name, value] = o->dynamicAt(i);
            members.emplace_back(avm2::utf16ToUtf8(name), toExternalAt(m, value, path));
        }
        out = ExternalValue::object(std::move(members));
    }
    path.pop_back();
    return out;
}

Value fromExternalAt(avm2::Machine& m, const ExternalValue& v, size_t depth) {
    switch (v.kind) {
    case ExternalValue::Kind::Undefined:
        return Value();
    case ExternalValue::Kind::Null:
        return Value::null();
    case ExternalValue::Kind::Boolean:
        return Value::boolean(v.boolean);
    case ExternalValue::Kind::Number:
        return Value::number(v.number);
    case ExternalValue::Kind::String:
        return m.string(avm2::utf8ToUtf16(v.string));
    case ExternalValue::Kind::Array:
    case ExternalValue::Kind::Object:
        break;
    }
    if (depth >= 2 * script::MaxExternalDepth)
        return Value::null();
    if (v.kind == ExternalValue::Kind::Array) {
        avm2::ArrayObject* a = m.newArray();
        avm2::Machine::Pin keep(m, Value::object(a));
        m.resizeArray(a, v.elements.size());
        for (size_t i = 0; i < v.elements.size(); ++i)
            a->elements()[i] = fromExternalAt(m, v.elements[i], depth + 1);
        return Value::object(a);
    }
    avm2::Object* o = m.newObject();
    avm2::Machine::Pin keep(m, Value::object(o));
    for (const auto& [name, member] : v.members)
        o->setOwn(avm2::utf8ToUtf16(name), fromExternalAt(m, member, depth + 1));
    return Value::object(o);
}

}  // namespace

ExternalValue toExternal(avm2::Machine& m, Value v) {
    std::vector<const avm2::Object*> path;
    return toExternalAt(m, v, path);
}

Value fromExternal(avm2::Machine& m, const ExternalValue& v) { return fromExternalAt(m, v, 0); }

}  // namespace as3
