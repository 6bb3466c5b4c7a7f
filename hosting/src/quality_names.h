// The control's six quality names, indexed by the quality value of the player
// interface.
#pragma once

#include "platform/wide.h"

namespace moviehost {

inline constexpr LONG QualityCount = 6;

// "Low", "Medium", "High", "Best", "AutoLow", "AutoHigh"; null for an index
// outside 0 to 5.
[[nodiscard]] LPCWSTR QualityName(LONG index) noexcept;

// Whole strings equal when the letters A to Z are taken without their case;
// every other character must match exactly (no locale, no other folding).
[[nodiscard]] bool EqualIgnoringAsciiCase(platform::WideStringView a, platform::WideStringView b) noexcept;

}  // namespace moviehost
