#include "render/box_blur.h"

#include <cmath>
#include <cstring>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace render {

namespace {

// Averages use a reciprocal in 9.23 fixed point: the largest sum (255 times a
// box of at most 2049) times it still fits 32 bits, and a flat area keeps its
// exact value.
constexpr int kShift = 23;
constexpr uint32_t kHalf = 1u << (kShift - 1);

uint32_t reciprocal(int32_t radius) {
    const uint32_t n = uint32_t(2 * radius + 1);
    return ((1u << kShift) + n / 2) / n;
}

int32_t radiusOf(double blur, double scale) {
    if (!(blur > 0.0) || !(scale > 0.0))  // NaN too
        return 0;
    const double size = std::min(blur, BoxBlur::kMaxBlur) * std::min(scale, 64.0);
    return std::min(int32_t(size / 2.0), BoxBlur::kMaxRadius);
}

// One pass down the columns: every output byte is the mean of the bytes
// `radius` rows above and below it. Works on whole rows so the loops run
// straight through memory.
template <bool Add, bool Sub>
void columnRow(const uint8_t* __restrict add, const uint8_t* __restrict sub, uint8_t* __restrict out,
               uint32_t* __restrict sums, size_t n, uint32_t inv) {
    for (size_t i = 0; i < n; ++i) {
        uint32_t s = sums[i];
        if constexpr (Add)
            s += add[i];
        out[i] = uint8_t((s * inv + kHalf) >> kShift);
        if constexpr (Sub)
            s -= sub[i];
        sums[i] = s;
    }
}

// The same with 16-bit sums, for boxes of at most kMaxNarrowBox pixels:
// twice the lanes per vector and a multiply-high instead of a 32-bit product.
// The reciprocal is rounded up and half a box added first, so the mean is
// rounded to nearest and a flat area keeps its value.
constexpr int32_t kMaxNarrowBox = 127;

template <bool Add, bool Sub>
void columnRowNarrow(const uint8_t* __restrict add, const uint8_t* __restrict sub, uint8_t* __restrict out,
                     uint16_t* __restrict sums, size_t n, uint16_t inv, uint16_t half) {
    for (size_t i = 0; i < n; ++i) {
        uint16_t s = sums[i];
        if constexpr (Add)
            s = uint16_t(s + add[i]);
        out[i] = uint8_t((uint32_t(uint16_t(s + half)) * inv) >> 16);
        if constexpr (Sub)
            s = uint16_t(s - sub[i]);
        sums[i] = s;
    }
}

// One pass along a row in place; `padded` holds the row with transparent
// pixels around it.
// One pass along a row in place; `padded` holds the row with transparent
// pixels around it.
template <int C>
void rowPass(uint8_t* row, int32_t width, int32_t radius, uint32_t inv, uint8_t* padded) {
    const size_t left = size_t(radius + 1) * C;
    std::memset(padded, 0, left);
    std::memcpy(padded + left, row, size_t(width) * C);
    std::memset(padded + left + size_t(width) * C, 0, size_t(radius) * C);
    const uint8_t* in = padded + size_t(2 * radius + 1) * C;
    const uint8_t* outOf = padded;
#if defined(__SSE2__)
    if constexpr (C == 4) {
        // The four channels of a pixel side by side in one vector; the mean
        // through a float multiply (sums stay far below 2^24, so exact).
        const __m128i zero = _mm_setzero_si128();
        auto widen = [&](const uint8_t* p) {
            uint32_t word;
            std::memcpy(&word, p, 4);
            const __m128i v = _mm_unpacklo_epi8(_mm_cvtsi32_si128(int(word)), zero);
            return _mm_unpacklo_epi16(v, zero);
        };
        __m128i sum = zero;
        for (int32_t p = 0; p <= 2 * radius; ++p)
            sum = _mm_add_epi32(sum, widen(padded + size_t(p) * 4));
        const __m128 scale = _mm_set1_ps(1.0f / float(2 * radius + 1));
        for (int32_t x = 0; x < width; ++x) {
            sum = _mm_add_epi32(sum, _mm_sub_epi32(widen(in), widen(outOf)));
            __m128i mean = _mm_cvtps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(sum), scale));
            mean = _mm_packs_epi32(mean, mean);
            mean = _mm_packus_epi16(mean, mean);
            const uint32_t word = uint32_t(_mm_cvtsi128_si32(mean));
            std::memcpy(row, &word, 4);
            in += 4;
            outOf += 4;
            row += 4;
        }
        (void)inv;
        return;
    }
#endif
    uint32_t s[C] = {};
    for (int32_t p = 0; p <= 2 * radius; ++p)
        for (int c = 0; c < C; ++c)
            s[c] += padded[size_t(p) * C + c];
    for (int32_t x = 0; x < width; ++x) {
        for (int c = 0; c < C; ++c) {
            s[c] += in[c];
            s[c] -= outOf[c];
            row[c] = uint8_t((s[c] * inv + kHalf) >> kShift);
        }
        in += C;
        outOf += C;
        row += C;
    }
}

// Running column sums of one pass down, in 16 or 32 bits.
template <typename Sum>
class ColumnPass {
public:
    ColumnPass(size_t rowBytes, int32_t radius) : m_sums(rowBytes), m_radius(radius) {
        const uint32_t n = uint32_t(2 * radius + 1);
        if constexpr (sizeof(Sum) == 2) {
            m_inv = (65536u + n - 1) / n;
            m_half = n / 2;
        } else {
            m_inv = reciprocal(radius);
        }
    }

    // Reads `height` rows from `src` and writes their means to `dst`,
    // calling `done(row)` on each finished output row.
    template <typename Done>
    void run(const uint8_t* src, ptrdiff_t srcStride, uint8_t* dst, ptrdiff_t dstStride, int32_t height, Done done) {
        const size_t n = m_sums.size();
        std::fill(m_sums.begin(), m_sums.end(), Sum(0));
        for (int32_t y = 0; y < std::min(m_radius, height); ++y) {
            const uint8_t* in = src + y * srcStride;
            for (size_t i = 0; i < n; ++i)
                m_sums[i] = Sum(m_sums[i] + in[i]);
        }
        for (int32_t y = 0; y < height; ++y) {
            const bool add = y + m_radius < height;
            const bool sub = y - m_radius >= 0;
            const uint8_t* a = add ? src + (y + m_radius) * srcStride : nullptr;
            const uint8_t* s = sub ? src + (y - m_radius) * srcStride : nullptr;
            uint8_t* out = dst + y * dstStride;
            if (add && sub)
                row<true, true>(a, s, out);
            else if (add)
                row<true, false>(a, s, out);
            else if (sub)
                row<false, true>(a, s, out);
            else
                row<false, false>(a, s, out);
            done(out);
        }
    }

private:
    template <bool Add, bool Sub>
    void row(const uint8_t* a, const uint8_t* s, uint8_t* out) {
        if constexpr (sizeof(Sum) == 2)
            columnRowNarrow<Add, Sub>(a, s, out, m_sums.data(), m_sums.size(), uint16_t(m_inv), uint16_t(m_half));
        else
            columnRow<Add, Sub>(a, s, out, m_sums.data(), m_sums.size(), m_inv);
    }

    std::vector<Sum> m_sums;
    int32_t m_radius = 0;
    uint32_t m_inv = 0;
    uint32_t m_half = 0;
};

template <int C, typename Sum>
void blurChannels(uint8_t* data, int32_t width, int32_t height, ptrdiff_t stride, const BoxBlur& blur) {
    const size_t rowBytes = size_t(width) * C;
    const int32_t rx = blur.radiusX;
    const int32_t ry = blur.radiusY;
    const uint32_t invX = reciprocal(rx);
    std::vector<uint8_t> padded(rx > 0 ? size_t(width + 2 * rx + 1) * C : 0);
    auto across = [&](uint8_t* row) {
        if (rx > 0)
            rowPass<C>(row, width, rx, invX, padded.data());
    };
    if (ry == 0) {
        for (int32_t pass = 0; pass < blur.passes; ++pass)
            for (int32_t y = 0; y < height; ++y)
                across(data + y * stride);
        return;
    }
    // Down into a second buffer and back, each row blurred across while it
    // is still in the cache.
    std::vector<uint8_t> work(rowBytes * size_t(height));
    ColumnPass<Sum> down(rowBytes, ry);
    uint8_t* cur = data;
    ptrdiff_t curStride = stride;
    uint8_t* other = work.data();
    ptrdiff_t otherStride = ptrdiff_t(rowBytes);
    for (int32_t pass = 0; pass < blur.passes; ++pass) {
        down.run(cur, curStride, other, otherStride, height, across);
        std::swap(cur, other);
        std::swap(curStride, otherStride);
    }
    if (cur != data)
        for (int32_t y = 0; y < height; ++y)
            std::memcpy(data + y * stride, cur + y * curStride, rowBytes);
}

template <int C>
void blurChannels(uint8_t* data, int32_t width, int32_t height, ptrdiff_t stride, const BoxBlur& blur) {
    if (2 * blur.radiusY + 1 <= kMaxNarrowBox)
        blurChannels<C, uint16_t>(data, width, height, stride, blur);
    else
        blurChannels<C, uint32_t>(data, width, height, stride, blur);
}

}  // namespace

BoxBlur BoxBlur::from(double blurX, double blurY, int passes, double scaleX, double scaleY) {
    BoxBlur b;
    b.radiusX = radiusOf(blurX, scaleX);
    b.radiusY = radiusOf(blurY, scaleY);
    b.passes = std::clamp(passes, 1, kMaxPasses);
    return b;
}

void boxBlur(uint8_t* data, int32_t width, int32_t height, ptrdiff_t strideBytes, int channels, const BoxBlur& blur) {
    if (!data || width <= 0 || height <= 0 || blur.isIdentity())
        return;
    BoxBlur b = blur;
    b.radiusX = std::clamp(b.radiusX, 0, BoxBlur::kMaxRadius);
    b.radiusY = std::clamp(b.radiusY, 0, BoxBlur::kMaxRadius);
    b.passes = std::clamp(b.passes, 1, BoxBlur::kMaxPasses);
    if (channels == 4)
        blurChannels<4>(data, width, height, strideBytes, b);
    else if (channels == 1)
        blurChannels<1>(data, width, height, strideBytes, b);
    else
        throw std::invalid_argument("box blur of 1 or 4 channels only");
}

void boxBlur(const PixelView& pixels, const BoxBlur& blur) {
    if (pixels.empty())
        return;
    boxBlur(reinterpret_cast<uint8_t*>(pixels.row(0).data()), pixels.width(), pixels.height(),
            ptrdiff_t(pixels.strideWords()) * 4, 4, blur);
}

}  // namespace render
