#include "child_movie.h"

#include "abc_writer.h"

#include <string>

namespace as3test {

namespace {

using swfwriter::AbcWriter;
using swfwriter::Code;
using swfwriter::Op;

std::vector<uint8_t> childBlock() {
    AbcWriter a;
    const uint32_t doc = a.publicName("ChildDoc");
    const uint32_t movieClip = a.publicName("MovieClip", "flash.display");
    const uint32_t fscommand = a.publicName("fscommand", "flash.system");
    const uint32_t loaderInfo = a.publicName("loaderInfo");
    const uint32_t url = a.publicName("url");

    const uint32_t init = a.method({});
    Code c;
    c.op(Op::GetLocal0).op(Op::PushScope).op(Op::GetLocal0).op(Op::ConstructSuper, 0);
    c.op(Op::FindPropStrict, fscommand).op(Op::PushString, a.string("child")).op(Op::GetLocal0);
    c.op(Op::GetProperty, loaderInfo).op(Op::GetProperty, url).op(Op::CallPropVoid, {fscommand, 2}).op(Op::ReturnVoid);
    a.body(
        {.method = init, .maxStack = 4, .localCount = 1, .initScopeDepth = 0, .maxScopeDepth = 1, .code = c.bytes()});
    const uint32_t cinit = a.method({});
    Code ci;
    ci.op(Op::ReturnVoid);
    a.body({.method = cinit, .localCount = 1, .code = ci.bytes()});
    a.instance({.name = doc, .superName = movieClip, .flags = 0, .init = init, .classInit = cinit});

    const uint32_t scriptInit = a.method({});
    Code s;
    s.op(Op::GetLocal0).op(Op::PushScope).op(Op::GetScopeObject, 0).op(Op::GetLex, movieClip).op(Op::PushScope);
    s.op(Op::GetLex, movieClip).op(Op::NewClass, 0).op(Op::PopScope).op(Op::InitProperty, doc).op(Op::ReturnVoid);
    a.body({.method = scriptInit, .maxStack = 3, .localCount = 1, .maxScopeDepth = 2, .code = s.bytes()});
    a.script(scriptInit, {{.name = doc, .kind = 4, .index = 0}});
    return a.bytes();
}

}  // namespace

std::vector<uint8_t> scriptChildMovie() {
    // Version 10, an empty stage rectangle, 30 frames a second, one frame.
    std::vector<uint8_t> file{'F', 'W', 'S', 10, 0, 0, 0, 0, 0, 0, 30, 1, 0};
    auto tag = [&](uint16_t code, const std::vector<uint8_t>& body) {
        const uint16_t header = uint16_t(code << 6 | 0x3F);
        file.insert(file.end(), {uint8_t(header), uint8_t(header >> 8), uint8_t(body.size()), uint8_t(body.size() >> 8),
                                 uint8_t(body.size() >> 16), uint8_t(body.size() >> 24)});
        file.insert(file.end(), body.begin(), body.end());
    };
    tag(69, {0x08, 0, 0, 0});
    const std::vector<uint8_t> abc = childBlock();
    std::vector<uint8_t> doAbc{0, 0, 0, 0, 'c', 0};  // DoABC2: not lazy, named "c"
    doAbc.insert(doAbc.end(), abc.begin(), abc.end());
    tag(82, doAbc);
    const std::string name = "ChildDoc";
    std::vector<uint8_t> symbols{1, 0, 0, 0};
    symbols.insert(symbols.end(), name.begin(), name.end());
    symbols.push_back(0);
    tag(76, symbols);
    tag(1, {});
    tag(0, {});
    const size_t length = file.size();
    for (int i = 0; i < 4; ++i)
        file[4 + i] = uint8_t(length >> (8 * i));
    return file;
}

}  // namespace as3test
