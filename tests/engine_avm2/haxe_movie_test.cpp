// A movie the haxe compiler made from haxe/Basics.hx at build time: every
// ABC block in it must load (parse, verify, prepare). Running it needs the
// display classes of the next stage.
#include "avm2/machine.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <vector>

namespace {

// The DoABC and DoABC2 payloads of an uncompressed or zlib-compressed movie.
std::vector<std::vector<uint8_t>> abcBlocks(const std::vector<uint8_t>& file) {
    std::vector<std::vector<uint8_t>> blocks;
    if (file.size() < 8 || (file[0] != 'F' && file[0] != 'C'))
        return blocks;
    std::vector<uint8_t> body(file.begin() + 8, file.end());
    if (file[0] == 'C') {
        uLongf length = file[4] | (file[5] << 8) | (file[6] << 16) | (uLongf(file[7]) << 24);
        std::vector<uint8_t> out(length);
        if (uncompress(out.data(), &length, file.data() + 8, uLong(file.size() - 8)) != Z_OK)
            return blocks;
        out.resize(length);
        body = std::move(out);
    }
    const size_t rectBits = 5 + 4 * (body[0] >> 3);
    size_t at = (rectBits + 7) / 8 + 4;
    while (at + 2 <= body.size()) {
        const uint16_t header = uint16_t(body[at] | (body[at + 1] << 8));
        at += 2;
        size_t length = header & 0x3F;
        if (length == 0x3F) {
            if (at + 4 > body.size())
                break;
            length = body[at] | (body[at + 1] << 8) | (body[at + 2] << 16) | (size_t(body[at + 3]) << 24);
            at += 4;
        }
        if (at + length > body.size())
            break;
        const uint16_t code = header >> 6;
        if (code == 72) {
            blocks.emplace_back(body.begin() + long(at), body.begin() + long(at + length));
        } else if (code == 82) {
            size_t name = at + 4;
            while (name < at + length && body[name] != 0)
                ++name;
            blocks.emplace_back(body.begin() + long(name + 1), body.begin() + long(at + length));
        }
        if (code == 0)
            break;
        at += length;
    }
    return blocks;
}

TEST(HaxeMovie, EveryBlockLoads) {
#ifndef AVM2_HAXE_MOVIE
    GTEST_SKIP() << "haxe was not found at configuration time";
#else
    std::ifstream in(AVM2_HAXE_MOVIE, std::ios::binary);
    ASSERT_TRUE(in) << AVM2_HAXE_MOVIE;
    const std::vector<uint8_t> file((std::istreambuf_iterator<char>(in)), {});
    const auto blocks = abcBlocks(file);
    ASSERT_FALSE(blocks.empty());
    avm2::Machine machine;
    for (const auto& block : blocks) {
        auto loaded = machine.load(block);
        ASSERT_TRUE(loaded) << loaded.error().describe();
        EXPECT_GT((*loaded)->bodies.size(), 10u);
    }
#endif
}

}  // namespace
