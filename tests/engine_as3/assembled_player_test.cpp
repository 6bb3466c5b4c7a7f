// Hand-assembled ABC in movies of several frames: the document class and the
// root's timeline, and blocks that fail to load or run, which are reported
// while the timeline plays on.
#include "as3/player.h"

#include "recording_host.h"

#include "abc_writer.h"

#include "avm2/string.h"
#include "swf/movie.h"

#include <gtest/gtest.h>

namespace {

using as3test::RecordingHost;
using swfwriter::AbcWriter;
using swfwriter::Code;
using swfwriter::Op;

// DoABC2 (82): flags, a name, the block.
std::vector<uint8_t> doAbc2(const std::vector<uint8_t>& abc, bool lazy) {
    std::vector<uint8_t> body(6 + abc.size());
    body[0] = lazy ? 1 : 0;
    body[4] = 'b';
    std::copy(abc.begin(), abc.end(), body.begin() + 6);
    return body;
}

struct Played {
    std::unique_ptr<model::Stage> stage;
    RecordingHost host;
    std::unique_ptr<as3::Player> player;
};

// A movie of `frames` frames with the blocks in frame 1 (and SymbolClass).
std::unique_ptr<Played> play(const std::vector<std::vector<uint8_t>>& blocks, const std::string& documentClass,
                             int frames, avm2::Limits limits = {}) {
    // The movie writer's action assembler shares names with the ABC one, so
    // the few tags are written here: an empty stage, 30 frames a second.
    std::vector<uint8_t> file{'F', 'W', 'S', 10, 0, 0, 0, 0, 0, 0, 30, uint8_t(frames), 0};
    auto tag = [&](uint16_t code, const std::vector<uint8_t>& body) {
        const uint16_t header = uint16_t(code << 6 | 0x3F);
        file.insert(file.end(), {uint8_t(header), uint8_t(header >> 8), uint8_t(body.size()), uint8_t(body.size() >> 8),
                                 uint8_t(body.size() >> 16), uint8_t(body.size() >> 24)});
        file.insert(file.end(), body.begin(), body.end());
    };
    tag(69, {0x08, 0, 0, 0});
    for (const auto& b : blocks)
        tag(82, doAbc2(b, false));
    if (!documentClass.empty()) {
        std::vector<uint8_t> symbols{1, 0, 0, 0};
        symbols.insert(symbols.end(), documentClass.begin(), documentClass.end());
        symbols.push_back(0);
        tag(76, symbols);
    }
    for (int i = 0; i < frames; ++i)
        tag(1, {});
    tag(0, {});
    const size_t length = file.size();
    for (int i = 0; i < 4; ++i)
        file[4 + i] = uint8_t(length >> (8 * i));
    auto movie = swf::parseMovie(file);
    auto p = std::make_unique<Played>();
    if (!movie)
        return p;
    p->stage = model::Stage::create(*movie);
    p->player = as3::Player::create(*p->stage, p->host, u"file:///a.swf", {}, limits);
    p->player->start();
    return p;
}

// class Doc extends MovieClip { function Doc() { super(); addFrameScript(2, f); gotoAndPlay(3); } }
// f: fscommand("at", currentFrame); fscommand("total", totalFrames); stop()
std::vector<uint8_t> documentBlock() {
    AbcWriter a;
    const uint32_t doc = a.publicName("Doc");
    const uint32_t movieClip = a.publicName("MovieClip", "flash.display");
    const uint32_t fscommand = a.publicName("fscommand", "flash.system");
    const uint32_t addFrameScript = a.publicName("addFrameScript");
    const uint32_t gotoAndPlay = a.publicName("gotoAndPlay");
    const uint32_t currentFrame = a.publicName("currentFrame");
    const uint32_t totalFrames = a.publicName("totalFrames");
    const uint32_t stop = a.publicName("stop");

    const uint32_t frameScript = a.method({});
    Code f;
    f.op(Op::FindPropStrict, fscommand).op(Op::PushString, a.string("at")).op(Op::GetLocal0);
    f.op(Op::GetProperty, currentFrame).op(Op::CallPropVoid, {fscommand, 2});
    f.op(Op::FindPropStrict, fscommand).op(Op::PushString, a.string("total")).op(Op::GetLocal0);
    f.op(Op::GetProperty, totalFrames).op(Op::CallPropVoid, {fscommand, 2});
    f.op(Op::GetLocal0).op(Op::CallPropVoid, {stop, 0}).op(Op::ReturnVoid);
    a.body({.method = frameScript, .maxStack = 3, .localCount = 1, .code = f.bytes()});

    Code c;
    c.op(Op::GetLocal0).op(Op::PushByte, 2).op(Op::NewFunction, frameScript).op(Op::CallPropVoid, {addFrameScript, 2});
    c.op(Op::GetLocal0).op(Op::PushByte, 3).op(Op::CallPropVoid, {gotoAndPlay, 1}).op(Op::ReturnVoid);
    a.documentClass(doc, movieClip, c, 3);
    return a.bytes();
}

// A script whose entry runs `code` (then returns).
std::vector<uint8_t> scriptBlock(const std::function<void(AbcWriter&, Code&)>& build, uint32_t maxStack = 2) {
    AbcWriter a;
    const uint32_t m = a.method({});
    Code c;
    build(a, c);
    a.body({.method = m, .maxStack = maxStack, .localCount = 1, .code = c.bytes()});
    a.script(m);
    return a.bytes();
}

TEST(AssembledPlayer, DocumentClassDrivesTheRootTimeline) {
    auto p = play({documentBlock()}, "Doc", 4);
    ASSERT_TRUE(p->player);
    EXPECT_TRUE(p->host.errors.empty()) << (p->host.errors.empty()
                                                ? ""
                                                : std::string(p->host.errors[0].begin(), p->host.errors[0].end()));
    EXPECT_EQ(p->host.command(u"at"), u"3");
    EXPECT_EQ(p->host.command(u"total"), u"4");
    for (int i = 0; i < 3; ++i)
        p->player->tick();
    EXPECT_EQ(p->stage->currentFrame(), 2u) << "the frame script stopped the root";
    EXPECT_EQ(p->host.commands.size(), 2u) << "a frame's script runs once per arrival";
}

TEST(AssembledPlayer, FailuresAreReportedAndTheTimelinePlays) {
    const auto fsc = [](AbcWriter& a, Code& c, const char* command) {
        const uint32_t f = a.publicName("fscommand", "flash.system");
        c.op(Op::FindPropStrict, f).op(Op::PushString, a.string(command)).op(Op::CallPropVoid, {f, 1});
    };
    struct Case {
        const char* what;
        std::vector<std::vector<uint8_t>> blocks;
        const char* error;  // in the one error reported
    };
    const Case cases[] = {
        {"a branch out of its body",
         {scriptBlock([](AbcWriter&, Code& c) {
             c.raw({0x10, 0x40, 0, 0}).op(Op::ReturnVoid);
         })},
         "is not run"},
        {"not ABC at all", {{1, 2, 3}}, "is not run"},
        {"an endless loop",
         {scriptBlock([](AbcWriter&, Code& c) { c.label("top").branch(Op::Jump, "top"); })},
         "#1502"},
        {"an uncaught throw",
         {scriptBlock([](AbcWriter& a, Code& c) { c.op(Op::PushString, a.string("oops")).op(Op::Throw); })},
         "uncaught exception: oops"},
        {"a document class nobody defined", {}, "Variable Missing is not defined"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        auto blocks = c.blocks;
        // A good block after the bad one still runs.
        blocks.push_back(scriptBlock([&](AbcWriter& a, Code& code) {
            fsc(a, code, "after");
            code.op(Op::ReturnVoid);
        }));
        auto p = play(blocks, std::string(c.what).starts_with("a document") ? "Missing" : "", 3,
                      {.maxInstructionsPerEntry = 100000});
        ASSERT_TRUE(p->player);
        ASSERT_EQ(p->host.errors.size(), 1u);
        EXPECT_NE(p->host.errors[0].find(avm2::utf8ToUtf16(c.error)), std::u16string::npos)
            << std::string(p->host.errors[0].begin(), p->host.errors[0].end());
        EXPECT_TRUE(p->host.command(u"after"));
        p->player->tick();
        EXPECT_EQ(p->stage->currentFrame(), 1u);
    }
}

}  // namespace
