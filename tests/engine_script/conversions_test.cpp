// Value conversions: number text both ways, and the rules that differ
// between file versions (undefined as text and number, strings as booleans
// and numbers, SWF 4's numeric results).
#include "script_test_support.h"

#include "script/number_format.h"
#include "script/string.h"

#include <cmath>
#include <limits>

using namespace scripttest;

namespace {

std::string fmt(double n) { return script::utf16ToUtf8(script::numberToString(n)); }

TEST(NumberText, FifteenSignificantDigitsAndExponentForms) {
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0"},
        {-0.0, "0"},
        {1.0, "1"},
        {-5.0, "-5"},
        {0.5, "0.5"},
        {123.456, "123.456"},
        {1.0 / 3.0, "0.333333333333333"},
        {2.0 / 3.0, "0.666666666666667"},
        {0.1 + 0.2, "0.3"},
        {123456789012345.0, "123456789012345"},
        {1e15, "1e+15"},
        {1.5e20, "1.5e+20"},
        {123456789012345678.0, "1.23456789012346e+17"},
        {0.00001, "0.00001"},
        {0.000001, "1e-6"},
        {-1.5e-7, "-1.5e-7"},
        {std::numeric_limits<double>::max(), "1.79769313486232e+308"},
        {std::numeric_limits<double>::denorm_min(), "4.94065645841247e-324"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {std::numeric_limits<double>::infinity(), "Infinity"},
        {-std::numeric_limits<double>::infinity(), "-Infinity"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(fmt(c.value), c.text) << "for " << c.value;
}

TEST(NumberText, RadixPrintsTheIntegerPart) {
    EXPECT_EQ(script::utf16ToUtf8(script::numberToRadixString(255, 16)), "ff");
    EXPECT_EQ(script::utf16ToUtf8(script::numberToRadixString(255.9, 16)), "ff");
    EXPECT_EQ(script::utf16ToUtf8(script::numberToRadixString(-255, 2)), "-11111111");
    EXPECT_EQ(script::utf16ToUtf8(script::numberToRadixString(0, 2)), "0");
    EXPECT_EQ(script::utf16ToUtf8(script::numberToRadixString(35, 36)), "z");
    EXPECT_EQ(script::utf16ToUtf8(script::numberToRadixString(10, 40)), "10") << "an invalid radix means 10";
}

TEST(NumberText, WholeStringLiterals) {
    auto parse = [](const char16_t* s) { return script::parseNumberLiteral(s); };
    EXPECT_EQ(parse(u"12"), 12.0);
    EXPECT_EQ(parse(u" 12 "), 12.0);
    EXPECT_EQ(parse(u"-1.5e3"), -1500.0);
    EXPECT_EQ(parse(u".5"), 0.5);
    EXPECT_EQ(parse(u"5."), 5.0);
    EXPECT_EQ(parse(u"0x1F"), 31.0);
    EXPECT_EQ(parse(u"-0x10"), -16.0);
    for (const char16_t* bad : {u"", u"  ", u"12abc", u"abc", u"1e", u"Infinity", u"0x", u"--1", u"1.2.3"})
        EXPECT_FALSE(parse(bad)) << "\"" << script::utf16ToUtf8(bad) << "\" is not a number";
}

TEST(NumberText, ParseIntAndParseFloatPrefixes) {
    EXPECT_EQ(script::parseIntPrefix(u"0x1F", std::nullopt), 31.0);
    EXPECT_EQ(script::parseIntPrefix(u"010", std::nullopt), 8.0) << "a leading zero is octal";
    EXPECT_EQ(script::parseIntPrefix(u"010", 10), 10.0);
    EXPECT_EQ(script::parseIntPrefix(u"  12px", std::nullopt), 12.0);
    EXPECT_EQ(script::parseIntPrefix(u"-42", std::nullopt), -42.0);
    EXPECT_EQ(script::parseIntPrefix(u"z", 36), 35.0);
    EXPECT_EQ(script::parseIntPrefix(u"ff", 16), 255.0);
    EXPECT_TRUE(std::isnan(script::parseIntPrefix(u"", std::nullopt)));
    EXPECT_TRUE(std::isnan(script::parseIntPrefix(u"1", 1)));
    EXPECT_EQ(script::parseFloatPrefix(u"3.5abc"), 3.5);
    EXPECT_EQ(script::parseFloatPrefix(u"  -2e2x"), -200.0);
    EXPECT_TRUE(std::isnan(script::parseFloatPrefix(u"x1")));
}

TEST(NumberText, Int32Wrapping) {
    EXPECT_EQ(script::toInt32(4294967296.0 + 5), 5);
    EXPECT_EQ(script::toInt32(-1), -1);
    EXPECT_EQ(script::toInt32(2147483648.0), -2147483647 - 1);
    EXPECT_EQ(script::toInt32(1e10), 1410065408);
    EXPECT_EQ(script::toInt32(-3.9), -3);
    EXPECT_EQ(script::toInt32(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(script::toUint32(-1), 4294967295u);
}

TEST(Utf, RoundTripsAndReplacesBrokenSequences) {
    std::string text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    std::u16string wide = script::utf8ToUtf16(text);
    EXPECT_EQ(wide.size(), 5u) << "a, e-acute, euro, and a surrogate pair";
    EXPECT_EQ(script::utf16ToUtf8(wide), text);
    EXPECT_EQ(script::utf8ToUtf16("\xC3"), std::u16string(u"\uFFFD"));
    EXPECT_EQ(script::utf8ToUtf16("\xC0\x80"), std::u16string(u"\uFFFD")) << "overlong";
    EXPECT_EQ(script::utf16ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
}

// --- the rules as scripts see them -------------------------------------------

TEST(Conversions, UndefinedIsEmptyTextUpToSwf6) {
    Actions a;
    a.push({Undefined{}, "x"}).add2().trace();
    a.push({Undefined{}, 1}).add2().trace();
    EXPECT_EQ(traces(a, 6), (Strings{"x", "1"}));
    EXPECT_EQ(traces(a, 7), (Strings{"undefinedx", "NaN"}));
}

TEST(Conversions, StringsAsNumbersInSwf4AndLater) {
    Actions a;
    a.push({"abc", 1}).add().trace();  // SWF 4 Add: numbers only
    a.push({"0x10", 1}).add().trace();
    a.push({"", 1}).add().trace();
    EXPECT_EQ(traces(a, 4), (Strings{"1", "17", "1"}));
    EXPECT_EQ(traces(a, 5), (Strings{"NaN", "17", "NaN"}));
}

TEST(Conversions, StringsAsBooleans) {
    Actions a;
    for (const char* s : {"abc", "0", "1", ""})
        a.push({s}).logicalNot().logicalNot().trace();
    EXPECT_EQ(traces(a, 6), (Strings{"false", "false", "true", "false"}));
    EXPECT_EQ(traces(a, 7), (Strings{"true", "true", "true", "false"}));
}

TEST(Conversions, Swf4PushesNumbersForTruth) {
    Actions a;
    a.push({1, 1}).equals().trace();
    a.push({2, 1}).less().trace();
    a.push({0}).logicalNot().trace();
    a.push({1, 0}).divide().trace();
    EXPECT_EQ(traces(a, 4), (Strings{"1", "0", "1", "#ERROR#"}));
    EXPECT_EQ(traces(a, 5), (Strings{"true", "false", "true", "Infinity"}));
}

TEST(Conversions, LooseAndStrictEquality) {
    Actions a;
    a.push({"10", 10}).equals2().trace();
    a.push({Null{}, Undefined{}}).equals2().trace();
    a.push({Null{}, 0}).equals2().trace();
    a.push({true, 1}).equals2().trace();
    a.push({"abc", "abc"}).equals2().trace();
    a.push({"1", 1}).strictEquals().trace();
    a.push({1.0, 1}).strictEquals().trace();
    a.push({0.0}).push({0}).divide();  // NaN
    a.pushDuplicate().equals2().trace();
    EXPECT_EQ(traces(a), (Strings{"true", "true", "false", "true", "true", "false", "true", "false"}));
}

TEST(Conversions, ComparisonsOfStringsAndNumbers) {
    Actions a;
    a.push({"10", "9"}).less2().trace();  // code units: '1' < '9'
    a.push({10, "9"}).less2().trace();    // numbers
    a.push({"a", 1}).less2().trace();     // NaN: undefined
    a.push({3, 2}).greater().trace();
    a.push({"b", "a"}).stringGreater().trace();
    a.push({"a", "b"}).stringLess().trace();
    EXPECT_EQ(traces(a), (Strings{"true", "false", "undefined", "true", "true", "true"}));
}

TEST(Conversions, AdditionConcatenatesWhenEitherSideIsText) {
    Actions a;
    a.push({"1", 2}).add2().trace();
    a.push({1, 2}).add2().trace();
    a.push({true, 1}).add2().trace();
    a.push({0.1, 0.2}).add2().trace();
    a.push({"a"}).push({Null{}}).add2().trace();
    EXPECT_EQ(traces(a), (Strings{"12", "3", "2", "0.3", "anull"}));
}

TEST(Conversions, TypeOfEveryKind) {
    Actions a;
    a.push({Undefined{}}).typeOf().trace();
    a.push({Null{}}).typeOf().trace();
    a.push({true}).typeOf().trace();
    a.push({1.5}).typeOf().trace();
    a.push({"s"}).typeOf().trace();
    a.push({0}).initObject().typeOf().trace();
    a.defineFunction("", {}, Actions()).typeOf().trace();
    a.push({"_root"}).getVariable().typeOf().trace();
    EXPECT_EQ(traces(a),
              (Strings{"undefined", "null", "boolean", "number", "string", "object", "function", "movieclip"}));
}

TEST(Conversions, ObjectsBecomeTextThroughTheirMethods) {
    Actions a;
    a.push({0}).initObject().trace();
    a.push({2, 1, 2}).initArray().trace();
    a.defineFunction("", {}, Actions()).trace();
    a.push({"_root"}).getVariable().trace();
    // valueOf decides arithmetic: {valueOf: function() { return 41 }} + 1
    Actions body;
    body.push({41}).returnValue();
    a.push({"valueOf"}).defineFunction("", {}, body).push({1}).initObject();
    a.push({1}).add2().trace();
    EXPECT_EQ(traces(a), (Strings{"[object Object]", "1,2", "[type Function]", "_level0", "42"}));
}

TEST(Conversions, IntegerAndNumberConversionActions) {
    Actions a;
    a.push({-3.7}).toInteger().trace();
    a.push({"12"}).toNumber().trace();
    a.push({12}).toString().push({"3"}).add2().trace();
    a.push({"x"}).toNumber().toInteger().trace();
    EXPECT_EQ(traces(a), (Strings{"-3", "12", "123", "0"}));
}

}  // namespace
