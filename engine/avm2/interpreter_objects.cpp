// The object model's side of the interpreter: reading multinames, finding
// and calling properties through traits, dynamic members and prototypes,
// classes and their construction, and the type tests.
#include "avm2/interpreter.h"

#include "avm2/byte_array.h"
#include "avm2/dictionary.h"
#include "avm2/e4x.h"
#include "avm2/proxy.h"
#include "avm2/vector.h"

#include <cmath>

namespace avm2 {

void Interpreter::readName(const LoadedAbc& file, uint32_t index, Value*& sp, RuntimeName& out) {
    const MultinameInfo& info = file.abc.multinames[index];
    Multiname& mn = out.mn;
    mn.attribute = isAttribute(info.kind);
    auto runtimeName = [&] {
        const Value v = *--sp;
        if (v.isObject())
            mn.objectKey = v.asObject();
        // A QName names its namespace and local name (x[q], x.@[q]); one
        // without a uri matches any namespace.
        if (const QNameState* q = v.isObject() ? v.asObject()->nativeAs<QNameState>() : nullptr) {
            out.scratch = m_m.toString(q->localName)->text();
            mn.text = out.scratch;
            mn.name = m_m.findInterned(out.scratch);
            mn.isIndex = false;
            mn.attribute = mn.attribute || q->attribute;
            if (q->uri.isNull()) {
                mn.namespaces = {};
            } else {
                out.single = m_m.internNamespace(NamespaceGroup::Public, m_m.toString(q->uri)->text());
                mn.namespaces = std::span<Namespace* const>(&out.single, 1);
            }
            return;
        }
        if (v.isInt() && v.asInt() >= 0) {
            mn.isIndex = true;
            mn.index = uint32_t(v.asInt());
            out.scratch = numberToString(v.asInt());
        } else {
            out.scratch = v.isString() ? v.asString()->text() : m_m.toString(v)->text();
            mn.isIndex = arrayIndex(out.scratch, mn.index);
        }
        mn.text = out.scratch;
        mn.name = m_m.findInterned(out.scratch);
    };
    auto runtimeNamespace = [&] {
        const Value v = *--sp;
        out.single = v.isNamespace() ? v.asNamespace() : m_m.publicNamespace();
        // new Namespace(uri) is an object; it qualifies names as its uri does.
        if (v.isObject() && v.asObject()->nativeState()) {
            const Binding* uri = nullptr;
            if (ClassObject* c = m_m.coreClass(u"Namespace"); c && m_m.isInstance(v, c))
                uri = c->instanceTraits().find(QName{m_m.publicNamespace(), m_m.intern(u"uri")});
            if (uri)
                out.single = m_m.internNamespace(NamespaceGroup::Public,
                                                 m_m.toString(m_m.invoke(*uri, uri->getter, v, {}))->text());
        }
        mn.namespaces = std::span<Namespace* const>(&out.single, 1);
    };
    auto fixedName = [&](uint32_t string) {
        mn.anyName = string == 0;
        mn.name = file.strings[string];
        mn.text = mn.name->text();
        mn.isIndex = arrayIndex(mn.text, mn.index);
    };
    switch (info.kind) {
    case MultinameKind::QName:
    case MultinameKind::QNameA:
        mn.namespaces = std::span<Namespace* const>(&file.namespaces[info.ns], 1);
        fixedName(info.name);
        break;
    case MultinameKind::RTQName:
    case MultinameKind::RTQNameA:
        runtimeNamespace();
        fixedName(info.name);
        break;
    case MultinameKind::RTQNameL:
    case MultinameKind::RTQNameLA:
        runtimeName();
        runtimeNamespace();
        break;
    case MultinameKind::Multiname:
    case MultinameKind::MultinameA:
        mn.namespaces = file.nsSets[info.nsSet];
        fixedName(info.name);
        break;
    case MultinameKind::MultinameL:
    case MultinameKind::MultinameLA:
        mn.namespaces = file.nsSets[info.nsSet];
        runtimeName();
        break;
    case MultinameKind::TypeName: {
        const MultinameInfo& base = file.abc.multinames[info.typeBase];
        mn.namespaces = std::span<Namespace* const>(&file.namespaces[base.ns], 1);
        fixedName(base.name);
        break;
    }
    }
}

void Interpreter::nullReceiver(Value v) {
    if (v.isNull())
        m_m.throwError("TypeError", 1009, u"Cannot access a property or method of a null object reference.");
    m_m.throwError("TypeError", 1010, u"A term is undefined and has no properties.");
}

std::u16string Interpreter::describeName(const Multiname& mn) const {
    if (mn.anyName)
        return u"*";
    if (mn.namespaces.size() == 1 && !mn.namespaces[0]->uri().empty() &&
        mn.namespaces[0]->group() == NamespaceGroup::Public)
        return mn.namespaces[0]->uri() + u":" + std::u16string(mn.text);
    return std::u16string(mn.text);
}

std::u16string Interpreter::className(Value v) { return classNameOf(v); }

Value Interpreter::readBinding(Value receiver, const Binding& b, const Multiname& mn) {
    Object* o = receiver.asObject();
    switch (b.kind) {
    case Binding::Kind::Slot:
    case Binding::Kind::Const:
        return o->slot(b.slot);
    case Binding::Kind::Method:
        return Value::object(m_m.m_heap.make<MethodClosure>(m_m.m_functionProto, receiver, b.method, b.owner));
    case Binding::Kind::Accessor:
        if (!b.getter)
            m_m.throwError(
                "ReferenceError", 1077,
                u"Illegal read of write-only property " + describeName(mn) + u" on " + className(receiver) + u".");
        return m_m.invoke(b, b.getter, receiver, {});
    }
    return Value();
}

namespace {

// The declared type of a slot converts what is stored in it.
Value coerceToSlotType(Machine& m, const String* type, Value v) {
    if (!type)
        return v;
    const std::u16string& t = type->text();
    if (t == u"int")
        return Value::fromInt(v.isInt() ? v.asInt() : toInt32(m.toNumber(v)));
    if (t == u"uint")
        return Value::number(toUInt32(m.toNumber(v)));
    if (t == u"Number")
        return v.isNumeric() ? v : Value::number(m.toNumber(v));
    if (t == u"Boolean")
        return Value::boolean(toBoolean(v));
    if (t == u"String")
        return v.isNullish() ? Value::null() : Value::string(m.toString(v));
    return v;
}

}  // namespace

void Interpreter::writeBinding(Value receiver, Object* o, const Binding& b, const Multiname& mn, Value v, bool init) {
    switch (b.kind) {
    case Binding::Kind::Slot:
        o->setSlot(b.slot, coerceToSlotType(m_m, b.typeName, v));
        return;
    case Binding::Kind::Const:
        if (init) {
            o->setSlot(b.slot, coerceToSlotType(m_m, b.typeName, v));
            return;
        }
        break;
    case Binding::Kind::Method:
        m_m.throwError("ReferenceError", 1037,
                       u"Cannot assign to a method " + describeName(mn) + u" on " + className(receiver) + u".");
    case Binding::Kind::Accessor:
        if (b.setter) {
            const Value args[1] = {v};
            m_m.invoke(b, b.setter, receiver, args);
            return;
        }
        break;
    }
    m_m.throwError("ReferenceError", 1074,
                   u"Illegal write to read-only property " + describeName(mn) + u" on " + className(receiver) + u".");
}

namespace {

// A name that reads as a number but not as an index (-1, 1.5) is out of a
// vector's range rather than a missing property.
bool numericName(const Multiname& mn) {
    return !mn.anyName && !mn.text.empty() && !std::isnan(stringToNumber(mn.text));
}

// The dictionary a name reaches by an object key, if it does.
DictionaryObject* keyedDictionary(Object* o, const Multiname& mn) {
    if (!mn.objectKey || !mn.hasPublicRoot())
        return nullptr;
    return dynamic_cast<DictionaryObject*>(o);
}

}  // namespace

Value Interpreter::getProperty(Value target, const Multiname& mn) {
    if (target.isNullish())
        nullReceiver(target);
    if (target.isObject()) {
        Object* o = target.asObject();
        if (isE4x(target))
            return xmlGetProperty(m_m, target, mn);
        if (DictionaryObject* d = keyedDictionary(o, mn)) {
            const Value* v = d->find(mn.objectKey);
            return v ? *v : Value();
        }
        if (const ByteArrayState* bytes = mn.isIndex ? o->nativeAs<ByteArrayState>() : nullptr;
            bytes && mn.hasPublicRoot())
            return mn.index < bytes->bytes.size() ? Value::fromInt(bytes->bytes[mn.index]) : Value();
        if (VectorObject* vec = asVector(target); vec && mn.hasPublicRoot()) {
            if (mn.isIndex && mn.index < vec->size())
                return vec->get(mn.index);
            if (mn.isIndex || numericName(mn))
                vectorIndexOutOfRange(m_m, mn.isIndex ? double(mn.index) : stringToNumber(mn.text), vec->size());
        }
        if (auto* a = dynamic_cast<ArrayObject*>(o); a && mn.hasPublicRoot()) {
            if (mn.isIndex)
                return mn.index < a->elements().size() ? a->elements()[mn.index] : Value();
            if (mn.text == u"length")
                return Value::number(double(a->elements().size()));
        }
        if (o->traits()) {
            if (const Binding* b = o->traits()->find(mn))
                return readBinding(target, *b, mn);
        }
        if (isProxy(o)) {
            const Value name[1] = {proxyName(mn)};
            Machine::Pin keep(m_m, name[0]);
            return proxyTrap(target, u"getProperty", name);
        }
        if (mn.readsPrototypes() && !mn.anyName) {
            const std::u16string key(mn.text);
            if (const Value* v = o->find(key))
                return *v;
            if (auto* c = dynamic_cast<ClassObject*>(o); c && key == u"prototype")
                return Value::object(c->prototype());
        }
        if (!o->isDynamic())
            m_m.throwError("ReferenceError", 1069,
                           u"Property " + describeName(mn) + u" not found on " + className(target) +
                               u" and there is no default value.");
        return Value();
    }
    if (target.isString() && mn.text == u"length")
        return Value::fromInt(int32_t(target.asString()->text().size()));
    // A namespace value answers Namespace's accessors (uri, prefix).
    if (ClassObject* c = target.isNamespace() ? m_m.coreClass(u"Namespace") : nullptr) {
        if (const Binding* b = c->instanceTraits().find(mn); b && b->kind == Binding::Kind::Accessor && b->getter)
            return m_m.invoke(*b, b->getter, target, {});
    }
    if (Object* proto = m_m.primitivePrototype(target); proto && mn.readsPrototypes() && !mn.anyName) {
        if (const Value* v = proto->find(std::u16string(mn.text)))
            return *v;
    }
    return Value();
}

void Interpreter::setProperty(Value target, const Multiname& mn, Value v, bool init) {
    if (target.isNullish())
        nullReceiver(target);
    if (target.isObject()) {
        Object* o = target.asObject();
        if (isE4x(target)) {
            xmlSetProperty(m_m, target, mn, v);
            return;
        }
        if (DictionaryObject* d = keyedDictionary(o, mn)) {
            if (!d->find(mn.objectKey))
                m_m.m_heap.charge(DictionaryObject::EntryBytes);
            d->set(mn.objectKey, v);
            return;
        }
        if (ByteArrayState* bytes = mn.isIndex ? o->nativeAs<ByteArrayState>() : nullptr; bytes && mn.hasPublicRoot()) {
            // Writing past the end grows the array with zeros; the position stays.
            const auto byte = uint8_t(int32(v));
            if (mn.index >= bytes->bytes.size())
                resizeByteArray(m_m, *bytes, size_t(mn.index) + 1);
            bytes->bytes[mn.index] = byte;
            return;
        }
        if (VectorObject* vec = asVector(target); vec && mn.hasPublicRoot() && (mn.isIndex || numericName(mn))) {
            const double index = mn.isIndex ? double(mn.index) : stringToNumber(mn.text);
            // The coercion may run script, so the range is checked after it.
            const Value x = coerceElement(m_m, *vec, v);
            if (mn.isIndex && mn.index < vec->size()) {
                vec->set(mn.index, x);
                return;
            }
            // Storing just past the end grows a vector that is not fixed.
            if (mn.isIndex && mn.index == vec->size() && !vec->fixed()) {
                resizeVector(m_m, vec, vec->size() + 1);
                vec->set(mn.index, x);
                return;
            }
            vectorIndexOutOfRange(m_m, index, vec->size());
        }
        if (auto* a = dynamic_cast<ArrayObject*>(o); a && mn.hasPublicRoot()) {
            if (mn.isIndex) {
                if (mn.index >= a->elements().size())
                    m_m.resizeArray(a, size_t(mn.index) + 1);
                a->elements()[mn.index] = v;
                return;
            }
            if (mn.text == u"length") {
                const double length = number(v);
                if (length != double(toUInt32(length)))
                    m_m.throwError("RangeError", 1005,
                                   u"Array index is not a positive integer (" + numberToString(length) + u").");
                m_m.resizeArray(a, size_t(length));
                return;
            }
        }
        if (o->traits()) {
            if (const Binding* b = o->traits()->find(mn)) {
                writeBinding(target, o, *b, mn, v, init);
                return;
            }
        }
        if (isProxy(o)) {
            const Value args[2] = {proxyName(mn), v};
            Machine::Pin keep(m_m, args[0]);
            proxyTrap(target, u"setProperty", args);
            return;
        }
        if (o->isDynamic() && mn.hasPublicRoot() && !mn.anyName) {
            o->setOwn(std::u16string(mn.text), v);
            return;
        }
    }
    m_m.throwError("ReferenceError", 1056,
                   u"Cannot create property " + describeName(mn) + u" on " + className(target) + u".");
}

bool Interpreter::deleteProperty(Value target, const Multiname& mn) {
    if (target.isNullish())
        nullReceiver(target);
    if (!target.isObject())
        return false;
    Object* o = target.asObject();
    if (isE4x(target))
        return xmlDeleteProperty(m_m, target, mn);
    if (DictionaryObject* d = keyedDictionary(o, mn))
        return d->remove(mn.objectKey);
    if (asVector(target) && mn.isIndex && mn.hasPublicRoot())
        return false;  // a vector's elements cannot be deleted
    if (auto* a = dynamic_cast<ArrayObject*>(o); a && mn.isIndex && mn.hasPublicRoot()) {
        if (mn.index < a->elements().size())
            a->elements()[mn.index] = Value();
        return true;
    }
    if (o->traits() && o->traits()->find(mn))
        return false;  // fixed members cannot be deleted
    if (isProxy(o)) {
        const Value name[1] = {proxyName(mn)};
        Machine::Pin keep(m_m, name[0]);
        return toBoolean(proxyTrap(target, u"deleteProperty", name));
    }
    if (!mn.hasPublicRoot() || mn.anyName)
        return false;
    const std::u16string key(mn.text);
    o->deleteOwn(key);
    return true;
}

bool Interpreter::hasProperty(Value target, const Multiname& mn) {
    if (!target.isObject())
        return false;
    Object* o = target.asObject();
    if (isE4x(target))
        return xmlHasProperty(m_m, target, mn);
    if (DictionaryObject* d = keyedDictionary(o, mn))
        return d->find(mn.objectKey) != nullptr;
    if (VectorObject* vec = asVector(target); vec && mn.isIndex && mn.hasPublicRoot())
        return mn.index < vec->size();
    if (auto* a = dynamic_cast<ArrayObject*>(o); a && mn.isIndex && mn.hasPublicRoot())
        return mn.index < a->elements().size();
    if (o->traits() && o->traits()->find(mn))
        return true;
    if (isProxy(o)) {
        const Value name[1] = {proxyName(mn)};
        Machine::Pin keep(m_m, name[0]);
        return toBoolean(proxyTrap(target, u"hasProperty", name));
    }
    return mn.hasPublicRoot() && !mn.anyName && o->find(std::u16string(mn.text)) != nullptr;
}

Value Interpreter::callProperty(Value receiver, const Multiname& mn, std::span<const Value> args, bool lex) {
    if (receiver.isNullish())
        nullReceiver(receiver);
    if (receiver.isObject() && receiver.asObject()->traits()) {
        if (const Binding* b = receiver.asObject()->traits()->find(mn); b && b->kind == Binding::Kind::Method)
            return m_m.invoke(*b, b->method, receiver, args);
        if (isProxy(receiver.asObject()) && !receiver.asObject()->traits()->find(mn)) {
            std::vector<Value> all{proxyName(mn)};
            all.insert(all.end(), args.begin(), args.end());
            Machine::Pin keep(m_m, all[0]);
            return proxyTrap(receiver, u"callProperty", all);
        }
    }
    // XML's methods are reached by calls only: reading the name selects children.
    Value f = isE4x(receiver) ? xmlMethod(m_m, receiver, mn) : getProperty(receiver, mn);
    if (!f.isObject())
        m_m.throwError("TypeError", 1006, describeName(mn) + u" is not a function.");
    Machine::Pin keep(m_m, f);
    return m_m.call(f, lex ? Value::null() : receiver, args);
}

Value Interpreter::callMethod(Value receiver, uint32_t dispatchId, std::span<const Value> args) {
    if (receiver.isNullish())
        nullReceiver(receiver);
    if (receiver.isObject() && receiver.asObject()->traits() && dispatchId != 0) {
        for (const auto& [name, b] : receiver.asObject()->traits()->bindings) {
            if (b.kind == Binding::Kind::Method && b.dispatchId == dispatchId)
                return m_m.invoke(b, b.method, receiver, args);
        }
    }
    m_m.throwError("ReferenceError", 1070,
                   u"Method " + numberToString(dispatchId) + u" not found on " + className(receiver) + u".");
}

namespace {

// A proxy on the scope chain (`this` in its own methods) is searched by its
// traits only: asking its hasProperty trap would run the method that is
// itself looking up a name.
bool proxyInScope(Value s, const Multiname& mn, bool& found) {
    if (!s.isObject() || !isProxy(s.asObject()))
        return false;
    found = s.asObject()->traits()->find(mn) != nullptr;
    return true;
}

}  // namespace

Value Interpreter::findProperty(const Machine::Frame& frame, Value* scopeTop, const Multiname& mn, bool strict) {
    auto has = [&](Value s) {
        bool found = false;
        return proxyInScope(s, mn, found) ? found : hasProperty(s, mn);
    };
    for (Value* s = scopeTop; s > frame.scope;) {
        --s;
        if (has(*s))
            return *s;
    }
    if (frame.outerScope) {
        for (auto it = frame.outerScope->rbegin(); it != frame.outerScope->rend(); ++it) {
            if (has(*it))
                return *it;
        }
    }
    if (mn.name) {
        for (const Namespace* ns : mn.namespaces) {
            if (const Domain::Definition* d = frame.file->domain->find(QName{ns, mn.name}))
                return Value::object(m_m.ensureScript(*d->file, d->script));
        }
    }
    if (m_m.m_packageTraits->find(mn))
        return Value::object(m_m.m_packages);
    const Value global = Value::object(m_m.m_global);
    if (hasProperty(global, mn))
        return global;
    if (!strict) {
        Object* g = globalObject(frame);
        return Value::object(g ? g : m_m.m_global);
    }
    m_m.throwError("ReferenceError", 1065, u"Variable " + describeName(mn) + u" is not defined.");
}

const ClassObject* Interpreter::superClass(const Machine::Frame& frame) {
    if (!frame.owner || !frame.owner->base())
        m_m.stop("super used outside a method of a class with a base");
    return frame.owner->base();
}

Value Interpreter::getSuper(const Machine::Frame& frame, Value receiver, const Multiname& mn) {
    if (receiver.isNullish())
        nullReceiver(receiver);
    const ClassObject* base = superClass(frame);
    if (const Binding* b = base->instanceTraits().find(mn))
        return readBinding(receiver, *b, mn);
    return getProperty(receiver, mn);
}

void Interpreter::setSuper(const Machine::Frame& frame, Value receiver, const Multiname& mn, Value v) {
    if (receiver.isNullish())
        nullReceiver(receiver);
    const ClassObject* base = superClass(frame);
    if (const Binding* b = base->instanceTraits().find(mn); b && receiver.isObject()) {
        writeBinding(receiver, receiver.asObject(), *b, mn, v, false);
        return;
    }
    setProperty(receiver, mn, v, false);
}

Value Interpreter::callSuper(const Machine::Frame& frame, Value receiver, const Multiname& mn,
                             std::span<const Value> args) {
    if (receiver.isNullish())
        nullReceiver(receiver);
    const ClassObject* base = superClass(frame);
    const Binding* b = base->instanceTraits().find(mn);
    if (b && b->kind == Binding::Kind::Method)
        return m_m.invoke(*b, b->method, receiver, args);
    Value f = b ? readBinding(receiver, *b, mn) : getProperty(receiver, mn);
    if (!f.isObject())
        m_m.throwError("TypeError", 1006, describeName(mn) + u" is not a function.");
    Machine::Pin keep(m_m, f);
    return m_m.call(f, receiver, args);
}

void Interpreter::constructSuper(const Machine::Frame& frame, Value receiver, std::span<const Value> args) {
    if (receiver.isNullish())
        nullReceiver(receiver);
    const ClassObject* base = superClass(frame);
    if (base->init())
        m_m.execute(*base->init().file, base->init().method, receiver, args.data(), uint32_t(args.size()),
                    &base->scope(), base);
    else if (base->nativeInit())
        base->nativeInit()(m_m, receiver, args);
}

Value Interpreter::newObject(Value* pairs, uint32_t count) {
    Object* o = m_m.newObject();
    Machine::Pin keep(m_m, Value::object(o));
    for (uint32_t i = 0; i < count; ++i)
        o->setOwn(m_m.toString(pairs[2 * i])->text(), pairs[2 * i + 1]);
    return Value::object(o);
}

Value Interpreter::restObject(const Value* args, uint32_t from, uint32_t argc) {
    return Value::object(m_m.newArray(std::span<const Value>(args + from, argc > from ? argc - from : 0)));
}

Value Interpreter::newFunction(const LoadedAbc& file, uint32_t method, const Machine::Frame& frame, Value* scopeTop) {
    std::vector<Value> scope;
    if (frame.outerScope)
        scope = *frame.outerScope;
    scope.insert(scope.end(), frame.scope, scopeTop);
    FunctionObject* f = m_m.m_heap.make<FunctionObject>(m_m.m_functionProto, file, method, std::move(scope));
    Machine::Pin keep(m_m, Value::object(f));
    // Every function can be a constructor, with a prototype of its own.
    Object* proto = m_m.newObject();
    proto->setOwn(u"constructor", Value::object(f));
    f->setOwn(u"prototype", Value::object(proto));
    return Value::object(f);
}

Value Interpreter::newActivation(const LoadedAbc& constFile, uint32_t method) {
    auto& file = const_cast<LoadedAbc&>(constFile);
    const uint32_t bodyIndex = file.abc.methods[method].body;
    std::unique_ptr<Traits>& traits = file.activationTraits[bodyIndex];
    if (!traits) {
        auto built = buildTraits(file, file.abc.bodies[bodyIndex].traits, nullptr, nullptr, nullptr);
        if (!built)
            m_m.throwError("VerifyError", 1053, built.error());
        traits = std::move(*built);
    }
    return Value::object(m_m.m_heap.make<Object>(nullptr, traits.get(), nullptr, false));
}

Value Interpreter::newClass(const LoadedAbc& file, uint32_t index, Value baseValue, const Machine::Frame& frame,
                            Value* scopeTop) {
    const InstanceInfo& inst = file.abc.instances[index];
    const ClassInfo& cls = file.abc.classes[index];
    const MultinameInfo& nameInfo = file.abc.multinames[inst.name];
    ClassObject* base = nullptr;
    if (!baseValue.isNull()) {
        base = baseValue.isObject() ? dynamic_cast<ClassObject*>(baseValue.asObject()) : nullptr;
        if (!base)
            m_m.throwError("VerifyError", 1014,
                           u"Class " + file.strings[nameInfo.name]->text() + u" has a base that is not a class.");
        if (base->isFinal())
            m_m.throwError("VerifyError", 1103,
                           u"Class " + file.strings[nameInfo.name]->text() + u" cannot extend final base class.");
    }
    ClassObject::Parts parts;
    parts.name = QName{file.namespaces[nameInfo.ns], file.strings[nameInfo.name]};
    parts.base = base;
    parts.sealed = inst.flags & InstanceInfo::Sealed;
    parts.final = inst.flags & InstanceInfo::Final;
    parts.interface = inst.flags & InstanceInfo::Interface;
    parts.init = MethodRef{&file, inst.init};
    if (inst.flags & InstanceInfo::ProtectedNs)
        parts.protectedNs = file.namespaces[inst.protectedNs];
    auto instanceTraits = buildTraits(file, inst.traits, base ? &base->instanceTraits() : nullptr, parts.protectedNs,
                                      base ? base->protectedNs() : nullptr);
    if (!instanceTraits)
        m_m.throwError("VerifyError", 1053, instanceTraits.error());
    auto staticTraits = buildTraits(file, cls.traits, nullptr, nullptr, nullptr);
    if (!staticTraits)
        m_m.throwError("VerifyError", 1053, staticTraits.error());
    parts.instanceTraits = std::move(*instanceTraits);
    parts.staticTraits = std::move(*staticTraits);
    for (uint32_t i : inst.interfaces) {
        const MultinameInfo& in = file.abc.multinames[i];
        Value found;
        if (in.kind == MultinameKind::QName) {
            found = m_m.findDefinition(QName{file.namespaces[in.ns], file.strings[in.name]}, file.domain);
        } else if (in.kind == MultinameKind::Multiname) {
            for (Namespace* ns : file.nsSets[in.nsSet]) {
                found = m_m.findDefinition(QName{ns, file.strings[in.name]}, file.domain);
                if (!found.isUndefined())
                    break;
            }
        }
        auto* iface = found.isObject() ? dynamic_cast<ClassObject*>(found.asObject()) : nullptr;
        if (!iface || !iface->isInterface())
            m_m.throwError("VerifyError", 1014,
                           u"Interface " + file.strings[in.name]->text() + u" could not be found.");
        parts.interfaces.push_back(iface);
    }
    Object* prototype = m_m.m_heap.make<Object>(base ? base->prototype() : m_m.m_objectProto, 0);
    Machine::Pin keepPrototype(m_m, Value::object(prototype));
    parts.prototype = prototype;
    ClassObject* c = m_m.m_heap.make<ClassObject>(m_m.m_objectProto, std::move(parts));
    Machine::Pin keepClass(m_m, Value::object(c));
    prototype->setOwn(u"constructor", Value::object(c));
    Traits& traits = c->mutableInstanceTraits();
    traits.types.push_back(c);
    for (ClassObject* iface : c->interfaces()) {
        for (const void* t : iface->instanceTraits().types)
            traits.types.push_back(t);
    }
    for (auto& [name, b] : traits.bindings) {
        if (!b.owner && (b.kind == Binding::Kind::Method || b.kind == Binding::Kind::Accessor))
            b.owner = c;
    }
    m_m.bindInterfaceNames(traits, c->interfaces());
    std::vector<Value> scope;
    if (frame.outerScope)
        scope = *frame.outerScope;
    scope.insert(scope.end(), frame.scope, scopeTop);
    c->setScope(std::move(scope));
    // Static methods belong to the class too.
    auto& statics = const_cast<Traits&>(*c->traits());
    for (auto& [name, b] : statics.bindings) {
        if (!b.owner && (b.kind == Binding::Kind::Method || b.kind == Binding::Kind::Accessor))
            b.owner = c;
    }
    const_cast<LoadedAbc&>(file).classes[index] = c;
    m_m.execute(file, cls.init, Value::object(c), nullptr, 0, &c->staticScope(), c);
    return Value::object(c);
}

TypeRef Interpreter::resolveType(const LoadedAbc& file, uint32_t multiname) {
    TypeRef type;
    if (multiname == 0) {
        type.builtin = TypeRef::Builtin::Any;
        return type;
    }
    const MultinameInfo& info = file.abc.multinames[multiname];
    const MultinameInfo& named = info.kind == MultinameKind::TypeName ? file.abc.multinames[info.typeBase] : info;
    const String* name = file.strings[named.name];
    std::span<Namespace* const> namespaces = named.kind == MultinameKind::QName || named.kind == MultinameKind::QNameA
                                                 ? std::span<Namespace* const>(&file.namespaces[named.ns], 1)
                                                 : std::span<Namespace* const>(file.nsSets[named.nsSet]);
    bool publicRoot = false;
    for (const Namespace* ns : namespaces)
        publicRoot = publicRoot || ns->isPublicRoot();
    if (publicRoot) {
        static const std::pair<const char16_t*, TypeRef::Builtin> builtins[] = {
            {u"int", TypeRef::Builtin::Int},         {u"uint", TypeRef::Builtin::UInt},
            {u"Number", TypeRef::Builtin::Number},   {u"String", TypeRef::Builtin::String},
            {u"Boolean", TypeRef::Builtin::Boolean}, {u"void", TypeRef::Builtin::Void}};
        for (const auto& [text, builtin] : builtins) {
            if (name->text() == text) {
                type.builtin = builtin;
                return type;
            }
        }
    }
    for (const Namespace* ns : namespaces) {
        Value found = m_m.findDefinition(QName{ns, name}, file.domain);
        if (auto* c = found.isObject() ? dynamic_cast<ClassObject*>(found.asObject()) : nullptr) {
            type.cls = info.kind == MultinameKind::TypeName ? applyTypeName(file, info, c) : c;
            return type;
        }
    }
    m_m.throwError("VerifyError", 1014, u"Class " + name->text() + u" could not be found.");
}

ClassObject* Interpreter::applyTypeName(const LoadedAbc& file, const MultinameInfo& info, ClassObject* generic) {
    Value param = Value::null();
    if (!info.typeParameters.empty() && info.typeParameters[0] != 0) {
        const TypeRef p = resolveType(file, info.typeParameters[0]);
        static const std::pair<TypeRef::Builtin, const char16_t*> classes[] = {
            {TypeRef::Builtin::Int, u"int"},         {TypeRef::Builtin::UInt, u"uint"},
            {TypeRef::Builtin::Number, u"Number"},   {TypeRef::Builtin::String, u"String"},
            {TypeRef::Builtin::Boolean, u"Boolean"}, {TypeRef::Builtin::Void, u"void"}};
        if (p.cls)
            param = Value::object(const_cast<ClassObject*>(p.cls));
        for (const auto& [builtin, name] : classes) {
            if (p.builtin == builtin)
                param = Value::object(m_m.coreClass(name));
        }
    }
    return applyVectorType(m_m, Value::object(generic), param);
}

TypeRef Interpreter::typeOfValue(Value type) {
    auto* c = type.isObject() ? dynamic_cast<ClassObject*>(type.asObject()) : nullptr;
    if (!c)
        m_m.throwError("TypeError", 1041, u"The right-hand side of operator must be a class.");
    TypeRef t;
    t.cls = c;
    return t;
}

bool Interpreter::isType(Value v, const TypeRef& type) {
    if (type.cls)
        return m_m.isInstance(v, type.cls);
    switch (type.builtin) {
    case TypeRef::Builtin::Any:
        return true;
    case TypeRef::Builtin::Void:
        return v.isUndefined();
    case TypeRef::Builtin::Int:
        return v.isInt() || (v.isNumeric() && double(toInt32(v.numeric())) == v.numeric());
    case TypeRef::Builtin::UInt:
        return v.isNumeric() && double(toUInt32(v.numeric())) == v.numeric();
    case TypeRef::Builtin::Number:
        return v.isNumeric();
    case TypeRef::Builtin::String:
        return v.isString();
    case TypeRef::Builtin::Boolean:
        return v.isBoolean();
    case TypeRef::Builtin::None:
        break;
    }
    return false;
}

Value Interpreter::coerce(Value v, const TypeRef& type) {
    switch (type.builtin) {
    case TypeRef::Builtin::Any:
        return v;
    case TypeRef::Builtin::Void:
        return Value();
    case TypeRef::Builtin::Int:
        return Value::fromInt(int32(v));
    case TypeRef::Builtin::UInt:
        return Value::number(uint32(v));
    case TypeRef::Builtin::Number:
        return Value::number(number(v));
    case TypeRef::Builtin::String:
        return v.isNullish() ? Value::null() : Value::string(m_m.toString(v));
    case TypeRef::Builtin::Boolean:
        return Value::boolean(toBoolean(v));
    case TypeRef::Builtin::None:
        break;
    }
    if (v.isNullish())
        return Value::null();
    if (m_m.isInstance(v, type.cls))
        return v;
    m_m.throwError("TypeError", 1034,
                   u"Type Coercion failed: cannot convert " + className(v) + u" to " + type.cls->displayName() + u".");
}

bool Interpreter::instanceOf(Value v, Value type) {
    Object* prototype = nullptr;
    if (type.isObject()) {
        if (auto* c = dynamic_cast<ClassObject*>(type.asObject()))
            prototype = c->prototype();
        else if (const Value* p = type.asObject()->findOwn(u"prototype"); p && p->isObject())
            prototype = p->asObject();
    }
    if (!prototype)
        m_m.throwError("TypeError", 1040, u"The right-hand side of instanceof must be a class or function.");
    if (!v.isObject())
        return false;
    for (const Object* p = v.asObject()->proto(); p; p = p->proto()) {
        if (p == prototype)
            return true;
    }
    return false;
}

Object* Interpreter::slotHolder(Value v, uint32_t id) {
    if (v.isNullish())
        nullReceiver(v);
    if (!v.isObject() || !v.asObject()->hasSlot(id))
        m_m.stop("slot " + std::to_string(id) + " does not exist on the object");
    return v.asObject();
}

Object* Interpreter::globalObject(const Machine::Frame& frame) {
    if (frame.outerScope && !frame.outerScope->empty() && frame.outerScope->front().isObject())
        return frame.outerScope->front().asObject();
    if (frame.scopeTop > frame.scope && frame.scope[0].isObject())
        return frame.scope[0].asObject();
    return nullptr;
}

bool Interpreter::handlerMatches(const LoadedAbc& file, const Handler& h) {
    if (h.type == 0)
        return true;
    return isType(m_m.m_thrown, resolveType(file, h.type));
}

namespace {

// Enumerable members: an array's or a vector's elements or a dictionary's object keys,
// then the dynamic properties.
size_t elementCount(const Object* o) {
    if (auto* a = dynamic_cast<const ArrayObject*>(o))
        return a->elements().size();
    if (auto* d = dynamic_cast<const DictionaryObject*>(o))
        return d->slotCount();
    if (auto* v = dynamic_cast<const VectorObject*>(o))
        return v->size();
    if (isE4x(Value::object(const_cast<Object*>(o))))
        return xmlLength(Value::object(const_cast<Object*>(o)));
    return 0;
}

}  // namespace

int32_t Interpreter::nextIndex(Value object, int32_t index) {
    if (!object.isObject() || index < 0)
        return 0;
    const Object* o = object.asObject();
    if (isProxy(o)) {
        const Value at[1] = {Value::fromInt(index)};
        return int32(proxyTrap(object, u"nextNameIndex", at));
    }
    const size_t elements = elementCount(o);
    const size_t total = elements + o->dynamicCount();
    size_t next = size_t(index) + 1;
    auto* d = dynamic_cast<const DictionaryObject*>(o);
    while (next <= total && (next > elements ? !o->enumerableAt(next - elements - 1) : d && !d->liveAt(next - 1)))
        ++next;
    return next <= total ? int32_t(next) : 0;
}

Value Interpreter::nameAt(Value object, int32_t index) {
    if (!object.isObject() || index < 1)
        return Value();
    const Object* o = object.asObject();
    if (isProxy(o)) {
        const Value at[1] = {Value::fromInt(index)};
        return proxyTrap(object, u"nextName", at);
    }
    const size_t elements = elementCount(o);
    if (auto* d = dynamic_cast<const DictionaryObject*>(o); d && size_t(index) <= elements)
        return d->liveAt(size_t(index) - 1) ? Value::object(d->keyAt(size_t(index) - 1)) : Value();
    if (size_t(index) <= elements)
        return m_m.string(numberToString(index - 1));
    if (size_t(index) > elements + o->dynamicCount())
        return Value();
    return m_m.string(o->dynamicAt(size_t(index) - elements - 1).first);
}

Value Interpreter::valueAt(Value object, int32_t index) {
    if (!object.isObject() || index < 1)
        return Value();
    const Object* o = object.asObject();
    if (isProxy(o)) {
        const Value at[1] = {Value::fromInt(index)};
        return proxyTrap(object, u"nextValue", at);
    }
    const size_t elements = elementCount(o);
    if (auto* d = dynamic_cast<const DictionaryObject*>(o); d && size_t(index) <= elements)
        return d->valueAt(size_t(index) - 1);
    if (auto* v = dynamic_cast<const VectorObject*>(o); v && size_t(index) <= elements)
        return v->get(size_t(index) - 1);
    if (isE4x(object) && size_t(index) <= elements)
        return xmlItem(m_m, object, uint32_t(index - 1));
    if (size_t(index) <= elements)
        return static_cast<const ArrayObject*>(o)->elements()[size_t(index) - 1];
    if (size_t(index) > elements + o->dynamicCount())
        return Value();
    return o->dynamicAt(size_t(index) - elements - 1).second;
}

Value Interpreter::newCatch(const LoadedAbc& constFile, uint32_t method, uint32_t handler) {
    auto& file = const_cast<LoadedAbc&>(constFile);
    const uint32_t bodyIndex = file.abc.methods[method].body;
    std::unique_ptr<Traits>& traits = file.catchTraits[{bodyIndex, handler}];
    if (!traits) {
        traits = std::make_unique<Traits>();
        traits->slotDefaults.resize(1);
        const ExceptionInfo& e = file.abc.bodies[bodyIndex].exceptions[handler];
        const MultinameInfo& var = file.abc.multinames[e.varName];
        if (e.varName != 0 && var.kind == MultinameKind::QName) {
            Binding b;
            b.slot = 1;
            traits->bindings[QName{file.namespaces[var.ns], file.strings[var.name]}] = b;
        }
    }
    return Value::object(m_m.m_heap.make<Object>(nullptr, traits.get(), nullptr, false));
}

Value Interpreter::escapeXml(Value v, bool attribute) {
    // An XML value inside a literal's element text is its markup.
    if (!attribute && isE4x(v))
        return m_m.string(xmlToXmlString(m_m, v));
    const std::u16string& text = m_m.toString(v)->text();
    std::u16string out;
    out.reserve(text.size());
    for (char16_t c : text) {
        switch (c) {
        case u'&':
            out += u"&amp;";
            break;
        case u'<':
            out += u"&lt;";
            break;
        case u'>':
            out += attribute ? u">" : u"&gt;";
            break;
        case u'"':
            out += attribute ? u"&quot;" : u"\"";
            break;
        case u'\t':
            out += attribute ? u"&#x9;" : u"\t";
            break;
        case u'\n':
            out += attribute ? u"&#xA;" : u"\n";
            break;
        case u'\r':
            out += attribute ? u"&#xD;" : u"\r";
            break;
        default:
            out.push_back(c);
        }
    }
    return m_m.string(std::move(out));
}

uint8_t* Interpreter::memory(Value address, size_t size) {
    const double a = number(address);
    std::vector<uint8_t>* mem = m_m.m_domainMemory;
    if (!mem || !(a >= 0) || a + double(size) > double(mem->size()))
        m_m.throwError("RangeError", 1506, u"The specified range is invalid.");
    return mem->data() + size_t(a);
}

Value Interpreter::proxyName(const Multiname& mn) {
    Value uri = m_m.string(u"");
    if (mn.namespaces.size() == 1 && !mn.hasPublicRoot())
        uri = m_m.string(mn.namespaces[0]->uri());
    Machine::Pin keep(m_m, uri);
    return newQName(m_m, uri, m_m.string(std::u16string(mn.text)), mn.attribute);
}

Value Interpreter::proxyTrap(Value target, const char16_t* trap, std::span<const Value> args) {
    const Namespace* ns = m_m.internNamespace(NamespaceGroup::Public, FlashProxyUri);
    const Binding* b = target.asObject()->traits()->find(QName{ns, m_m.intern(trap)});
    if (!b || b->kind != Binding::Kind::Method)
        m_m.throwError("TypeError", 1006, std::u16string(trap) + u" is not a function.");
    return m_m.invoke(*b, b->method, target, args);
}

void Interpreter::unsupported(Op op) {
    m_m.stop(std::string("instruction ") + opInfo(uint8_t(op)).mnemonic + " is not supported yet");
}

}  // namespace avm2
