// Functions: native ones (built-ins written in C++) and script ones (the
// bodies of DefineFunction and DefineFunction2, with the scope chain they
// were defined in). Calling them is the Runtime's job.
#pragma once

#include "script/object.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace script {

using NativeFn = Value (*)(Runtime& rt, const Value& self, std::span<const Value> args);

class FunctionObject : public Object {
public:
    explicit FunctionObject(const ObjectInit& init) : Object(ObjectClass::Function, init) {}
    [[nodiscard]] bool isCallable() const override { return true; }
    [[nodiscard]] virtual bool isNative() const = 0;
};

class NativeFunction final : public FunctionObject {
public:
    // `construct` makes the object for `new` itself (Array, Date, wrappers);
    // without one, `new` makes a plain object and calls `call` on it.
    NativeFunction(const ObjectInit& init, NativeFn call, NativeFn construct = nullptr)
        : FunctionObject(init), m_call(call), m_construct(construct) {}
    [[nodiscard]] bool isNative() const override { return true; }
    [[nodiscard]] NativeFn callFn() const { return m_call; }
    [[nodiscard]] NativeFn constructFn() const { return m_construct; }

private:
    NativeFn m_call = nullptr;
    NativeFn m_construct = nullptr;
};

using ConstantPool = std::vector<String>;

struct FunctionParam {
    String name;
    uint8_t reg = 0;  // DefineFunction2: the register it goes into, 0 for a local variable
};

struct FunctionCode {
    String name;
    std::vector<FunctionParam> params;
    std::span<const uint8_t> body;                  // points into the movie
    std::shared_ptr<const ConstantPool> constants;  // the pool in force where it was defined
    bool version2 = false;                          // DefineFunction2
    uint8_t registerCount = 4;                      // DefineFunction2's count; 4 for DefineFunction
    uint16_t flags = 0;                             // FunctionFlag bits
};

class ScriptFunction final : public FunctionObject {
public:
    ScriptFunction(const ObjectInit& init, std::shared_ptr<const FunctionCode> code, std::vector<Object*> scope,
                   Object* target)
        : FunctionObject(init), m_code(std::move(code)), m_scope(std::move(scope)), m_target(target) {}
    [[nodiscard]] bool isNative() const override { return false; }
    [[nodiscard]] const FunctionCode& code() const { return *m_code; }
    // The scope chain at the definition, outermost first (_global not included).
    [[nodiscard]] const std::vector<Object*>& scope() const { return m_scope; }
    // The timeline the function was defined in: its clip actions act on it.
    [[nodiscard]] Object* target() const { return m_target; }
    void traceRefs(std::vector<Object*>& out) const override;

private:
    std::shared_ptr<const FunctionCode> m_code;
    std::vector<Object*> m_scope;
    Object* m_target = nullptr;
};

}  // namespace script
