// Checks method bodies before anything runs them: every instruction is known
// and complete, its pool indices, registers, methods, classes and exception
// indices are in range, every branch, switch and handler target is the start
// of an instruction inside the body, and on every path the operand stack and
// the scope stack stay within the body's declared maxima. A body that passes
// cannot make the interpreter read outside its frame.
#pragma once

#include "avm2/abc_file.h"
#include "avm2/error.h"
#include "moviehost/expected.h"

#include <cstdint>
#include <vector>

namespace avm2 {

// Only code that some path reaches is checked (and decoded at all), as
// compilers leave unreachable jumps behind. `reached`, when given, receives
// the offsets of the reachable instructions in order.
[[nodiscard]] moviehost::Expected<void, Error> verifyBody(const AbcFile& abc, uint32_t bodyIndex,
                                                          std::vector<uint32_t>* reached = nullptr);
// Every body of the file; the first failure is returned.
[[nodiscard]] moviehost::Expected<void, Error> verifyAbc(const AbcFile& abc);

}  // namespace avm2
