// Display filters of PlaceObject3 and DefineButton2 records. They are parsed
// so that the fields after them can be read; drawing them is optional.
#pragma once

#include "swf/types.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace model {
class FillBitmap;
}

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
    // Made by scripts only: the file has no such filter, and the parser
    // never yields it.
    DisplacementMap = 8,
};

// What a displacement reads where it points outside the picture.
enum class DisplacementMode : uint8_t { Wrap, Clamp, Ignore, Color };

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
    // DisplacementMap: the script's map bitmap, shared so that later changes
    // to its pixels show (null draws the picture unchanged); `color` is the
    // Color mode's colour.
    std::shared_ptr<const model::FillBitmap> map;
    double mapX = 0.0;  // where the map's corner lies, movie pixels
    double mapY = 0.0;
    uint8_t componentX = 0;  // one channel bit each (1 red, 2 green, 4 blue, 8 alpha)
    uint8_t componentY = 0;
    double scaleX = 0.0;
    double scaleY = 0.0;
    DisplacementMode mode = DisplacementMode::Wrap;
};

}  // namespace swf
