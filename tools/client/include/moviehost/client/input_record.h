#pragma once
// One record of the host's input stream, as fields.

#include <moviehost/wire_protocol.h>

#include <cstdint>

namespace moviehost::client {

struct InputRecord {
    std::uint32_t window{0};  // ignored by the host
    std::uint32_t message{0};
    std::uint32_t wParam{0};
    std::uint32_t lParam{0};
    std::uint32_t time{0};   // ignored by the host
    std::int32_t pointX{0};  // ignored by the host
    std::int32_t pointY{0};  // ignored by the host

    // A mouse message at (x, y): x in the low 16 bits of lParam, y in the high.
    [[nodiscard]] static InputRecord mouse(std::uint32_t message, std::uint16_t x, std::uint16_t y);
    [[nodiscard]] static InputRecord control(std::uint32_t message);

    [[nodiscard]] wire::EncodedRecord encode() const;

    bool operator==(const InputRecord&) const = default;
};

}  // namespace moviehost::client
