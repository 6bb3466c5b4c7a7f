// Bounds on the time and memory the scripts of one movie may take. A script
// that reaches one is stopped with a ScriptError; the movie plays on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace script {

struct Limits {
    // Actions one entry point (a tick, an input event, a call from the host)
    // may execute, all scripts together. A script that would go past it is
    // stopped and the entry's remaining scripts are dropped.
    uint64_t maxActionsPerEntry = 4'000'000;
    // Nested calls: script functions, native functions calling back into
    // script (sort comparators, getters, valueOf), event handlers.
    uint32_t maxCallDepth = 256;
    // Values on the operand stack of one running action block.
    size_t maxStackSize = 65536;
    // UTF-16 code units in one string.
    size_t maxStringLength = size_t(1) << 22;
    // Elements of one array.
    size_t maxArrayLength = size_t(1) << 22;
    // Approximate bytes of everything the scripts keep (objects, properties,
    // array elements, strings). Garbage is only collected between entry
    // points, so one entry's garbage counts until it ends.
    size_t maxHeapBytes = size_t(128) << 20;
    // Nested With blocks in one activation.
    uint32_t maxWithDepth = 16;
    // Live setInterval/setTimeout timers.
    size_t maxTimers = 4096;
    // Rounds of draining the model's action queue in one entry (actions that
    // queue further actions, such as a frame that jumps to itself).
    uint32_t maxQueueRounds = 10000;
    // Seed of Math.random and the RandomNumber action; a fixed seed makes
    // runs repeatable.
    uint64_t randomSeed = 0x9E3779B97F4A7C15ull;
};

}  // namespace script
