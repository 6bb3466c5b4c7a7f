// An ActionScript 3 block for sound tests' loaded movies, apart from the
// ActionScript 1 writer whose names clash with the byte code writer's.
#pragma once

#include <cstdint>
#include <vector>

namespace controltest {

// A DoABC2 tag's body defining Snd (a Sound) and ChildDoc (a MovieClip),
// both doing nothing more than their bases.
[[nodiscard]] std::vector<uint8_t> soundClassBlock();

}  // namespace controltest
