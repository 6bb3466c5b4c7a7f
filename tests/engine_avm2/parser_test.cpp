#include "abc_writer.h"
#include "avm2/abc_parser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

using namespace avm2;
using swfwriter::AbcWriter;
using swfwriter::Code;

namespace {

// A block that uses every part of the format once.
std::vector<uint8_t> fullBlock() {
    AbcWriter a;
    a.intConstant(-5);
    a.intConstant(100);
    a.uintConstant(4000000000u);
    a.doubleConstant(2.5);
    uint32_t pkg = a.packageNamespace("flash.display");
    uint32_t priv = a.ns(0x05, 0);
    uint32_t set = a.nsSet({pkg, priv});
    uint32_t sprite = a.qname(pkg, a.string("Sprite"));
    uint32_t vec = a.publicName("Vector", "__AS3__.vec");
    uint32_t intName = a.publicName("int");
    a.multiname(0x1D, {vec, 1, intName});  // Vector.<int>
    a.multiname(0x09, {a.string("x"), set});
    a.multiname(0x1B, {set});
    a.multiname(0x0F, {a.string("y")});
    a.multiname(0x11, {});
    uint32_t init = a.method({});
    uint32_t withDefaults = a.method({.paramTypes = {intName, 0}, .optional = {{1, 0x03}}});
    uint32_t classInit = a.method({});
    uint32_t main = a.qname(pkg, a.string("Main"));
    a.instance(
        {.name = main,
         .superName = sprite,
         .flags = 0x08 | 0x01,
         .protectedNs = a.ns(0x18, a.string("Main")),
         .init = init,
         .traits = {{.name = a.publicName("count"), .kind = 0, .index = intName, .valueIndex = 2, .valueKind = 0x03},
                    {.name = a.publicName("run"), .kind = 1 | 0x10, .id = 1, .index = withDefaults}},
         .classInit = classInit});
    uint32_t scriptInit = a.method({});
    a.script(scriptInit, {{.name = main, .kind = 4, .index = 0}});
    Code c;
    c.op(Op::GetLocal0).op(Op::PushScope).op(Op::ReturnVoid);
    for (uint32_t m : {init, withDefaults, classInit, scriptInit})
        a.body({.method = m,
                .maxStack = 1,
                .localCount = 3,
                .maxScopeDepth = 1,
                .code = c.bytes(),
                .exceptions = {{.from = 0, .to = 2, .target = 2}}});
    return a.bytes();
}

TEST(AbcParser, ReadsEveryPartOfTheFormat) {
    auto parsed = parseAbc(fullBlock());
    ASSERT_TRUE(parsed) << parsed.error().describe();
    const AbcFile& f = *parsed;
    EXPECT_EQ(f.majorVersion, 46);
    EXPECT_EQ(f.ints, (std::vector<int32_t>{0, -5, 100}));
    EXPECT_EQ(f.uints[1], 4000000000u);
    EXPECT_TRUE(std::isnan(f.doubles[0]));
    EXPECT_EQ(f.doubles[1], 2.5);
    ASSERT_EQ(f.nsSets.size(), 2u);
    EXPECT_EQ(f.nsSets[1].size(), 2u);
    const MultinameInfo& typeName = f.multinames[4];
    ASSERT_EQ(typeName.kind, MultinameKind::TypeName);
    EXPECT_EQ(f.strings[f.namespaces[f.multinames[typeName.typeBase].ns].name], "__AS3__.vec");
    EXPECT_EQ(typeName.typeParameters.size(), 1u);
    EXPECT_EQ(runtimeParts(f.multinames[7].kind), 1);  // RTQName
    EXPECT_EQ(runtimeParts(f.multinames[8].kind), 2);  // RTQNameL
    ASSERT_EQ(f.methods.size(), 4u);
    EXPECT_EQ(f.methods[1].optional.size(), 1u);
    EXPECT_EQ(f.methods[1].optional[0].kind, ConstantKind::Int);
    ASSERT_EQ(f.instances.size(), 1u);
    EXPECT_NE(f.instances[0].protectedNs, 0u);
    ASSERT_EQ(f.instances[0].traits.size(), 2u);
    EXPECT_EQ(f.instances[0].traits[0].value.kind, ConstantKind::Int);
    EXPECT_EQ(f.instances[0].traits[1].kind, TraitKind::Method);
    EXPECT_EQ(f.instances[0].traits[1].attributes, Trait::Final);
    EXPECT_EQ(f.scripts[0].traits[0].kind, TraitKind::Class);
    ASSERT_EQ(f.bodies.size(), 4u);
    EXPECT_EQ(f.methods[3].body, 3u);
    EXPECT_EQ(f.bodies[0].exceptions.size(), 1u);
}

TEST(AbcParser, EveryTruncationFailsCleanly) {
    const std::vector<uint8_t> full = fullBlock();
    for (size_t length = 0; length < full.size(); ++length) {
        auto parsed = parseAbc(std::span(full.data(), length));
        EXPECT_FALSE(parsed) << "length " << length;
    }
}

struct BadBlock {
    const char* name;
    std::function<std::vector<uint8_t>()> make;
    const char* message;
};

void PrintTo(const BadBlock& b, std::ostream* os) { *os << b.name; }

std::vector<uint8_t> header(std::initializer_list<uint8_t> rest) {
    std::vector<uint8_t> out = {16, 0, 46, 0};
    for (uint8_t b : rest)
        out.push_back(b);
    return out;
}

class AbcParserRejects : public testing::TestWithParam<BadBlock> {};

TEST_P(AbcParserRejects, Block) {
    auto parsed = parseAbc(GetParam().make());
    ASSERT_FALSE(parsed);
    EXPECT_NE(parsed.error().what.find(GetParam().message), std::string::npos) << parsed.error().describe();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AbcParserRejects,
    testing::Values(
        // A pool count far beyond the data must not be believed.
        BadBlock{"HugeStringCount",
                 [] {
                     return header({0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0x03});
                 },
                 "ends early"},
        BadBlock{"OverlongInteger",
                 [] {
                     return header({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x01});
                 },
                 "ends early"},
        BadBlock{"NamespaceKind",
                 [] {
                     return header({0, 0, 0, 0, 2, 0x42, 0});
                 },
                 "namespace kind"},
        BadBlock{"NamespaceName",
                 [] {
                     return header({0, 0, 0, 0, 2, 0x16, 5});
                 },
                 "namespace name string"},
        BadBlock{"MultinameKind",
                 [] {
                     AbcWriter a;
                     a.multiname(0x33, {});
                     return a.bytes();
                 },
                 "multiname kind"},
        BadBlock{"EmptyNamespaceSetIndex",
                 [] {
                     AbcWriter a;
                     a.multiname(0x1B, {0});
                     return a.bytes();
                 },
                 "namespace set index 0"},
        BadBlock{"TypeNameOfTypeName",
                 [] {
                     AbcWriter a;
                     uint32_t v = a.publicName("Vector");
                     uint32_t t = a.multiname(0x1D, {v, 1, v});
                     a.multiname(0x1D, {t, 1, v});
                     return a.bytes();
                 },
                 "type name as its base"},
        BadBlock{"TypeNameLoop",
                 [] {
                     AbcWriter a;
                     uint32_t v = a.publicName("Vector");
                     a.multiname(0x1D, {v, 1, v + 1});
                     return a.bytes();
                 },
                 "names itself"},
        BadBlock{"TypeNameLoopOfTwo",
                 [] {
                     AbcWriter a;
                     uint32_t v = a.publicName("Vector");
                     a.multiname(0x1D, {v, 1, v + 2});
                     a.multiname(0x1D, {v, 1, v + 1});
                     return a.bytes();
                 },
                 "names itself"},
        BadBlock{"SecondBody",
                 [] {
                     AbcWriter a;
                     uint32_t m = a.method({});
                     a.body({.method = m, .code = {0x47}});
                     a.body({.method = m, .code = {0x47}});
                     return a.bytes();
                 },
                 "second body"},
        BadBlock{"BodyOfMissingMethod",
                 [] {
                     AbcWriter a;
                     a.body({.method = 3, .code = {0x47}});
                     return a.bytes();
                 },
                 "body method index 3"},
        BadBlock{"TraitNameNotQName",
                 [] {
                     AbcWriter a;
                     uint32_t m = a.method({});
                     uint32_t name = a.multiname(0x0F, {a.string("x")});
                     a.script(m, {{.name = name, .kind = 0}});
                     return a.bytes();
                 },
                 "not a qualified name"},
        BadBlock{"TraitKind",
                 [] {
                     AbcWriter a;
                     uint32_t m = a.method({});
                     a.script(m, {{.name = a.publicName("x"), .kind = 9}});
                     return a.bytes();
                 },
                 "trait kind"},
        BadBlock{"TraitClass",
                 [] {
                     AbcWriter a;
                     uint32_t m = a.method({});
                     a.script(m, {{.name = a.publicName("x"), .kind = 4, .index = 0}});
                     return a.bytes();
                 },
                 "trait class index 0"},
        BadBlock{"SlotValueKind",
                 [] {
                     AbcWriter a;
                     uint32_t m = a.method({});
                     a.script(m, {{.name = a.publicName("x"), .kind = 0, .valueIndex = 1, .valueKind = 0x55}});
                     return a.bytes();
                 },
                 "constant kind"},
        BadBlock{"OptionalBeyondParameters",
                 [] {
                     AbcWriter a;
                     a.method({.optional = {{0, 0x0C}}});
                     return a.bytes();
                 },
                 "more optional values"},
        BadBlock{"ScopeStartsTooDeep",
                 [] {
                     AbcWriter a;
                     uint32_t m = a.method({});
                     a.body({.method = m, .initScopeDepth = 2, .maxScopeDepth = 1, .code = {0x47}});
                     return a.bytes();
                 },
                 "deeper than its scope maximum"}),
    [](const testing::TestParamInfo<BadBlock>& info) { return std::string(info.param.name); });

// Compilers may write Vector.<Vector.<Number>> before Vector.<Number>.
TEST(AbcParser, TypeNamesMayNameLaterOnes) {
    AbcWriter a;
    uint32_t v = a.publicName("Vector");
    uint32_t number = a.publicName("Number");
    a.multiname(0x1D, {v, 1, number + 2});
    a.multiname(0x1D, {v, 1, number});
    auto parsed = parseAbc(a.bytes());
    EXPECT_TRUE(parsed) << parsed.error().describe();
}

TEST(AbcParser, ErrorSaysWhere) {
    auto parsed = parseAbc(header({0, 0, 0, 0, 2, 0x42, 0}));
    ASSERT_FALSE(parsed);
    EXPECT_EQ(parsed.error().offset, 9u);
    EXPECT_NE(parsed.error().describe().find("at byte 9"), std::string::npos);
}

}  // namespace
