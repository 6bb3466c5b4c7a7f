// Writes the ABC fuzzer's seed blocks into a folder: small blocks that reach
// every pool, every multiname kind, traits of each kind, classes, exception
// tables and bodies with branches and switches. The build runs it, so no
// seed is kept in the sources.
#include "abc_writer.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace swfwriter;

namespace {

void save(const std::string& path, const std::vector<uint8_t>& bytes) {
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
}

std::vector<uint8_t> pools() {
    AbcWriter a;
    a.intConstant(-1);
    a.uintConstant(7);
    a.doubleConstant(0.5);
    uint32_t pkg = a.packageNamespace("p");
    uint32_t set = a.nsSet({pkg, a.ns(0x05, 0), a.ns(0x08, a.string("urn"))});
    uint32_t x = a.string("x");
    uint32_t q = a.qname(pkg, x);
    a.qname(pkg, x, true);
    for (uint8_t kind : {0x0F, 0x10})
        a.multiname(kind, {x});
    for (uint8_t kind : {0x11, 0x12})
        a.multiname(kind, {});
    for (uint8_t kind : {0x09, 0x0E})
        a.multiname(kind, {x, set});
    for (uint8_t kind : {0x1B, 0x1C})
        a.multiname(kind, {set});
    a.multiname(0x1D, {q, 1, q});
    a.script(a.method({}));
    return a.bytes();
}

std::vector<uint8_t> classes() {
    AbcWriter a;
    uint32_t intName = a.publicName("int");
    uint32_t m = a.method({.paramTypes = {intName}, .optional = {{0, 0x0C}}});
    uint32_t init = a.method({});
    uint32_t cinit = a.method({});
    uint32_t name = a.publicName("C");
    a.instance({.name = name,
                .superName = a.publicName("Object"),
                .flags = 0x09,
                .protectedNs = a.ns(0x18, a.string("C")),
                .init = init,
                .traits = {{.name = a.publicName("s"), .kind = 0, .index = intName},
                           {.name = a.publicName("k"), .kind = 6, .valueIndex = 1, .valueKind = 0x0B},
                           {.name = a.publicName("m"), .kind = 1, .id = 1, .index = m},
                           {.name = a.publicName("g"), .kind = 2 | 0x20, .index = m},
                           {.name = a.publicName("f"), .kind = 5, .index = m}},
                .classInit = cinit});
    uint32_t script = a.method({});
    a.script(script, {{.name = name, .kind = 4}});
    Code c;
    c.op(Op::GetLocal0).op(Op::PushScope).op(Op::ReturnVoid);
    for (uint32_t method : {m, init, cinit, script})
        a.body({.method = method, .maxStack = 1, .localCount = 2, .maxScopeDepth = 1, .code = c.bytes()});
    return a.bytes();
}

std::vector<uint8_t> code() {
    AbcWriter a;
    uint32_t one = a.intConstant(1);
    uint32_t name = a.publicName("trace");
    uint32_t m = a.method({.flags = 0x02 | 0x40});
    Code c;
    c.op(Op::PushByte, 0).op(Op::SetLocal1).label("top");
    c.op(Op::GetLocal1).op(Op::PushInt, one).op(Op::AddI).op(Op::SetLocal1);
    c.op(Op::GetLocal1).op(Op::PushShort, 100).branch(Op::IfLt, "top");
    c.op(Op::GetLocal1).lookupSwitch("end", {"a", "b"});
    c.label("a").op(Op::FindPropStrict, name).op(Op::PushString, 1).op(Op::CallPropVoid, {name, 1});
    c.label("b").op(Op::NewActivation).op(Op::PushScope).op(Op::PopScope).op(Op::Dxns, 1);
    c.label("end").op(Op::PushNull).op(Op::Throw).label("catch").op(Op::ReturnValue);
    a.body({.method = m,
            .maxStack = 3,
            .localCount = 2,
            .maxScopeDepth = 1,
            .code = c.bytes(),
            .exceptions = {{.from = 0, .to = uint32_t(c.offsetOf("catch")), .target = uint32_t(c.offsetOf("catch"))}}});
    a.script(m);
    return a.bytes();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <output folder>\n", argv[0]);
        return 2;
    }
    const std::string dir = argv[1];
    save(dir + "/pools.abc", pools());
    save(dir + "/classes.abc", classes());
    save(dir + "/code.abc", code());
    return 0;
}
