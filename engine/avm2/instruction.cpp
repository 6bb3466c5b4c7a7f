#include "avm2/instruction.h"

#include "avm2/abc_reader.h"

namespace avm2 {

DecodeStatus decodeInstruction(std::span<const uint8_t> code, size_t offset, Instruction& out) {
    if (offset >= code.size())
        return DecodeStatus::Truncated;
    const uint8_t byte = code[offset];
    const OpInfo& info = opInfo(byte);
    if (!info.mnemonic)
        return DecodeStatus::UnknownOpcode;
    AbcReader in(code.subspan(offset + 1));
    out.op = Op(byte);
    out.offset = offset;
    out.operands[0] = out.operands[1] = 0;
    out.targets.clear();
    for (int i = 0; i < 2; ++i) {
        switch (info.operands[i]) {
        case Operand::None:
            break;
        case Operand::Byte:
        case Operand::ScopeIndex:
            out.operands[i] = in.u8();
            break;
        case Operand::Branch: {
            int32_t delta = in.s24();
            out.targets.push_back(int64_t(offset) + 1 + int64_t(in.position()) + delta);
            break;
        }
        case Operand::Switch: {
            // Switch offsets count from the start of the instruction.
            out.targets.push_back(int64_t(offset) + in.s24());
            uint32_t cases = in.u30();
            if (in.failed() || size_t(cases) >= in.remaining() / 3)
                return DecodeStatus::Truncated;
            out.operands[i] = cases;
            for (uint32_t k = 0; k <= cases; ++k)
                out.targets.push_back(int64_t(offset) + in.s24());
            break;
        }
        case Operand::Debug:
            out.operands[i] = in.u8();
            out.debugString = in.u30();
            out.debugRegister = in.u8();
            out.operands[1] = in.u30();
            break;
        default:
            out.operands[i] = in.u30();
            break;
        }
    }
    if (in.failed())
        return DecodeStatus::Truncated;
    out.length = 1 + in.position();
    return DecodeStatus::Ok;
}

StackEffect stackEffect(const Instruction& in, int runtimeNameParts) {
    const OpInfo& info = opInfo(uint8_t(in.op));
    StackEffect e{info.pops, info.pushes};
    // The argument count is the last operand of the row.
    const uint64_t argc = info.operands[1] == Operand::ArgCount ? in.operands[1] : in.operands[0];
    switch (info.effect) {
    case Effect::Fixed:
        break;
    case Effect::Name:
        e.pops += uint64_t(runtimeNameParts);
        break;
    case Effect::NameArgs:
        e.pops += uint64_t(runtimeNameParts) + argc;
        break;
    case Effect::Args:
        e.pops += argc;
        break;
    case Effect::PairArgs:
        e.pops += 2 * argc;
        break;
    }
    return e;
}

}  // namespace avm2
