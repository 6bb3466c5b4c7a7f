#include "abc_writer.h"
#include "avm2/conversions.h"
#include "avm2/machine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

using namespace avm2;
using swfwriter::AbcBody;
using swfwriter::AbcMethod;
using swfwriter::AbcWriter;
using swfwriter::Code;

namespace {

// Names and constants a case's code may use.
struct Pool {
    uint32_t x = 0, length = 0, runtime = 0;          // public "x", public "length", MultinameL
    uint32_t hello = 0, one = 0, big = 0, third = 0;  // string "a", int 1, int 0x7fffffff, double 1/3
    uint32_t errorType = 0;                           // public "TypeError"
    uint32_t errorId = 0;                             // public "errorID"
    uint32_t markup = 0;                              // string `<a"&>`
    uint32_t binary = 0;                              // method (a, b): returns a * b
    uint32_t withDefault = 0;                         // method (a, b = 10): returns a + b
};

struct RunCase {
    const char* name;
    std::function<void(Code&, AbcBody&, const Pool&)> build;
    const char* expected;  // the result as a string, or "error: <part of the message>"
};

std::string run(const RunCase& c, Limits limits = {}) {
    AbcWriter a;
    Pool p;
    uint32_t pkg = a.packageNamespace("");
    p.x = a.qname(pkg, a.string("x"));
    p.length = a.qname(pkg, a.string("length"));
    p.runtime = a.multiname(0x1B, {a.nsSet({pkg})});
    p.hello = a.string("a");
    p.one = a.intConstant(1);
    p.big = a.intConstant(0x7fffffff);
    p.third = a.doubleConstant(1.0 / 3);
    p.errorType = a.qname(pkg, a.string("TypeError"));
    p.errorId = a.qname(pkg, a.string("errorID"));
    p.markup = a.string("<a\"&>");
    uint32_t main = a.method({});
    p.binary = a.method({.paramTypes = {0, 0}});
    p.withDefault = a.method({.paramTypes = {0, 0}, .optional = {{a.intConstant(10), 0x03}}});
    Code helper;
    helper.op(Op::GetLocal1).op(Op::GetLocal2).op(Op::Multiply).op(Op::ReturnValue);
    a.body({.method = p.binary, .maxStack = 2, .localCount = 3, .code = helper.bytes()});
    Code add;
    add.op(Op::GetLocal1).op(Op::GetLocal2).op(Op::Add).op(Op::ReturnValue);
    a.body({.method = p.withDefault, .maxStack = 2, .localCount = 3, .code = add.bytes()});
    Code code;
    AbcBody body{.method = main, .maxStack = 8, .localCount = 4, .maxScopeDepth = 2};
    c.build(code, body, p);
    body.code = code.bytes();
    a.body(body);
    Machine m(limits);
    auto file = m.load(a.bytes());
    if (!file)
        return "load error: " + file.error().describe();
    auto result = m.callMethod(**file, main, Value::object(m.global()), {});
    if (!result)
        return "error: " + result.error().what;
    return utf16ToUtf8(m.toString(*result)->text());
}

class Interpret : public testing::TestWithParam<RunCase> {};

TEST_P(Interpret, Result) {
    const std::string got = run(GetParam());
    const std::string expected = GetParam().expected;
    if (expected.rfind("error: ", 0) == 0)
        EXPECT_NE(got.find(expected.substr(7)), std::string::npos) << got;
    else
        EXPECT_EQ(got, expected);
}

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

INSTANTIATE_TEST_SUITE_P(
    Cases, Interpret,
    testing::Values(
        RunCase{"IntLoop",
                [](Code& c, AbcBody&, const Pool&) {
                    // sum = 0; for (i = 0; i < 100; ++i) sum += i
                    c.op(Op::PushByte, 0).op(Op::SetLocal1).op(Op::PushByte, 0).op(Op::SetLocal2);
                    c.branch(Op::Jump, "test").label("top");
                    c.op(Op::GetLocal1).op(Op::GetLocal2).op(Op::AddI).op(Op::SetLocal1).op(Op::IncLocalI, 2);
                    c.label("test").op(Op::GetLocal2).op(Op::PushByte, 100).branch(Op::IfLt, "top");
                    c.op(Op::GetLocal1).op(Op::ReturnValue);
                },
                "4950"},
        RunCase{"AddIWraps",
                [](Code& c, AbcBody&, const Pool& p) {
                    c.op(Op::PushInt, p.big).op(Op::PushByte, 1).op(Op::AddI).op(Op::ReturnValue);
                },
                "-2147483648"},
        RunCase{"AddLeavesTheIntRange",
                [](Code& c, AbcBody&, const Pool& p) {
                    c.op(Op::PushInt, p.big).op(Op::PushByte, 1).op(Op::Add).op(Op::ReturnValue);
                },
                "2147483648"},
        RunCase{"AddConcatenates",
                [](Code& c, AbcBody&, const Pool& p) {
                    c.op(Op::PushString, p.hello).op(Op::PushByte, 1).op(Op::Add).op(Op::ReturnValue);
                },
                "a1"},
        RunCase{"NumberText",
                [](Code& c, AbcBody&, const Pool& p) { c.op(Op::PushDouble, p.third).op(Op::ReturnValue); },
                "0.3333333333333333"},
        RunCase{"DivideByZero",
                [](Code& c, AbcBody&, const Pool&) {
                    c.op(Op::PushByte, 0xFF).op(Op::PushByte, 0).op(Op::Divide).op(Op::ReturnValue);
                },
                "-Infinity"},
        RunCase{"NaNComparesFalse",
                [](Code& c, AbcBody&, const Pool&) {
                    c.op(Op::PushNaN).op(Op::PushByte, 1).branch(Op::IfNlt, "yes");
                    c.op(Op::PushFalse).op(Op::ReturnValue).label("yes").op(Op::PushTrue).op(Op::ReturnValue);
                },
                "true"},
        RunCase{"StringsCompareByCodeUnits",
                [](Code& c, AbcBody&, const Pool& p) {
                    c.op(Op::PushString, p.hello).op(Op::PushString, p.hello).op(Op::PushByte, 1).op(Op::Add);
                    c.op(Op::LessThan).op(Op::ReturnValue);
                },
                "true"},
        RunCase{"LooseAndStrictEquality",
                [](Code& c, AbcBody&, const Pool&) {
                    // (null == undefined) + "," + (null === undefined) via typeof-free pushes
                    c.op(Op::PushNull).op(Op::PushUndefined).op(Op::Equals).op(Op::ConvertS);
                    c.op(Op::PushNull).op(Op::PushUndefined).op(Op::StrictEquals).op(Op::ConvertS).op(Op::Add);
                    c.op(Op::PushByte, 1).op(Op::ConvertS).op(Op::PushByte, 1).op(Op::Equals).op(Op::ConvertS);
                    c.op(Op::Add).op(Op::ReturnValue);
                },
                "truefalsetrue"},
        RunCase{"SignExtendAndUnsigned",
                [](Code& c, AbcBody&, const Pool&) {
                    c.op(Op::PushShort, 255).op(Op::Sxi8).op(Op::ConvertS);
                    c.op(Op::PushByte, 0xFF).op(Op::ConvertU).op(Op::ConvertS).op(Op::Add).op(Op::ReturnValue);
                },
                "-14294967295"},
        RunCase{"Shifts",
                [](Code& c, AbcBody&, const Pool&) {
                    c.op(Op::PushByte, 0xFF).op(Op::PushByte, 28).op(Op::URShift).op(Op::ReturnValue);
                },
                "15"},
        RunCase{"SwitchCase",
                [](Code& c, AbcBody&, const Pool&) {
                    c.op(Op::PushByte, 1).lookupSwitch("default", {"zero", "one"});
                    c.label("zero").op(Op::PushByte, 10).op(Op::ReturnValue);
                    c.label("one").op(Op::PushByte, 11).op(Op::ReturnValue);
                    c.label("default").op(Op::PushByte, 12).op(Op::ReturnValue);
                },
                "11"},
        RunCase{"SwitchDefault",
                [](Code& c, AbcBody&, const Pool&) {
                    c.op(Op::PushByte, 7).lookupSwitch("default", {"zero"});
                    c.label("zero").op(Op::PushByte, 10).op(Op::ReturnValue);
                    c.label("default").op(Op::PushByte, 12).op(Op::ReturnValue);
                },
                "12"},
        RunCase{"TypeOf",
                [](Code& c, AbcBody&, const Pool& p) {
                    c.op(Op::PushNull).op(Op::TypeOf).op(Op::NewFunction, p.binary).op(Op::TypeOf).op(Op::Add);
                    c.op(Op::ReturnValue);
                },
                "objectfunction"},
        RunCase{"CallFunction",
                [](Code& c, AbcBody&, const Pool& p) {
                    c.op(Op::NewFunction, p.binary).op(Op::PushNull).op(Op::PushByte, 6).op(Op::PushByte, 7);
                    c.op(Op::Call, 2).op(Op::ReturnValue);
                },
                "42"},
        RunCase{"OptionalParameter",
                [](Code& c, AbcBody&, const Pool& p) {
                    c.op(Op::GetLocal0).op(Op::PushByte, 5).op(Op::CallStatic, {p.withDefault, 1}).op(Op::ReturnValue);
                },
                "15"},
        RunCase{"ArgumentCountMismatch",
                [](Code& c, AbcBody&, const Pool& p) {
                    c.op(Op::GetLocal0).op(Op::CallStatic, {p.binary, 0}).op(Op::ReturnValue);
                },
                "error: Error #1063"},
        RunCase{"DynamicProperties",
                [](Code& c, AbcBody&, const Pool& p) {
                    c.op(Op::PushString, p.hello).op(Op::PushByte, 3).op(Op::NewObject, 1).op(Op::SetLocal1);
                    c.op(Op::GetLocal1).op(Op::PushByte, 4).op(Op::SetProperty, p.x);
                    c.op(Op::GetLocal1).op(Op::GetProperty, p.x);
                    c.op(Op::GetLocal1).op(Op::PushString, p.hello).op(Op::GetProperty, p.runtime);
                    c.op(Op::Multiply).op(Op::ReturnValue);
                },
                "12"},
        RunCase{"ArrayLiteralAndIndex",
                [](Code& c, AbcBody&, const Pool& p) {
                    // a = [4, 5]; a[3] = 7; return a.length + ":" + a[1] + a
                    c.op(Op::PushByte, 4).op(Op::PushByte, 5).op(Op::NewArray, 2).op(Op::SetLocal1);
                    c.op(Op::GetLocal1).op(Op::PushByte, 3).op(Op::PushByte, 7).op(Op::SetProperty, p.runtime);
                    c.op(Op::GetLocal1).op(Op::GetProperty, p.length).op(Op::ConvertS);
                    c.op(Op::GetLocal1).op(Op::PushByte, 1).op(Op::GetProperty, p.runtime).op(Op::Add);
                    c.op(Op::GetLocal1).op(Op::Add).op(Op::ReturnValue);
                },
                "454,5,,7"},
        RunCase{"StringLength",
                [](Code& c, AbcBody&, const Pool& p) {
                    c.op(Op::PushString, p.hello).op(Op::GetProperty, p.length).op(Op::ReturnValue);
                },
                "1"},
        RunCase{"CatchAnything",
                [](Code& c, AbcBody& b, const Pool&) {
                    c.op(Op::PushByte, 5).op(Op::Throw).label("catch").op(Op::ReturnValue);
                    b.exceptions = {{.from = 0, .to = 3, .target = uint32_t(c.offsetOf("catch"))}};
                },
                "5"},
        RunCase{"CatchTypedError",
                [](Code& c, AbcBody& b, const Pool& p) {
                    c.op(Op::PushNull).op(Op::GetProperty, p.x).op(Op::ReturnValue);
                    c.label("catch").op(Op::GetProperty, p.errorId).op(Op::ReturnValue);
                    b.exceptions = {{.from = 0,
                                     .to = uint32_t(c.offsetOf("catch")),
                                     .target = uint32_t(c.offsetOf("catch")),
                                     .type = p.errorType}};
                },
                "1009"},
        RunCase{"OtherTypesPassTypedHandlers",
                [](Code& c, AbcBody& b, const Pool& p) {
                    c.op(Op::GetLex, p.x).op(Op::ReturnValue);
                    c.label("catch").op(Op::ReturnValue);
                    b.exceptions = {{.from = 0,
                                     .to = uint32_t(c.offsetOf("catch")),
                                     .target = uint32_t(c.offsetOf("catch")),
                                     .type = p.errorType}};
                },
                "error: ReferenceError: Error #1065"},
        RunCase{
            "UncaughtNullReference",
            [](Code& c, AbcBody&, const Pool& p) { c.op(Op::PushNull).op(Op::GetProperty, p.x).op(Op::ReturnValue); },
            "error: TypeError: Error #1009: Cannot access a property or method of a null object reference."},
        RunCase{"UndefinedVariable",
                [](Code& c, AbcBody&, const Pool& p) { c.op(Op::GetLex, p.x).op(Op::ReturnValue); },
                "error: ReferenceError: Error #1065: Variable x is not defined."},
        RunCase{"CheckFilterWithoutXml",
                [](Code& c, AbcBody&, const Pool&) { c.op(Op::PushByte, 1).op(Op::CheckFilter).op(Op::ReturnValue); },
                "error: Error #1123"},
        RunCase{"EndlessLoopStops", [](Code& c, AbcBody&, const Pool&) { c.label("top").branch(Op::Jump, "top"); },
                "error: Error #1502"},
        RunCase{"EndlessRecursionStops",
                [](Code& c, AbcBody&, const Pool&) {
                    c.op(Op::GetLocal0).op(Op::CallStatic, {0, 0}).op(Op::ReturnValue);
                },
                "error: Error #1023"},
        RunCase{"DomainMemoryWithoutMemory",
                [](Code& c, AbcBody&, const Pool&) { c.op(Op::PushByte, 0).op(Op::Li8).op(Op::ReturnValue); },
                "error: RangeError: Error #1506: The specified range is invalid."},
        RunCase{"EscapeAttribute",
                [](Code& c, AbcBody&, const Pool& p) {
                    c.op(Op::PushString, p.markup).op(Op::EscXAttr).op(Op::PushString, p.markup).op(Op::EscXElem);
                    c.op(Op::Add).op(Op::ReturnValue);
                },
                "&lt;a&quot;&amp;>&lt;a\"&amp;&gt;"},
        RunCase{"CatchScopeHoldsTheException",
                [](Code& c, AbcBody& b, const Pool&) {
                    c.op(Op::PushByte, 9).op(Op::Throw).label("catch");
                    c.op(Op::NewCatch, 0).op(Op::Dup).op(Op::SetLocal1).op(Op::Swap).op(Op::SetSlot, 1);
                    c.op(Op::GetLocal1).op(Op::GetSlot, 1).op(Op::ReturnValue);
                    b.exceptions = {{.from = 0, .to = 3, .target = uint32_t(c.offsetOf("catch"))}};
                },
                "9"},
        RunCase{
            "CallMethodWithoutTheMethod",
            [](Code& c, AbcBody&, const Pool&) { c.op(Op::GetLocal0).op(Op::CallMethod, {1, 0}).op(Op::ReturnValue); },
            "error: ReferenceError: Error #1070"},
        RunCase{"ApplyTypeWithoutParameter",
                [](Code& c, AbcBody&, const Pool&) { c.op(Op::GetLocal0).op(Op::ApplyType, 0).op(Op::ReturnValue); },
                "error: TypeError: Error #1128"},
        RunCase{"ApplyTypeToNonGeneric",
                [](Code& c, AbcBody&,
                   const Pool&) { c.op(Op::GetLocal0).op(Op::PushNull).op(Op::ApplyType, 1).op(Op::ReturnValue); },
                "error: TypeError: Error #1127"}),
    [](const testing::TestParamInfo<RunCase>& info) { return std::string(info.param.name); });

TEST(Interpreter, DomainMemoryIsLittleEndianAndBounded) {
    AbcWriter a;
    uint32_t method = a.method({});
    Code c;
    // memory[4..8) = 0x01020304 as int; return memory[4] + "," + li16(6)
    c.op(Op::PushInt, a.intConstant(0x01020304)).op(Op::PushByte, 4).op(Op::Si32);
    c.op(Op::PushByte, 4).op(Op::Li8).op(Op::ConvertS).op(Op::PushByte, 6).op(Op::Li16).op(Op::Add);
    c.op(Op::PushByte, 7).op(Op::Li16).op(Op::Add).op(Op::ReturnValue);
    a.body({.method = method, .maxStack = 3, .code = c.bytes()});
    Machine m;
    std::vector<uint8_t> memory(8);
    m.setDomainMemory(&memory);
    auto file = m.load(a.bytes());
    ASSERT_TRUE(file);
    auto result = m.callMethod(**file, method, Value(), {});
    ASSERT_FALSE(result);  // li16 at 7 reaches past the end
    EXPECT_NE(result.error().what.find("1506"), std::string::npos);
    EXPECT_EQ(memory[4], 4);
    EXPECT_EQ(memory[7], 1);
}

TEST(Interpreter, MachineStaysUsableAfterAStoppedEntry) {
    AbcWriter a;
    uint32_t loop = a.method({});
    uint32_t answer = a.method({});
    Code endless;
    endless.label("top").branch(Op::Jump, "top");
    a.body({.method = loop, .code = endless.bytes()});
    Code fine;
    fine.op(Op::PushByte, 42).op(Op::ReturnValue);
    a.body({.method = answer, .maxStack = 1, .code = fine.bytes()});
    Machine m(Limits{.maxInstructionsPerEntry = 10000});
    auto file = m.load(a.bytes());
    ASSERT_TRUE(file);
    EXPECT_FALSE(m.callMethod(**file, loop, Value(), {}));
    auto result = m.callMethod(**file, answer, Value(), {});
    ASSERT_TRUE(result);
    EXPECT_EQ(result->asInt(), 42);
}

TEST(Interpreter, RejectsAFileThatFailsVerification) {
    AbcWriter a;
    uint32_t m0 = a.method({});
    a.body({.method = m0, .code = {0x29, 0x47}});  // pop on an empty stack
    Machine m;
    auto file = m.load(a.bytes());
    ASSERT_FALSE(file);
    EXPECT_NE(file.error().describe().find("method 0, offset 0"), std::string::npos);
}

// Garbage, cycles included, goes; what the roots reach stays; a heap that
// keeps growing stops the script instead of the process.
TEST(Heap, CollectsCyclesAndKeepsRoots) {
    Machine m;
    const size_t base = m.heap().cellCount();
    Object* kept = m.newObject();
    m.global()->setOwn(u"kept", Value::object(kept));
    for (int i = 0; i < 100; ++i) {
        Object* a = m.newObject();
        Object* b = m.newObject();
        a->setOwn(u"other", Value::object(b));
        b->setOwn(u"other", Value::object(a));
    }
    EXPECT_EQ(m.collect(), 200u);
    EXPECT_EQ(m.heap().cellCount(), base + 1);
}

TEST(Heap, RetainedGrowthStopsAtTheLimit) {
    AbcWriter a;
    uint32_t name = a.publicName("next");
    uint32_t method = a.method({});
    Code c;
    // for (;;) { o = {next: o} }
    c.op(Op::PushNull).op(Op::SetLocal1).label("top");
    c.op(Op::PushString, a.string("next")).op(Op::GetLocal1).op(Op::NewObject, 1).op(Op::SetLocal1);
    c.branch(Op::Jump, "top");
    (void)name;
    a.body({.method = method, .maxStack = 2, .localCount = 2, .code = c.bytes()});
    Machine m(Limits{.maxInstructionsPerEntry = UINT64_MAX, .maxHeapBytes = size_t(4) << 20});
    auto file = m.load(a.bytes());
    ASSERT_TRUE(file);
    auto result = m.callMethod(**file, method, Value(), {});
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().what.find("heap limit"), std::string::npos);
}

TEST(Conversions, NumbersAndStrings) {
    struct Case {
        double value;
        const char16_t* text;
    };
    for (const Case& c : {Case{1e21, u"1e+21"}, Case{1e-7, u"1e-7"}, Case{123456789012, u"123456789012"},
                          Case{0.000001, u"0.000001"}, Case{-2.5, u"-2.5"}, Case{1.5e300, u"1.5e+300"}}) {
        EXPECT_EQ(numberToString(c.value), c.text);
    }
    EXPECT_EQ(stringToNumber(u"  0x1F "), 31);
    EXPECT_EQ(stringToNumber(u""), 0);
    EXPECT_EQ(stringToNumber(u"-Infinity"), -INFINITY);
    EXPECT_EQ(stringToNumber(u"1e3"), 1000);
    for (const char16_t* bad : {u"1e", u"nan", u"inf", u"0x", u"1.2.3", u"12px"})
        EXPECT_TRUE(std::isnan(stringToNumber(bad))) << utf16ToUtf8(bad);
    EXPECT_EQ(toInt32(4294967297.0), 1);
    EXPECT_EQ(toUInt32(-1.0), 4294967295u);
}

}  // namespace
