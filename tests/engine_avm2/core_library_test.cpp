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
