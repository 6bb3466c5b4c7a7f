// JSON, flash.utils.ByteArray and the flash.utils functions, called as
// script calls them (members through the classes' traits).
#include "avm2/core_library.h"
#include "avm2/machine.h"

#include "abc_writer.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <functional>

#include <string>
#include <variant>
#include <vector>

using namespace avm2;
using swfwriter::AbcWriter;
using swfwriter::Code;

namespace {

using Arg = std::variant<double, const char16_t*, std::nullptr_t>;

Value make(Machine& m, const Arg& a) {
    if (auto* d = std::get_if<double>(&a))
        return Value::number(*d);
    if (auto* s = std::get_if<const char16_t*>(&a))
        return m.string(*s);
    return Value::null();
}

// A member call; "name=" writes an accessor, a bare accessor name reads it.
Value member(Machine& m, Value self, std::u16string name, std::span<const Value> args) {
    const bool write = name.back() == u'=';
    if (write)
        name.pop_back();
    const Binding* b = self.asObject()->traits()->find(QName{m.publicNamespace(), m.intern(name)});
    if (b && b->kind == Binding::Kind::Accessor)
        return (write ? b->setter.native : b->getter.native)(m, self, args);
    return m.callMember(self, name, args);
}

std::string result(Machine& m, const moviehost::Expected<Value, Error>& r) {
    return r ? utf16ToUtf8(m.toString(*r)->text()) : "error: " + r.error().what;
}

void expectResult(const std::string& got, const std::string& expected, const char* name) {
    if (expected.rfind("error: ", 0) == 0)
        EXPECT_NE(got.find(expected.substr(7)), std::string::npos) << name << ": " << got;
    else
        EXPECT_EQ(got, expected) << name;
}

Value newByteArray(Machine& m) { return m.construct(m.findDefinitionByName(u"flash.utils.ByteArray"), {}); }

struct Step {
    const char16_t* member;
    std::vector<Arg> args = {};
};

struct ByteCase {
    const char* name;
    std::vector<Step> steps;
    const char* expected;  // the last step's result, or "error: <part>"
};

TEST(ByteArray, Steps) {
    const std::u16string longText(300, u'a');
    const ByteCase cases[] = {
        {"BigEndianByDefault", {{u"writeInt", {16909060.0}}, {u"position=", {0.0}}, {u"readUnsignedByte"}}, "1"},
        {"LittleEndianShort",
         {{u"endian=", {u"littleEndian"}}, {u"writeShort", {258.0}}, {u"position=", {0.0}}, {u"readUnsignedByte"}},
         "2"},
        {"SignedByte", {{u"writeByte", {200.0}}, {u"position=", {0.0}}, {u"readByte"}}, "-56"},
        {"SignedShort", {{u"writeShort", {65535.0}}, {u"position=", {0.0}}, {u"readShort"}}, "-1"},
        {"UnsignedInt", {{u"writeInt", {-1.0}}, {u"position=", {0.0}}, {u"readUnsignedInt"}}, "4294967295"},
        {"Float", {{u"writeFloat", {1.5}}, {u"position=", {0.0}}, {u"readFloat"}}, "1.5"},
        {"DoubleLittle",
         {{u"endian=", {u"littleEndian"}}, {u"writeDouble", {-0.1}}, {u"position=", {0.0}}, {u"readDouble"}},
         "-0.1"},
        {"Boolean", {{u"writeBoolean", {u"x"}}, {u"position=", {0.0}}, {u"readBoolean"}}, "true"},
        {"UTFLengthPrefix", {{u"writeUTF", {u"h\u00e9llo"}}, {u"position=", {0.0}}, {u"readUnsignedShort"}}, "6"},
        {"UTFRoundTrip", {{u"writeUTF", {u"h\u00e9llo"}}, {u"position=", {0.0}}, {u"readUTF"}}, "h\xc3\xa9llo"},
        {"UTFBytes", {{u"writeUTFBytes", {u"abc"}}, {u"position=", {1.0}}, {u"readUTFBytes", {2.0}}}, "bc"},
        {"MultiByteIsUtf8", {{u"writeMultiByte", {u"\u00e9", u"utf-8"}}, {u"length"}}, "2"},
        {"ToStringSkipsBom",
         {{u"writeByte", {239.0}},
          {u"writeByte", {187.0}},
          {u"writeByte", {191.0}},
          {u"writeUTFBytes", {u"ok"}},
          {u"toString"}},
         "ok"},
        {"ReadPastEnd", {{u"writeShort", {1.0}}, {u"position=", {0.0}}, {u"readInt"}}, "error: EOFError: Error #2030"},
        {"ReadFromPastEnd", {{u"position=", {9.0}}, {u"readByte"}}, "error: Error #2030"},
        {"WritePastEndFills", {{u"position=", {3.0}}, {u"writeByte", {1.0}}, {u"length"}}, "4"},
        {"BytesAvailable", {{u"writeInt", {1.0}}, {u"position=", {1.0}}, {u"bytesAvailable"}}, "3"},
        {"NoBytesAvailablePastEnd", {{u"position=", {5.0}}, {u"bytesAvailable"}}, "0"},
        {"TruncateClampsPosition", {{u"writeInt", {1.0}}, {u"length=", {2.0}}, {u"position"}}, "2"},
        {"GrowByLength", {{u"length=", {5.0}}, {u"position=", {4.0}}, {u"readByte"}}, "0"},
        {"HugeLength", {{u"length=", {4e9}}}, "error: Error #1000"},
        {"BadEndian", {{u"endian=", {u"middle"}}}, "error: ArgumentError: Error #2008"},
        {"Clear", {{u"writeInt", {1.0}}, {u"clear"}, {u"length"}}, "0"},
        {"ZlibHeader",
         {{u"writeUTFBytes", {longText.c_str()}}, {u"compress"}, {u"position=", {0.0}}, {u"readUnsignedByte"}},
         "120"},
        {"ZlibRoundTrip", {{u"writeUTFBytes", {longText.c_str()}}, {u"compress"}, {u"uncompress"}, {u"length"}}, "300"},
        {"DeflateRoundTrip",
         {{u"writeUTFBytes", {u"xyzxyz"}}, {u"compress", {u"deflate"}}, {u"uncompress", {u"deflate"}}, {u"toString"}},
         "xyzxyz"},
        {"UncompressRewinds", {{u"writeUTFBytes", {u"abc"}}, {u"deflate"}, {u"inflate"}, {u"position"}}, "0"},
        {"CorruptZlib", {{u"writeInt", {12345.0}}, {u"uncompress"}}, "error: IOError: Error #2058"},
        {"ZlibAsDeflate",
         {{u"writeUTFBytes", {u"abc"}}, {u"compress"}, {u"uncompress", {u"deflate"}}},
         "error: Error #2058"},
        {"TruncatedZlib",
         {{u"writeUTFBytes", {longText.c_str()}}, {u"compress"}, {u"length=", {5.0}}, {u"uncompress"}},
         "error: Error #2058"},
        {"BadAlgorithm", {{u"compress", {u"lzma"}}}, "error: ArgumentError"},
    };
    for (const ByteCase& c : cases) {
        Machine m;
        auto r = m.run([&] {
            const Value ba = newByteArray(m);
            Machine::Pin keep(m, ba);
            Value last;
            for (const Step& s : c.steps) {
                std::vector<Value> args;
                for (const Arg& a : s.args)
                    args.push_back(make(m, a));
                last = member(m, ba, s.member, args);
            }
            return last;
        });
        expectResult(result(m, r), c.expected, c.name);
    }
}

TEST(ByteArray, CopiesBetweenArraysAndBoundsTheCopy) {
    Machine m;
    auto run = [&](double offset, double length) {
        return result(m, m.run([&] {
            const Value a = newByteArray(m), b = newByteArray(m);
            Machine::Pin keepA(m, a), keepB(m, b);
            const Value text[] = {m.string(u"abcdef")};
            member(m, a, u"writeUTFBytes", text);
            const Value from[] = {a, Value::number(offset), Value::number(length)};
            member(m, b, u"writeBytes", from);
            member(m, b, u"writeBytes", from);  // from itself as well
            const Value zero[] = {Value::number(1)};
            member(m, b, u"position=", zero);
            const Value into[] = {a, Value::number(6), Value::number(2)};
            member(m, b, u"readBytes", into);
            return member(m, a, u"toString", {});
        }));
    };
    EXPECT_EQ(run(2, 2), "abcdefdc");
    EXPECT_EQ(run(4, 0), "abcdeffe");
    EXPECT_NE(run(4, 3).find("RangeError: Error #2006"), std::string::npos);
    EXPECT_NE(run(7, 0).find("Error #2006"), std::string::npos);
}

TEST(ByteArray, DecompressionStopsAtTheHeapLimit) {
    // 8 MB of zeros is a few kilobytes of zlib data.
    std::vector<uint8_t> zeros(size_t(8) << 20), packed(compressBound(uLong(zeros.size())));
    uLongf packedSize = uLongf(packed.size());
    ASSERT_EQ(compress(packed.data(), &packedSize, zeros.data(), uLong(zeros.size())), Z_OK);
    packed.resize(packedSize);
    Limits limits;
    limits.maxHeapBytes = size_t(4) << 20;
    Machine m(limits);
    auto r = m.run([&] {
        const Value ba = newByteArray(m);
        Machine::Pin keep(m, ba);
        for (uint8_t byte : packed) {
            const Value arg[] = {Value::fromInt(byte)};
            member(m, ba, u"writeByte", arg);
        }
        return member(m, ba, u"uncompress", {});
    });
    EXPECT_NE(result(m, r).find("Error #1000"), std::string::npos) << result(m, r);
}

// --- JSON -------------------------------------------------------------------------

Value json(Machine& m, std::u16string_view method, std::span<const Value> args) {
    return m.callMember(*m.global()->findOwn(u"JSON"), method, args);
}

struct JsonCase {
    const char* name;
    const char16_t* text;
    Arg space;
    const char* expected;  // stringify(parse(text)) or "error: <part>"
};

TEST(Json, ParseThenStringify) {
    const std::u16string deep = std::u16string(5000, u'[') + std::u16string(5000, u']');
    const JsonCase cases[] = {
        {"RoundTrip", u" {\"a\": [1, -2.5e1, true, null, \"x\"], \"b\": {}} ", nullptr,
         R"({"a":[1,-25,true,null,"x"],"b":{}})"},
        {"Escapes", u"\"q\\\"\\\\\\/\\n\\u0001\\u00e9\"", nullptr, "\"q\\\"\\\\/\\n\\u0001\xc3\xa9\""},
        {"KeepsKeyOrder", u"{\"z\":1,\"a\":2}", nullptr, R"({"z":1,"a":2})"},
        {"IndentNumber", u"{\"a\":[1],\"b\":{}}", 2.0, "{\n  \"a\": [\n    1\n  ],\n  \"b\": {}\n}"},
        {"IndentText", u"[1,2]", u"--", "[\n--1,\n--2\n]"},
        {"IndentCapped", u"[1]", 40.0, "[\n          1\n]"},
        {"Unclosed", u"{\"a\":1", nullptr, "error: SyntaxError: Error #1132"},
        {"TrailingComma", u"[1,]", nullptr, "error: Error #1132"},
        {"LeadingZero", u"01", nullptr, "error: Error #1132"},
        {"BadEscape", u"\"\\x\"", nullptr, "error: Error #1132"},
        {"RawControl", u"\"a\nb\"", nullptr, "error: Error #1132"},
        {"Empty", u"", nullptr, "error: Error #1132"},
        {"Trailing", u"1 2", nullptr, "error: Error #1132"},
        {"SingleQuotes", u"{'a':1}", nullptr, "error: Error #1132"},
        {"TooDeep", deep.c_str(), nullptr, "error: Error #1132"},
    };
    for (const JsonCase& c : cases) {
        Machine m;
        auto r = m.run([&] {
            const Value text[] = {m.string(c.text)};
            const Value parsed = json(m, u"parse", text);
            Machine::Pin keep(m, parsed);
            const Value args[] = {parsed, Value::null(), make(m, c.space)};
            return json(m, u"stringify", args);
        });
        expectResult(result(m, r), c.expected, c.name);
    }
}

Value doubleNumbers(Machine& m, Value, std::span<const Value> args) {
    const Value v = argument(args, 1);
    return v.isNumeric() ? Value::number(2 * m.toNumber(v)) : v;
}
Value dropB(Machine& m, Value, std::span<const Value> args) {
    return m.toString(argument(args, 0))->text() == u"b" ? Value() : argument(args, 1);
}

TEST(Json, ReviverReplacerAndValues) {
    Machine m;
    auto run = [&](const char16_t* text, Value reviver, Value replacer) {
        return result(m, m.run([&] {
            const Value parseArgs[] = {m.string(text), reviver};
            const Value parsed = json(m, u"parse", parseArgs);
            Machine::Pin keep(m, parsed);
            const Value args[] = {parsed, replacer};
            return json(m, u"stringify", args);
        }));
    };
    const Value doubler = Value::object(m.newNative(doubleNumbers));
    const Value dropper = Value::object(m.newNative(dropB));
    m.pin(doubler);
    m.pin(dropper);
    EXPECT_EQ(run(u"[1,{\"a\":2}]", doubler, Value()), R"([2,{"a":4}])");
    EXPECT_EQ(run(u"{\"a\":1,\"b\":2}", dropper, Value()), R"({"a":1})");
    EXPECT_EQ(run(u"{\"a\":1,\"b\":[3]}", Value(), dropper), R"({"a":1})");
    EXPECT_EQ(run(u"[5]", Value(), doubler), "[10]");
    const Value list = Value::object(m.newArray(std::vector<Value>{m.string(u"c"), m.string(u"a")}));
    m.pin(list);
    EXPECT_EQ(run(u"{\"a\":1,\"b\":2,\"c\":3}", Value(), list), R"({"c":3,"a":1})");

    auto stringify = [&](Value v) {
        return result(m, m.run([&] {
            const Value args[] = {v};
            return json(m, u"stringify", args);
        }));
    };
    Object* cyclic = m.newObject();
    m.pin(Value::object(cyclic));
    cyclic->setOwn(u"self", Value::object(cyclic));
    EXPECT_NE(stringify(Value::object(cyclic)).find("TypeError: Error #1129"), std::string::npos);
    Object* shared = m.newObject();
    Object* twice = m.newObject();
    m.pin(Value::object(twice));
    twice->setOwn(u"x", Value::object(shared));
    twice->setOwn(u"y", Value::object(shared));
    EXPECT_EQ(stringify(Value::object(twice)), R"({"x":{},"y":{}})");  // shared is not a cycle
    EXPECT_EQ(stringify(Value::number(std::numeric_limits<double>::quiet_NaN())), "null");
    EXPECT_EQ(stringify(doubler), "undefined");
}

TEST(Json, StringifyStopsAtTheHeapLimit) {
    Limits limits;
    limits.maxHeapBytes = size_t(4) << 20;
    Machine m(limits);
    auto r = m.run([&] {
        const Value big = m.string(std::u16string(size_t(1) << 19, u'x'));
        const std::vector<Value> copies(8, big);
        const Value args[] = {Value::object(m.newArray(copies))};
        return json(m, u"stringify", args);
    });
    EXPECT_NE(result(m, r).find("Error #1000"), std::string::npos) << result(m, r).substr(0, 80);
}

// --- Dictionary ---------------------------------------------------------------------

struct DictionaryNames {
    uint32_t runtime = 0, s = 0, objectText = 0, empty = 0;
};

// d = new Dictionary(weakKeys); k1 = {}; k2 = {} (the same string form);
// d[k1] = 1; d[k2] = 2; d["s"] = 3; then the case's code, which returns.
std::string runDictionary(bool weakKeys, const std::function<void(Code&, const DictionaryNames&)>& tail) {
    AbcWriter a;
    DictionaryNames n;
    const uint32_t dictionary = a.publicName("Dictionary", "flash.utils");
    n.runtime = a.multiname(0x1B, {a.nsSet({a.packageNamespace("")})});
    n.s = a.string("s");
    n.objectText = a.string("[object Object]");
    n.empty = a.string("");
    const uint32_t method = a.method({});
    Code c;
    c.op(Op::FindPropStrict, dictionary).op(weakKeys ? Op::PushTrue : Op::PushFalse);
    c.op(Op::ConstructProp, {dictionary, 1}).op(Op::SetLocal1);
    c.op(Op::NewObject, 0).op(Op::SetLocal2).op(Op::NewObject, 0).op(Op::SetLocal3);
    c.op(Op::GetLocal1).op(Op::GetLocal2).op(Op::PushByte, 1).op(Op::SetProperty, n.runtime);
    c.op(Op::GetLocal1).op(Op::GetLocal3).op(Op::PushByte, 2).op(Op::SetProperty, n.runtime);
    c.op(Op::GetLocal1).op(Op::PushString, n.s).op(Op::PushByte, 3).op(Op::SetProperty, n.runtime);
    tail(c, n);
    c.op(Op::ReturnValue);
    a.body({.method = method, .maxStack = 6, .localCount = 6, .code = c.bytes()});
    a.script(method);
    Machine m;
    auto file = m.load(a.bytes());
    if (!file)
        return "load: " + file.error().describe();
    auto r = m.callMethod(**file, method, Value::object(m.global()), {});
    return result(m, r);
}

TEST(Dictionary, KeysByIdentity) {
    const struct {
        const char* name;
        bool weakKeys;
        std::function<void(Code&, const DictionaryNames&)> tail;
        const char* expected;
    } cases[] = {
        {"TwoKeysOneStringForm", false,
         [](Code& c, const DictionaryNames& n) {  // d[k1] + 10 * d[k2]
             c.op(Op::GetLocal1).op(Op::GetLocal2).op(Op::GetProperty, n.runtime);
             c.op(Op::GetLocal1).op(Op::GetLocal3).op(Op::GetProperty, n.runtime).op(Op::PushByte, 10);
             c.op(Op::Multiply).op(Op::Add);
         },
         "21"},
        {"StringFormIsNotAKey", true,
         [](Code& c, const DictionaryNames& n) {  // d["[object Object]"] + d["s"]
             c.op(Op::GetLocal1).op(Op::PushString, n.objectText).op(Op::GetProperty, n.runtime).op(Op::ConvertS);
             c.op(Op::GetLocal1).op(Op::PushString, n.s).op(Op::GetProperty, n.runtime).op(Op::Add);
         },
         "undefined3"},
        {"DeleteAndIn", false,
         [](Code& c, const DictionaryNames& n) {  // delete d[k1]; "" + (k1 in d) + (k2 in d)
             c.op(Op::GetLocal1).op(Op::GetLocal2).op(Op::DeleteProperty, n.runtime).op(Op::Pop);
             c.op(Op::GetLocal2).op(Op::GetLocal1).op(Op::In).op(Op::ConvertS);
             c.op(Op::GetLocal3).op(Op::GetLocal1).op(Op::In).op(Op::Add);
         },
         "falsetrue"},
        {"ForInGivesTheKeys", false,
         [](Code& c, const DictionaryNames& n) {  // s += typeof key for each key
             c.op(Op::PushString, n.empty).op(Op::SetLocal, 4).op(Op::PushByte, 0).op(Op::SetLocal, 5);
             c.branch(Op::Jump, "test").label("top");
             c.op(Op::GetLocal, 4).op(Op::GetLocal1).op(Op::GetLocal, 5).op(Op::NextName).op(Op::TypeOf).op(Op::Add);
             c.op(Op::SetLocal, 4).label("test").op(Op::HasNext2, {1, 5}).branch(Op::IfTrue, "top").op(Op::GetLocal, 4);
         },
         "objectobjectstring"},
        {"ForEachGivesTheValues", false,
         [](Code& c, const DictionaryNames& n) {  // delete d[k1]; sum of values
             c.op(Op::GetLocal1).op(Op::GetLocal2).op(Op::DeleteProperty, n.runtime).op(Op::Pop);
             c.op(Op::PushByte, 0).op(Op::SetLocal, 4).op(Op::PushByte, 0).op(Op::SetLocal, 5);
             c.branch(Op::Jump, "test").label("top");
             c.op(Op::GetLocal, 4).op(Op::GetLocal1).op(Op::GetLocal, 5).op(Op::NextValue).op(Op::Add);
             c.op(Op::SetLocal, 4).label("test").op(Op::HasNext2, {1, 5}).branch(Op::IfTrue, "top").op(Op::GetLocal, 4);
         },
         "5"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(runDictionary(c.weakKeys, c.tail), c.expected) << c.name;
}

// --- flash.utils functions ----------------------------------------------------------

TEST(FlashUtils, QualifiedNamesAndDefinitions) {
    Machine m;
    const Value byteArrayClass = m.findDefinitionByName(u"flash.utils.ByteArray");
    auto call = [&](const char16_t* function, Value arg) {
        return result(m, m.run([&] {
            const Value args[] = {arg};
            return m.call(m.findDefinitionByName(function), Value::null(), args);
        }));
    };
    const Value ba = *m.run([&] { return newByteArray(m); });
    m.pin(ba);
    const Value eof = *m.run([&] { return m.construct(m.findDefinitionByName(u"flash.errors.EOFError"), {}); });
    m.pin(eof);
    const struct {
        const char16_t* function;
        Value arg;
        const char* expected;
    } cases[] = {
        {u"flash.utils.getQualifiedClassName", Value::fromInt(5), "int"},
        {u"flash.utils.getQualifiedClassName", Value::number(1.5), "Number"},
        {u"flash.utils.getQualifiedClassName", m.string(u"s"), "String"},
        {u"flash.utils.getQualifiedClassName", Value::null(), "null"},
        {u"flash.utils.getQualifiedClassName", Value(), "void"},
        {u"flash.utils.getQualifiedClassName", ba, "flash.utils::ByteArray"},
        {u"flash.utils.getQualifiedClassName", byteArrayClass, "flash.utils::ByteArray"},
        {u"flash.utils.getQualifiedClassName", Value::object(m.newArray()), "Array"},
        {u"flash.utils.getQualifiedSuperclassName", ba, "Object"},
        {u"flash.utils.getQualifiedSuperclassName", eof, "flash.errors::IOError"},
        {u"flash.utils.getQualifiedSuperclassName", Value::object(m.coreClass(u"Object")), "null"},
        {u"flash.utils.getDefinitionByName", m.string(u"flash.utils.Nothing"), "error: ReferenceError: Error #1065"},
    };
    for (const auto& c : cases)
        expectResult(call(c.function, c.arg), c.expected, c.expected);
    const Value endian = *m.run([&] {
        const Value name[] = {m.string(u"flash.utils::Endian")};
        return m.call(m.findDefinitionByName(u"flash.utils.getDefinitionByName"), Value::null(), name);
    });
    EXPECT_EQ(endian.asObject(), m.coreClass(u"flash.utils", u"Endian"));
    EXPECT_EQ(result(m, m.run([&] { return *m.coreClass(u"flash.utils", u"Endian")->findOwn(u"LITTLE_ENDIAN"); })),
              "littleEndian");
}

}  // namespace
