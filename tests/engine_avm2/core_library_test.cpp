// The core classes' natives, called the way script calls them.
#include "avm2/core_library.h"
#include "avm2/machine.h"

#include <gtest/gtest.h>

#include <string>
#include <variant>
#include <vector>

using namespace avm2;

namespace {

using Arg = std::variant<double, const char16_t*, bool, std::nullptr_t>;

struct NativeCase {
    const char* name;
    const char16_t* path;   // from the global object, e.g. u"Number.prototype.toFixed"
    std::vector<Arg> self;  // empty: null
    std::vector<Arg> args;
    const char* expected;  // or "error: <part>"
};

Value make(Machine& m, const Arg& a) {
    if (auto* d = std::get_if<double>(&a))
        return Value::number(*d);
    if (auto* s = std::get_if<const char16_t*>(&a))
        return m.string(*s);
    if (auto* b = std::get_if<bool>(&a))
        return Value::boolean(*b);
    return Value::null();
}

std::string call(const NativeCase& c) {
    Machine m;
    Value target = Value::object(m.global());
    std::u16string path = c.path;
    for (size_t start = 0; start <= path.size();) {
        size_t dot = path.find(u'.', start);
        if (dot == std::u16string::npos)
            dot = path.size();
        const std::u16string part = path.substr(start, dot - start);
        Object* o = target.asObject();
        auto* cls = dynamic_cast<ClassObject*>(o);
        const Value* v = part == u"prototype" && cls ? nullptr : o->findOwn(part);
        target = v ? *v : cls ? Value::object(cls->prototype()) : Value();
        if (!target.isObject())
            return "no such member";
        start = dot + 1;
    }
    std::vector<Value> args;
    for (const Arg& a : c.args)
        args.push_back(make(m, a));
    const Value self = c.self.empty() ? Value::null() : make(m, c.self[0]);
    auto result = m.callFunction(target, self, args);
    if (!result)
        return "error: " + result.error().what;
    return utf16ToUtf8(m.toString(*result)->text());
}

class Natives : public testing::TestWithParam<NativeCase> {};

TEST_P(Natives, Result) {
    const std::string got = call(GetParam());
    const std::string expected = GetParam().expected;
    if (expected.rfind("error: ", 0) == 0)
        EXPECT_NE(got.find(expected.substr(7)), std::string::npos) << got;
    else
        EXPECT_EQ(got, expected);
}

void PrintTo(const NativeCase& c, std::ostream* os) { *os << c.name; }

const double Inf = std::numeric_limits<double>::infinity();
const double NaN = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Cases, Natives,
    testing::Values(
        NativeCase{"Floor", u"Math.floor", {}, {2.7}, "2"}, NativeCase{"RoundHalfUp", u"Math.round", {}, {-2.5}, "-2"},
        NativeCase{"MaxOfNothing", u"Math.max", {}, {}, "-Infinity"},
        NativeCase{"MinWithNaN", u"Math.min", {}, {1.0, NaN}, "NaN"},
        NativeCase{"PowOneInfinity", u"Math.pow", {}, {1.0, Inf}, "NaN"},
        NativeCase{"ParseIntHex", u"parseInt", {}, {u"  0x1F"}, "31"},
        NativeCase{"ParseIntPrefix", u"parseInt", {}, {u"12px"}, "12"},
        NativeCase{"ParseIntRadix", u"parseInt", {}, {u"z", 36.0}, "35"},
        NativeCase{"ParseIntNothing", u"parseInt", {}, {u"abc"}, "NaN"},
        NativeCase{"ParseFloatPrefix", u"parseFloat", {}, {u"3.5e2x"}, "350"},
        NativeCase{"ParseFloatFraction", u"parseFloat", {}, {u".5"}, "0.5"},
        NativeCase{"IsNaNOfText", u"isNaN", {}, {u"abc"}, "true"},
        NativeCase{"IsFiniteOfText", u"isFinite", {}, {u"12"}, "true"},
        NativeCase{"ToFixed", u"Number.prototype.toFixed", {12345.6789}, {1.0}, "12345.7"},
        NativeCase{"ToFixedRange", u"Number.prototype.toFixed", {1.0}, {21.0}, "error: RangeError: Error #1002"},
        NativeCase{"ToExponential", u"Number.prototype.toExponential", {123456.0}, {2.0}, "1.23e+5"},
        NativeCase{"ToPrecisionSmall", u"Number.prototype.toPrecision", {0.000123}, {2.0}, "0.00012"},
        NativeCase{"ToPrecisionLarge", u"Number.prototype.toPrecision", {123456.0}, {2.0}, "1.2e+5"},
        NativeCase{"UpperCaseBeyondAscii",
                   u"String.prototype.toUpperCase",
                   {u"straße ÿ ğ ł ωσς жё"},
                   {},
                   "STRAßE Ÿ Ğ Ł ΩΣΣ ЖЁ"},
        NativeCase{"LowerCaseBeyondAscii", u"String.prototype.toLowerCase", {u"ÀÉ Ÿ Ğ Ł ΩΣ ЖЁ"}, {}, "àé ÿ ğ ł ωσ жё"},
        NativeCase{"ToFixedTieAwayFromZero", u"Number.prototype.toFixed", {2.5}, {0.0}, "3"},
        NativeCase{"ToFixedNegativeTie", u"Number.prototype.toFixed", {-0.5}, {0.0}, "-1"},
        NativeCase{"ToFixedBelowTie", u"Number.prototype.toFixed", {1.005}, {2.0}, "1.00"},
        NativeCase{"ToFixedCarry", u"Number.prototype.toFixed", {9.996}, {2.0}, "10.00"},
        NativeCase{"ToFixedNegativeZero", u"Number.prototype.toFixed", {-0.0}, {2.0}, "0.00"},
        NativeCase{"ToFixedHuge", u"Number.prototype.toFixed", {1e21}, {2.0}, "1e+21"},
        NativeCase{"ToFixedNaNDigits", u"Number.prototype.toFixed", {7.25}, {NaN}, "7"},
        NativeCase{"ToFixedHugeDigits", u"Number.prototype.toFixed", {1.0}, {1e10}, "error: RangeError: Error #1002"},
        NativeCase{"ToExponentialShortest", u"Number.prototype.toExponential", {123.456}, {}, "1.23456e+2"},
        NativeCase{"ToExponentialTieAwayFromZero", u"Number.prototype.toExponential", {1.25}, {1.0}, "1.3e+0"},
        NativeCase{"ToExponentialNegativeTie", u"Number.prototype.toExponential", {-12.5}, {1.0}, "-1.3e+1"},
        NativeCase{"ToExponentialCarry", u"Number.prototype.toExponential", {9.96}, {1.0}, "1.0e+1"},
        NativeCase{"ToExponentialSmallTie", u"Number.prototype.toExponential", {0.25}, {0.0}, "3e-1"},
        NativeCase{"ToExponentialZero", u"Number.prototype.toExponential", {0.0}, {2.0}, "0.00e+0"},
        NativeCase{"ToPrecisionExponentTie", u"Number.prototype.toPrecision", {125000.0}, {2.0}, "1.3e+5"},
        NativeCase{"ToExponentialRange", u"Number.prototype.toExponential", {1.0}, {-1.0}, "error: Error #1002"},
        NativeCase{"ToPrecisionFixedTie", u"Number.prototype.toPrecision", {0.125}, {2.0}, "0.13"},
        NativeCase{"ToPrecisionZero", u"Number.prototype.toPrecision", {0.0}, {3.0}, "0.00"},
        NativeCase{"ToPrecisionNaNDigits", u"Number.prototype.toPrecision", {1.0}, {NaN}, "error: Error #1002"},
        NativeCase{"ToPrecisionInfinity", u"Number.prototype.toPrecision", {Inf}, {3.0}, "Infinity"},
        NativeCase{"ToStringRadix", u"Number.prototype.toString", {255.0}, {16.0}, "ff"},
        NativeCase{"ToStringBadRadix", u"Number.prototype.toString", {255.0}, {1.0}, "error: RangeError: Error #1003"},
        NativeCase{"CharAt", u"String.prototype.charAt", {u"hello"}, {1.0}, "e"},
        NativeCase{"CharCodeAtOutside", u"String.prototype.charCodeAt", {u"hello"}, {9.0}, "NaN"},
        NativeCase{"IndexOf", u"String.prototype.indexOf", {u"hello"}, {u"l"}, "2"},
        NativeCase{"LastIndexOf", u"String.prototype.lastIndexOf", {u"hello"}, {u"l"}, "3"},
        NativeCase{"SubstringSwaps", u"String.prototype.substring", {u"hello"}, {3.0, 1.0}, "el"},
        NativeCase{"SliceFromEnd", u"String.prototype.slice", {u"hello"}, {-3.0}, "llo"},
        NativeCase{"SubstrFromEnd", u"String.prototype.substr", {u"hello"}, {-3.0, 2.0}, "ll"},
        NativeCase{"UpperCase", u"String.prototype.toUpperCase", {u"hello"}, {}, "HELLO"},
        NativeCase{"FromCharCode", u"String.fromCharCode", {}, {72.0, 105.0}, "Hi"},
        NativeCase{"IntOfText", u"int", {}, {u"12.7"}, "12"},
        NativeCase{"UIntOfMinusOne", u"uint", {}, {-1.0}, "4294967295"},
        NativeCase{"NumberOfHex", u"Number", {}, {u"0x10"}, "16"},
        NativeCase{"StringOfNull", u"String", {}, {nullptr}, "null"},
        NativeCase{"BooleanOfEmpty", u"Boolean", {}, {u""}, "false"},
        NativeCase{"CallGivesThis", u"Function.prototype.call", {}, {u"x"}, "error: Error #1006"},
        NativeCase{"ErrorText", u"Error.prototype.toString", {}, {}, "Error"}),
    [](const testing::TestParamInfo<NativeCase>& info) { return std::string(info.param.name); });

TEST(CoreLibrary, ApplySpreadsAnArrayLikeAndTraceJoins) {
    Machine m;
    std::u16string traced;
    m.setTraceSink([&](const std::u16string& line) { traced = line; });
    Object* list = m.newObject();
    list->setOwn(u"length", Value::fromInt(2));
    list->setOwn(u"0", Value::fromInt(3));
    list->setOwn(u"1", Value::fromInt(7));
    const Value max = *m.coreClass(u"Math")->findOwn(u"max");
    const Value apply = *m.coreClass(u"Function")->prototype()->find(u"apply");
    const Value args[] = {Value::null(), Value::object(list)};
    auto result = m.callFunction(apply, max, args);
    ASSERT_TRUE(result) << result.error().what;
    EXPECT_EQ(result->numeric(), 7);
    const Value traceArgs[] = {m.string(u"a"), Value::fromInt(1), Value::boolean(true)};
    ASSERT_TRUE(m.callFunction(*m.global()->findOwn(u"trace"), Value(), traceArgs));
    EXPECT_EQ(traced, u"a 1 true");
}

TEST(CoreLibrary, ErrorSubclassesNameThemselves) {
    Machine m;
    const Value args[] = {m.string(u"bad"), Value::fromInt(5)};
    auto error = m.callFunction(Value(), Value(), {});  // calling undefined fails cleanly
    EXPECT_FALSE(error);
    Value made = m.construct(Value::object(m.coreClass(u"RangeError")), args);
    EXPECT_EQ(m.toString(made)->text(), u"RangeError: bad");
    EXPECT_EQ(made.asObject()->find(u"errorID")->numeric(), 5);
}

}  // namespace

namespace {

struct ArrayCase {
    const char* name;
    std::vector<Arg> elements;
    const char16_t* method;
    std::vector<Arg> args;
    const char* expected;  // "<result>|<the array afterwards>", or "error: <part>"
};

std::string callOnArray(const ArrayCase& c) {
    Machine m;
    std::vector<Value> elements;
    for (const Arg& a : c.elements)
        elements.push_back(make(m, a));
    ArrayObject* array = m.newArray(elements);
    m.global()->setOwn(u"subject", Value::object(array));  // rooted
    std::vector<Value> args;
    for (const Arg& a : c.args)
        args.push_back(make(m, a));
    const Value* method = m.coreClass(u"Array")->prototype()->findOwn(c.method);
    if (!method)
        return "no such method";
    auto result = m.callFunction(*method, Value::object(array), args);
    if (!result)
        return "error: " + result.error().what;
    return utf16ToUtf8(m.toString(*result)->text()) + "|" + utf16ToUtf8(m.toString(Value::object(array))->text());
}

class Arrays : public testing::TestWithParam<ArrayCase> {};

TEST_P(Arrays, Result) {
    const std::string got = callOnArray(GetParam());
    const std::string expected = GetParam().expected;
    if (expected.rfind("error: ", 0) == 0)
        EXPECT_NE(got.find(expected.substr(7)), std::string::npos) << got;
    else
        EXPECT_EQ(got, expected);
}

void PrintTo(const ArrayCase& c, std::ostream* os) { *os << c.name; }

INSTANTIATE_TEST_SUITE_P(
    Cases, Arrays,
    testing::Values(ArrayCase{"Push", {1.0}, u"push", {2.0, 3.0}, "3|1,2,3"},
                    ArrayCase{"PopEmpty", {}, u"pop", {}, "undefined|"},
                    ArrayCase{"Shift", {1.0, 2.0}, u"shift", {}, "1|2"},
                    ArrayCase{"Unshift", {3.0}, u"unshift", {1.0, 2.0}, "3|1,2,3"},
                    ArrayCase{"SliceNegative", {1.0, 2.0, 3.0, 4.0}, u"slice", {-3.0, -1.0}, "2,3|1,2,3,4"},
                    ArrayCase{"SpliceInserts", {1.0, 2.0, 3.0}, u"splice", {1.0, 1.0, u"a", u"b"}, "2|1,a,b,3"},
                    ArrayCase{"JoinSkipsNull", {1.0, nullptr, 3.0}, u"join", {u"-"}, "1--3|1,,3"},
                    ArrayCase{"Reverse", {1.0, 2.0, 3.0}, u"reverse", {}, "3,2,1|3,2,1"},
                    ArrayCase{"IndexOfIsStrict", {1.0, u"1"}, u"indexOf", {u"1"}, "1|1,1"},
                    ArrayCase{"LastIndexOf", {1.0, 2.0, 1.0}, u"lastIndexOf", {1.0}, "2|1,2,1"},
                    ArrayCase{"SortAsText", {10.0, 9.0, 1.0}, u"sort", {}, "1,10,9|1,10,9"},
                    ArrayCase{"SortNumericDescending", {10.0, 9.0, 1.0}, u"sort", {18.0}, "10,9,1|10,9,1"},
                    ArrayCase{"SortCaseInsensitive", {u"b", u"A", u"c"}, u"sort", {1.0}, "A,b,c|A,b,c"},
                    ArrayCase{"SortUniqueFindsTies", {2.0, 1.0, 2.0}, u"sort", {4.0}, "0|2,1,2"},
                    ArrayCase{"SortIndexed", {30.0, 10.0, 20.0}, u"sort", {24.0}, "1,2,0|30,10,20"},
                    ArrayCase{"ConcatFlattensOneLevel", {1.0}, u"concat", {2.0, u"x"}, "1,2,x|1"}),
    [](const testing::TestParamInfo<ArrayCase>& info) { return std::string(info.param.name); });

// A comparison that answers at random must neither crash nor lose elements.
TEST(CoreLibrary, SortSurvivesAnInconsistentComparison) {
    Machine m;
    std::vector<Value> elements;
    for (int i = 0; i < 200; ++i)
        elements.push_back(Value::fromInt(i));
    ArrayObject* array = m.newArray(elements);
    m.global()->setOwn(u"subject", Value::object(array));
    const Value chaos = Value::object(m.newNative(
        [](Machine& machine, Value, std::span<const Value>) { return Value::number(machine.random() - 0.5); }));
    const Value args[] = {chaos};
    auto result = m.callFunction(*m.coreClass(u"Array")->prototype()->findOwn(u"sort"), Value::object(array), args);
    ASSERT_TRUE(result);
    std::vector<int> seen;
    for (const Value& v : array->elements())
        seen.push_back(v.asInt());
    std::sort(seen.begin(), seen.end());
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(seen[size_t(i)], i);
}

TEST(CoreLibrary, ArrayLengthIsBounded) {
    Machine m(Limits{.maxArrayLength = 1000});
    const Value args[] = {Value::fromInt(5000)};
    auto result = m.callFunction(Value::object(m.coreClass(u"Array")), Value(), args);
    ASSERT_FALSE(result);
    EXPECT_NE(result.error().what.find("RangeError"), std::string::npos);
}

}  // namespace
