// Running code: top-level blocks and script function calls with their
// activations, arguments and DefineFunction2 register preloads.
#include "script/interpreter.h"

#include "script/action_codes.h"
#include "script/array_object.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/movie_origins.h"
#include "script/runtime.h"
#include "script/variables.h"

namespace script {

namespace {

// Restores the operand stack and the scope chain when a run leaves early.
class StackMark {
public:
    StackMark(std::vector<Value>& stack, size_t height) : m_stack(stack), m_height(height) {}
    StackMark(const StackMark&) = delete;
    StackMark& operator=(const StackMark&) = delete;
    ~StackMark() {
        if (m_stack.size() > m_height)
            m_stack.resize(m_height);
    }

private:
    std::vector<Value>& m_stack;
    size_t m_height;
};

}  // namespace

void Interpreter::runBlock(std::span<const uint8_t> code, StageObject* clip) {
    if (!clip)
        return;
    Runtime::CallDepth depth(m_rt);
    Frame f = timelineFrame(m_rt, clip);
    RunningCode running(m_rt, clip);
    f.code = code;
    f.stackBase = m_rt.stack.size();
    StackMark mark(m_rt.stack, f.stackBase);
    Completion c = execute(f, 0, code.size());
    if (c.exit == Exit::Jump)
        malformed("a jump leaves its action block");
}

Value Interpreter::callScript(ScriptFunction& fn, const Value& self, std::span<const Value> args, Object* home) {
    Runtime::CallDepth depth(m_rt);
    const FunctionCode& code = fn.code();
    Frame f;
    f.code = code.body;
    f.constants = code.constants;
    f.scopes = fn.scope();
    Object* activation = m_rt.heap.make<Object>(nullptr);
    f.scopes.push_back(activation);
    f.activation = activation;
    f.timeline = false;
    Object* selfObject = self.isObject() ? self.asObject() : toObject(m_rt, self);
    f.self = selfObject ? Value(selfObject) : Value();
    Object* target = fn.target();
    if (target && target->objectClass() == ObjectClass::Stage)
        f.target = f.baseTarget = static_cast<StageObject*>(target);
    RunningCode running(m_rt, f.baseTarget);
    f.callee = &fn;
    f.home = home;
    f.registers.resize(code.version2 ? std::max<size_t>(code.registerCount, 1) : 4);

    const uint16_t flags = code.version2 ? code.flags : 0;
    const bool wantArguments = !(flags & FunctionFlag::SuppressArguments) || (flags & FunctionFlag::PreloadArguments);
    Value arguments;
    if (wantArguments) {
        ArrayObject* list = m_rt.newArray(std::vector<Value>(args.begin(), args.end()));
        m_rt.defineValue(list, u"callee", Value(&fn));
        arguments = Value(list);
    }
    if (code.version2) {
        size_t reg = 1;
        auto preload = [&](uint16_t flag, auto make) {
            if (!(flags & flag))
                return;
            if (reg < f.registers.size())
                f.registers[reg] = make();
            ++reg;
        };
        preload(FunctionFlag::PreloadThis, [&] { return f.self; });
        preload(FunctionFlag::PreloadArguments, [&] { return arguments; });
        preload(FunctionFlag::PreloadSuper, [&] {
            Object* start = home ? home : (selfObject ? selfObject->proto() : nullptr);
            return Value(m_rt.heap.make<SuperObject>(nullptr, selfObject, start));
        });
        preload(FunctionFlag::PreloadRoot, [&] { return Value(m_rt.rootObject()); });
        preload(FunctionFlag::PreloadParent, [&] {
            model::DisplayObject* d = f.target ? f.target->display() : nullptr;
            model::MovieClip* parent = d ? d->parentClip() : nullptr;
            return parent ? Value(m_rt.objectFor(*parent)) : Value();
        });
        preload(FunctionFlag::PreloadGlobal, [&] { return Value(m_rt.global); });
    }
    if (wantArguments && !(flags & FunctionFlag::PreloadArguments))
        activation->properties().add(String(u"arguments"), arguments, PropertyFlag::DontEnum);
    for (size_t i = 0; i < code.params.size(); ++i) {
        Value arg = i < args.size() ? args[i] : Value();
        const FunctionParam& param = code.params[i];
        if (code.version2 && param.reg != 0) {
            if (param.reg < f.registers.size())
                f.registers[param.reg] = std::move(arg);
        } else {
            putOwn(m_rt, activation, param.name.view(), arg);
        }
    }

    f.stackBase = m_rt.stack.size();
    StackMark mark(m_rt.stack, f.stackBase);
    Completion c = execute(f, 0, f.code.size());
    if (c.exit == Exit::Jump)
        malformed("a jump leaves its function");
    return c.exit == Exit::Return ? c.value : Value();
}

}  // namespace script
