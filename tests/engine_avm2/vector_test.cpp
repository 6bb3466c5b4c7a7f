// Vector.<T>: its methods and their errors, called as natives, and index
// access, applytype and TypeName types through assembled byte code; with
// them the other index and name accesses of the library's part B
// (ByteArray elements, Proxy without traps, namespace values).
#include "avm2/vector.h"
#include "abc_writer.h"
#include "avm2/conversions.h"
#include "avm2/core_library.h"
#include "avm2/machine.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <variant>
#include <vector>

using namespace avm2;
using swfwriter::AbcBody;
using swfwriter::AbcWriter;
using swfwriter::Code;

namespace {

// Callbacks the cases hand to every, map, sort...
enum class Fn { IsEven, Twice, Half, Descending };
struct Self {};  // the vector itself
using Arg = std::variant<double, const char16_t*, std::nullptr_t, Fn, Self>;

Value isEven(Machine& m, Value, std::span<const Value> a) {
    return Value::boolean(toInt32(m.toNumber(argument(a, 0))) % 2 == 0);
}
Value twice(Machine& m, Value, std::span<const Value> a) { return Value::number(m.toNumber(argument(a, 0)) * 2); }
Value half(Machine& m, Value, std::span<const Value> a) { return Value::number(m.toNumber(argument(a, 0)) / 2); }
Value descending(Machine& m, Value, std::span<const Value> a) {
    return Value::number(m.toNumber(argument(a, 1)) - m.toNumber(argument(a, 0)));
}

Value make(Machine& m, const Arg& a, Value self) {
    if (auto* d = std::get_if<double>(&a))
        return Value::number(*d);
    if (auto* s = std::get_if<const char16_t*>(&a))
        return m.string(*s);
    if (auto* f = std::get_if<Fn>(&a)) {
        const NativeCode codes[] = {isEven, twice, half, descending};
        return Value::object(m.newNative(codes[int(*f)]));
    }
    if (std::holds_alternative<Self>(a))
        return self;
    return Value::null();
}

// "name=" writes an accessor, a bare accessor name reads it, anything else is a call.
Value member(Machine& m, Value self, std::u16string name, std::span<const Value> args) {
    const bool write = name.back() == u'=';
    if (write)
        name.pop_back();
    const Binding* b = self.asObject()->traits()->find(QName{m.publicNamespace(), m.intern(name)});
    if (b && b->kind == Binding::Kind::Accessor)
        return (write ? b->setter.native : b->getter.native)(m, self, args);
    return m.callMember(self, name, args);
}

struct Step {
    const char16_t* member;
    std::vector<Arg> args = {};
};

struct VectorCase {
    const char* name;
    const char16_t* element;  // a class name, or null for Vector.<*>
    std::vector<Step> steps;
    const char* expected;  // "<last result>|<elements joined by commas>", or "error: <part>"
};

std::string runSteps(const VectorCase& c) {
    Machine m;
    std::string out;
    auto r = m.run([&] {
        const Value generic = m.findDefinitionByName(u"__AS3__.vec::Vector");
        const Value element = c.element ? m.findDefinitionByName(c.element) : Value::null();
        const Value v = m.construct(Value::object(applyVectorType(m, generic, element)), {});
        Machine::Pin keep(m, v);
        Value last;
        for (const Step& s : c.steps) {
            std::vector<Value> args;
            for (const Arg& a : s.args)
                args.push_back(make(m, a, v));
            for (const Value& a : args)
                m.pin(a);
            last = member(m, v, s.member, args);
            m.unpin(args.size());
        }
        Machine::Pin keepLast(m, last);
        out = utf16ToUtf8(m.toString(last)->text()) + "|" + utf16ToUtf8(m.toString(member(m, v, u"join", {}))->text());
        return Value();
    });
    return r ? out : "error: " + r.error().what;
}

TEST(Vector, Methods) {
    const VectorCase cases[] = {
        {"PushReturnsLength", u"int", {{u"push", {1.0, 2.0, 3.0}}}, "3|1,2,3"},
        {"IntTruncatesOnStore", u"int", {{u"push", {1.9, -2.5, u"7"}}}, "3|1,-2,7"},
        {"UIntWraps", u"uint", {{u"push", {-1.0}}}, "1|4294967295"},
        {"NumberKeepsFractions", u"Number", {{u"push", {0.5, u"x"}}}, "2|0.5,NaN"},
        {"StringConverts", u"String", {{u"push", {1.0, nullptr}}}, "2|1,"},
        {"AnyKeepsWhatever", nullptr, {{u"push", {u"a", 2.0}}}, "2|a,2"},
        {"ObjectTypeRejects", u"Array", {{u"push", {u"a"}}}, "error: TypeError: Error #1034"},
        {"ObjectTypeTakesNull", u"Array", {{u"push", {nullptr}}}, "1|"},
        {"PopEmptyGivesDefault", u"int", {{u"pop"}}, "0|"},
        {"Pop", u"int", {{u"push", {1.0, 2.0}}, {u"pop"}}, "2|1"},
        {"Shift", u"int", {{u"push", {1.0, 2.0, 3.0}}, {u"shift"}}, "1|2,3"},
        {"Unshift", u"int", {{u"push", {3.0}}, {u"unshift", {1.0, 2.5}}}, "3|1,2,3"},
        {"Splice", u"int", {{u"push", {1.0, 2.0, 3.0, 4.0}}, {u"splice", {1.0, 2.0, 9.0}}}, "2,3|1,9,4"},
        {"SpliceFromEnd", u"int", {{u"push", {1.0, 2.0, 3.0}}, {u"splice", {-1.0}}}, "3|1,2"},
        {"Slice", u"int", {{u"push", {1.0, 2.0, 3.0, 4.0}}, {u"slice", {1.0, -1.0}}}, "2,3|1,2,3,4"},
        {"Concat", u"int", {{u"push", {1.0, 2.0}}, {u"concat", {Self{}}}}, "1,2,1,2|1,2"},
        {"ConcatNotAVector", u"int", {{u"concat", {1.0}}}, "error: TypeError: Error #1034"},
        {"IndexOfFrom", u"int", {{u"push", {1.0, 2.0, 1.0}}, {u"indexOf", {1.0, 1.0}}}, "2|1,2,1"},
        {"IndexOfConvertsSearch", u"int", {{u"push", {5.0}}, {u"indexOf", {u"5"}}}, "0|5"},
        {"IndexOfMissing", u"String", {{u"push", {u"a"}}, {u"indexOf", {u"b"}}}, "-1|a"},
        {"LastIndexOf", u"int", {{u"push", {1.0, 2.0, 1.0}}, {u"lastIndexOf", {1.0}}}, "2|1,2,1"},
        {"LastIndexOfFrom", u"int", {{u"push", {1.0, 2.0, 1.0}}, {u"lastIndexOf", {1.0, 1.0}}}, "0|1,2,1"},
        {"Join", u"int", {{u"push", {1.0, 2.0}}, {u"join", {u"-"}}}, "1-2|1,2"},
        {"Reverse", u"Number", {{u"push", {1.5, 2.0, 3.0}}, {u"reverse"}}, "3,2,1.5|3,2,1.5"},
        {"SortByFunction", u"int", {{u"push", {3.0, 1.0, 2.0}}, {u"sort", {Fn::Descending}}}, "3,2,1|3,2,1"},
        {"SortNumericFlag", u"Number", {{u"push", {10.0, 9.0, 100.0}}, {u"sort", {16.0}}}, "9,10,100|9,10,100"},
        {"SortTextByDefault", u"int", {{u"push", {10.0, 9.0, 100.0}}, {u"sort", {0.0}}}, "10,100,9|10,100,9"},
        {"SortDescendingNumeric", u"uint", {{u"push", {10.0, 9.0, 100.0}}, {u"sort", {18.0}}}, "100,10,9|100,10,9"},
        {"SortUniqueWithTie", u"int", {{u"push", {3.0, 1.0, 3.0}}, {u"sort", {20.0}}}, "0|3,1,3"},
        {"SortUniqueWithoutTie", u"int", {{u"push", {3.0, 1.0, 2.0}}, {u"sort", {20.0}}}, "1,2,3|1,2,3"},
        {"SortIndexed", u"Number", {{u"push", {30.0, 10.0, 20.0}}, {u"sort", {24.0}}}, "1,2,0|30,10,20"},
        {"SortCaseInsensitive", u"String", {{u"push", {u"b", u"A", u"a"}}, {u"sort", {1.0}}}, "A,a,b|A,a,b"},
        {"Every", u"int", {{u"push", {2.0, 4.0}}, {u"every", {Fn::IsEven}}}, "true|2,4"},
        {"EveryStopsAtFalse", u"int", {{u"push", {2.0, 3.0}}, {u"every", {Fn::IsEven}}}, "false|2,3"},
        {"Some", u"int", {{u"push", {1.0, 3.0}}, {u"some", {Fn::IsEven}}}, "false|1,3"},
        {"Filter", u"int", {{u"push", {1.0, 2.0, 3.0, 4.0}}, {u"filter", {Fn::IsEven}}}, "2,4|1,2,3,4"},
        {"Map", u"Number", {{u"push", {1.0, 2.5}}, {u"map", {Fn::Twice}}}, "2,5|1,2.5"},
        {"MapConvertsToTheType", u"int", {{u"push", {1.0, 3.0}}, {u"map", {Fn::Half}}}, "0,1|1,3"},
        {"ForEach", u"int", {{u"push", {1.0}}, {u"forEach", {Fn::Twice}}}, "undefined|1"},
        {"CallbackNotAFunction", u"int", {{u"push", {1.0}}, {u"map", {3.0}}}, "error: TypeError: Error #1006"},
        {"LengthGrowsWithDefaults", u"int", {{u"length=", {3.0}}, {u"length"}}, "3|0,0,0"},
        {"LengthGrowsAnyWithNothing", nullptr, {{u"length=", {2.0}}}, "undefined|,"},
        {"LengthShrinks", u"int", {{u"push", {1.0, 2.0, 3.0}}, {u"length=", {1.0}}}, "undefined|1"},
        {"NegativeLength", u"int", {{u"length=", {-1.0}}}, "error: RangeError: Error #1005"},
        {"HugeLength", u"int", {{u"length=", {4e9}}}, "error: RangeError: Error #1005"},
        {"FixedPush", u"int", {{u"fixed=", {1.0}}, {u"push", {1.0}}}, "error: RangeError: Error #1126"},
        {"FixedPop", u"int", {{u"push", {1.0}}, {u"fixed=", {1.0}}, {u"pop"}}, "error: Error #1126"},
        {"FixedLength", u"int", {{u"fixed=", {1.0}}, {u"length=", {2.0}}}, "error: Error #1126"},
        {"FixedUnshift", u"int", {{u"fixed=", {1.0}}, {u"unshift", {2.0}}}, "error: Error #1126"},
        {"FixedSpliceKeepingLength",
         u"int",
         {{u"push", {1.0, 2.0}}, {u"fixed=", {1.0}}, {u"splice", {0.0, 1.0, 5.0}}, {u"fixed"}},
         "true|5,2"},
        {"FixedSpliceGrowing", u"int", {{u"fixed=", {1.0}}, {u"splice", {0.0, 0.0, 5.0}}}, "error: Error #1126"},
    };
    for (const VectorCase& c : cases) {
        const std::string got = runSteps(c);
        const std::string expected = c.expected;
        if (expected.rfind("error: ", 0) == 0)
            EXPECT_NE(got.find(expected.substr(7)), std::string::npos) << c.name << ": " << got;
        else
            EXPECT_EQ(got, expected) << c.name;
    }
}

TEST(Vector, ConversionAndConstruction) {
    Machine m;
    auto text = [&](auto body) {
        auto r = m.run([&] { return Value::string(m.toString(body())); });
        return r ? utf16ToUtf8(r->asString()->text()) : "error: " + r.error().what;
    };
    const Value generic = m.findDefinitionByName(u"__AS3__.vec::Vector");
    auto type = [&](const char16_t* element) {
        return Value::object(applyVectorType(m, generic, m.findDefinitionByName(element)));
    };
    // One class per element type, named as the library names it.
    EXPECT_EQ(type(u"int").asObject(), type(u"int").asObject());
    EXPECT_NE(type(u"int").asObject(), type(u"uint").asObject());
    EXPECT_EQ(text([&] { return type(u"int"); }), "[class Vector.<int>]");
    EXPECT_EQ(
        text([&] {
            const Value list[] = {Value::object(m.newArray(std::vector<Value>{Value::number(1.5), m.string(u"2")}))};
            return m.call(type(u"int"), Value(), list);
        }),
        "1,2");
    EXPECT_NE(text([&] {
                  const Value list[] = {m.string(u"1,2")};
                  return m.call(type(u"int"), Value(), list);
              }).find("TypeError: Error #1034"),
              std::string::npos);
    EXPECT_EQ(text([&] {
                  const Value args[] = {Value::number(2), Value::boolean(true)};
                  const Value v = m.construct(type(u"Number"), args);
                  return Value::boolean(asVector(v)->fixed() && asVector(v)->size() == 2);
              }),
              "true");
    EXPECT_NE(text([&] {
                  return Value::object(applyVectorType(m, type(u"int"), Value::null()));
              }).find("TypeError: Error #1127"),
              std::string::npos);
}

// --- byte code --------------------------------------------------------------------

struct Names {
    uint32_t vector = 0, intType = 0, arrayType = 0, numberType = 0, uintType = 0;  // getlex names
    uint32_t index = 0;  // MultinameL in the public namespace
    uint32_t length = 0;
    uint32_t vectorOfInt = 0;  // TypeName Vector.<int>
    uint32_t text = 0;         // string "1"
    uint32_t fraction = 0;     // double 2.7
    uint32_t byteArray = 0, proxy = 0, uri = 0, prefix = 0;
    uint32_t userNs = 0;  // namespace "urn:a"
};

struct CodeCase {
    const char* name;
    // Local 1 holds `new Vector.<int>(3)` when the case starts.
    std::function<void(Code&, const Names&)> build;
    const char* expected;  // the result as a string, or "error: <part>"
};

std::string runCode(const CodeCase& c) {
    AbcWriter a;
    Names n;
    const uint32_t vec = a.packageNamespace("__AS3__.vec");
    const uint32_t pub = a.packageNamespace("");
    n.vector = a.qname(vec, a.string("Vector"));
    n.intType = a.qname(pub, a.string("int"));
    n.arrayType = a.qname(pub, a.string("Array"));
    n.numberType = a.qname(pub, a.string("Number"));
    n.uintType = a.qname(pub, a.string("uint"));
    n.index = a.multiname(0x1B, {a.nsSet({pub})});
    n.length = a.qname(pub, a.string("length"));
    n.vectorOfInt = a.multiname(0x1D, {n.vector, 1, n.intType});
    n.text = a.string("1");
    n.fraction = a.doubleConstant(2.7);
    const uint32_t utils = a.packageNamespace("flash.utils");
    n.byteArray = a.qname(utils, a.string("ByteArray"));
    n.proxy = a.qname(utils, a.string("Proxy"));
    n.uri = a.qname(pub, a.string("uri"));
    n.prefix = a.qname(pub, a.string("prefix"));
    n.userNs = a.ns(0x08, a.string("urn:a"));
    const uint32_t main = a.method({});
    Code code;
    code.op(Op::GetLex, n.vector).op(Op::GetLex, n.intType).op(Op::ApplyType, 1);
    code.op(Op::PushByte, 3).op(Op::Construct, 1).op(Op::SetLocal1);
    c.build(code, n);
    a.body({.method = main, .maxStack = 8, .localCount = 4, .code = code.bytes()});
    Machine m;
    auto file = m.load(a.bytes());
    if (!file)
        return "load error: " + file.error().describe();
    auto result = m.callMethod(**file, main, Value::object(m.global()), {});
    if (!result)
        return "error: " + result.error().what;
    return utf16ToUtf8(m.toString(*result)->text());
}

TEST(Vector, ByteCode) {
    const CodeCase cases[] = {
        {"WriteThenRead",
         [](Code& c, const Names& n) {
             c.op(Op::GetLocal1).op(Op::PushByte, 2).op(Op::PushByte, 7).op(Op::SetProperty, n.index);
             c.op(Op::GetLocal1).op(Op::PushByte, 2).op(Op::GetProperty, n.index).op(Op::ReturnValue);
         },
         "7"},
        {"StoreConverts",
         [](Code& c, const Names& n) {
             c.op(Op::GetLocal1).op(Op::PushByte, 0).op(Op::PushDouble, n.fraction).op(Op::SetProperty, n.index);
             c.op(Op::GetLocal1).op(Op::PushByte, 0).op(Op::GetProperty, n.index).op(Op::ReturnValue);
         },
         "2"},
        {"IndexAsText",
         [](Code& c, const Names& n) {
             c.op(Op::GetLocal1).op(Op::PushString, n.text).op(Op::PushByte, 5).op(Op::SetProperty, n.index);
             c.op(Op::GetLocal1).op(Op::PushByte, 1).op(Op::GetProperty, n.index).op(Op::ReturnValue);
         },
         "5"},
        {"ReadPastEnd",
         [](Code& c, const Names& n) {
             c.op(Op::GetLocal1).op(Op::PushByte, 3).op(Op::GetProperty, n.index).op(Op::ReturnValue);
         },
         "error: RangeError: Error #1125: The index 3 is out of range 3."},
        {"ReadNegative",
         [](Code& c, const Names& n) {
             c.op(Op::GetLocal1).op(Op::PushByte, 0xFF).op(Op::GetProperty, n.index).op(Op::ReturnValue);
         },
         "error: Error #1125: The index -1 is out of range 3."},
        {"WriteAtLengthGrows",
         [](Code& c, const Names& n) {
             c.op(Op::GetLocal1).op(Op::PushByte, 3).op(Op::PushByte, 1).op(Op::SetProperty, n.index);
             c.op(Op::GetLocal1).op(Op::GetProperty, n.length).op(Op::ReturnValue);
         },
         "4"},
        {"WritePastLength",
         [](Code& c, const Names& n) {
             c.op(Op::GetLocal1).op(Op::PushByte, 4).op(Op::PushByte, 1).op(Op::SetProperty, n.index);
             c.op(Op::PushNull).op(Op::ReturnValue);
         },
         "error: Error #1125: The index 4 is out of range 3."},
        {"ElementsCannotBeDeleted",
         [](Code& c, const Names& n) {
             c.op(Op::GetLocal1).op(Op::PushByte, 0).op(Op::DeleteProperty, n.index).op(Op::ReturnValue);
         },
         "false"},
        {"SealedAgainstNewNames",
         [](Code& c, const Names& n) {
             c.op(Op::GetLocal1).op(Op::PushNull).op(Op::SetProperty, n.vector).op(Op::PushNull).op(Op::ReturnValue);
         },
         "error: ReferenceError: Error #1056"},
        {"StoreOfTheWrongClass",
         [](Code& c, const Names& n) {
             c.op(Op::GetLex, n.vector).op(Op::GetLex, n.arrayType).op(Op::ApplyType, 1).op(Op::Construct, 0);
             c.op(Op::PushByte, 0).op(Op::PushString, n.text).op(Op::SetProperty, n.index);
             c.op(Op::PushNull).op(Op::ReturnValue);
         },
         "error: TypeError: Error #1034: Type Coercion failed: cannot convert String to Array."},
        {"CoerceToTypeName",
         [](Code& c, const Names& n) {
             c.op(Op::GetLocal1).op(Op::Coerce, n.vectorOfInt).op(Op::GetProperty, n.length).op(Op::ReturnValue);
         },
         "3"},
        {"CoerceOtherVector",
         [](Code& c, const Names& n) {
             c.op(Op::GetLex, n.vector).op(Op::GetLex, n.numberType).op(Op::ApplyType, 1).op(Op::Construct, 0);
             c.op(Op::Coerce, n.vectorOfInt).op(Op::ReturnValue);
         },
         "error: TypeError: Error #1034"},
        {"GetLexTypeName",
         [](Code& c, const Names& n) {
             c.op(Op::GetLocal1).op(Op::GetLex, n.vectorOfInt).op(Op::IsTypeLate).op(Op::ReturnValue);
         },
         "true"},
        {"InOperator",
         [](Code& c, const Names&) {
             c.op(Op::PushByte, 2).op(Op::GetLocal1).op(Op::In);
             c.op(Op::PushByte, 3).op(Op::GetLocal1).op(Op::In).op(Op::Add).op(Op::ReturnValue);
         },
         "1"},
        {"ForEachValues",
         [](Code& c, const Names& n) {
             // v[1] = 4; v[2] = 5; sum every value with hasnext2/nextvalue.
             c.op(Op::GetLocal1).op(Op::PushByte, 1).op(Op::PushByte, 4).op(Op::SetProperty, n.index);
             c.op(Op::GetLocal1).op(Op::PushByte, 2).op(Op::PushByte, 5).op(Op::SetProperty, n.index);
             c.op(Op::PushByte, 0).op(Op::SetLocal3).op(Op::PushByte, 0).op(Op::SetLocal2);
             c.branch(Op::Jump, "test").label("top");
             c.op(Op::GetLocal3).op(Op::GetLocal1).op(Op::GetLocal2).op(Op::NextValue).op(Op::Add).op(Op::SetLocal3);
             c.label("test").op(Op::HasNext2, {1, 2}).branch(Op::IfTrue, "top");
             c.op(Op::GetLocal3).op(Op::ReturnValue);
         },
         "9"},
        {"NumberElements",
         [](Code& c, const Names& n) {
             // Vector.<Number>(2): v[1] = 2.7; v[0] = 3; v[0] + v[1].
             c.op(Op::GetLex, n.vector).op(Op::GetLex, n.numberType).op(Op::ApplyType, 1).op(Op::PushByte, 2);
             c.op(Op::Construct, 1).op(Op::SetLocal2);
             c.op(Op::GetLocal2).op(Op::PushByte, 1).op(Op::PushDouble, n.fraction).op(Op::SetProperty, n.index);
             c.op(Op::GetLocal2).op(Op::PushByte, 0).op(Op::PushByte, 3).op(Op::SetProperty, n.index);
             c.op(Op::GetLocal2).op(Op::PushByte, 0).op(Op::GetProperty, n.index);
             c.op(Op::GetLocal2).op(Op::PushByte, 1).op(Op::GetProperty, n.index).op(Op::Add).op(Op::ReturnValue);
         },
         "5.7"},
        {"UIntElementsWrap",
         [](Code& c, const Names& n) {
             // Vector.<uint>(1): v[0] = -1 keeps the bits; v[0] = 2.7 truncates.
             c.op(Op::GetLex, n.vector).op(Op::GetLex, n.uintType).op(Op::ApplyType, 1).op(Op::PushByte, 1);
             c.op(Op::Construct, 1).op(Op::SetLocal2);
             c.op(Op::GetLocal2).op(Op::PushByte, 0).op(Op::PushByte, 0xFF).op(Op::SetProperty, n.index);
             c.op(Op::GetLocal2).op(Op::PushByte, 0).op(Op::GetProperty, n.index).op(Op::ConvertS);
             c.op(Op::GetLocal2).op(Op::PushByte, 0).op(Op::PushDouble, n.fraction).op(Op::SetProperty, n.index);
             c.op(Op::GetLocal2).op(Op::PushByte, 0).op(Op::GetProperty, n.index).op(Op::Add).op(Op::ReturnValue);
         },
         "42949672952"},
        {"NumberElementPastEnd",
         [](Code& c, const Names& n) {
             c.op(Op::GetLex, n.vector).op(Op::GetLex, n.numberType).op(Op::ApplyType, 1).op(Op::Construct, 0);
             c.op(Op::PushByte, 0).op(Op::GetProperty, n.index).op(Op::ReturnValue);
         },
         "error: RangeError: Error #1125: The index 0 is out of range 0."},
        {"ByteArrayElements",
         [](Code& c, const Names& n) {
             // ba[3] = 300 grows the array to 4 with zeros and keeps the low byte.
             c.op(Op::GetLex, n.byteArray).op(Op::Construct, 0).op(Op::SetLocal2);
             c.op(Op::GetLocal2).op(Op::PushByte, 3).op(Op::PushShort, 300).op(Op::SetProperty, n.index);
             c.op(Op::GetLocal2).op(Op::GetProperty, n.length);
             c.op(Op::GetLocal2).op(Op::PushByte, 3).op(Op::GetProperty, n.index).op(Op::Add);
             c.op(Op::GetLocal2).op(Op::PushByte, 0).op(Op::GetProperty, n.index).op(Op::Add);
             c.op(Op::GetLocal2).op(Op::PushByte, 9).op(Op::GetProperty, n.index).op(Op::Add).op(Op::ReturnValue);
         },
         "NaN"},
        {"ByteArrayElementsInRange",
         [](Code& c, const Names& n) {
             c.op(Op::GetLex, n.byteArray).op(Op::Construct, 0).op(Op::SetLocal2);
             c.op(Op::GetLocal2).op(Op::PushByte, 3).op(Op::PushShort, 300).op(Op::SetProperty, n.index);
             c.op(Op::GetLocal2).op(Op::GetProperty, n.length);
             c.op(Op::GetLocal2).op(Op::PushByte, 3).op(Op::GetProperty, n.index).op(Op::Add);
             c.op(Op::GetLocal2).op(Op::PushByte, 0).op(Op::GetProperty, n.index).op(Op::Add).op(Op::ReturnValue);
         },
         "48"},
        {"ProxyWithoutTraps",
         [](Code& c, const Names& n) {
             c.op(Op::GetLex, n.proxy).op(Op::Construct, 0).op(Op::GetProperty, n.length).op(Op::ReturnValue);
         },
         "error: Error #2088: The Proxy class does not implement getProperty"},
        {"NamespaceValue",
         [](Code& c, const Names& n) {
             c.op(Op::PushNamespace, n.userNs).op(Op::GetProperty, n.uri);
             c.op(Op::PushNamespace, n.userNs).op(Op::GetProperty, n.prefix).op(Op::Add);
             c.op(Op::PushNamespace, n.userNs).op(Op::ConvertS).op(Op::Add).op(Op::ReturnValue);
         },
         "urn:aundefinedurn:a"},
    };
    for (const CodeCase& c : cases) {
        const std::string got = runCode(c);
        const std::string expected = c.expected;
        if (expected.rfind("error: ", 0) == 0)
            EXPECT_NE(got.find(expected.substr(7)), std::string::npos) << c.name << ": " << got;
        else
            EXPECT_EQ(got, expected) << c.name;
    }
}

}  // namespace
