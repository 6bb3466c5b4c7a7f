// Property access along prototype chains.
#include "script/member_access.h"

#include "script/calls.h"
#include "script/object.h"
#include "script/runtime.h"

#include <unordered_set>

namespace script {

namespace {

// __proto__ chains a script built into a loop end here.
constexpr int MaxChain = 256;

bool isProtoName(Runtime& rt, std::u16string_view name) { return namesMatch(name, u"__proto__", rt.caseSensitive); }

Object* prototypeFor(Runtime& rt, const Value& v) {
    switch (v.type()) {
    case ValueType::String:
        return rt.protos.string;
    case ValueType::Number:
        return rt.protos.number;
    case ValueType::Boolean:
        return rt.protos.boolean;
    default:
        return nullptr;
    }
}

}  // namespace

Lookup lookupProperty(Runtime& rt, Object* object, std::u16string_view name, const Value& self) {
    if (!object)
        return {};
    if (isProtoName(rt, name))
        return {object->proto() ? Value(object->proto()) : Value(), object};
    int hops = 0;
    for (Object* o = object; o && hops < MaxChain; o = o->proto(), ++hops) {
        if (std::optional<Value> builtin = o->getBuiltin(rt, name))
            return {std::move(*builtin), o};
        if (Property* p = o->properties().find(name)) {
            if (p->getter) {
                Object* getter = p->getter;
                return {callFunction(rt, Value(getter), self, {}), o};
            }
            return {p->value, o};
        }
        if (std::optional<Value> late = o->getLate(rt, name))
            return {std::move(*late), o};
    }
    return {};
}

Value getProperty(Runtime& rt, Object* object, std::u16string_view name) {
    return lookupProperty(rt, object, name, Value(object)).value;
}

Lookup lookupMember(Runtime& rt, const Value& target, std::u16string_view name) {
    if (Object* o = target.asObject()) {
        if (o->objectClass() == ObjectClass::Super) {
            auto* s = static_cast<SuperObject*>(o);
            Object* start = s->home() ? s->home()->proto() : nullptr;
            return lookupProperty(rt, start, name, Value(s->self()));
        }
        return lookupProperty(rt, o, name, target);
    }
    if (target.isString() && namesMatch(name, u"length", rt.caseSensitive))
        return {Value(double(target.asString().size())), nullptr};
    return lookupProperty(rt, prototypeFor(rt, target), name, target);
}

Value getMember(Runtime& rt, const Value& target, std::u16string_view name) {
    return lookupMember(rt, target, name).value;
}

void setProperty(Runtime& rt, Object* object, std::u16string_view name, const Value& value) {
    if (!object)
        return;
    if (object->objectClass() == ObjectClass::Super) {
        setProperty(rt, static_cast<SuperObject*>(object)->self(), name, value);
        return;
    }
    if (isProtoName(rt, name)) {
        Object* proto = value.asObject();
        if (!value.isObject() && !value.isNull())
            return;
        for (Object* p = proto; p; p = p->proto()) {
            if (p == object)
                return;  // a loop: refused
        }
        object->setProto(proto);
        return;
    }
    if (object->setBuiltin(rt, name, value))
        return;
    if (Property* own = object->properties().find(name)) {
        if (own->setter) {
            Object* setter = own->setter;
            Value arg[] = {value};
            (void)callFunction(rt, Value(setter), Value(object), arg);
        } else if (!(own->flags & PropertyFlag::ReadOnly)) {
            own->value = value;
        }
        return;
    }
    int hops = 0;
    for (Object* o = object->proto(); o && hops < MaxChain; o = o->proto(), ++hops) {
        if (Property* p = o->properties().find(name)) {
            if (p->setter) {
                Object* setter = p->setter;
                Value arg[] = {value};
                (void)callFunction(rt, Value(setter), Value(object), arg);
                return;
            }
            if (p->getter)
                return;  // a getter without a setter: read-only
            break;
        }
    }
    object->properties().add(String(name, &rt.meter), value);
}

void setMember(Runtime& rt, const Value& target, std::u16string_view name, const Value& value) {
    if (Object* o = target.asObject())
        setProperty(rt, o, name, value);
}

void putOwn(Runtime& rt, Object* object, std::u16string_view name, const Value& value, uint8_t flagsIfNew) {
    if (Property* own = object->properties().find(name)) {
        own->value = value;
        return;
    }
    object->properties().add(String(name, &rt.meter), value, flagsIfNew);
}

bool hasOwnProperty(Runtime& rt, Object* object, std::u16string_view name) {
    if (!object)
        return false;
    return object->getBuiltin(rt, name) || object->properties().find(name) || object->getLate(rt, name);
}

bool hasProperty(Runtime& rt, Object* object, std::u16string_view name) {
    int hops = 0;
    for (Object* o = object; o && hops < MaxChain; o = o->proto(), ++hops) {
        if (hasOwnProperty(rt, o, name))
            return true;
    }
    return false;
}

bool deleteProperty(Runtime& rt, Object* object, std::u16string_view name) {
    if (!object)
        return false;
    if (object->deleteBuiltin(rt, name))
        return true;
    Property* p = object->properties().find(name);
    if (!p || (p->flags & PropertyFlag::DontDelete))
        return false;
    return object->properties().erase(name);
}

std::vector<String> enumerableNames(Runtime& rt, Object* object) {
    struct Hash {
        bool cs;
        size_t operator()(std::u16string_view s) const { return hashName(s, cs); }
    };
    struct Equal {
        bool cs;
        bool operator()(std::u16string_view a, std::u16string_view b) const { return namesMatch(a, b, cs); }
    };
    std::unordered_set<std::u16string, Hash, Equal> seen(16, Hash{rt.caseSensitive}, Equal{rt.caseSensitive});
    std::vector<String> out;
    int hops = 0;
    for (Object* o = object; o && hops < MaxChain; o = o->proto(), ++hops) {
        const auto& entries = o->properties().entries();
        if (rt.inEntry())
            rt.chargeWork(entries.size() / 4);
        for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
            bool fresh = seen.insert(std::u16string(it->name.view())).second;
            if (fresh && !(it->flags & PropertyFlag::DontEnum))
                out.push_back(it->name);
        }
        std::vector<String> builtins;
        o->builtinKeys(rt, builtins);
        if (rt.inEntry())
            rt.chargeWork(builtins.size());
        for (String& name : builtins) {
            if (seen.insert(std::u16string(name.view())).second)
                out.push_back(std::move(name));
        }
    }
    return out;
}

}  // namespace script

namespace script {

namespace {

bool declaresInterface(Runtime& rt, Object* proto, Object* constructor, int depth) {
    const std::vector<Object*>* list = proto ? proto->interfaces() : nullptr;
    if (!list || depth > 16)
        return false;
    for (Object* i : *list) {
        if (i == constructor)
            return true;
        Object* iproto = getProperty(rt, i, u"prototype").asObject();
        if (iproto && declaresInterface(rt, iproto, constructor, depth + 1))
            return true;
    }
    return false;
}

}  // namespace

bool instanceOf(Runtime& rt, const Value& object, const Value& constructor) {
    Object* o = object.asObject();
    Object* ctor = constructor.asObject();
    if (!o || !ctor)
        return false;
    Object* proto = getProperty(rt, ctor, u"prototype").asObject();
    int hops = 0;
    for (Object* p = o->proto(); p && hops < MaxChain; p = p->proto(), ++hops) {
        if (p == proto || declaresInterface(rt, p, ctor, 0))
            return true;
    }
    return false;
}

}  // namespace script
