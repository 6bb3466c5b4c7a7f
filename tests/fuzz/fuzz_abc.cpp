// libFuzzer target: parse an ABC block, then verify every body.
#include "avm2/abc_parser.h"
#include "avm2/verifier.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto parsed = avm2::parseAbc({data, size});
    if (!parsed)
        return 0;
    for (uint32_t i = 0; i < parsed->bodies.size(); ++i)
        (void)avm2::verifyBody(*parsed, i);
    return 0;
}
