// Small value types shared by every record of a movie file.
//
// Units: coordinates and lengths are twips (1/20 pixel) unless a name says
// otherwise; the y axis points down, as on the stage.
#pragma once

#include <cstdint>

namespace swf {

// RGBA colour, not premultiplied. Colours read from RGB records get alpha 255.
struct Rgba {
    uint8_t r = 0;
    uint8_t g = 0;
    uint8_t b = 0;
    uint8_t a = 255;

    friend bool operator==(const Rgba&, const Rgba&) = default;
};

// Axis-aligned rectangle in twips, min inclusive and max exclusive as stored.
// A rectangle read from a file may have min > max; isEmpty() says so.
struct Rect {
    int32_t xMin = 0;
    int32_t xMax = 0;
    int32_t yMin = 0;
    int32_t yMax = 0;

    [[nodiscard]] bool isEmpty() const { return xMax <= xMin || yMax <= yMin; }
    [[nodiscard]] int64_t width() const { return int64_t(xMax) - xMin; }
    [[nodiscard]] int64_t height() const { return int64_t(yMax) - yMin; }
    friend bool operator==(const Rect&, const Rect&) = default;
};

// 2-D affine transform: x' = a*x + c*y + tx, y' = b*x + d*y + ty.
// a/d are the file's ScaleX/ScaleY, b/c its RotateSkew0/RotateSkew1 (all 16.16
// fixed point in the file, so exactly representable here); tx/ty in twips.
struct Matrix {
    double a = 1.0;
    double b = 0.0;
    double c = 0.0;
    double d = 1.0;
    double tx = 0.0;
    double ty = 0.0;

    [[nodiscard]] static Matrix translation(double x, double y) { return {1.0, 0.0, 0.0, 1.0, x, y}; }
    [[nodiscard]] bool isIdentity() const { return *this == Matrix{}; }
    friend bool operator==(const Matrix&, const Matrix&) = default;
};

// Colour transform: channel' = clamp(channel * mult / 256 + add, 0, 255).
// Multipliers are 8.8 fixed point as in the file (256 means 1.0); adds are in
// colour units. A CXFORM without alpha keeps aMult 256 and aAdd 0.
struct ColorTransform {
    int16_t rMult = 256;
    int16_t gMult = 256;
    int16_t bMult = 256;
    int16_t aMult = 256;
    int16_t rAdd = 0;
    int16_t gAdd = 0;
    int16_t bAdd = 0;
    int16_t aAdd = 0;

    [[nodiscard]] bool isIdentity() const { return *this == ColorTransform{}; }
    [[nodiscard]] Rgba apply(Rgba c) const;
    friend bool operator==(const ColorTransform&, const ColorTransform&) = default;
};

// Blend modes as numbered in PlaceObject3 and button records. The file's 0 and
// 1 both mean Normal; unknown numbers are read as Normal.
enum class BlendMode : uint8_t {
    Normal = 1,
    Layer = 2,
    Multiply = 3,
    Screen = 4,
    Lighten = 5,
    Darken = 6,
    Difference = 7,
    Add = 8,
    Subtract = 9,
    Invert = 10,
    Alpha = 11,
    Erase = 12,
    Overlay = 13,
    HardLight = 14,
};

}  // namespace swf
