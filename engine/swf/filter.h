// Display filters of PlaceObject3 and DefineButton2 records. They are parsed
// so that the fields after them can be read; drawing them is optional.
#pragma once

#include "swf/types.h"

#include <cstdint>
#include <vector>

namespace swf {

enum class FilterKind : uint8_t {
    DropShadow = 0,
    Blur = 1,
    Glow = 2,
    Bevel = 3,
    GradientGlow = 4,
    Convolution = 5,
    ColorMatrix = 6,
    GradientBevel = 7,
};

// One struct for all kinds; each kind fills the fields it has.
struct Filter {
    FilterKind kind = FilterKind::Blur;
    Rgba color;           // DropShadow, Glow; Bevel's shadow colour; Convolution's default colour
    Rgba highlightColor;  // Bevel
    double blurX = 0.0;   // 16.16 in the file
    double blurY = 0.0;
    double angle = 0.0;  // radians
    double distance = 0.0;
    double strength = 0.0;  // 8.8 in the file
    bool inner = false;
    bool knockout = false;
    bool compositeSource = false;
    bool onTop = false;  // bevels
    uint8_t passes = 1;
    std::vector<Rgba> gradientColors;  // GradientGlow, GradientBevel
    std::vector<uint8_t> gradientRatios;
    uint8_t matrixX = 0;  // Convolution
    uint8_t matrixY = 0;
    float divisor = 1.0f;
    float bias = 0.0f;
    std::vector<float> matrix;  // Convolution (matrixX*matrixY) or ColorMatrix (20)
    bool clamp = false;
    bool preserveAlpha = false;
};

}  // namespace swf
