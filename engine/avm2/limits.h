// Bounds on the time and memory the ActionScript 3 code of one movie may
// take. A script that reaches one is stopped and reported; the movie plays on.
#pragma once

#include <cstddef>
#include <cstdint>

namespace avm2 {

struct Limits {
    // Instructions one entry (a frame's scripts, an event, a call from the
    // container) may run, counted at back-edges and calls: straight-line
    // code is bounded by its length already.
    uint64_t maxInstructionsPerEntry = 50'000'000;
    // Nested calls of script and native functions.
    uint32_t maxCallDepth = 256;
    // Bytes of everything the scripts keep.
    size_t maxHeapBytes = size_t(128) << 20;
    // Elements of one array; a longer one is a RangeError (arrays are
    // stored densely).
    uint32_t maxArrayLength = uint32_t(1) << 24;
    // Values of all active frames together (registers, operand and scope
    // stacks): the verified maxima of each body are reserved at its entry.
    size_t valueStackSize = size_t(1) << 20;
};

}  // namespace avm2
