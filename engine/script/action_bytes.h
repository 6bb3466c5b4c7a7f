// Little-endian fields of action records (the caller has checked the size).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace script {

[[nodiscard]] inline uint16_t readU16(std::span<const uint8_t> b, size_t at) {
    return uint16_t(b[at] | (b[at + 1] << 8));
}

[[nodiscard]] inline uint32_t readU32(std::span<const uint8_t> b, size_t at) {
    return uint32_t(b[at]) | (uint32_t(b[at + 1]) << 8) | (uint32_t(b[at + 2]) << 16) | (uint32_t(b[at + 3]) << 24);
}

}  // namespace script
