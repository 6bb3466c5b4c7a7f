// ByteArray.writeObject/readObject in both encodings, and the QName and
// Namespace classes, called as natives.
#include "avm2/core_library.h"
#include "avm2/dictionary.h"
#include "avm2/machine.h"
#include "avm2/vector.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>

using namespace avm2;

namespace {

Value json(Machine& m, std::u16string_view method, Value arg) {
    const Value args[1] = {arg};
    return m.callMember(*m.global()->findOwn(u"JSON"), method, args);
}

// An accessor of the host's classes, read or (with "name=") written.
Value access(Machine& m, Value self, std::u16string name, Value v = Value()) {
    const bool write = name.back() == u'=';
    if (write)
        name.pop_back();
    const Binding* b = self.asObject()->traits()->find(QName{m.publicNamespace(), m.intern(name)});
    const Value args[1] = {v};
    return write ? b->setter.native(m, self, std::span<const Value>(args)) : b->getter.native(m, self, {});
}

std::string text(Machine& m, const moviehost::Expected<Value, Error>& r) {
    return r ? utf16ToUtf8(m.toString(*r)->text()) : "error: " + r.error().what;
}

Value newByteArray(Machine& m) { return m.construct(m.findDefinitionByName(u"flash.utils.ByteArray"), {}); }

TEST(ObjectEncoding, RoundTripsThroughBothEncodings) {
    const char16_t* values[] = {
        u"{\"a\":[1,2.5,\"x\",true,null],\"b\":{\"c\":-3,\"d\":\"\u00e9\"}}",
        u"[268435455,268435456,-268435456,-268435457,0.1]",
        u"\"text\"",
        u"[[],{},[[[1]]]]",
    };
    for (double encoding : {3.0, 0.0}) {
        for (const char16_t* value : values) {
            Machine m;
            auto r = m.run([&] {
                const Value ba = newByteArray(m);
                Machine::Pin keep(m, ba);
                access(m, ba, u"objectEncoding=", Value::number(encoding));
                const Value parsed = json(m, u"parse", m.string(value));
                Machine::Pin keepParsed(m, parsed);
                const Value twice[1] = {parsed};
                m.callMember(ba, u"writeObject", twice);
                m.callMember(ba, u"writeObject", twice);
                access(m, ba, u"position=", Value::number(0));
                m.callMember(ba, u"readObject", {});
                return json(m, u"stringify", m.callMember(ba, u"readObject", {}));
            });
            EXPECT_EQ(text(m, r), utf16ToUtf8(value)) << encoding;
        }
    }
}

TEST(ObjectEncoding, KeepsSharedObjectsAndByteArrays) {
    Machine m;
    auto r = m.run([&] {
        const Value ba = newByteArray(m), inner = newByteArray(m);
        Machine::Pin keepBa(m, ba), keepInner(m, inner);
        const Value byte[1] = {Value::fromInt(7)};
        m.callMember(inner, u"writeByte", byte);
        Object* o = m.newObject();
        const Value root = Value::object(o);
        Machine::Pin keepRoot(m, root);
        o->setOwn(u"self", root);
        o->setOwn(u"bytes", inner);
        const Value arg[1] = {root};
        m.callMember(ba, u"writeObject", arg);
        access(m, ba, u"position=", Value::number(0));
        const Value back = m.callMember(ba, u"readObject", {});
        Object* b = back.asObject();
        const Value* bytes = b->findOwn(u"bytes");
        const bool cycle = b->findOwn(u"self")->asObject() == b;
        const bool ended = access(m, ba, u"bytesAvailable").numeric() == 0;
        return Value::boolean(cycle && ended && bytes && access(m, *bytes, u"length").numeric() == 1 &&
                              m.callMember(*bytes, u"readByte", {}).numeric() == 7);
    });
    EXPECT_EQ(text(m, r), "true");
}

// The kinds only AMF3 carries come back as themselves: typed vectors (fixed
// or not), a dictionary with object keys (and a cycle through one), XML.
TEST(ObjectEncoding, Amf3Kinds) {
    struct Case {
        const char* name;
        std::function<Value(Machine&)> make;
        std::function<std::u16string(Machine&, Value)> read;
        const char* expected;
    };
    auto vectorOf = [](Machine& m, const char16_t* type, std::initializer_list<double> values, bool fixed) {
        const Value generic = m.findDefinitionByName(u"__AS3__.vec::Vector");
        const Value v = m.construct(Value::object(applyVectorType(m, generic, m.findDefinitionByName(type))), {});
        for (double d : values) {
            const Value arg[1] = {Value::number(d)};
            m.callMember(v, u"push", arg);
        }
        access(m, v, u"fixed=", Value::boolean(fixed));
        return v;
    };
    auto describe = [](Machine& m, Value v) {
        return m.toString(v)->text() + u"|" + m.toString(access(m, v, u"fixed"))->text() + u"|" +
               m.toString(m.call(m.findDefinitionByName(u"flash.utils.getQualifiedClassName"), Value::null(),
                                 std::array<Value, 1>{v}))
                   ->text();
    };
    const Case cases[] = {
        {"IntVector",
         [&](Machine& m) {
             return vectorOf(m, u"int", {-1, 7}, true);
         },
         describe, "-1,7|true|__AS3__.vec::Vector.<int>"},
        {"UIntVector", [&](Machine& m) { return vectorOf(m, u"uint", {4294967295.0}, false); }, describe,
         "4294967295|false|__AS3__.vec::Vector.<uint>"},
        {"NumberVector",
         [&](Machine& m) {
             return vectorOf(m, u"Number", {0.5, -2}, false);
         },
         describe, "0.5,-2|false|__AS3__.vec::Vector.<Number>"},
        {"ObjectVector",
         [&](Machine& m) {
             return vectorOf(m, u"String", {1, 2}, false);
         },
         describe, "1,2|false|__AS3__.vec::Vector.<String>"},
        {"Dictionary",
         [](Machine& m) {
             const Value d = m.construct(m.findDefinitionByName(u"flash.utils.Dictionary"), {});
             Machine::Pin keep(m, d);
             const Value key = Value::object(m.newArray());
             Machine::Pin keepKey(m, key);
             m.setMember(d, u"k", m.string(u"text"));
             const Value pair[1] = {d};
             m.callMember(key, u"push", pair);  // the key holds the dictionary: a cycle
             dynamic_cast<DictionaryObject*>(d.asObject())->set(key.asObject(), Value::fromInt(42));
             return d;
         },
         [](Machine& m, Value d) {
             auto* dict = dynamic_cast<DictionaryObject*>(d.asObject());
             std::u16string out = m.toString(m.getMember(d, u"k"))->text();
             for (size_t i = 0; dict && i < dict->slotCount(); ++i) {
                 if (dict->liveAt(i))
                     out += u"," + m.toString(dict->valueAt(i))->text() + u"," +
                            (m.getMember(Value::object(dict->keyAt(i)), u"0").asObject() == d.asObject() ? u"cycle"
                                                                                                         : u"lost");
             }
             return out;
         },
         "text,42,cycle"},
        {"Xml",
         [](Machine& m) {
             const Value text[1] = {m.string(u"<a x=\"1\"><b>t</b></a>")};
             return m.construct(m.findDefinitionByName(u"XML"), text);
         },
         [](Machine& m, Value v) { return m.callMember(v, u"toXMLString", {}).asString()->text(); },
         "<a x=\"1\">\n  <b>t</b>\n</a>"},
    };
    for (const Case& c : cases) {
        Machine m;
        auto r = m.run([&] {
            const Value ba = newByteArray(m);
            Machine::Pin keep(m, ba);
            const Value made = c.make(m);
            Machine::Pin keepMade(m, made);
            const Value arg[1] = {made};
            m.callMember(ba, u"writeObject", arg);
            access(m, ba, u"position=", Value::number(0));
            const Value back = m.callMember(ba, u"readObject", {});
            Machine::Pin keepBack(m, back);
            return m.string(c.read(m, back));
        });
        EXPECT_EQ(text(m, r), c.expected) << c.name;
    }
}

TEST(ObjectEncoding, Errors) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        double encoding;
        const char* expected;
    } cases[] = {
        {"Empty", {}, 3, "EOFError: Error #2030"},
        {"UnreadReference", {0x0A, 0x02}, 3, "Error #2006"},
        {"Truncated", {0x06, 0x09, 'a'}, 3, "Error #2006"},
        {"UnknownAmf0", {0x42}, 0, "Error #2006"},
        {"BadEncoding", {}, 5, "ArgumentError: Error #2008"},
    };
    for (const Case& c : cases) {
        Machine m;
        auto r = m.run([&] {
            const Value ba = newByteArray(m);
            Machine::Pin keep(m, ba);
            for (uint8_t b : c.bytes) {
                const Value arg[1] = {Value::fromInt(b)};
                m.callMember(ba, u"writeByte", arg);
            }
            access(m, ba, u"position=", Value::number(0));
            access(m, ba, u"objectEncoding=", Value::number(c.encoding));
            return m.callMember(ba, u"readObject", {});
        });
        EXPECT_NE(text(m, r).find(c.expected), std::string::npos) << c.name << ": " << text(m, r);
    }
}

TEST(ObjectEncoding, DefaultEncodingAppliesToNewArrays) {
    Machine m;
    auto r = m.run([&] {
        const Value c = m.findDefinitionByName(u"flash.utils.ByteArray");
        const Binding* b = c.asObject()->traits()->find(
            QName{m.internNamespace(NamespaceGroup::Public, u""), m.intern(u"defaultObjectEncoding")});
        const Value zero[1] = {Value::fromInt(0)};
        b->setter.native(m, c, std::span<const Value>(zero));
        const Value ba = newByteArray(m);
        Machine::Pin keep(m, ba);
        const Value arg[1] = {m.string(u"x")};
        m.callMember(ba, u"writeObject", arg);
        return Value::number(access(m, ba, u"objectEncoding").numeric() * 100 + access(m, ba, u"length").numeric());
    });
    EXPECT_EQ(text(m, r), "4");  // AMF0: marker, u16 length, "x"
}

TEST(Names, QNameAndNamespace) {
    struct Case {
        const char16_t* cls;
        std::vector<const char16_t*> args;  // null is the null value
        const char16_t* member;
        const char* expected;
    } cases[] = {
        {u"QName", {u"a"}, u"toString", "a"},
        {u"QName", {u"urn:x", u"a"}, u"toString", "urn:x::a"},
        {u"QName", {nullptr, u"a"}, u"toString", "*::a"},
        {u"QName", {u"urn:x", u"a"}, u"localName", "a"},
        {u"QName", {nullptr, u"a"}, u"uri", "null"},
        {u"Namespace", {u"p", u"urn:x"}, u"prefix", "p"},
        {u"Namespace", {u"p", u"urn:x"}, u"uri", "urn:x"},
        {u"Namespace", {u"urn:x"}, u"prefix", "undefined"},
        {u"Namespace", {u""}, u"prefix", ""},
        {u"Namespace", {u"urn:x"}, u"toString", "urn:x"},
    };
    for (const Case& c : cases) {
        Machine m;
        auto r = m.run([&] {
            std::vector<Value> args;
            for (const char16_t* a : c.args)
                args.push_back(a ? m.string(a) : Value::null());
            for (const Value& a : args)
                m.pin(a);
            const Value made = m.construct(m.findDefinitionByName(c.cls), args);
            m.unpin(args.size());
            Machine::Pin keep(m, made);
            const std::u16string member = c.member;
            if (member == u"toString")
                return m.callMember(made, member, {});
            return access(m, made, member);
        });
        EXPECT_EQ(text(m, r), c.expected) << utf16ToUtf8(c.cls) << " " << utf16ToUtf8(c.member);
    }
}

TEST(Names, ClassesAreInstancesOfClass) {
    Machine m;
    ClassObject* cls = m.coreClass(u"Class");
    ASSERT_TRUE(cls);
    EXPECT_TRUE(m.isInstance(m.findDefinitionByName(u"Array"), cls));
    EXPECT_FALSE(m.isInstance(Value::object(m.newObject()), cls));
    auto r = m.run([&] { return m.construct(Value::object(cls), {}); });
    EXPECT_NE(text(m, r).find("Error #1007"), std::string::npos);
}

}  // namespace
