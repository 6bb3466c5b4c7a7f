// Actions on objects and functions (SWF 5 to 7): variables, members,
// arrays, enumeration, function definitions, calls, `new`, classes.
#include "script/interpreter.h"

#include "script/action_codes.h"
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

void Interpreter::opDefineFunction(Frame& f, Step& s) { defineFunction(f, s, false); }

void Interpreter::opDefineFunction2(Frame& f, Step& s) { defineFunction(f, s, true); }

void Interpreter::defineFunction(Frame& f, Step& s, bool version2) {
    std::span<const uint8_t> p = s.record.payload;
    size_t& pc = s.pc;
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

// --- calls -----------------------------------------------------------------------

void Interpreter::opCallFunction(Frame& f, Step& /*s*/) {
    String name = popString(f);
    std::vector<Value> args = popArgs(f);
    Value fn = getVariable(m_rt, f, name.view());
    Value self = thisForCall(m_rt, f, name.view());
    push(callFunction(m_rt, fn, self, args));
}

// An empty or undefined method name calls the object itself.
void Interpreter::opCallMethod(Frame& f, Step& /*s*/) {
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

void Interpreter::opNewObject(Frame& f, Step& /*s*/) {
    String name = popString(f);
    std::vector<Value> args = popArgs(f);
    push(construct(m_rt, getVariable(m_rt, f, name.view()), args));
}

void Interpreter::opNewMethod(Frame& f, Step& /*s*/) {
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

// --- variables ---------------------------------------------------------------------

void Interpreter::opGetVariable(Frame& f, Step& /*s*/) {
    String name = popString(f);
    push(getVariable(m_rt, f, name.view()));
}

void Interpreter::opSetVariable(Frame& f, Step& /*s*/) {
    Value value = pop(f);
    String name = popString(f);
    setVariable(m_rt, f, name.view(), value);
}

void Interpreter::opDefineLocal(Frame& f, Step& /*s*/) {
    Value value = pop(f);
    String name = popString(f);
    defineLocal(m_rt, f, name.view(), value);
}

// Declares without assigning: an existing local keeps its value.
void Interpreter::opDefineLocal2(Frame& f, Step& /*s*/) {
    String name = popString(f);
    Object* scope = f.activation ? f.activation : (f.scopes.empty() ? nullptr : f.scopes.front());
    if (scope && !hasOwnProperty(m_rt, scope, name.view()))
        putOwn(m_rt, scope, name.view(), Value());
}

void Interpreter::opDelete(Frame& f, Step& /*s*/) {
    String name = popString(f);
    Value object = pop(f);
    push(Value::fromBool(deleteProperty(m_rt, object.asObject(), name.view())));
}

void Interpreter::opDelete2(Frame& f, Step& /*s*/) {
    String name = popString(f);
    push(Value::fromBool(deleteVariable(m_rt, f, name.view())));
}

// --- members ------------------------------------------------------------------------

// Arrays read their elements directly; everything else goes by name.
void Interpreter::opGetMember(Frame& f, Step& /*s*/) {
    Value name = pop(f);
    Value object = pop(f);
    if (Object* o = object.asObject(); o && o->objectClass() == ObjectClass::Array) {
        if (auto i = numericIndex(name)) {
            auto* array = static_cast<ArrayObject*>(o);
            if (*i < array->length()) {
                push(array->at(*i));
                return;
            }
        }
    }
    String member = toString(m_rt, name);
    push(getMember(m_rt, object, member.view()));
}

void Interpreter::opSetMember(Frame& f, Step& /*s*/) {
    Value value = pop(f);
    Value name = pop(f);
    Value object = pop(f);
    if (Object* o = object.asObject(); o && o->objectClass() == ObjectClass::Array) {
        if (auto i = numericIndex(name); i && *i < m_rt.limits.maxArrayLength) {
            static_cast<ArrayObject*>(o)->set(*i, std::move(value), m_rt.limits.maxArrayLength);
            return;
        }
    }
    String member = toString(m_rt, name);
    setMember(m_rt, object, member.view(), value);
}

void Interpreter::opInitArray(Frame& f, Step& /*s*/) {
    size_t count = popCount(f, 1);
    std::vector<Value> elements;
    elements.reserve(count);
    for (size_t i = 0; i < count; ++i)
        elements.push_back(pop(f));
    push(Value(m_rt.newArray(std::move(elements))));
}

// Pairs come off the stack last first; they are stored in the order given.
void Interpreter::opInitObject(Frame& f, Step& /*s*/) {
    size_t count = popCount(f, 2);
    std::vector<std::pair<String, Value>> pairs;
    pairs.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        Value value = pop(f);
        String name = popString(f);
        pairs.emplace_back(std::move(name), std::move(value));
    }
    Object* object = m_rt.newObject();
    for (auto it = pairs.rbegin(); it != pairs.rend(); ++it)
        putOwn(m_rt, object, it->first.view(), it->second);
    push(Value(object));
}

// A null marks the end of the names for the loop that pops them.
void Interpreter::pushEnumeration(const Value& object) {
    push(Value::null());
    if (Object* o = object.asObject()) {
        std::vector<String> names = enumerableNames(m_rt, o);
        for (auto it = names.rbegin(); it != names.rend(); ++it)
            push(Value(*it));
    }
}

void Interpreter::opEnumerate(Frame& f, Step& /*s*/) {
    String name = popString(f);
    pushEnumeration(getVariable(m_rt, f, name.view()));
}

void Interpreter::opEnumerate2(Frame& f, Step& /*s*/) { pushEnumeration(pop(f)); }

// --- classes -------------------------------------------------------------------------

void Interpreter::opInstanceOf(Frame& f, Step& /*s*/) {
    Value ctor = pop(f);
    Value object = pop(f);
    push(Value::fromBool(instanceOf(m_rt, object, ctor)));
}

void Interpreter::opCastOp(Frame& f, Step& /*s*/) {
    Value object = pop(f);
    Value ctor = pop(f);
    push(instanceOf(m_rt, object, ctor) ? object : Value::null());
}

void Interpreter::opImplementsOp(Frame& f, Step& /*s*/) {
    Value ctor = pop(f);
    size_t count = popCount(f, 1);
    std::vector<Object*> list;
    for (size_t i = 0; i < count; ++i) {
        if (Object* o = pop(f).asObject())
            list.push_back(o);
    }
    if (Object* c = ctor.asObject()) {
        if (Object* proto = getProperty(m_rt, c, u"prototype").asObject())
            proto->setInterfaces(std::move(list));
    }
}

void Interpreter::opExtends(Frame& f, Step& /*s*/) {
    Value superclass = pop(f);
    Value subclass = pop(f);
    Object* sub = subclass.asObject();
    Object* super = superclass.asObject();
    if (!sub || !super)
        return;
    Object* proto = m_rt.heap.make<Object>(getProperty(m_rt, super, u"prototype").asObject());
    m_rt.defineValue(proto, u"__constructor__", superclass);
    putOwn(m_rt, sub, u"prototype", Value(proto), PropertyFlag::DontEnum);
}

void Interpreter::opTargetPath(Frame& f, Step& /*s*/) {
    Value v = pop(f);
    Object* o = v.asObject();
    if (o && o->objectClass() == ObjectClass::Stage && static_cast<StageObject*>(o)->display())
        push(Value(m_rt.makeString(dotPath(*static_cast<StageObject*>(o)))));
    else
        push(Value());
}

}  // namespace script
