// Turning the memory bitmap into the stream's pixel order.
//
// The bitmap stores rows bottom-up, each pixel as blue, green, red and a byte
// nobody defines; the stream wants rows top-down, each pixel as red, green,
// blue and 255. The work is one pass over the frame, so it runs near memory
// speed: the row routine is picked once at run time among the ones this
// processor supports.
#pragma once

#include "platform/types.h"

#include <cstddef>
#include <span>

namespace pixel_conversion {

// Converts `pixels` pixels of one row. Source and destination must not overlap.
using RowConverter = void (*)(const BYTE* source, BYTE* destination, std::size_t pixels) noexcept;

struct Variant {
    const char* name = "";
    RowConverter convert = nullptr;
};

// Every variant this build has and this processor can run, the portable one
// first. Tests hold each of them to the same results.
[[nodiscard]] std::span<const Variant> AvailableVariants() noexcept;

// The fastest of AvailableVariants(), chosen on the first call.
[[nodiscard]] const Variant& SelectedVariant() noexcept;

// Plain C++, for any processor and byte order.
void ConvertRowPortable(const BYTE* source, BYTE* destination, std::size_t pixels) noexcept;

// Processor-specific variants, defined where the processor has them; each
// returns an empty list elsewhere.
[[nodiscard]] std::span<const Variant> ProcessorVariants() noexcept;

}  // namespace pixel_conversion

// The whole frame: `source` and `destination` each hold `height` rows of
// `width` * 4 bytes; output row height - 1 - i comes from bitmap row i.
void ConvertFrame(const BYTE* source, BYTE* destination, std::size_t width, std::size_t height) noexcept;

// As ConvertFrame, with a given row routine (benchmarks and tests).
void ConvertFrameWith(pixel_conversion::RowConverter convert, const BYTE* source, BYTE* destination, std::size_t width,
                      std::size_t height) noexcept;
