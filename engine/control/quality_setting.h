// The control's rendering quality, set by name (Quality2) or by number
// (Quality), and what the renderer makes of it.
//
//   name        number   renderer
//   "Low"       0        no antialiasing, bitmaps not smoothed
//   "High"      1        antialiased (the default)
//   "AutoLow"   2        as Low: we never lower quality on our own
//   "AutoHigh"  3        as High
//   "Medium"    4        antialiased, simpler bitmap smoothing
//   "Best"      5        as High, with the best bitmap filter
// Names compare without ASCII case; the canonical spelling above is what the
// getters report.
#pragma once

#include "render/settings.h"

#include <optional>
#include <string_view>

namespace control {

enum class QualityLevel { Low, High, AutoLow, AutoHigh, Medium, Best };

[[nodiscard]] std::optional<QualityLevel> qualityFromName(std::u16string_view name);
[[nodiscard]] std::optional<QualityLevel> qualityFromNumber(int number);
[[nodiscard]] std::u16string_view qualityName(QualityLevel level);
[[nodiscard]] int qualityNumber(QualityLevel level);
[[nodiscard]] render::Quality renderQuality(QualityLevel level);
// What scripts read (_quality, Stage.quality): "LOW", "MEDIUM", "HIGH" or
// "BEST"; the automatic levels read as the level they stay at.
[[nodiscard]] std::u16string_view scriptQualityName(QualityLevel level);

// Compares without regard to the case of the ASCII letters only.
[[nodiscard]] bool equalsIgnoringAsciiCase(std::u16string_view a, std::u16string_view b);

}  // namespace control
