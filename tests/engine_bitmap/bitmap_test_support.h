// Bitmaps for the tests, built from rows of scripted colours.
#pragma once

#include "bitmap/bitmap_data.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

namespace bitmap_test {

inline bitmap::BitmapData make(int32_t w, int32_t h, bool transparent = true, uint32_t fill = 0) {
    auto made = bitmap::BitmapData::create(w, h, transparent, fill);
    if (!made)
        ADD_FAILURE() << "could not create a " << w << "x" << h << " bitmap";
    return std::move(made.value());
}

// One row of pixels, left to right.
inline bitmap::BitmapData row(std::initializer_list<uint32_t> colors, bool transparent = true) {
    bitmap::BitmapData b = make(int32_t(colors.size()), 1, transparent);
    int32_t x = 0;
    for (uint32_t c : colors)
        b.setPixel32(x++, 0, c);
    return b;
}

inline std::vector<uint32_t> pixelsOf(const bitmap::BitmapData& b) { return b.getVector(b.rect()); }

}  // namespace bitmap_test
