// The stack machine for SWF 4 to 8 action records.
//
// Code is decoded as it runs; a record whose length runs past the end of the
// block, a jump outside the block, an unknown push type or a constant index
// past the pool stop the block with a MalformedActions error (the entry's
// other scripts go on). Unknown action codes are skipped, as the player
// skips them. Every action is charged to the entry's budget.
//
// Control flow inside a block (Try, With) runs sub-ranges of the same code
// recursively (each nesting counts against the call depth); a jump that
// leaves a sub-range ends it and continues in the range that contains the
// target.
#pragma once

#include "script/frame.h"
#include "script/value.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace script {

class Runtime;
class ScriptFunction;

class Interpreter {
public:
    explicit Interpreter(Runtime& rt) : m_rt(rt) {}

    // A top-level block in a clip's timeline (frame actions, clip events,
    // button actions). Throws ScriptAbort and ScriptThrow to the caller.
    void runBlock(std::span<const uint8_t> code, StageObject* clip);
    // A script function's body.
    Value callScript(ScriptFunction& fn, const Value& self, std::span<const Value> args, Object* home);

private:
    enum class Exit : uint8_t { Normal, End, Return, Jump };
    struct Completion {
        Exit exit = Exit::Normal;
        size_t target = 0;  // Jump
        Value value;        // Return
    };
    struct Record {
        uint8_t code = 0;
        std::span<const uint8_t> payload;
        size_t next = 0;
    };

    Completion execute(Frame& f, size_t begin, size_t end);
    [[nodiscard]] Record decode(const Frame& f, size_t pc) const;
    [[noreturn]] void malformed(const char* what) const;
    // Where a taken branch goes: continue at `pc` (true) or leave the range.
    bool branch(size_t target, size_t begin, size_t end, size_t& pc, Completion& out) const;
    size_t skipActions(const Frame& f, size_t pc, unsigned count) const;

    // --- stack ---------------------------------------------------------------
    void push(Value v);
    Value pop(Frame& f);
    [[nodiscard]] const Value& peek(Frame& f);
    double popNumber(Frame& f);
    String popString(Frame& f);
    std::vector<Value> popArgs(Frame& f);
    Value boolResult(bool b) const;  // SWF 4 pushes 1/0, later versions booleans

    // --- families of actions ---------------------------------------------------
    void doPush(Frame& f, std::span<const uint8_t> payload);
    void doConstantPool(Frame& f, std::span<const uint8_t> payload);
    bool doArithmetic(Frame& f, uint8_t code);  // SWF 4/5 numbers, strings, logic, bits
    void doDefineFunction(Frame& f, const Record& r, size_t& pc, bool version2);
    void doCallFunction(Frame& f);
    void doCallMethod(Frame& f);
    void doNewObject(Frame& f);
    void doNewMethod(Frame& f);
    bool doObjects(Frame& f, uint8_t code);                  // members, arrays, enumerate, instanceof...
    bool doTimeline(Frame& f, const Record& r, size_t& pc);  // SWF 3/4 clip actions
    Completion doTry(Frame& f, const Record& r, size_t& pc);
    Completion doWith(Frame& f, const Record& r, size_t& pc);

    [[nodiscard]] String readString(std::span<const uint8_t> bytes, size_t& at) const;

    Runtime& m_rt;
};

}  // namespace script
