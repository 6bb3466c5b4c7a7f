// How a frame is drawn: aspect and quality.
#pragma once

#include <cstdint>

namespace render {

enum class Aspect : uint8_t {
    Opaque,       // the background colour first, then the movie
    Transparent,  // the movie alone, composed over what the target holds
};

// The control's quality names map here: "Low" and "AutoLow" to Low, "Medium"
// to Medium, "High" and "AutoHigh" to High, "Best" to Best.
enum class Quality : uint8_t {
    Low,     // no antialiasing, bitmaps never smoothed
    Medium,  // antialiased, smoothed bitmaps bilinear
    High,    // antialiased, smoothed bitmaps with cairo's good filter
    Best,
};

}  // namespace render
