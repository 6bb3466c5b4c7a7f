#include "avm2/opcodes.h"

#include <array>

namespace avm2 {

namespace {

constexpr std::array<OpInfo, 256> buildTable() {
    std::array<OpInfo, 256> table{};
#define AVM2_ROW(name, code, text, a, b, popCount, pushCount, eff, fl) \
    table[code] = OpInfo{.mnemonic = text,                             \
                         .operands = {Operand::a, Operand::b},         \
                         .pops = popCount,                             \
                         .pushes = pushCount,                          \
                         .effect = Effect::eff,                        \
                         .flow = Flow::fl};
    AVM2_INSTRUCTIONS(AVM2_ROW)
#undef AVM2_ROW
    return table;
}

constexpr std::array<OpInfo, 256> Table = buildTable();

}  // namespace

const OpInfo& opInfo(uint8_t code) { return Table[code]; }

}  // namespace avm2
