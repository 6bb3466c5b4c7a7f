// Classes as a compiler lays them out: a script that makes Animal and Dog
// (Dog extends Animal, overrides speak and calls super), then runs a case's
// code with both in scope and leaves its answer in the global `result`.
#include "abc_writer.h"
#include "avm2/machine.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

using namespace avm2;
using swfwriter::AbcInstance;
using swfwriter::AbcWriter;
using swfwriter::Code;

namespace {

struct Names {
    uint32_t animal = 0, dog = 0, object = 0, legs = 0, speak = 0, result = 0, count = 0, error = 0, typeError = 0,
             message = 0, prop = 0;
    uint32_t woof = 0;  // string "Woof"
};

struct ClassCase {
    const char* name;
    std::function<void(Code&, const Names&)> main;  // leaves one value on the stack
    const char* expected;                           // or "error: <part>"
    bool omitOverrideFlag = false;
};

std::string run(const ClassCase& c) {
    AbcWriter a;
    Names n;
    const uint32_t pkg = a.packageNamespace("");
    auto name = [&](const char* text) { return a.qname(pkg, a.string(text)); };
    n.animal = name("Animal");
    n.dog = name("Dog");
    n.object = name("Object");
    n.legs = name("legs");
    n.speak = name("speak");
    n.result = name("result");
    n.count = name("count");
    n.error = name("Error");
    n.typeError = name("TypeError");
    n.message = name("message");
    n.prop = name("prop");
    n.woof = a.string("Woof");
    const uint32_t intType = name("int");
    const uint32_t prot = a.ns(0x18, a.string("Animal"));

    // Animal: var legs:int; function speak() { return "..." } ; static var count = 7
    const uint32_t animalInit = a.method({});
    const uint32_t animalSpeak = a.method({});
    const uint32_t animalCinit = a.method({});
    Code init;
    init.op(Op::GetLocal0).op(Op::PushScope).op(Op::GetLocal0).op(Op::ConstructSuper, 0);
    init.op(Op::GetLocal0).op(Op::PushByte, 4).op(Op::InitProperty, n.legs).op(Op::ReturnVoid);
    a.body({.method = animalInit,
            .maxStack = 2,
            .localCount = 1,
            .initScopeDepth = 4,
            .maxScopeDepth = 5,
            .code = init.bytes()});
    Code speak;
    speak.op(Op::PushString, a.string("...")).op(Op::ReturnValue);
    a.body({.method = animalSpeak, .maxStack = 1, .localCount = 1, .code = speak.bytes()});
    Code cinit;
    cinit.op(Op::ReturnVoid);
    a.body({.method = animalCinit, .localCount = 1, .code = cinit.bytes()});
    a.instance({.name = n.animal,
                .superName = n.object,
                .flags = 0x01 | 0x08,
                .protectedNs = prot,
                .init = animalInit,
                .traits = {{.name = n.legs, .kind = 0, .index = intType},
                           {.name = n.speak, .kind = 1, .id = 1, .index = animalSpeak}},
                .classInit = animalCinit,
                .classTraits = {{.name = n.count, .kind = 0, .valueIndex = a.intConstant(7), .valueKind = 0x03}}});

    // Dog: override function speak() { return "Woof" + super.speak() }
    const uint32_t dogInit = a.method({});
    const uint32_t dogSpeak = a.method({});
    const uint32_t dogCinit = a.method({});
    Code dinit;
    dinit.op(Op::GetLocal0).op(Op::ConstructSuper, 0).op(Op::ReturnVoid);
    a.body({.method = dogInit, .maxStack = 1, .localCount = 1, .code = dinit.bytes()});
    Code dspeak;
    dspeak.op(Op::PushString, n.woof).op(Op::GetLocal0).op(Op::CallSuper, {n.speak, 0}).op(Op::Add);
    dspeak.op(Op::ReturnValue);
    a.body({.method = dogSpeak, .maxStack = 2, .localCount = 1, .code = dspeak.bytes()});
    a.body({.method = dogCinit, .localCount = 1, .code = cinit.bytes()});
    a.instance(
        {.name = n.dog,
         .superName = n.animal,
         .flags = 0x01 | 0x08,
         .protectedNs = a.ns(0x18, a.string("Dog")),
         .init = dogInit,
         .traits =
             {{.name = n.speak, .kind = uint8_t(1 | (c.omitOverrideFlag ? 0 : 0x20)), .id = 1, .index = dogSpeak}},
         .classInit = dogCinit});

    const uint32_t scriptInit = a.method({});
    Code s;
    s.op(Op::GetLocal0).op(Op::PushScope);
    s.op(Op::GetScopeObject, 0).op(Op::GetLex, n.object).op(Op::PushScope).op(Op::GetLex, n.object);
    s.op(Op::NewClass, 0).op(Op::PopScope).op(Op::InitProperty, n.animal);
    s.op(Op::GetScopeObject, 0).op(Op::GetLex, n.object).op(Op::PushScope).op(Op::GetLex, n.animal);
    s.op(Op::PushScope).op(Op::GetLex, n.animal).op(Op::NewClass, 1).op(Op::PopScope).op(Op::PopScope);
    s.op(Op::InitProperty, n.dog);
    s.op(Op::GetLocal0);
    c.main(s, n);
    s.op(Op::SetProperty, n.result).op(Op::ReturnVoid);
    a.body({.method = scriptInit, .maxStack = 6, .localCount = 3, .maxScopeDepth = 4, .code = s.bytes()});
    a.script(scriptInit, {{.name = n.animal, .kind = 4, .index = 0}, {.name = n.dog, .kind = 4, .index = 1}});

    Machine m;
    auto file = m.load(a.bytes());
    if (!file)
        return "load error: " + file.error().describe();
    auto global = m.runEntry(**file);
    if (!global)
        return "error: " + global.error().what;
    const Value* result = global->asObject()->findOwn(u"result");
    if (!result)
        return "no result";
    return utf16ToUtf8(m.toString(*result)->text());
}

class Classes : public testing::TestWithParam<ClassCase> {};

TEST_P(Classes, Result) {
    const std::string got = run(GetParam());
    const std::string expected = GetParam().expected;
    if (expected.rfind("error: ", 0) == 0)
        EXPECT_NE(got.find(expected.substr(7)), std::string::npos) << got;
    else
        EXPECT_EQ(got, expected);
}

void PrintTo(const ClassCase& c, std::ostream* os) { *os << c.name; }

INSTANTIATE_TEST_SUITE_P(
    Cases, Classes,
    testing::Values(
        ClassCase{"OverrideCallsSuper",
                  [](Code& c, const Names& n) {
                      c.op(Op::FindPropStrict, n.dog).op(Op::ConstructProp, {n.dog, 0});
                      c.op(Op::CallProperty, {n.speak, 0});
                  },
                  "Woof..."},
        ClassCase{"SuperConstructorInitialisesSlots",
                  [](Code& c, const Names& n) {
                      c.op(Op::FindPropStrict, n.dog).op(Op::ConstructProp, {n.dog, 0}).op(Op::GetProperty, n.legs);
                  },
                  "4"},
        ClassCase{"SlotTypeConverts",
                  [](Code& c, const Names& n) {
                      c.op(Op::FindPropStrict, n.animal).op(Op::ConstructProp, {n.animal, 0}).op(Op::Dup);
                      c.op(Op::PushString, n.woof).op(Op::SetProperty, n.legs).op(Op::GetProperty, n.legs);
                  },
                  "0"},
        ClassCase{"StaticSlot",
                  [](Code& c, const Names& n) { c.op(Op::GetLex, n.animal).op(Op::GetProperty, n.count); }, "7"},
        ClassCase{"IsAndInstanceOf",
                  [](Code& c, const Names& n) {
                      c.op(Op::FindPropStrict, n.dog).op(Op::ConstructProp, {n.dog, 0}).op(Op::SetLocal1);
                      c.op(Op::GetLocal1).op(Op::IsType, n.animal).op(Op::ConvertS);
                      c.op(Op::GetLocal1).op(Op::GetLex, n.dog).op(Op::InstanceOf).op(Op::ConvertS).op(Op::Add);
                      c.op(Op::FindPropStrict, n.animal).op(Op::ConstructProp, {n.animal, 0});
                      c.op(Op::GetLex, n.dog).op(Op::IsTypeLate).op(Op::ConvertS).op(Op::Add);
                  },
                  "truetruefalse"},
        ClassCase{
            "CoercionFails",
            [](Code& c, const Names& n) { c.op(Op::PushString, n.woof).op(Op::NewObject, 0).op(Op::Coerce, n.animal); },
            "error: TypeError: Error #1034: Type Coercion failed: cannot convert Object to Animal."},
        ClassCase{"SealedClassRefusesNewProperties",
                  [](Code& c, const Names& n) {
                      c.op(Op::FindPropStrict, n.dog).op(Op::ConstructProp, {n.dog, 0}).op(Op::Dup);
                      c.op(Op::PushByte, 1).op(Op::SetProperty, n.prop);
                  },
                  "error: ReferenceError: Error #1056: Cannot create property prop on Dog."},
        ClassCase{"SealedClassMissingProperty",
                  [](Code& c, const Names& n) {
                      c.op(Op::FindPropStrict, n.dog).op(Op::ConstructProp, {n.dog, 0}).op(Op::GetProperty, n.prop);
                  },
                  "error: Error #1069: Property prop not found on Dog and there is no default value."},
        ClassCase{"CallMethodByDispatchId",
                  [](Code& c, const Names& n) {
                      c.op(Op::FindPropStrict, n.dog).op(Op::ConstructProp, {n.dog, 0}).op(Op::CallMethod, {1, 0});
                  },
                  "Woof..."},
        ClassCase{"BoundMethodKeepsItsReceiver",
                  [](Code& c, const Names& n) {
                      c.op(Op::FindPropStrict, n.dog).op(Op::ConstructProp, {n.dog, 0}).op(Op::GetProperty, n.speak);
                      c.op(Op::PushNull).op(Op::Call, 0);
                  },
                  "Woof..."},
        ClassCase{"OverrideNeedsTheFlag", [](Code& c, const Names&) { c.op(Op::PushNull); },
                  "error: VerifyError: Error #1053: Illegal override of speak.", true},
        ClassCase{"ErrorClassesAreClasses",
                  [](Code& c, const Names& n) {
                      c.op(Op::FindPropStrict, n.typeError).op(Op::PushString, n.woof);
                      c.op(Op::ConstructProp, {n.typeError, 1}).op(Op::Dup).op(Op::IsType, n.error).op(Op::ConvertS);
                      c.op(Op::Swap).op(Op::ConvertS).op(Op::Add);
                  },
                  "trueTypeError: Woof"},
        ClassCase{"ForInOverDynamicProperties",
                  [](Code& c, const Names& n) {
                      // for (k in {a: 1, Woof: 2}) s += k
                      c.op(Op::PushString, n.woof).op(Op::PushString, n.woof).op(Op::PushByte, 2).op(Op::NewObject, 1);
                      c.op(Op::SetLocal1).op(Op::PushByte, 0).op(Op::SetLocal2).branch(Op::Jump, "test").label("top");
                      c.op(Op::GetLocal1).op(Op::GetLocal2).op(Op::NextName).op(Op::Add);
                      c.label("test").op(Op::HasNext2, {1, 2}).branch(Op::IfTrue, "top");
                  },
                  "WoofWoof"}),
    [](const testing::TestParamInfo<ClassCase>& info) { return std::string(info.param.name); });

}  // namespace
