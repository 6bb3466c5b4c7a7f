#include "pixel_conversion.h"

#include <array>
#include <bit>
#include <cstdint>
#include <cstring>
#include <vector>

namespace pixel_conversion {

void ConvertRowPortable(const BYTE* source, BYTE* destination, std::size_t pixels) noexcept {
    if constexpr (std::endian::native == std::endian::little) {
        // Blocks of a fixed size let the compiler turn the inner loop into
        // vector instructions even where it does not vectorise loops of
        // unknown length; as one 32-bit word per pixel, x R G B becomes 255 B G R.
        constexpr std::size_t Block = 8;
        std::size_t i = 0;
        for (; i + Block <= pixels; i += Block) {
            std::uint32_t words[Block];
            std::memcpy(words, source + i * 4, sizeof(words));
            for (std::uint32_t& word : words)
                word = ((word >> 16) & 0xFFu) | (word & 0xFF00u) | ((word & 0xFFu) << 16) | 0xFF000000u;
            std::memcpy(destination + i * 4, words, sizeof(words));
        }
        for (; i < pixels; ++i) {
            std::uint32_t word;
            std::memcpy(&word, source + i * 4, 4);
            word = ((word >> 16) & 0xFFu) | (word & 0xFF00u) | ((word & 0xFFu) << 16) | 0xFF000000u;
            std::memcpy(destination + i * 4, &word, 4);
        }
    } else {
        for (std::size_t i = 0; i < pixels; ++i) {
            destination[i * 4 + 0] = source[i * 4 + 2];
            destination[i * 4 + 1] = source[i * 4 + 1];
            destination[i * 4 + 2] = source[i * 4 + 0];
            destination[i * 4 + 3] = 255;
        }
    }
}

std::span<const Variant> AvailableVariants() noexcept {
    static const std::vector<Variant> Variants = [] {
        std::vector<Variant> all{{"portable", &ConvertRowPortable}};
        for (const Variant& variant : ProcessorVariants())
            all.push_back(variant);
        return all;
    }();
    return Variants;
}

const Variant& SelectedVariant() noexcept {
    // Processor variants are listed slowest first.
    static const Variant& selected = AvailableVariants().back();
    return selected;
}

}  // namespace pixel_conversion

void ConvertFrameWith(pixel_conversion::RowConverter convert, const BYTE* source, BYTE* destination, std::size_t width,
                      std::size_t height) noexcept {
    const std::size_t rowBytes = width * 4;
    for (std::size_t row = 0; row < height; ++row)
        convert(source + row * rowBytes, destination + (height - 1 - row) * rowBytes, width);
}

void ConvertFrame(const BYTE* source, BYTE* destination, std::size_t width, std::size_t height) noexcept {
    ConvertFrameWith(pixel_conversion::SelectedVariant().convert, source, destination, width, height);
}
