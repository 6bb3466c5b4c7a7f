// What went wrong loading or verifying byte code, and where.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace avm2 {

struct Error {
    static constexpr uint32_t NoMethod = UINT32_MAX;
    static constexpr size_t NoOffset = SIZE_MAX;

    std::string what;
    // The method whose body failed and the byte offset in its code; for a
    // parse error the offset is into the whole ABC block.
    uint32_t method = NoMethod;
    size_t offset = NoOffset;

    // "what (method 3, offset 17)", for the control's error information.
    [[nodiscard]] std::string describe() const;
};

}  // namespace avm2
