// Scripts that run away or bring broken bytes: every limit stops the script
// with an error for the host, the movie plays on, and malformed action
// blocks stop where they break.
#include "script_test_support.h"

#include "script/action_codes.h"
#include "script/random_source.h"

using namespace scripttest;
using script::ScriptErrorKind;

namespace {

// Frame 1 runs `bad`; frame 2 traces "frame 2".
std::unique_ptr<Player> badThenGood(const Actions& bad, const script::Limits& limits = {}, uint8_t version = 8) {
    swfwriter::MovieWriter m({.version = version});
    m.doAction(bad);
    m.showFrame();
    m.doAction(Actions().push({"frame 2"}).trace());
    m.showFrame();
    return Player::load(m, limits);
}

constexpr uint8_t b(script::ActionCode code) { return uint8_t(code); }

void expectOneError(const Player& p, ScriptErrorKind kind) {
    ASSERT_EQ(p.host.errors.size(), 1u);
    EXPECT_EQ(p.host.errors[0].kind, kind) << p.host.errors[0].message;
}

TEST(Limits, AnEndlessLoopIsStoppedAndTheMoviePlaysOn) {
    Actions loop;
    loop.label("top").jump("top");
    script::Limits limits;
    limits.maxActionsPerEntry = 100000;
    auto p = badThenGood(loop, limits);
    ASSERT_TRUE(p);
    expectOneError(*p, ScriptErrorKind::ActionLimit);
    p->engine->tick();
    EXPECT_EQ(p->host.traces, (Strings{"frame 2"}));
    EXPECT_EQ(p->root().currentFrame(), 1u);
    p->engine->tick();  // back in frame 1: stopped again, one more report
    EXPECT_EQ(p->host.errors.size(), 2u);
}

TEST(Limits, AnEndlessEnterFrameHandlerCostsOneReportPerTick) {
    Actions body;
    body.label("top").jump("top");
    Actions a;
    a.push({"_root"}).getVariable().push({"onEnterFrame"}).defineFunction("", {}, body).setMember();
    a.push({"other"}).trace();
    script::Limits limits;
    limits.maxActionsPerEntry = 50000;
    auto p = runFrame(a, 8, limits);
    ASSERT_TRUE(p);
    for (int i = 0; i < 3; ++i)
        p->engine->tick();
    EXPECT_EQ(p->host.errors.size(), 3u);
    EXPECT_EQ(p->host.traces, (Strings{"other"}));
    EXPECT_EQ(p->engine->getVariable(u"/:_currentframe"), u"1") << "the host can still talk to the movie";
}

TEST(Limits, EndlessRecursionIsStopped) {
    Actions f;
    f.push({0, "f"}).callFunction().returnValue();
    Actions a;
    a.defineFunction("f", {}, f);
    a.callFunctionNamed("f", {}).pop();
    a.push({"not reached"}).trace();
    script::Limits limits;
    limits.maxCallDepth = 64;
    auto p = badThenGood(a, limits);
    ASSERT_TRUE(p);
    expectOneError(*p, ScriptErrorKind::RecursionLimit);
    EXPECT_TRUE(p->host.traces.empty());
    p->engine->tick();
    EXPECT_EQ(p->host.traces, (Strings{"frame 2"}));
}

TEST(Limits, RecursionThroughAGetterIsStoppedToo) {
    // o.addProperty("p", function() { return this.p }, null); o.p
    Actions getter;
    getter.push({"this"}).getVariable().push({"p"}).getMember().returnValue();
    Actions a;
    a.push({"o", 0}).initObject().setVariable();
    a.push({Null{}}).defineFunction("", {}, getter).push({"p", 3}).push({"o"}).getVariable();
    a.push({"addProperty"}).callMethod().pop();
    a.push({"o"}).getVariable().push({"p"}).getMember().trace();
    auto p = badThenGood(a);
    ASSERT_TRUE(p);
    expectOneError(*p, ScriptErrorKind::RecursionLimit);
}

TEST(Limits, TheOperandStackIsBounded) {
    Actions a;
    a.label("top").push({1}).jump("top");
    script::Limits limits;
    limits.maxStackSize = 1000;
    auto p = badThenGood(a, limits);
    ASSERT_TRUE(p);
    expectOneError(*p, ScriptErrorKind::StackLimit);
}

TEST(Limits, StringsArraysAndObjectsAreBounded) {
    Actions doubling;
    doubling.setVar("s", "x");
    doubling.label("top").push({"s", "s"}).getVariable().push({"s"}).getVariable().add2().setVariable().jump("top");
    script::Limits limits;
    limits.maxStringLength = 1 << 16;
    auto strings = badThenGood(doubling, limits);
    ASSERT_TRUE(strings);
    expectOneError(*strings, ScriptErrorKind::MemoryLimit);

    Actions growing;
    growing.push({"a", 0}).initArray().setVariable();
    growing.label("top").callMethodOn("a", "push", {1}).pop().jump("top");
    limits = {};
    limits.maxArrayLength = 5000;
    auto arrays = badThenGood(growing, limits);
    ASSERT_TRUE(arrays);
    expectOneError(*arrays, ScriptErrorKind::MemoryLimit);

    // The list is a local of the aborted call, so all of it is garbage
    // afterwards, whatever was being allocated when the limit hit.
    Actions fill;
    fill.push({"list", 0}).initArray().defineLocal();
    fill.label("top").push({"k", 1, 1}).initObject().push({1}).push({"list"}).getVariable();
    fill.push({"push"}).callMethod().pop().jump("top");
    Actions objects;
    objects.defineFunction("fill", {}, fill).callFunctionNamed("fill", {}).pop();
    limits = {};
    limits.maxHeapBytes = 4 << 20;
    auto heap = badThenGood(objects, limits);
    ASSERT_TRUE(heap);
    expectOneError(*heap, ScriptErrorKind::MemoryLimit);
    heap->engine->tick();
    EXPECT_EQ(heap->host.traces, (Strings{"frame 2"})) << "the garbage went at the end of the entry";
    EXPECT_LT(heap->engine->stats().heapBytes, size_t(1) << 20);
}

TEST(Limits, GarbageIsCollectedBetweenEntries) {
    Actions a;
    a.setVar("i", 0);
    a.label("top");
    a.push({"tmp", "k", 1, 1}).initObject().setVariable();
    a.push({"i", "i"}).getVariable().increment().setVariable();
    a.push({"i"}).getVariable().push({2000}).less2().ifTrue("top");
    auto p = runFrame(a);
    ASSERT_TRUE(p);
    size_t before = p->engine->stats().liveObjects;
    p->engine->collectGarbage();
    size_t after = p->engine->stats().liveObjects;
    EXPECT_LT(after + 1500, before) << "the 1999 objects no longer referenced are freed";
    EXPECT_EQ(p->var("tmp.k"), "1") << "the one still referenced stays";
}

std::unique_ptr<Player> runRaw(const std::vector<uint8_t>& block, uint8_t version = 8) {
    swfwriter::MovieWriter m({.version = version});
    m.doAction(block);
    m.doAction(Actions().push({"next block"}).trace());
    m.showFrame();
    return Player::load(m);
}

TEST(Malformed, BrokenBlocksStopWhereTheyBreak) {
    using enum script::ActionCode;
    const std::vector<std::vector<uint8_t>> blocks = {
        {b(Push), 0x10, 0x00, 0x00, 'a'},                                       // a Push longer than the block
        {b(Push), 0x02},                                                        // a length cut off
        {b(Jump), 0x02, 0x00, 0x00, 0x10},                                      // a jump far past the end
        {b(Jump), 0x02, 0x00, 0x00, 0x80},                                      // a jump before the start
        {b(Push), 0x02, 0x00, 0x08, 0x05, b(Trace)},                            // a constant without a pool
        {b(Push), 0x03, 0x00, 0x00, 'a', 'b', b(Trace)},                        // an unterminated string
        {b(Push), 0x02, 0x00, 0x0B, 0x00},                                      // an unknown push type
        {b(DefineFunction), 0x08, 0x00, 'f', 0, 0, 0, 0xFF, 0x00, 0x00, 0x00},  // a function body past the end
        {b(Try), 0x07, 0x00, 0x00, 0x50, 0x00, 0x00, 0x00, 0x00, 0x00},         // a try block past the end
        {b(With), 0x02, 0x00, 0x40, 0x00},                                      // a with block past the end
        {b(ConstantPool), 0x05, 0x00, 0x03, 0x00, 'a', 0, 'b'},                 // a constant pool that ends early
        {b(Jump), 0x01, 0x00, 0x00},                                            // a Jump with half an offset
        {b(StoreRegister), 0x00, 0x00},                                         // a StoreRegister without a register
        {b(Try), 0x03, 0x00, 0x01, 0x00, 0x00},                                 // a Try header cut short
    };
    for (size_t i = 0; i < blocks.size(); ++i) {
        std::vector<uint8_t> block = blocks[i];
        block.push_back(0);
        auto p = runRaw(block);
        ASSERT_TRUE(p);
        ASSERT_EQ(p->host.errors.size(), 1u) << "block " << i;
        EXPECT_EQ(p->host.errors[0].kind, ScriptErrorKind::MalformedActions) << "block " << i;
        EXPECT_EQ(p->host.traces, (Strings{"next block"})) << "block " << i;
    }
}

TEST(Malformed, UnknownActionsAreSkippedAndAMissingEndIsFine) {
    // Two unknown short actions, an unknown long one, then Push "ok"; Trace.
    const std::vector<uint8_t> block = {0x01, 0x6F, 0xFE, 0x01, 0x00, 0x00, b(script::ActionCode::Push),
                                        0x04, 0x00, 0x00, 'o',  'k',  0x00, b(script::ActionCode::Trace)};
    auto p = runRaw(block);
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->host.errors.empty());
    EXPECT_EQ(p->host.traces, (Strings{"ok", "next block"}));
}

TEST(Malformed, RandomBytesNeverCrash) {
    script::RandomSource random(12345);
    using enum script::ActionCode;
    const std::vector<uint8_t> common = {
        b(Push),         b(PushDuplicate), b(If),           b(Jump),      b(GetVariable),     b(SetVariable),
        b(CallFunction), b(CallMethod),    b(GetMember),    b(SetMember), b(DefineFunction2), b(DefineFunction),
        b(Try),          b(With),          b(ConstantPool), b(InitArray), b(InitObject),      b(NewObject),
        b(NewMethod),    b(Return),        b(Throw),        b(Enumerate), b(Enumerate2),      b(GotoFrame2)};
    swfwriter::MovieWriter m({.version = 8});
    for (int block = 0; block < 300; ++block) {
        std::vector<uint8_t> bytes;
        size_t n = 1 + random.next() % 64;
        for (size_t i = 0; i < n; ++i) {
            uint64_t r = random.next();
            bytes.push_back(r % 3 == 0 ? common[(r >> 8) % common.size()] : uint8_t(r >> 16));
        }
        m.doAction(bytes);
    }
    m.showFrame();
    script::Limits limits;
    limits.maxActionsPerEntry = 200000;
    auto p = Player::load(m, limits);
    ASSERT_TRUE(p);
    for (int i = 0; i < 3; ++i)
        p->engine->tick();
    EXPECT_EQ(p->host.traces.size() > 1000, false) << "traces from random code stay few";
}

}  // namespace

namespace {

TEST(Limits, NestedBlocksCountAsDepth) {
    // With blocks on undefined nested 300 deep: no scope is added, but the
    // nesting still counts.
    Actions inner;
    inner.push({"innermost"}).trace();
    for (int i = 0; i < 300; ++i) {
        Actions outer;
        outer.push({Undefined{}}).with(inner);
        inner = outer;
    }
    auto p = badThenGood(inner);
    ASSERT_TRUE(p);
    expectOneError(*p, ScriptErrorKind::RecursionLimit);
    EXPECT_TRUE(p->host.traces.empty());
}

TEST(Limits, BuiltInsChargeTheirWork) {
    // Sorting and joining a big array again and again: each call is a few
    // actions, but the work is charged, so the budget still ends the loop.
    Actions a;
    a.push({"a", 100000, 1, "Array"}).newObject().setVariable();
    a.label("top").callMethodOn("a", "join", {","}).pop().callMethodOn("a", "sort", {}).pop().jump("top");
    script::Limits limits;
    limits.maxActionsPerEntry = 2'000'000;
    auto p = badThenGood(a, limits);
    ASSERT_TRUE(p);
    expectOneError(*p, ScriptErrorKind::ActionLimit);
    EXPECT_LT(p->engine->stats().actionsExecuted, 1000u) << "few actions ran; the built-ins' work used the budget";
}

}  // namespace

namespace {

TEST(Limits, AHeapLimitBelowTheBuiltInsStillMakesAnEngine) {
    script::Limits limits;
    limits.maxHeapBytes = 1000;
    auto p = runFrame(Actions().push({"o", 0}).initObject().setVariable().push({"never"}).trace(), 8, limits);
    ASSERT_TRUE(p);
    expectOneError(*p, ScriptErrorKind::MemoryLimit);
    EXPECT_TRUE(p->host.traces.empty());
}

TEST(Enumerate, AClipListsItsVariablesAndNamedChildren) {
    swfwriter::MovieWriter m({.version = 8});
    uint16_t s = spriteWith(m);
    m.place(s, 1, named("kid"));
    Actions a;
    a.setVar("v", 1);
    a.push({"_root"}).getVariable().enumerate2();
    a.label("next").storeRegister(0).push({Null{}}).equals2().ifTrue("done");
    a.push({Register{0}}).trace().jump("next");
    a.label("done");
    m.doAction(a);
    m.showFrame();
    auto p = Player::load(m);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->host.traces, (Strings{"v", "kid"}));
}

}  // namespace
