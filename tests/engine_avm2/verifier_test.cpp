#include "avm2/verifier.h"
#include "abc_writer.h"
#include "avm2/abc_parser.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace avm2;
using swfwriter::AbcBody;
using swfwriter::AbcWriter;
using swfwriter::Code;

namespace {

// Pool entries every case may use.
struct Pools {
    uint32_t intOne = 0;
    uint32_t name = 0;         // public "x"
    uint32_t runtimeName = 0;  // RTQNameL
};

struct BodyCase {
    const char* name;
    // Writes the code and adjusts the body; returns nothing.
    std::function<void(Code&, AbcBody&, const Pools&)> build;
    const char* message;  // empty: the body must pass
    size_t offset = SIZE_MAX;
    uint8_t methodFlags = 0;
};

moviehost::Expected<void, Error> verifyCase(const BodyCase& c) {
    AbcWriter a;
    Pools p;
    p.intOne = a.intConstant(1);
    p.name = a.publicName("x");
    p.runtimeName = a.multiname(0x11, {});
    uint32_t m = a.method({.paramTypes = {0}, .flags = c.methodFlags});
    Code code;
    AbcBody body{.method = m, .maxStack = 2, .localCount = 3, .initScopeDepth = 1, .maxScopeDepth = 2};
    c.build(code, body, p);
    if (body.code.empty())
        body.code = code.bytes();
    a.body(body);
    auto parsed = parseAbc(a.bytes());
    if (!parsed)
        return parsed.error();
    return verifyAbc(*parsed);
}

class VerifierCase : public testing::TestWithParam<BodyCase> {};

TEST_P(VerifierCase, Body) {
    const BodyCase& c = GetParam();
    auto result = verifyCase(c);
    if (std::string(c.message).empty()) {
        EXPECT_TRUE(result) << result.error().describe();
        return;
    }
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().what.find(c.message), std::string::npos) << result.error().describe();
    EXPECT_EQ(result.error().method, 0u);
    if (c.offset != SIZE_MAX) {
        EXPECT_EQ(result.error().offset, c.offset) << result.error().describe();
    }
}

void PrintTo(const BodyCase& c, std::ostream* os) { *os << c.name; }

using Op = avm2::Op;

INSTANTIATE_TEST_SUITE_P(
    Cases, VerifierCase,
    testing::Values(
        BodyCase{"IntLoop",
                 [](Code& c, AbcBody&, const Pools&) {
                     c.op(Op::PushByte, 0).op(Op::SetLocal2).branch(Op::Jump, "test");
                     c.label("top").op(Op::IncLocalI, 2);
                     c.label("test").op(Op::GetLocal2).op(Op::PushShort, 1000).branch(Op::IfLt, "top");
                     c.op(Op::ReturnVoid);
                 },
                 ""},
        BodyCase{"UnknownOpcode", [](Code& c, AbcBody&, const Pools&) { c.op(Op::Nop).raw({0xFE}); },
                 "unknown opcode 254", 1},
        BodyCase{"TruncatedOperand",
                 [](Code& c, AbcBody&, const Pools&) {
                     c.op(Op::Nop).raw({0x2D, 0x81});
                 },
                 "past the end of the code", 1},
        BodyCase{"EmptyBody", [](Code&, AbcBody& b, const Pools&) { b.code = {}; }, "empty"},
        BodyCase{"FallsOffTheEnd", [](Code& c, AbcBody&, const Pools&) { c.op(Op::Nop); }, "past the end", 0},
        BodyCase{"BranchIntoAnInstruction",
                 [](Code& c, AbcBody&, const Pools& p) {
                     c.op(Op::PushInt, p.intOne).op(Op::Pop).op(Op::Jump, uint32_t(-6 & 0xFFFFFF));
                 },
                 "middle of the instruction at 0", 1},
        BodyCase{"BranchOutside", [](Code& c, AbcBody&, const Pools&) { c.branch(Op::Jump, "nowhere"); },
                 "not an instruction", 0},
        BodyCase{"SwitchCases",
                 [](Code& c, AbcBody&, const Pools&) {
                     c.op(Op::PushByte, 1).lookupSwitch("a", {"a", "b"});
                     c.label("a").op(Op::ReturnVoid).label("b").op(Op::ReturnVoid);
                 },
                 ""},
        BodyCase{"SwitchCaseOutside",
                 [](Code& c, AbcBody&, const Pools&) {
                     c.op(Op::PushByte, 1).lookupSwitch("a", {"a", "gone"}).label("a").op(Op::ReturnVoid);
                 },
                 "not an instruction", 2},
        BodyCase{"StackUnderflow", [](Code& c, AbcBody&, const Pools&) { c.op(Op::Pop).op(Op::ReturnVoid); },
                 "needs 1 values but the stack holds 0", 0},
        BodyCase{"StackOverflow",
                 [](Code& c, AbcBody&, const Pools&) {
                     c.op(Op::PushNull).op(Op::PushNull).op(Op::PushNull).op(Op::ReturnVoid);
                 },
                 "exceeds the maximum 2", 2},
        // Argument counts and runtime name parts come off the stack too.
        BodyCase{"CallArgumentsCount",
                 [](Code& c, AbcBody&, const Pools& p) {
                     c.op(Op::GetLocal0).op(Op::PushNull).op(Op::CallProperty, {p.name, 2}).op(Op::ReturnVoid);
                 },
                 "needs 3 values", 2},
        BodyCase{"RuntimeNameParts",
                 [](Code& c, AbcBody&, const Pools& p) {
                     c.op(Op::GetLocal0).op(Op::PushNull).op(Op::GetProperty, p.runtimeName).op(Op::ReturnVoid);
                 },
                 "needs 3 values", 2},
        BodyCase{"ScopeOverflow",
                 [](Code& c, AbcBody&, const Pools&) {
                     c.op(Op::GetLocal0).op(Op::PushScope).op(Op::GetLocal0).op(Op::PushScope).op(Op::ReturnVoid);
                 },
                 "scope depth exceeds", 3},
        BodyCase{"PopEmptyScope", [](Code& c, AbcBody&, const Pools&) { c.op(Op::PopScope).op(Op::ReturnVoid); },
                 "empty scope stack", 0},
        BodyCase{"ScopeObjectBeyondDepth",
                 [](Code& c, AbcBody&, const Pools&) { c.op(Op::GetScopeObject, 0).op(Op::ReturnValue); },
                 "beyond the scope depth", 0},
        BodyCase{"RegisterOutside", [](Code& c, AbcBody&, const Pools&) { c.op(Op::GetLocal, 3).op(Op::ReturnValue); },
                 "register 3 outside", 0},
        BodyCase{"LocalsCannotHoldParameters",
                 [](Code& c, AbcBody& b, const Pools&) {
                     c.op(Op::ReturnVoid);
                     b.localCount = 1;
                 },
                 "cannot hold the parameters"},
        BodyCase{"IntPoolZero", [](Code& c, AbcBody&, const Pools&) { c.op(Op::PushInt, 0).op(Op::ReturnValue); },
                 "int index 0", 0},
        BodyCase{"StringPoolOutside",
                 [](Code& c, AbcBody&, const Pools&) { c.op(Op::PushString, 99).op(Op::ReturnValue); },
                 "string index 99", 0},
        BodyCase{"MethodOutside", [](Code& c, AbcBody&, const Pools&) { c.op(Op::NewFunction, 5).op(Op::ReturnValue); },
                 "method index 5", 0},
        BodyCase{"GetLexNeedsPlainName",
                 [](Code& c, AbcBody&, const Pools& p) { c.op(Op::GetLex, p.runtimeName).op(Op::ReturnValue); },
                 "known before run time", 0},
        BodyCase{"DxnsWithoutFlag", [](Code& c, AbcBody&, const Pools& p) { c.op(Op::Dxns, 1).op(Op::ReturnVoid); },
                 "dxns", 0},
        BodyCase{"DxnsWithFlag", [](Code& c, AbcBody&, const Pools& p) { c.op(Op::Dxns, 1).op(Op::ReturnVoid); }, "",
                 SIZE_MAX, MethodInfo::SetDxns},
        BodyCase{"JoinWithDifferentDepths",
                 [](Code& c, AbcBody&, const Pools&) {
                     c.op(Op::PushTrue).branch(Op::IfTrue, "join").op(Op::PushNull);
                     c.label("join").op(Op::ReturnVoid);
                 },
                 "different stack or scope depths", 6},
        BodyCase{"HandlerStartsWithTheException",
                 [](Code& c, AbcBody& b, const Pools&) {
                     c.op(Op::PushNull).op(Op::Throw).label("catch").op(Op::ReturnValue);
                     b.exceptions = {{.from = 0, .to = 2, .target = uint32_t(c.offsetOf("catch"))}};
                 },
                 ""},
        BodyCase{"HandlerTargetOutside",
                 [](Code& c, AbcBody& b, const Pools&) {
                     c.op(Op::PushNull).op(Op::Throw);
                     b.exceptions = {{.from = 0, .to = 2, .target = 7}};
                 },
                 "handler 0 target 7"},
        BodyCase{"HandlerRangeNotWhole",
                 [](Code& c, AbcBody& b, const Pools& p) {
                     c.op(Op::PushInt, p.intOne).op(Op::Throw).label("catch").op(Op::ReturnValue);
                     b.exceptions = {{.from = 1, .to = 3, .target = uint32_t(c.offsetOf("catch"))}};
                 },
                 "not whole instructions"},
        // Compilers leave jumps behind a return; what no path reaches is not checked.
        BodyCase{"UnreachableCodeIsNotChecked",
                 [](Code& c, AbcBody&, const Pools&) { c.op(Op::ReturnVoid).branch(Op::Jump, "end").label("end"); },
                 ""},
        BodyCase{"NewCatchIndex", [](Code& c, AbcBody&, const Pools&) { c.op(Op::NewCatch, 0).op(Op::ReturnValue); },
                 "exception index 0", 0}),
    [](const testing::TestParamInfo<BodyCase>& info) { return std::string(info.param.name); });

}  // namespace
