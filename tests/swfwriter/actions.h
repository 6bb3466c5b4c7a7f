// A small assembler for action records (the timeline bytecode).
//
//   Actions a;
//   a.push({"count", 5}).setVariable().stop();
//   a.push({"x"}).getVariable().ifTrue("skip").play().label("skip");
//   movie.doAction(a);
//
// Branch targets are labels; bytes() resolves them and ends with ActionEnd.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace swfwriter {

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
    // Raw record: code, and a payload when code >= 0x80.
    Actions& op(uint8_t code, const std::vector<uint8_t>& payload = {});

    Actions& push(std::initializer_list<PushValue> values);
    Actions& push(const std::vector<PushValue>& values);
    Actions& constantPool(const std::vector<std::string>& strings);

    // SWF 3
    Actions& gotoFrame(uint16_t frame) { return op(0x81, {uint8_t(frame), uint8_t(frame >> 8)}); }
    Actions& getUrl(const std::string& url, const std::string& target);
    Actions& fscommand(const std::string& command, const std::string& args) {
        return getUrl("FSCommand:" + command, args);
    }
    Actions& nextFrame() { return op(0x04); }
    Actions& prevFrame() { return op(0x05); }
    Actions& play() { return op(0x06); }
    Actions& stop() { return op(0x07); }
    Actions& setTarget(const std::string& target);
    Actions& gotoLabel(const std::string& label);
    // SWF 4
    Actions& add() { return op(0x0A); }
    Actions& subtract() { return op(0x0B); }
    Actions& multiply() { return op(0x0C); }
    Actions& divide() { return op(0x0D); }
    Actions& equals() { return op(0x0E); }
    Actions& less() { return op(0x0F); }
    Actions& logicalNot() { return op(0x12); }
    Actions& pop() { return op(0x17); }
    Actions& getVariable() { return op(0x1C); }
    Actions& setVariable() { return op(0x1D); }
    Actions& getProperty() { return op(0x22); }
    Actions& setProperty() { return op(0x23); }
    Actions& trace() { return op(0x26); }
    Actions& stringAdd() { return op(0x21); }
    Actions& gotoFrame2(bool play) { return op(0x9F, {uint8_t(play ? 1 : 0)}); }
    Actions& getUrl2(uint8_t flags) { return op(0x9A, {flags}); }
    Actions& jump(const std::string& label) { return branch(0x99, label); }
    Actions& ifTrue(const std::string& label) { return branch(0x9D, label); }
    // SWF 5
    Actions& callFunction() { return op(0x3D); }
    Actions& callMethod() { return op(0x52); }
    Actions& returnValue() { return op(0x3E); }
    Actions& getMember() { return op(0x4E); }
    Actions& setMember() { return op(0x4F); }
    Actions& newObject() { return op(0x40); }
    Actions& defineLocal() { return op(0x3C); }
    Actions& add2() { return op(0x47); }
    Actions& less2() { return op(0x48); }
    Actions& equals2() { return op(0x49); }
    Actions& increment() { return op(0x50); }
    Actions& decrement() { return op(0x51); }
    Actions& pushDuplicate() { return op(0x4C); }
    Actions& initArray() { return op(0x42); }
    Actions& initObject() { return op(0x43); }
    Actions& storeRegister(uint8_t r) { return op(0x87, {r}); }
    Actions& defineFunction(const std::string& name, const std::vector<std::string>& params, const Actions& body);
    Actions& defineLocal2() { return op(0x41); }
    Actions& deleteMember() { return op(0x3A); }
    Actions& deleteVariable() { return op(0x3B); }
    Actions& modulo() { return op(0x3F); }
    Actions& typeOf() { return op(0x44); }
    Actions& targetPath() { return op(0x45); }
    Actions& enumerate() { return op(0x46); }
    Actions& toNumber() { return op(0x4A); }
    Actions& toString() { return op(0x4B); }
    Actions& stackSwap() { return op(0x4D); }
    Actions& newMethod() { return op(0x53); }
    Actions& bitAnd() { return op(0x60); }
    Actions& bitOr() { return op(0x61); }
    Actions& bitXor() { return op(0x62); }
    Actions& bitLShift() { return op(0x63); }
    Actions& bitRShift() { return op(0x64); }
    Actions& bitURShift() { return op(0x65); }
    // The block runs with the popped object on the scope chain.
    Actions& with(const Actions& body);
    // SWF 4 extras
    Actions& logicalAnd() { return op(0x10); }
    Actions& logicalOr() { return op(0x11); }
    Actions& stringEquals() { return op(0x13); }
    Actions& stringLength() { return op(0x14); }
    Actions& stringExtract() { return op(0x15); }
    Actions& toInteger() { return op(0x18); }
    Actions& setTarget2() { return op(0x20); }
    Actions& cloneSprite() { return op(0x24); }
    Actions& removeSprite() { return op(0x25); }
    Actions& startDrag() { return op(0x27); }
    Actions& endDrag() { return op(0x28); }
    Actions& stringLess() { return op(0x29); }
    Actions& randomNumber() { return op(0x30); }
    Actions& mbStringLength() { return op(0x31); }
    Actions& charToAscii() { return op(0x32); }
    Actions& asciiToChar() { return op(0x33); }
    Actions& getTime() { return op(0x34); }
    Actions& mbStringExtract() { return op(0x35); }
    Actions& mbCharToAscii() { return op(0x36); }
    Actions& mbAsciiToChar() { return op(0x37); }
    Actions& call() { return op(0x9E); }
    Actions& waitForFrame(uint16_t frame, uint8_t skip) {
        return op(0x8A, {uint8_t(frame), uint8_t(frame >> 8), skip});
    }
    Actions& waitForFrame2(uint8_t skip) { return op(0x8D, {skip}); }
    Actions& gotoFrame2(bool play, uint16_t sceneBias) {
        return op(0x9F, {uint8_t(play ? 3 : 2), uint8_t(sceneBias), uint8_t(sceneBias >> 8)});
    }
    // SWF 6
    Actions& instanceOf() { return op(0x54); }
    Actions& enumerate2() { return op(0x55); }
    Actions& strictEquals() { return op(0x66); }
    Actions& greater() { return op(0x67); }
    Actions& stringGreater() { return op(0x68); }
    // SWF 7
    Actions& defineFunction2(const Function2Spec& spec, const Actions& body);
    Actions& extends() { return op(0x69); }
    Actions& castOp() { return op(0x2B); }
    Actions& implementsOp() { return op(0x2C); }
    Actions& throwValue() { return op(0x2A); }
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
    Actions& branch(uint8_t code, const std::string& label);

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
