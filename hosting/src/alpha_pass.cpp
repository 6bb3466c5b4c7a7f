#include "alpha_pass.h"

#include <cstddef>

namespace moviehost {

void ComputeAlpha(BYTE* black, const BYTE* white, LONG width, const RECT& box) noexcept {
    if (box.right <= box.left || box.bottom <= box.top)
        return;
    const auto stride = static_cast<std::size_t>(width) * 4;
    const auto columns = static_cast<std::size_t>(box.right - box.left);
    for (LONG y = box.top; y < box.bottom; ++y) {
        const std::size_t start = static_cast<std::size_t>(y) * stride + static_cast<std::size_t>(box.left) * 4;
        BYTE* over_black = black + start;
        const BYTE* over_white = white + start;
        for (std::size_t x = 0; x < columns; ++x) {
            over_black[3] = static_cast<BYTE>(over_black[0] - over_white[0] - 1);
            over_black += 4;
            over_white += 4;
        }
    }
}

}  // namespace moviehost
