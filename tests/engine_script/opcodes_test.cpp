// The action families one by one: pushes of every type, the stack, the
// SWF 4 arithmetic and string actions (with their multibyte forms), logic
// and bits, jumps and loops, registers and constant pools.
#include "script_test_support.h"

#include <cstring>

using namespace scripttest;

namespace {

TEST(Push, EveryTypeAndTheEmptyStack) {
    Actions a;
    // A raw Push: float 1.5, double 2.25 (halves swapped), int -7, bool false.
    uint32_t fbits;
    float f = 1.5f;
    std::memcpy(&fbits, &f, 4);
    std::vector<uint8_t> p{1, uint8_t(fbits), uint8_t(fbits >> 8), uint8_t(fbits >> 16), uint8_t(fbits >> 24)};
    double d = 2.25;
    uint64_t dbits;
    std::memcpy(&dbits, &d, 8);
    uint32_t hi = uint32_t(dbits >> 32);
    uint32_t lo = uint32_t(dbits);
    p.push_back(6);
    for (uint32_t half : {hi, lo}) {
        for (int i = 0; i < 4; ++i)
            p.push_back(uint8_t(half >> (8 * i)));
    }
    p.insert(p.end(), {7, 0xF9, 0xFF, 0xFF, 0xFF, 5, 0});
    a.op(swfwriter::Code::Push, p);
    a.trace().trace().trace().trace();
    a.pop().trace();  // popping an empty stack gives undefined
    EXPECT_EQ(traces(a), (Strings{"false", "-7", "2.25", "1.5", "undefined"}));
}

TEST(Stack, DuplicateSwapAndPop) {
    Actions a;
    a.push({"a", "b"}).stackSwap().trace().trace();
    a.push({5}).pushDuplicate().add2().trace();
    a.push({1, 2}).pop().trace();
    EXPECT_EQ(traces(a), (Strings{"a", "b", "10", "1"}));
}

TEST(Arithmetic, Swf4AndSwf5Forms) {
    Actions a;
    a.push({7, 2}).subtract().trace();
    a.push({7, 2}).multiply().trace();
    a.push({7, 2}).divide().trace();
    a.push({7, 2}).modulo().trace();
    a.push({-7, 2}).modulo().trace();
    a.push({5}).increment().trace();
    a.push({5}).decrement().trace();
    a.push({"3", "4"}).add().trace();  // SWF 4 Add converts both to numbers
    EXPECT_EQ(traces(a), (Strings{"5", "14", "3.5", "1", "-1", "6", "4", "7"}));
}

TEST(Logic, AndOrNotOfMixedValues) {
    Actions a;
    a.push({1, 0}).logicalAnd().trace();
    a.push({1, "x"}).logicalOr().trace();
    a.push({0, Undefined{}}).logicalOr().trace();
    EXPECT_EQ(traces(a, 5), (Strings{"false", "true", "false"}));
    EXPECT_EQ(traces(a, 4), (Strings{"0", "1", "0"}));
}

TEST(Bits, AndOrXorAndShifts) {
    Actions a;
    a.push({12, 10}).bitAnd().trace();
    a.push({12, 10}).bitOr().trace();
    a.push({12, 10}).bitXor().trace();
    a.push({1, 33}).bitLShift().trace();  // counts are taken modulo 32
    a.push({-16, 2}).bitRShift().trace();
    a.push({-16, 28}).bitURShift().trace();
    a.push({4294967295.0, 0}).bitOr().trace();
    EXPECT_EQ(traces(a), (Strings{"8", "14", "6", "2", "-4", "15", "-1"}));
}

TEST(Strings, Swf4StringActions) {
    Actions a;
    a.push({
               "Hello",
               ", ",
           })
        .stringAdd()
        .trace();
    a.push({"Hello"}).stringLength().trace();
    a.push({"Hello", 2, 3}).stringExtract().trace();   // 1-based index 2, 3 characters
    a.push({"Hello", 0, -1}).stringExtract().trace();  // index below 1 starts at 1; negative count: the rest
    a.push({"Hello", 9, 2}).stringExtract().trace();
    a.push({"abc", "abc"}).stringEquals().trace();
    a.push({"A"}).charToAscii().trace();
    a.push({97}).asciiToChar().trace();
    EXPECT_EQ(traces(a), (Strings{"Hello, ", "5", "ell", "Hello", "", "true", "65", "a"}));
}

TEST(Strings, MultibyteFormsCountCharacters) {
    Actions a;
    a.push({"h\xC3\xA9llo"}).mbStringLength().trace();
    a.push({"h\xC3\xA9llo", 2, 2}).mbStringExtract().trace();
    a.push({"\xE2\x82\xAC"}).mbCharToAscii().trace();
    a.push({0x1F600}).mbAsciiToChar().pushDuplicate().mbStringLength().trace().mbCharToAscii().trace();
    EXPECT_EQ(traces(a, 6), (Strings{"5", "\xC3\xA9l", "8364", "2", "128512"}));
}

TEST(Control, JumpsIfsAndALoop) {
    Actions a;
    // i = 0; while (i < 5) { s = s + i; i++ } trace(s)
    a.setVar("i", 0).setVar("s", "");
    a.label("top");
    a.push({"i"}).getVariable().push({5}).less2().logicalNot().ifTrue("done");
    a.push({"s"}).push({"s"}).getVariable().push({"i"}).getVariable().add2().setVariable();
    a.push({"i"}).push({"i"}).getVariable().increment().setVariable();
    a.jump("top");
    a.label("done");
    a.traceVar("s");
    a.push({"skipped"}).jump("end").trace();
    a.label("end");
    a.trace();
    EXPECT_EQ(traces(a), (Strings{"01234", "skipped"}));
}

TEST(Registers, StoreAndPushRegisters) {
    Actions a;
    a.push({42}).storeRegister(1).pop();
    a.push({Register{1}}).trace();
    a.push({Register{3}}).trace();             // never stored: undefined
    a.push({"x"}).storeRegister(200).trace();  // a register the block does not have: ignored, the value stays
    a.push({Register{200}}).trace();
    EXPECT_EQ(traces(a), (Strings{"42", "undefined", "x", "undefined"}));
}

TEST(ConstantPool, EntriesAndRedefinition) {
    Actions a;
    a.constantPool({"first", "second"});
    a.push({swfwriter::Constant{1}, swfwriter::Constant{0}}).trace().trace();
    a.constantPool({"third"});
    a.push({swfwriter::Constant{0}}).trace();
    EXPECT_EQ(traces(a), (Strings{"first", "second", "third"}));
}

TEST(ConstantPool, SixteenBitIndices) {
    std::vector<std::string> pool;
    for (int i = 0; i < 300; ++i)
        pool.push_back("c" + std::to_string(i));
    Actions a;
    a.constantPool(pool);
    a.push({swfwriter::Constant{299}}).trace();
    EXPECT_EQ(traces(a), (Strings{"c299"}));
}

TEST(Timeline, WaitForFrameSkipsWhenTheFrameIsMissing) {
    Actions a;
    a.waitForFrame(0, 1).push({"frame 1 is loaded"}).trace();
    a.waitForFrame(5, 2).push({"skipped"}).trace();
    a.push({"after"}).trace();
    a.push({7}).waitForFrame2(2).push({"skipped too"}).trace();
    EXPECT_EQ(traces(a), (Strings{"frame 1 is loaded", "after"}));
}

TEST(Time, GetTimeAndRandomNumbersAreRepeatable) {
    Actions a;
    a.getTime().trace();
    for (int i = 0; i < 5; ++i)
        a.push({10}).randomNumber().trace();
    auto first = runFrame(a);
    first->host.clock = 1234.7;
    auto second = runFrame(a);
    ASSERT_TRUE(first && second);
    EXPECT_EQ(first->host.traces, second->host.traces) << "the same seed gives the same numbers";
    for (size_t i = 1; i < first->host.traces.size(); ++i) {
        int n = std::stoi(first->host.traces[i]);
        EXPECT_TRUE(n >= 0 && n < 10) << "random(10) gave " << n;
    }
    first->engine->runActions(first->root(), a.bytes());
    EXPECT_EQ(first->host.traces[6], "1234") << "GetTime is the host's clock, whole milliseconds";
}

TEST(Trace, UndefinedPrintsAsAWordInEveryVersion) {
    Actions a;
    a.push({Undefined{}}).trace();
    EXPECT_EQ(traces(a, 5), (Strings{"undefined"}));
}

}  // namespace
