// The conversion from the bitmap's bottom-up blue-green-red-x rows to the
// stream's top-down red-green-blue-alpha rows.
#include "pixel_conversion.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

namespace {

TEST(PixelConversion, TwoByTwoFlipsRowsAndReordersBytes) {
    // Bottom row first, as the bitmap stores it: B G R X per pixel.
    const std::vector<BYTE> bitmap = {
        0x10, 0x11, 0x12, 0x13, 0x20, 0x21, 0x22, 0x23,  // bottom: pixels 0 and 1
        0x30, 0x31, 0x32, 0x33, 0x40, 0x41, 0x42, 0x43,  // top: pixels 2 and 3
    };
    const std::vector<BYTE> expected = {
        0x32, 0x31, 0x30, 0xFF, 0x42, 0x41, 0x40, 0xFF,  // top row first: R2 G2 B2 255, R3 G3 B3 255
        0x12, 0x11, 0x10, 0xFF, 0x22, 0x21, 0x20, 0xFF,  // then R0 G0 B0 255, R1 G1 B1 255
    };
    for (const auto& variant : pixel_conversion::AvailableVariants()) {
        std::vector<BYTE> out(expected.size(), 0xAA);
        ConvertFrameWith(variant.convert, bitmap.data(), out.data(), 2, 2);
        EXPECT_EQ(out, expected) << "variant " << variant.name;
    }
}

TEST(PixelConversion, EveryVariantMatchesTheByteRuleAtEveryWidth) {
    // Widths around each vector size, so that every tail length is covered;
    // the source rows start at odd offsets to rule out alignment assumptions.
    std::mt19937 random(7);
    for (std::size_t width = 1; width <= 70; ++width) {
        const std::size_t height = 3;
        std::vector<BYTE> storage(width * height * 4 + 1);
        for (BYTE& byte : storage)
            byte = static_cast<BYTE>(random());
        const BYTE* source = storage.data() + 1;
        for (const auto& variant : pixel_conversion::AvailableVariants()) {
            std::vector<BYTE> out(width * height * 4 + 1, 0);
            ConvertFrameWith(variant.convert, source, out.data() + 1, width, height);
            for (std::size_t row = 0; row < height; ++row) {
                for (std::size_t x = 0; x < width; ++x) {
                    const BYTE* in = source + (row * width + x) * 4;
                    const BYTE* got = out.data() + 1 + ((height - 1 - row) * width + x) * 4;
                    const std::vector<BYTE> want = {in[2], in[1], in[0], 0xFF};
                    ASSERT_EQ(std::vector<BYTE>(got, got + 4), want)
                        << "variant " << variant.name << ", width " << width << ", row " << row << ", x " << x;
                }
            }
            EXPECT_EQ(out[0], 0) << "variant " << variant.name << " wrote before the buffer";
        }
    }
}

}  // namespace
