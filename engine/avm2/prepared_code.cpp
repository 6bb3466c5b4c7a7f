#include "avm2/prepared_code.h"

#include "avm2/instruction.h"

#include <algorithm>

namespace avm2 {

PreparedBody prepareBody(const AbcFile& abc, uint32_t bodyIndex, const std::vector<uint32_t>& reached) {
    const MethodBody& body = abc.bodies[bodyIndex];
    PreparedBody out;
    out.method = body.method;
    out.localCount = body.localCount;
    out.maxStack = body.maxStack;
    out.scopeSize = body.maxScopeDepth - body.initScopeDepth;
    std::vector<Instruction> decoded;
    Instruction in;
    for (uint32_t at : reached) {
        (void)decodeInstruction(body.code, at, in);
        out.offsets.push_back(at);
        decoded.push_back(in);
    }
    auto indexOf = [&](int64_t offset) {
        return uint32_t(std::lower_bound(out.offsets.begin(), out.offsets.end(), uint32_t(offset)) -
                        out.offsets.begin());
    };
    out.code.reserve(decoded.size());
    for (const Instruction& d : decoded) {
        Ins ins{d.op, d.operands[0], d.operands[1]};
        const OpInfo& info = opInfo(uint8_t(d.op));
        if (info.flow == Flow::Branch || info.flow == Flow::Jump) {
            ins.a = indexOf(d.targets[0]);
        } else if (info.flow == Flow::Switch) {
            ins.a = uint32_t(out.switchTable.size());
            ins.b = d.operands[0] + 1;
            for (size_t k = 1; k < d.targets.size(); ++k)
                out.switchTable.push_back(indexOf(d.targets[k]));
            out.switchTable.push_back(indexOf(d.targets[0]));
        }
        out.code.push_back(ins);
    }
    for (const ExceptionInfo& e : body.exceptions)
        out.handlers.push_back({indexOf(e.from), indexOf(e.to), indexOf(e.target), e.type});
    return out;
}

}  // namespace avm2
