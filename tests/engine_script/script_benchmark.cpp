// Interpreter speed in actions per second: tight loops over registers and
// variables, function calls and member access.
#include "script/engine.h"

#include "model/stage.h"
#include "swf/movie.h"

#include "movie_writer.h"

#include <benchmark/benchmark.h>

#include <memory>

namespace {

using swfwriter::Actions;
using swfwriter::Register;

struct Bench {
    std::shared_ptr<const swf::Movie> movie;
    std::unique_ptr<model::Stage> stage;
    script::Host host;
    std::unique_ptr<script::Engine> engine;
    std::vector<uint8_t> code;

    explicit Bench(const Actions& setup, const Actions& loop) {
        swfwriter::MovieWriter m({.version = 8});
        m.doAction(setup);
        m.showFrame();
        movie = swf::parseMovie(m.finish()).value();
        stage = model::Stage::create(movie);
        script::Limits limits;
        limits.maxActionsPerEntry = uint64_t(1) << 40;
        engine = script::Engine::create(*stage, host, limits);
        engine->runPending();
        code = loop.bytes();
    }
    ~Bench() { engine.reset(); }

    void run(benchmark::State& state) {
        uint64_t before = engine->stats().actionsExecuted;
        for (auto _ : state)
            engine->runActions(stage->root(), code);
        state.SetItemsProcessed(int64_t(engine->stats().actionsExecuted - before));
    }
};

// for (counter = 0; counter < n; counter++) {}, the counter in a register or a variable.
Actions countTo(int n, bool inRegister) {
    Actions a;
    if (inRegister)
        a.push({0}).storeRegister(1).pop();
    else
        a.setVar("i", 0);
    a.label("top");
    if (inRegister)
        a.push({Register{1}});
    else
        a.push({"i"}).getVariable();
    a.push({n}).less2().logicalNot().ifTrue("done");
    if (inRegister)
        a.push({Register{1}}).increment().storeRegister(1).pop();
    else
        a.push({"i", "i"}).getVariable().increment().setVariable();
    a.jump("top");
    a.label("done");
    return a;
}

void tightLoopRegister(benchmark::State& state) {
    Bench b(Actions(), countTo(100000, true));
    b.run(state);
}
BENCHMARK(tightLoopRegister)->Name("TightLoopRegister");

void tightLoopVariable(benchmark::State& state) {
    Bench b(Actions(), countTo(100000, false));
    b.run(state);
}
BENCHMARK(tightLoopVariable)->Name("TightLoopVariable");

void functionCalls(benchmark::State& state) {
    Actions add;
    add.push({"a"}).getVariable().push({"b"}).getVariable().add2().returnValue();
    Actions setup;
    setup.defineFunction("add", {"a", "b"}, add);
    Actions loop;
    loop.push({0}).storeRegister(1).pop();
    loop.label("top").push({Register{1}, 10000}).less2().logicalNot().ifTrue("done");
    loop.push({Register{1}, 1, 2, "add"}).callFunction().storeRegister(1).pop().jump("top");
    loop.label("done");
    Bench b(setup, loop);
    b.run(state);
}
BENCHMARK(functionCalls)->Name("FunctionCalls");

void memberAccess(benchmark::State& state) {
    Actions setup;
    setup.push({"o", "x", 0, "y", 1, "z", 2, 3}).initObject().setVariable();
    Actions loop;
    loop.push({0}).storeRegister(1).pop();
    loop.label("top").push({Register{1}, 10000}).less2().logicalNot().ifTrue("done");
    loop.push({"o"}).getVariable().push({"x"}).push({"o"}).getVariable().push({"z"}).getMember().setMember();
    loop.push({Register{1}}).increment().storeRegister(1).pop().jump("top");
    loop.label("done");
    Bench b(setup, loop);
    b.run(state);
}
BENCHMARK(memberAccess)->Name("MemberAccess");

}  // namespace

BENCHMARK_MAIN();
