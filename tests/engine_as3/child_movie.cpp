#include "child_movie.h"

#include "abc_writer.h"

#include <string>

namespace as3test {

using swfwriter::AbcWriter;
using swfwriter::Code;
using swfwriter::Op;

std::vector<uint8_t> childBlock(const std::string& grant) {
    AbcWriter a;
    // Classes of one name share one definition: a granting child has its own.
    const uint32_t doc = a.publicName(grant.empty() ? "ChildDoc" : "GrantingDoc");
    const uint32_t movieClip = a.publicName("MovieClip", "flash.display");
    const uint32_t fscommand = a.publicName("fscommand", "flash.system");
    const uint32_t loaderInfo = a.publicName("loaderInfo");
    const uint32_t url = a.publicName("url");

    Code c;
    if (!grant.empty()) {
        const uint32_t security = a.publicName("Security", "flash.system");
        const uint32_t allowDomain = a.publicName("allowDomain");
        c.op(Op::GetLex, security).op(Op::PushString, a.string(grant)).op(Op::CallPropVoid, {allowDomain, 1});
    }
    c.op(Op::FindPropStrict, fscommand).op(Op::PushString, a.string("child")).op(Op::GetLocal0);
    c.op(Op::GetProperty, loaderInfo).op(Op::GetProperty, url).op(Op::CallPropVoid, {fscommand, 2}).op(Op::ReturnVoid);
    a.documentClass(doc, movieClip, c, 4);
    return a.bytes();
}

std::vector<uint8_t> libraryBlock() {
    AbcWriter a;
    a.documentClass(a.publicName("Dot"), a.publicName("Sprite", "flash.display"), Code().op(Op::ReturnVoid), 2);
    a.documentClass(a.publicName("LibDoc"), a.publicName("MovieClip", "flash.display"), Code().op(Op::ReturnVoid), 2);
    return a.bytes();
}

std::vector<uint8_t> scriptChildMovie(const std::string& grant) {
    // Version 10, an empty stage rectangle, 30 frames a second, one frame.
    std::vector<uint8_t> file{'F', 'W', 'S', 10, 0, 0, 0, 0, 0, 0, 30, 1, 0};
    auto tag = [&](uint16_t code, const std::vector<uint8_t>& body) {
        const uint16_t header = uint16_t(code << 6 | 0x3F);
        file.insert(file.end(), {uint8_t(header), uint8_t(header >> 8), uint8_t(body.size()), uint8_t(body.size() >> 8),
                                 uint8_t(body.size() >> 16), uint8_t(body.size() >> 24)});
        file.insert(file.end(), body.begin(), body.end());
    };
    tag(69, {0x08, 0, 0, 0});
    const std::vector<uint8_t> abc = childBlock(grant);
    std::vector<uint8_t> doAbc{0, 0, 0, 0, 'c', 0};  // DoABC2: not lazy, named "c"
    doAbc.insert(doAbc.end(), abc.begin(), abc.end());
    tag(82, doAbc);
    const std::string name = grant.empty() ? "ChildDoc" : "GrantingDoc";
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
