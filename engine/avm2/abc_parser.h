// Reads an ABC block (the payload of DoABC) into an AbcFile. Every index the
// file stores is checked against what it names; method bodies are kept as
// bytes and checked by the verifier.
#pragma once

#include "avm2/abc_file.h"
#include "avm2/error.h"
#include "moviehost/expected.h"

#include <cstdint>
#include <span>

namespace avm2 {

[[nodiscard]] moviehost::Expected<AbcFile, Error> parseAbc(std::span<const uint8_t> data);

}  // namespace avm2
