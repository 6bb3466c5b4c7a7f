// Actions on objects and functions (SWF 5 to 7): variables, members,
// arrays, enumeration, function definitions, calls, `new`, classes.
#include "script/interpreter.h"

#include "script/action_bytes.h"
#include "script/array_object.h"
#include "script/calls.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/number_format.h"
#include "script/runtime.h"
#include "script/variables.h"

#include <cmath>
#include <optional>

namespace script {

namespace {

// A member name as an array index, when it is one.
std::optional<size_t> numericIndex(const Value& name) {
    if (!name.isNumber())
        return std::nullopt;
    double n = name.asNumber();
    if (n >= 0 && n < 4294967295.0 && n == std::trunc(n))
        return size_t(n);
    return std::nullopt;
}

}  // namespace

void Interpreter::doDefineFunction(Frame& f, const Record& r, size_t& pc, bool version2) {
    std::span<const uint8_t> p = r.payload;
    auto code = std::make_shared<FunctionCode>();
    size_t at = 0;
    code->name = readString(p, at);
    auto need = [&](size_t n) {
        if (p.size() - at < n)
            malformed("a function definition is cut off");
    };
    need(2);
    size_t count = readU16(p, at);
    at += 2;
    code->version2 = version2;
    if (version2) {
        need(3);
        code->registerCount = p[at];
        code->flags = uint16_t((p[at + 1] << 8) | p[at + 2]);
        at += 3;
    }
    for (size_t i = 0; i < count; ++i) {
        FunctionParam param;
        if (version2) {
            need(1);
            param.reg = p[at++];
        }
        param.name = readString(p, at);
        code->params.push_back(std::move(param));
    }
    need(2);
    size_t bodySize = readU16(p, at);
    if (f.code.size() - pc < bodySize)
        malformed("a function body runs past the end of its action block");
    code->body = f.code.subspan(pc, bodySize);
    code->constants = f.constants;
    pc += bodySize;

    StageObject* target = f.target ? f.target : f.baseTarget;
    ScriptFunction* fn = m_rt.newScriptFunction(code, f.scopes, target);
    if (code->name.empty())
        push(Value(fn));
    else
        defineLocal(m_rt, f, code->name.view(), Value(fn));
}

void Interpreter::doCallFunction(Frame& f) {
    String name = popString(f);
    std::vector<Value> args = popArgs(f);
    Value fn = getVariable(m_rt, f, name.view());
    Value self = thisForCall(m_rt, f, name.view());
    push(callFunction(m_rt, fn, self, args));
}

void Interpreter::doCallMethod(Frame& f) {
    Value name = pop(f);
    Value object = pop(f);
    std::vector<Value> args = popArgs(f);
    if (name.isUndefined() || (name.isString() && name.asString().empty())) {
        push(callFunction(m_rt, object, Value(), args));
        return;
    }
    String member = toString(m_rt, name);
    Lookup found = lookupMember(m_rt, object, member.view());
    Value self = object;
    if (Object* o = object.asObject(); o && o->objectClass() == ObjectClass::Super)
        self = Value(static_cast<SuperObject*>(o)->self());
    push(callFunction(m_rt, found.value, self, args, found.holder));
}

void Interpreter::doNewObject(Frame& f) {
    String name = popString(f);
    std::vector<Value> args = popArgs(f);
    push(construct(m_rt, getVariable(m_rt, f, name.view()), args));
}

void Interpreter::doNewMethod(Frame& f) {
    Value name = pop(f);
    Value object = pop(f);
    std::vector<Value> args = popArgs(f);
    if (name.isUndefined() || (name.isString() && name.asString().empty())) {
        push(construct(m_rt, object, args));
        return;
    }
    String member = toString(m_rt, name);
    push(construct(m_rt, getMember(m_rt, object, member.view()), args));
}

bool Interpreter::doObjects(Frame& f, uint8_t code) {
    Runtime& rt = m_rt;
    switch (code) {
    case 0x1C: {  // GetVariable
        String name = popString(f);
        push(getVariable(rt, f, name.view()));
        return true;
    }
    case 0x1D: {  // SetVariable
        Value value = pop(f);
        String name = popString(f);
        setVariable(rt, f, name.view(), value);
        return true;
    }
    case 0x3C: {  // DefineLocal
        Value value = pop(f);
        String name = popString(f);
        defineLocal(rt, f, name.view(), value);
        return true;
    }
    case 0x41: {  // DefineLocal2
        String name = popString(f);
        Object* scope = f.activation ? f.activation : (f.scopes.empty() ? nullptr : f.scopes.front());
        if (scope && !hasOwnProperty(rt, scope, name.view()))
            putOwn(rt, scope, name.view(), Value());
        return true;
    }
    case 0x3A: {  // Delete
        String name = popString(f);
        Value object = pop(f);
        push(Value::fromBool(deleteProperty(rt, object.asObject(), name.view())));
        return true;
    }
    case 0x3B: {  // Delete2
        String name = popString(f);
        push(Value::fromBool(deleteVariable(rt, f, name.view())));
        return true;
    }
    case 0x4E: {  // GetMember
        Value name = pop(f);
        Value object = pop(f);
        if (Object* o = object.asObject(); o && o->objectClass() == ObjectClass::Array) {
            if (auto i = numericIndex(name)) {
                auto* array = static_cast<ArrayObject*>(o);
                if (*i < array->length()) {
                    push(array->at(*i));
                    return true;
                }
            }
        }
        String member = toString(rt, name);
        push(getMember(rt, object, member.view()));
        return true;
    }
    case 0x4F: {  // SetMember
        Value value = pop(f);
        Value name = pop(f);
        Value object = pop(f);
        if (Object* o = object.asObject(); o && o->objectClass() == ObjectClass::Array) {
            if (auto i = numericIndex(name); i && *i < rt.limits.maxArrayLength) {
                static_cast<ArrayObject*>(o)->set(*i, std::move(value), rt.limits.maxArrayLength);
                return true;
            }
        }
        String member = toString(rt, name);
        setMember(rt, object, member.view(), value);
        return true;
    }
    case 0x42: {  // InitArray
        double n = popNumber(f);
        size_t available = rt.stack.size() - std::min(rt.stack.size(), f.stackBase);
        size_t count = (n > 0 && n < 1e9) ? std::min(size_t(n), available) : 0;
        std::vector<Value> elements;
        elements.reserve(count);
        for (size_t i = 0; i < count; ++i)
            elements.push_back(pop(f));
        push(Value(rt.newArray(std::move(elements))));
        return true;
    }
    case 0x43: {  // InitObject
        double n = popNumber(f);
        size_t available = (rt.stack.size() - std::min(rt.stack.size(), f.stackBase)) / 2;
        size_t count = (n > 0 && n < 1e9) ? std::min(size_t(n), available) : 0;
        std::vector<std::pair<String, Value>> pairs;
        pairs.reserve(count);
        for (size_t i = 0; i < count; ++i) {
            Value value = pop(f);
            String name = popString(f);
            pairs.emplace_back(std::move(name), std::move(value));
        }
        Object* object = rt.newObject();
        for (auto it = pairs.rbegin(); it != pairs.rend(); ++it)
            putOwn(rt, object, it->first.view(), it->second);
        push(Value(object));
        return true;
    }
    case 0x46:    // Enumerate
    case 0x55: {  // Enumerate2
        Value object;
        if (code == 0x46) {
            String name = popString(f);
            object = getVariable(rt, f, name.view());
        } else {
            object = pop(f);
        }
        push(Value::null());
        if (Object* o = object.asObject()) {
            std::vector<String> names = enumerableNames(rt, o);
            for (auto it = names.rbegin(); it != names.rend(); ++it)
                push(Value(*it));
        }
        return true;
    }
    case 0x54: {  // InstanceOf
        Value ctor = pop(f);
        Value object = pop(f);
        push(Value::fromBool(instanceOf(rt, object, ctor)));
        return true;
    }
    case 0x2B: {  // CastOp
        Value object = pop(f);
        Value ctor = pop(f);
        push(instanceOf(rt, object, ctor) ? object : Value::null());
        return true;
    }
    case 0x2C: {  // ImplementsOp
        Value ctor = pop(f);
        double n = popNumber(f);
        size_t available = rt.stack.size() - std::min(rt.stack.size(), f.stackBase);
        size_t count = (n > 0 && n < 1e9) ? std::min(size_t(n), available) : 0;
        std::vector<Object*> list;
        for (size_t i = 0; i < count; ++i) {
            if (Object* o = pop(f).asObject())
                list.push_back(o);
        }
        if (Object* c = ctor.asObject()) {
            if (Object* proto = getProperty(rt, c, u"prototype").asObject())
                proto->setInterfaces(std::move(list));
        }
        return true;
    }
    case 0x69: {  // Extends
        Value superclass = pop(f);
        Value subclass = pop(f);
        Object* sub = subclass.asObject();
        Object* super = superclass.asObject();
        if (!sub || !super)
            return true;
        Object* proto = rt.heap.make<Object>(getProperty(rt, super, u"prototype").asObject());
        rt.defineValue(proto, u"__constructor__", superclass);
        putOwn(rt, sub, u"prototype", Value(proto), PropertyFlag::DontEnum);
        return true;
    }
    case 0x45: {  // TargetPath
        Value v = pop(f);
        Object* o = v.asObject();
        if (o && o->objectClass() == ObjectClass::Stage && static_cast<StageObject*>(o)->display())
            push(Value(rt.makeString(dotPath(*static_cast<StageObject*>(o)))));
        else
            push(Value());
        return true;
    }
    case 0x3D:  // CallFunction
        doCallFunction(f);
        return true;
    case 0x52:  // CallMethod
        doCallMethod(f);
        return true;
    case 0x40:  // NewObject
        doNewObject(f);
        return true;
    case 0x53:  // NewMethod
        doNewMethod(f);
        return true;
    default:
        return false;
    }
}

}  // namespace script
