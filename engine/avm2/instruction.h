// Decoding one instruction of a method body from its bytes: the opcode, its
// operands as the format stores them and its branch targets as absolute
// offsets. The verifier and the interpreter's code preparation both use it.
#pragma once

#include "avm2/opcodes.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace avm2 {

struct Instruction {
    Op op = Op::Nop;
    size_t offset = 0;
    size_t length = 0;
    // Operand values in table order; Byte operands are the raw byte.
    uint32_t operands[2] = {0, 0};
    // Debug: the string and register operands.
    uint32_t debugString = 0;
    uint32_t debugRegister = 0;
    // Branch: one target; lookupswitch: the default, then each case. May lie
    // outside the body (the verifier rejects that).
    std::vector<int64_t> targets;
};

enum class DecodeStatus : uint8_t { Ok, UnknownOpcode, Truncated };

// Decodes the instruction at `offset` into `out` (whose target list is reused).
[[nodiscard]] DecodeStatus decodeInstruction(std::span<const uint8_t> code, size_t offset, Instruction& out);

// Values the instruction pops and pushes, given the runtime parts of its
// multiname operand (0 when it has none).
struct StackEffect {
    uint64_t pops = 0;
    uint32_t pushes = 0;
};
[[nodiscard]] StackEffect stackEffect(const Instruction& in, int runtimeNameParts);

}  // namespace avm2
