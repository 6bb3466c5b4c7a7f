// A small assembler for action records (the timeline bytecode).
//
//   Actions a;
//   a.push({"count", 5}).setVariable().stop();
//   a.push({"x"}).getVariable().ifTrue("skip").play().label("skip");
//   movie.doAction(a);
//
// Branch targets are labels; bytes() resolves them and ends with ActionEnd.
#pragma once

#include "script/action_codes.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace swfwriter {

using Code = script::ActionCode;

struct Null {};
struct Undefined {};
struct Register {
    uint8_t index = 0;
};
struct Constant {
    uint16_t index = 0;
};

// Push values: strings, numbers (int -> integer type 7, double -> type 6),
// booleans, null, undefined, registers and constant-pool entries.
using Value = std::variant<std::string, double, int32_t, bool, Null, Undefined, Register, Constant>;

struct PushValue {
    Value value;
    PushValue(const char* s) : value(std::string(s)) {}
    PushValue(std::string s) : value(std::move(s)) {}
    PushValue(double d) : value(d) {}
    PushValue(int i) : value(int32_t(i)) {}
    PushValue(bool b) : value(b) {}
    PushValue(Null n) : value(n) {}
    PushValue(Undefined u) : value(u) {}
    PushValue(Register r) : value(r) {}
    PushValue(Constant c) : value(c) {}
};

class Actions;

// DefineFunction2's header: parameters with their registers (0: a local
// variable), the register count and the preload/suppress flags (first
// record byte high, as the file stores them).
struct Function2Spec {
    std::string name;
    std::vector<std::pair<uint8_t, std::string>> params;
    uint8_t registerCount = 4;
    uint16_t flags = 0;
};

class Actions {
public:
    // One record: the code, and its payload when the code has one.
    Actions& op(Code code, const std::vector<uint8_t>& payload = {});

    Actions& push(std::initializer_list<PushValue> values);
    Actions& push(const std::vector<PushValue>& values);
    Actions& constantPool(const std::vector<std::string>& strings);

    // SWF 3
    Actions& gotoFrame(uint16_t frame) { return op(Code::GotoFrame, {uint8_t(frame), uint8_t(frame >> 8)}); }
    Actions& getUrl(const std::string& url, const std::string& target);
    Actions& fscommand(const std::string& command, const std::string& args) {
        return getUrl("FSCommand:" + command, args);
    }
    Actions& nextFrame() { return op(Code::NextFrame); }
    Actions& prevFrame() { return op(Code::PreviousFrame); }
    Actions& play() { return op(Code::Play); }
    Actions& stop() { return op(Code::Stop); }
    Actions& setTarget(const std::string& target);
    Actions& gotoLabel(const std::string& label);
    // SWF 4
    Actions& add() { return op(Code::Add); }
    Actions& subtract() { return op(Code::Subtract); }
    Actions& multiply() { return op(Code::Multiply); }
    Actions& divide() { return op(Code::Divide); }
    Actions& equals() { return op(Code::Equals); }
    Actions& less() { return op(Code::Less); }
    Actions& logicalNot() { return op(Code::Not); }
    Actions& pop() { return op(Code::Pop); }
    Actions& getVariable() { return op(Code::GetVariable); }
    Actions& setVariable() { return op(Code::SetVariable); }
    Actions& getProperty() { return op(Code::GetProperty); }
    Actions& setProperty() { return op(Code::SetProperty); }
    Actions& trace() { return op(Code::Trace); }
    Actions& stringAdd() { return op(Code::StringAdd); }
    Actions& gotoFrame2(bool play) { return op(Code::GotoFrame2, {uint8_t(play ? script::GotoFrame2Flag::Play : 0)}); }
    Actions& getUrl2(uint8_t flags) { return op(Code::GetUrl2, {flags}); }
    Actions& jump(const std::string& label) { return branch(Code::Jump, label); }
    Actions& ifTrue(const std::string& label) { return branch(Code::If, label); }
    // SWF 5
    Actions& callFunction() { return op(Code::CallFunction); }
    Actions& callMethod() { return op(Code::CallMethod); }
    Actions& returnValue() { return op(Code::Return); }
    Actions& getMember() { return op(Code::GetMember); }
    Actions& setMember() { return op(Code::SetMember); }
    Actions& newObject() { return op(Code::NewObject); }
    Actions& defineLocal() { return op(Code::DefineLocal); }
    Actions& add2() { return op(Code::Add2); }
    Actions& less2() { return op(Code::Less2); }
    Actions& equals2() { return op(Code::Equals2); }
    Actions& increment() { return op(Code::Increment); }
    Actions& decrement() { return op(Code::Decrement); }
    Actions& pushDuplicate() { return op(Code::PushDuplicate); }
    Actions& initArray() { return op(Code::InitArray); }
    Actions& initObject() { return op(Code::InitObject); }
    Actions& storeRegister(uint8_t r) { return op(Code::StoreRegister, {r}); }
    Actions& defineFunction(const std::string& name, const std::vector<std::string>& params, const Actions& body);
    Actions& defineLocal2() { return op(Code::DefineLocal2); }
    Actions& deleteMember() { return op(Code::Delete); }
    Actions& deleteVariable() { return op(Code::Delete2); }
    Actions& modulo() { return op(Code::Modulo); }
    Actions& typeOf() { return op(Code::TypeOf); }
    Actions& targetPath() { return op(Code::TargetPath); }
    Actions& enumerate() { return op(Code::Enumerate); }
    Actions& toNumber() { return op(Code::ToNumber); }
    Actions& toString() { return op(Code::ToString); }
    Actions& stackSwap() { return op(Code::StackSwap); }
    Actions& newMethod() { return op(Code::NewMethod); }
    Actions& bitAnd() { return op(Code::BitAnd); }
    Actions& bitOr() { return op(Code::BitOr); }
    Actions& bitXor() { return op(Code::BitXor); }
    Actions& bitLShift() { return op(Code::BitLShift); }
    Actions& bitRShift() { return op(Code::BitRShift); }
    Actions& bitURShift() { return op(Code::BitURShift); }
    // The block runs with the popped object on the scope chain.
    Actions& with(const Actions& body);
    // SWF 4 extras
    Actions& logicalAnd() { return op(Code::And); }
    Actions& logicalOr() { return op(Code::Or); }
    Actions& stringEquals() { return op(Code::StringEquals); }
    Actions& stringLength() { return op(Code::StringLength); }
    Actions& stringExtract() { return op(Code::StringExtract); }
    Actions& toInteger() { return op(Code::ToInteger); }
    Actions& setTarget2() { return op(Code::SetTarget2); }
    Actions& cloneSprite() { return op(Code::CloneSprite); }
    Actions& removeSprite() { return op(Code::RemoveSprite); }
    Actions& startDrag() { return op(Code::StartDrag); }
    Actions& endDrag() { return op(Code::EndDrag); }
    Actions& stringLess() { return op(Code::StringLess); }
    Actions& randomNumber() { return op(Code::RandomNumber); }
    Actions& mbStringLength() { return op(Code::MbStringLength); }
    Actions& charToAscii() { return op(Code::CharToAscii); }
    Actions& asciiToChar() { return op(Code::AsciiToChar); }
    Actions& getTime() { return op(Code::GetTime); }
    Actions& mbStringExtract() { return op(Code::MbStringExtract); }
    Actions& mbCharToAscii() { return op(Code::MbCharToAscii); }
    Actions& mbAsciiToChar() { return op(Code::MbAsciiToChar); }
    Actions& call() { return op(Code::Call); }
    Actions& waitForFrame(uint16_t frame, uint8_t skip) {
        return op(Code::WaitForFrame, {uint8_t(frame), uint8_t(frame >> 8), skip});
    }
    Actions& waitForFrame2(uint8_t skip) { return op(Code::WaitForFrame2, {skip}); }
    Actions& gotoFrame2(bool play, uint16_t sceneBias) {
        return op(Code::GotoFrame2,
                  {uint8_t(script::GotoFrame2Flag::SceneBias | (play ? script::GotoFrame2Flag::Play : 0)),
                   uint8_t(sceneBias), uint8_t(sceneBias >> 8)});
    }
    // SWF 6
    Actions& instanceOf() { return op(Code::InstanceOf); }
    Actions& enumerate2() { return op(Code::Enumerate2); }
    Actions& strictEquals() { return op(Code::StrictEquals); }
    Actions& greater() { return op(Code::Greater); }
    Actions& stringGreater() { return op(Code::StringGreater); }
    // SWF 7
    Actions& defineFunction2(const Function2Spec& spec, const Actions& body);
    Actions& extends() { return op(Code::Extends); }
    Actions& castOp() { return op(Code::CastOp); }
    Actions& implementsOp() { return op(Code::ImplementsOp); }
    Actions& throwValue() { return op(Code::Throw); }
    // try { tryBody } catch (name or register) { catchBody } finally { finallyBody }
    Actions& tryBlock(const Actions& tryBody, const std::optional<Actions>& catchBody,
                      const std::optional<Actions>& finallyBody, const std::string& catchName,
                      std::optional<uint8_t> catchRegister = std::nullopt);

    // Another block's actions, its own labels already resolved.
    Actions& append(const Actions& other);

    // Branch target at the current position.
    Actions& label(const std::string& name);

    // Sugar: name = value.
    Actions& setVar(const std::string& name, PushValue value) {
        return push({PushValue(name), std::move(value)}).setVariable();
    }
    // Sugar: object.method(args...) / function(args...) with pushed arguments
    // (the arguments are pushed last to first, as compilers do).
    Actions& callMethodOn(const std::string& object, const std::string& method, const std::vector<PushValue>& args);
    Actions& callFunctionNamed(const std::string& function, const std::vector<PushValue>& args);
    // Sugar: trace(expression already on the stack) is trace(); this traces a variable.
    Actions& traceVar(const std::string& name) { return push({PushValue(name)}).getVariable().trace(); }

    // The assembled bytes; with `end` a trailing ActionEnd (0).
    [[nodiscard]] std::vector<uint8_t> bytes(bool end = true) const;

private:
    Actions& branch(Code code, const std::string& label);

    std::vector<uint8_t> m_code;
    std::map<std::string, size_t> m_labels;
    struct Fixup {
        size_t offsetField;  // where the s16 offset goes
        size_t nextAction;   // offsets count from here
        std::string label;
    };
    std::vector<Fixup> m_fixups;
};

}  // namespace swfwriter
