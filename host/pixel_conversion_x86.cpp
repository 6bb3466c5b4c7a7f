// SSE2, SSSE3 and AVX2 row routines. Built with per-function target
// attributes, so the rest of the program keeps the baseline instruction set
// and a processor without AVX2 never runs an AVX2 instruction.
#include "pixel_conversion.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <array>

namespace pixel_conversion {

namespace {

// Byte order within each pixel: take bytes 2, 1, 0 and put 255 (from the
// alpha mask) in the fourth; the -1 entries give zero.
#define PIXEL_SHUFFLE_16 2, 1, 0, -1, 6, 5, 4, -1, 10, 9, 8, -1, 14, 13, 12, -1

__attribute__((target("sse2"))) void ConvertRowSse2(const BYTE* source, BYTE* destination,
                                                    std::size_t pixels) noexcept {
    const __m128i green = _mm_set1_epi32(0x0000FF00);
    const __m128i blueRed = _mm_set1_epi32(0x00FF00FF);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    std::size_t i = 0;
    for (; i + 4 <= pixels; i += 4) {
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i * 4));
        const __m128i br = _mm_and_si128(in, blueRed);
        // Shifting within 32-bit lanes swaps bytes 0 and 2 and drops the rest.
        const __m128i swapped = _mm_or_si128(_mm_slli_epi32(br, 16), _mm_srli_epi32(br, 16));
        const __m128i out = _mm_or_si128(_mm_or_si128(swapped, _mm_and_si128(in, green)), alpha);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i * 4), out);
    }
    ConvertRowPortable(source + i * 4, destination + i * 4, pixels - i);
}

__attribute__((target("ssse3"))) void ConvertRowSsse3(const BYTE* source, BYTE* destination,
                                                      std::size_t pixels) noexcept {
    const __m128i shuffle = _mm_setr_epi8(PIXEL_SHUFFLE_16);
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    std::size_t i = 0;
    for (; i + 4 <= pixels; i += 4) {
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(source + i * 4));
        const __m128i out = _mm_or_si128(_mm_shuffle_epi8(in, shuffle), alpha);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(destination + i * 4), out);
    }
    ConvertRowPortable(source + i * 4, destination + i * 4, pixels - i);
}

__attribute__((target("avx2"))) void ConvertRowAvx2(const BYTE* source, BYTE* destination,
                                                    std::size_t pixels) noexcept {
    const __m256i shuffle = _mm256_setr_epi8(PIXEL_SHUFFLE_16, PIXEL_SHUFFLE_16);
    const __m256i alpha = _mm256_set1_epi32(static_cast<int>(0xFF000000u));
    std::size_t i = 0;
    for (; i + 16 <= pixels; i += 16) {
        const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + i * 4));
        const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + i * 4 + 32));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + i * 4),
                            _mm256_or_si256(_mm256_shuffle_epi8(a, shuffle), alpha));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + i * 4 + 32),
                            _mm256_or_si256(_mm256_shuffle_epi8(b, shuffle), alpha));
    }
    for (; i + 8 <= pixels; i += 8) {
        const __m256i in = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(source + i * 4));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(destination + i * 4),
                            _mm256_or_si256(_mm256_shuffle_epi8(in, shuffle), alpha));
    }
    ConvertRowPortable(source + i * 4, destination + i * 4, pixels - i);
}

#undef PIXEL_SHUFFLE_16

}  // namespace

std::span<const Variant> ProcessorVariants() noexcept {
    static const auto Variants = [] {
        std::array<Variant, 3> found{};
        std::size_t count = 0;
        __builtin_cpu_init();
        if (__builtin_cpu_supports("sse2"))
            found[count++] = {"sse2", &ConvertRowSse2};
        if (__builtin_cpu_supports("ssse3"))
            found[count++] = {"ssse3", &ConvertRowSsse3};
        if (__builtin_cpu_supports("avx2"))
            found[count++] = {"avx2", &ConvertRowAvx2};
        return std::pair{found, count};
    }();
    return std::span<const Variant>(Variants.first.data(), Variants.second);
}

}  // namespace pixel_conversion

#else

namespace pixel_conversion {

std::span<const Variant> ProcessorVariants() noexcept { return {}; }

}  // namespace pixel_conversion

#endif
