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

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

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
    // The action being run and the range around it. Handlers that branch or
    // skip move `pc`; one that ends the range sets `leave` and `out`.
    struct Step {
        Record record;
        size_t pc = 0;
        size_t begin = 0;
        size_t end = 0;
        bool leave = false;
        Completion out;
    };
    using Handler = void (Interpreter::*)(Frame&, Step&);
    struct Dispatch {
        Handler handler = nullptr;  // null: an unknown action, skipped
        uint8_t minPayload = 0;
    };
    static const std::array<Dispatch, 256> DispatchTable;
    static constexpr std::array<Dispatch, 256> buildDispatchTable();

    Completion execute(Frame& f, size_t begin, size_t end);
    void decode(const Frame& f, size_t pc, Record& r) const;
    [[noreturn]] void malformed(const char* what) const;
    [[noreturn]] void cutOff(uint8_t code) const;
    // Continue at `target`, or leave the range when it lies outside.
    static void goTo(Step& s, size_t target);
    // The ending of a nested block (Try, With) applied to the range around it.
    static void finishNested(Step& s, Completion c);
    void jumpBy(const Frame& f, Step& s, const char* what);
    size_t skipActions(const Frame& f, size_t pc, unsigned count) const;

    // --- stack ---------------------------------------------------------------
    void push(Value v);
    Value pop(Frame& f);
    [[nodiscard]] const Value& peek(Frame& f);
    double popNumber(Frame& f);
    String popString(Frame& f);
    // A count from the stack, bounded by the values there (`width` each).
    size_t popCount(Frame& f, size_t width);
    std::vector<Value> popArgs(Frame& f);
    Value boolResult(bool b) const;  // SWF 4 pushes 1/0, later versions booleans
    [[nodiscard]] String readString(std::span<const uint8_t> bytes, size_t& at) const;
    void pushConstant(const Frame& f, size_t index);

    template <class Fn>
    void numberOperation(Frame& f, Fn fn);
    template <class Fn>
    void stringComparison(Frame& f, Fn fn);
    template <class Fn>
    void bitOperation(Frame& f, Fn fn);

    // --- the stack, constants, control flow (interpreter.cpp) ------------------
    void opPush(Frame& f, Step& s);
    void opPop(Frame& f, Step& s);
    void opPushDuplicate(Frame& f, Step& s);
    void opStackSwap(Frame& f, Step& s);
    void opConstantPool(Frame& f, Step& s);
    void opStoreRegister(Frame& f, Step& s);
    void opJump(Frame& f, Step& s);
    void opIf(Frame& f, Step& s);
    void opReturn(Frame& f, Step& s);
    void opThrow(Frame& f, Step& s);
    void opTry(Frame& f, Step& s);
    void opWith(Frame& f, Step& s);
    void opWaitForFrame(Frame& f, Step& s);
    void opWaitForFrame2(Frame& f, Step& s);

    // --- values (interpreter_values.cpp) -----------------------------------------
    void opAdd(Frame& f, Step& s);
    void opSubtract(Frame& f, Step& s);
    void opMultiply(Frame& f, Step& s);
    void opDivide(Frame& f, Step& s);
    void opModulo(Frame& f, Step& s);
    void opEquals(Frame& f, Step& s);
    void opLess(Frame& f, Step& s);
    void opAnd(Frame& f, Step& s);
    void opOr(Frame& f, Step& s);
    void opNot(Frame& f, Step& s);
    void opStringEquals(Frame& f, Step& s);
    void opStringLess(Frame& f, Step& s);
    void opStringGreater(Frame& f, Step& s);
    void opStringLength(Frame& f, Step& s);
    void opStringExtract(Frame& f, Step& s);
    void opStringAdd(Frame& f, Step& s);
    void opToInteger(Frame& f, Step& s);
    void opCharToAscii(Frame& f, Step& s);
    void opMbCharToAscii(Frame& f, Step& s);
    void opAsciiToChar(Frame& f, Step& s);
    void opMbAsciiToChar(Frame& f, Step& s);
    void opAdd2(Frame& f, Step& s);
    void opLess2(Frame& f, Step& s);
    void opGreater(Frame& f, Step& s);
    void opEquals2(Frame& f, Step& s);
    void opStrictEquals(Frame& f, Step& s);
    void opToNumber(Frame& f, Step& s);
    void opToString(Frame& f, Step& s);
    void opTypeOf(Frame& f, Step& s);
    void opIncrement(Frame& f, Step& s);
    void opDecrement(Frame& f, Step& s);
    void opBitAnd(Frame& f, Step& s);
    void opBitOr(Frame& f, Step& s);
    void opBitXor(Frame& f, Step& s);
    void opBitLShift(Frame& f, Step& s);
    void opBitRShift(Frame& f, Step& s);
    void opBitURShift(Frame& f, Step& s);

    // --- variables, members, objects, calls (interpreter_objects.cpp) ----------
    void opGetVariable(Frame& f, Step& s);
    void opSetVariable(Frame& f, Step& s);
    void opDefineLocal(Frame& f, Step& s);
    void opDefineLocal2(Frame& f, Step& s);
    void opDelete(Frame& f, Step& s);
    void opDelete2(Frame& f, Step& s);
    void opGetMember(Frame& f, Step& s);
    void opSetMember(Frame& f, Step& s);
    void opInitArray(Frame& f, Step& s);
    void opInitObject(Frame& f, Step& s);
    void opEnumerate(Frame& f, Step& s);
    void opEnumerate2(Frame& f, Step& s);
    void opInstanceOf(Frame& f, Step& s);
    void opCastOp(Frame& f, Step& s);
    void opImplementsOp(Frame& f, Step& s);
    void opExtends(Frame& f, Step& s);
    void opTargetPath(Frame& f, Step& s);
    void opCallFunction(Frame& f, Step& s);
    void opCallMethod(Frame& f, Step& s);
    void opNewObject(Frame& f, Step& s);
    void opNewMethod(Frame& f, Step& s);
    void opDefineFunction(Frame& f, Step& s);
    void opDefineFunction2(Frame& f, Step& s);
    void defineFunction(Frame& f, Step& s, bool version2);
    void pushEnumeration(const Value& object);

    // --- the timeline (interpreter_timeline.cpp) ------------------------------
    void opNextFrame(Frame& f, Step& s);
    void opPreviousFrame(Frame& f, Step& s);
    void opPlay(Frame& f, Step& s);
    void opStop(Frame& f, Step& s);
    void opIgnored(Frame& f, Step& s);
    void opGotoFrame(Frame& f, Step& s);
    void opGoToLabel(Frame& f, Step& s);
    void opGetUrl(Frame& f, Step& s);
    void opGetUrl2(Frame& f, Step& s);
    void opSetTarget(Frame& f, Step& s);
    void opSetTarget2(Frame& f, Step& s);
    void opGotoFrame2(Frame& f, Step& s);
    void opCall(Frame& f, Step& s);
    void opGetProperty(Frame& f, Step& s);
    void opSetProperty(Frame& f, Step& s);
    void opCloneSprite(Frame& f, Step& s);
    void opRemoveSprite(Frame& f, Step& s);
    void opStartDrag(Frame& f, Step& s);
    void opEndDrag(Frame& f, Step& s);
    void opTrace(Frame& f, Step& s);
    void opStopSounds(Frame& f, Step& s);
    void opRandomNumber(Frame& f, Step& s);
    void opGetTime(Frame& f, Step& s);
    // A clip named by a popped value; `emptyIsCurrent`: "" is the current target.
    StageObject* targetOf(const Frame& f, const Value& target, bool emptyIsCurrent);

    // --- nested blocks (interpreter_blocks.cpp) -------------------------------
    Completion doTry(Frame& f, const Record& r, size_t& pc);
    Completion doWith(Frame& f, const Record& r, size_t& pc);

    Runtime& m_rt;
};

}  // namespace script
