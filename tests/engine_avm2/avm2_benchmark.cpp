// Speed of the interpreter's core: a loop of locals, add_i, compare and
// branch, counted in executed instructions per second.
#include "abc_writer.h"
#include "avm2/machine.h"

#include <benchmark/benchmark.h>

using namespace avm2;
using swfwriter::AbcWriter;
using swfwriter::Code;

namespace {

// Loads the file, runs `method` once per iteration on `self`, and reports
// `perRun` units of `counter` per run as a rate.
void runMethod(benchmark::State& state, const AbcWriter& a, uint32_t method, bool globalThis, const char* counter,
               double perRun) {
    Machine m(Limits{.maxInstructionsPerEntry = UINT64_MAX});
    auto file = m.load(a.bytes());
    if (!file) {
        state.SkipWithError(file.error().describe().c_str());
        return;
    }
    const Value self = globalThis ? Value::object(m.global()) : Value();
    for (auto _ : state) {
        auto result = m.callMethod(**file, method, self, {});
        if (!result) {
            state.SkipWithError(result.error().describe().c_str());
            return;
        }
    }
    state.counters[counter] = benchmark::Counter(double(state.iterations()) * perRun, benchmark::Counter::kIsRate);
}

}  // namespace

static void IntLoop(benchmark::State& state) {
    const int32_t iterations = 10'000'000;
    AbcWriter a;
    uint32_t limit = a.intConstant(iterations);
    uint32_t method = a.method({});
    Code c;
    // sum = 0; i = 0; while (i < limit) { sum = sum + i; i = i + 1 }
    c.op(Op::PushByte, 0).op(Op::SetLocal1).op(Op::PushByte, 0).op(Op::SetLocal2);
    c.branch(Op::Jump, "test").label("top");
    c.op(Op::GetLocal1).op(Op::GetLocal2).op(Op::AddI).op(Op::SetLocal1);              // 4
    c.op(Op::GetLocal2).op(Op::PushByte, 1).op(Op::AddI).op(Op::SetLocal2);            // 4
    c.label("test").op(Op::GetLocal2).op(Op::PushInt, limit).branch(Op::IfLt, "top");  // 3
    c.op(Op::GetLocal1).op(Op::ReturnValue);
    a.body({.method = method, .maxStack = 2, .localCount = 3, .code = c.bytes()});
    runMethod(state, a, method, false, "instructions/s", double(iterations * 11));
}
BENCHMARK(IntLoop)->Unit(benchmark::kMillisecond);

static void Calls(benchmark::State& state) {
    const int32_t iterations = 1'000'000;
    AbcWriter a;
    uint32_t limit = a.intConstant(iterations);
    uint32_t method = a.method({});
    uint32_t callee = a.method({.paramTypes = {0}});
    Code f;
    f.op(Op::GetLocal1).op(Op::ReturnValue);
    a.body({.method = callee, .maxStack = 1, .localCount = 2, .code = f.bytes()});
    Code c;
    c.op(Op::PushByte, 0).op(Op::SetLocal1).branch(Op::Jump, "test").label("top");
    c.op(Op::GetLocal0).op(Op::GetLocal1).op(Op::CallStatic, {callee, 1}).op(Op::Pop).op(Op::IncLocalI, 1);
    c.label("test").op(Op::GetLocal1).op(Op::PushInt, limit).branch(Op::IfLt, "top");
    c.op(Op::ReturnVoid);
    a.body({.method = method, .maxStack = 2, .localCount = 2, .code = c.bytes()});
    runMethod(state, a, method, true, "calls/s", double(iterations));
}
BENCHMARK(Calls)->Unit(benchmark::kMillisecond);

// Reads of a slot of an activation object: getlocal, getslot, pop.
static void SlotReads(benchmark::State& state) {
    const int32_t iterations = 10'000'000;
    AbcWriter a;
    uint32_t limit = a.intConstant(iterations);
    uint32_t method = a.method({.flags = 0x02});
    Code c;
    c.op(Op::NewActivation).op(Op::SetLocal1).op(Op::PushByte, 0).op(Op::SetLocal2).branch(Op::Jump, "test");
    c.label("top").op(Op::GetLocal1).op(Op::GetSlot, 1).op(Op::Pop).op(Op::IncLocalI, 2);
    c.label("test").op(Op::GetLocal2).op(Op::PushInt, limit).branch(Op::IfLt, "top");
    c.op(Op::ReturnVoid);
    a.body({.method = method,
            .maxStack = 2,
            .localCount = 3,
            .code = c.bytes(),
            .traits = {{.name = a.publicName("x"), .kind = 0, .id = 1}}});
    runMethod(state, a, method, false, "slot reads/s", double(iterations));
}
BENCHMARK(SlotReads)->Unit(benchmark::kMillisecond);

// Vector.<T> element reads and writes: v[i & 1023] = v[i & 1023] + i, for the
// unboxed element types.
static void VectorElements(benchmark::State& state, const char* element, Op add) {
    const int32_t iterations = 10'000'000;
    AbcWriter a;
    uint32_t limit = a.intConstant(iterations);
    const uint32_t pub = a.packageNamespace("");
    const uint32_t vector = a.qname(a.packageNamespace("__AS3__.vec"), a.string("Vector"));
    const uint32_t elementType = a.qname(pub, a.string(element));
    const uint32_t index = a.multiname(0x1B, {a.nsSet({pub})});
    uint32_t method = a.method({});
    Code c;
    c.op(Op::GetLex, vector).op(Op::GetLex, elementType).op(Op::ApplyType, 1).op(Op::PushShort, 1024);
    c.op(Op::Construct, 1).op(Op::SetLocal1).op(Op::PushByte, 0).op(Op::SetLocal2).branch(Op::Jump, "test");
    c.label("top").op(Op::GetLocal1).op(Op::GetLocal2).op(Op::PushShort, 1023).op(Op::BitAnd);
    c.op(Op::GetLocal1).op(Op::GetLocal2).op(Op::PushShort, 1023).op(Op::BitAnd).op(Op::GetProperty, index);
    c.op(Op::GetLocal2).op(add).op(Op::SetProperty, index).op(Op::IncLocalI, 2);
    c.label("test").op(Op::GetLocal2).op(Op::PushInt, limit).branch(Op::IfLt, "top");
    c.op(Op::ReturnVoid);
    a.body({.method = method, .maxStack = 6, .localCount = 3, .code = c.bytes()});
    runMethod(state, a, method, true, "element reads+writes/s", double(iterations * 2));
}
BENCHMARK_CAPTURE(VectorElements, int, "int", Op::AddI)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(VectorElements, uint, "uint", Op::AddI)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(VectorElements, Number, "Number", Op::Add)->Unit(benchmark::kMillisecond);

// A full collection of a heap of 100,000 live objects.
static void CollectLiveHeap(benchmark::State& state) {
    Machine m;
    ArrayObject* all = m.newArray();
    m.global()->setOwn(u"all", Value::object(all));
    m.resizeArray(all, 100'000);
    for (Value& slot : all->elements()) {
        Object* o = m.newObject();
        o->setOwn(u"next", Value::object(all));
        slot = Value::object(o);
    }
    for (auto _ : state)
        benchmark::DoNotOptimize(m.collect());
}
BENCHMARK(CollectLiveHeap)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
