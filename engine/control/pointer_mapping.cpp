#include "control/pointer_mapping.h"

#include "render/stage_mapping.h"

namespace control {

namespace {

constexpr int32_t DeltaPerLine = 40;  // WHEEL_DELTA 120 scrolls three lines

// Message words pack 16-bit signed halves.
int32_t signedLow(uint32_t word) noexcept { return int16_t(uint16_t(word & 0xFFFFu)); }
int32_t signedHigh(uint32_t word) noexcept { return int16_t(uint16_t(word >> 16)); }

}  // namespace

PixelPoint pixelPointOf(LPARAM lParam) noexcept {
    const auto word = static_cast<uint32_t>(lParam);
    return {signedLow(word), signedHigh(word)};
}

int32_t wheelDeltaOf(WPARAM wParam) noexcept { return signedHigh(static_cast<uint32_t>(wParam)); }

std::optional<swf::Point> stagePointOf(PixelPoint pixel, const swf::Rect& stage, const RECT& bounds,
                                       const model::StageLayout& layout) {
    const render::PixelRect surface{bounds.left, bounds.top, bounds.right, bounds.bottom};
    const render::StageMapping mapping = render::mapStage(stage, surface, layout);
    if (mapping.isEmpty())
        return std::nullopt;
    return mapping.toStage(double(pixel.x), double(pixel.y));
}

int32_t wheelLines(int32_t delta, int32_t& rest) noexcept {
    // Both fit easily: a message's delta is 16 bits, the rest below 40.
    const int32_t total = rest + delta;
    rest = total % DeltaPerLine;
    return total / DeltaPerLine;
}

}  // namespace control
