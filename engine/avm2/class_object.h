// Classes and bound methods.
//
// A ClassObject is the value a class name evaluates to: its own (static)
// members are its traits, and it carries the traits of its instances, its
// base class, the prototype object its instances inherit dynamic members
// from, and the scope chain its methods run in (the scope where `newclass`
// ran, plus the class itself).
#pragma once

#include "avm2/names.h"
#include "avm2/object.h"
#include "avm2/traits.h"

#include <memory>
#include <string>
#include <vector>

namespace avm2 {

class ClassObject final : public Object {
public:
    struct Parts {
        QName name;
        ClassObject* base = nullptr;
        std::unique_ptr<Traits> staticTraits;
        std::unique_ptr<Traits> instanceTraits;
        Object* prototype = nullptr;
        MethodRef init;                       // the instance initialiser, for classes of a file
        NativeCode nativeInit = nullptr;      // for the core classes
        NativeCode callAsFunction = nullptr;  // int(x), String(x): for the core classes
        NativeCode create = nullptr;          // makes the instance: for core classes of their own storage
        bool sealed = false;
        bool final = false;
        bool interface = false;
        std::vector<ClassObject*> interfaces;
        const Namespace* protectedNs = nullptr;
    };
    ClassObject(Object* proto, Parts parts);

    [[nodiscard]] const QName& name() const { return m_parts.name; }
    [[nodiscard]] std::u16string displayName() const;
    [[nodiscard]] ClassObject* base() const { return m_parts.base; }
    [[nodiscard]] const Traits& instanceTraits() const { return *m_parts.instanceTraits; }
    [[nodiscard]] Traits& mutableInstanceTraits() { return *m_parts.instanceTraits; }
    [[nodiscard]] Object* prototype() const { return m_parts.prototype; }
    [[nodiscard]] const MethodRef& init() const { return m_parts.init; }
    [[nodiscard]] NativeCode nativeInit() const { return m_parts.nativeInit; }
    [[nodiscard]] NativeCode callAsFunction() const { return m_parts.callAsFunction; }
    [[nodiscard]] NativeCode create() const { return m_parts.create; }
    [[nodiscard]] bool sealed() const { return m_parts.sealed; }
    [[nodiscard]] bool isFinal() const { return m_parts.final; }
    [[nodiscard]] bool isInterface() const { return m_parts.interface; }
    [[nodiscard]] const std::vector<ClassObject*>& interfaces() const { return m_parts.interfaces; }
    [[nodiscard]] const Namespace* protectedNs() const { return m_parts.protectedNs; }

    // The scope chain of the class's instance methods: what was in scope
    // where the class was made, then the class itself.
    [[nodiscard]] const std::vector<Value>& scope() const { return m_scope; }
    // Static methods and the class initialiser see only what was in scope
    // where the class was made, so an unqualified name in a static method
    // finds the global of that name, never the class's own static.
    [[nodiscard]] const std::vector<Value>& staticScope() const { return m_staticScope; }
    // The scope a method of this class runs in, by its receiver.
    [[nodiscard]] const std::vector<Value>& scopeFor(Value receiver) const {
        return receiver.isObject() && receiver.asObject() == this ? m_staticScope : m_scope;
    }
    void setScope(std::vector<Value> outer) {
        m_staticScope = outer;
        outer.push_back(Value::object(this));
        m_scope = std::move(outer);
    }

    void trace(Tracer& tracer) const override;

private:
    Parts m_parts;
    std::vector<Value> m_scope;
    std::vector<Value> m_staticScope;
};

// The class name errors show for a value: "int", "String", "Array", and
// "Array$" for the class itself.
[[nodiscard]] std::u16string classNameOf(Value v);

// A method taken from an object (`var f = o.m`): calling it runs the
// method with the object as `this`, whatever `this` the call gives.
class MethodClosure final : public Object {
public:
    MethodClosure(Object* proto, Value receiver, MethodRef method, const ClassObject* owner)
        : Object(proto, 0), m_receiver(receiver), m_method(method), m_owner(owner) {}

    [[nodiscard]] Value receiver() const { return m_receiver; }
    [[nodiscard]] const MethodRef& method() const { return m_method; }
    // The class whose scope the method runs in; null for a script's method.
    [[nodiscard]] const ClassObject* owner() const { return m_owner; }

    void trace(Tracer& tracer) const override;

private:
    Value m_receiver;
    MethodRef m_method;
    const ClassObject* m_owner;
};

}  // namespace avm2
