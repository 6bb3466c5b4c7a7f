// A verified body rewritten for the interpreter: fixed-size instructions
// with branch targets as instruction indices, so the loop neither decodes
// variable-length operands nor searches for targets. Built once per body at
// load, never per call.
#pragma once

#include "avm2/abc_file.h"
#include "avm2/opcodes.h"

#include <cstdint>
#include <vector>

namespace avm2 {

struct Ins {
    Op op = Op::Nop;
    // Operands in table order. Branches: a is the target's index.
    // lookupswitch: a is where its targets start in the switch table, b the
    // number of cases; the default follows the cases.
    uint32_t a = 0;
    uint32_t b = 0;
};

struct Handler {
    uint32_t from = 0;  // instruction indices [from, to)
    uint32_t to = 0;
    uint32_t target = 0;
    uint32_t type = 0;  // multiname, 0 = any
};

struct PreparedBody {
    uint32_t method = 0;
    uint32_t localCount = 0;
    uint32_t maxStack = 0;
    uint32_t scopeSize = 0;  // local scope stack: max minus initial depth
    std::vector<Ins> code;
    std::vector<uint32_t> offsets;  // byte offset of each instruction
    std::vector<uint32_t> switchTable;
    std::vector<Handler> handlers;
};

// The body must have passed the verifier, which gave the offsets of its
// reachable instructions: only those are prepared.
[[nodiscard]] PreparedBody prepareBody(const AbcFile& abc, uint32_t bodyIndex, const std::vector<uint32_t>& reached);

}  // namespace avm2
