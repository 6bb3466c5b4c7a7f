#include "player_call.h"

#include <array>
#include <cstdint>

std::string ResultCodeText(HRESULT hr) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    const auto value = static_cast<std::uint32_t>(hr);
    std::string text = "0x";
    for (int shift = 28; shift >= 0; shift -= 4)
        text.push_back(kDigits[(value >> shift) & 0xF]);
    return text;
}
