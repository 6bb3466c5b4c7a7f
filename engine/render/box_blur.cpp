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

#if defined(__SSE2__)
// Two ARGB rows along at once with 16-bit sums (boxes of at most
// kMaxNarrowBox pixels): eight lanes per vector, the mean through a
// multiply-high rounded as in columnRowNarrow. `second` may be null.
void rowPairNarrow(uint8_t* first, uint8_t* second, int32_t width, int32_t radius, uint8_t* paddedFirst,
                   uint8_t* paddedSecond) {
    const size_t left = size_t(radius + 1) * 4;
    const size_t bytes = size_t(width) * 4;
    for (auto [row, padded] : {std::pair{first, paddedFirst}, std::pair{second, paddedSecond}}) {
        std::memset(padded, 0, left);
        if (row)
            std::memcpy(padded + left, row, bytes);
        else
            std::memset(padded + left, 0, bytes);
        std::memset(padded + left + bytes, 0, size_t(radius) * 4);
    }
    const __m128i zero = _mm_setzero_si128();
    auto widen = [&](const uint8_t* a, const uint8_t* b) {
        uint32_t wa;
        uint32_t wb;
        std::memcpy(&wa, a, 4);
        std::memcpy(&wb, b, 4);
        const __m128i v = _mm_unpacklo_epi32(_mm_cvtsi32_si128(int(wa)), _mm_cvtsi32_si128(int(wb)));
        return _mm_unpacklo_epi8(v, zero);
    };
    const uint32_t n = uint32_t(2 * radius + 1);
    const __m128i inv = _mm_set1_epi16(short((65536u + n - 1) / n));
    const __m128i half = _mm_set1_epi16(short(n / 2));
    __m128i sum = zero;
    for (int32_t p = 0; p <= 2 * radius; ++p)
        sum = _mm_add_epi16(sum, widen(paddedFirst + size_t(p) * 4, paddedSecond + size_t(p) * 4));
    const size_t step = size_t(2 * radius + 1) * 4;
    for (int32_t x = 0; x < width; ++x) {
        const size_t at = size_t(x) * 4;
        sum = _mm_add_epi16(sum, _mm_sub_epi16(widen(paddedFirst + at + step, paddedSecond + at + step),
                                               widen(paddedFirst + at, paddedSecond + at)));
        const __m128i mean = _mm_mulhi_epu16(_mm_add_epi16(sum, half), inv);
        const __m128i packed = _mm_packus_epi16(mean, mean);
        const uint32_t a = uint32_t(_mm_cvtsi128_si32(packed));
        std::memcpy(first + at, &a, 4);
        if (second) {
            const uint32_t b = uint32_t(_mm_cvtsi128_si32(_mm_srli_si128(packed, 4)));
            std::memcpy(second + at, &b, 4);
        }
    }
}
#endif

// Rows blurred along, two at a time where that is faster.
template <int C>
class RowPasses {
public:
    RowPasses(int32_t width, int32_t radius) : m_width(width), m_radius(radius), m_inv(reciprocal(radius)) {
        const size_t padded = radius > 0 ? size_t(width + 2 * radius + 1) * C : 0;
        m_padded.resize(2 * padded);
        m_second = m_padded.data() + padded;
#if defined(__SSE2__)
        m_pairs = C == 4 && 2 * radius + 1 <= kMaxNarrowBox;
#endif
    }
    void add(uint8_t* row) {
        if (m_radius == 0)
            return;
        if (!m_pairs) {
            rowPass<C>(row, m_width, m_radius, m_inv, m_padded.data());
            return;
        }
        if (!m_pending) {
            m_pending = row;
            return;
        }
        pair(std::exchange(m_pending, nullptr), row);
    }
    void finish() {
        if (m_pending)
            pair(std::exchange(m_pending, nullptr), nullptr);
    }

private:
    void pair(uint8_t* first, uint8_t* second) {
#if defined(__SSE2__)
        rowPairNarrow(first, second, m_width, m_radius, m_padded.data(), m_second);
#else
        (void)first;
        (void)second;
#endif
    }

    int32_t m_width = 0;
    int32_t m_radius = 0;
    uint32_t m_inv = 0;
    bool m_pairs = false;
    std::vector<uint8_t> m_padded;
    uint8_t* m_second = nullptr;
    uint8_t* m_pending = nullptr;
};

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

    // Blurs `height` rows in place, calling `done(row)` on each finished
    // row. The rows still to be taken out of the sums were overwritten, so
    // a ring of the last radius + 1 originals keeps them.
    template <typename Done>
    void run(uint8_t* data, ptrdiff_t stride, int32_t height, Done done) {
        const size_t n = m_sums.size();
        const size_t slots = size_t(m_radius) + 1;
        m_ring.resize(slots * n);
        std::fill(m_sums.begin(), m_sums.end(), Sum(0));
        for (int32_t y = 0; y < std::min(m_radius, height); ++y) {
            const uint8_t* in = data + y * stride;
            for (size_t i = 0; i < n; ++i)
                m_sums[i] = Sum(m_sums[i] + in[i]);
        }
        for (int32_t y = 0; y < height; ++y) {
            uint8_t* out = data + y * stride;
            std::memcpy(m_ring.data() + (size_t(y) % slots) * n, out, n);
            const bool add = y + m_radius < height;
            const bool sub = y - m_radius >= 0;
            const uint8_t* a = add ? data + (y + m_radius) * stride : nullptr;
            const uint8_t* s = sub ? m_ring.data() + (size_t(y - m_radius) % slots) * n : nullptr;
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
    std::vector<uint8_t> m_ring;
    int32_t m_radius = 0;
    uint32_t m_inv = 0;
    uint32_t m_half = 0;
};

template <int C, typename Sum>
void blurChannels(uint8_t* data, int32_t width, int32_t height, ptrdiff_t stride, const BoxBlur& blur) {
    const size_t rowBytes = size_t(width) * C;
    const int32_t rx = blur.radiusX;
    const int32_t ry = blur.radiusY;
    RowPasses<C> across(width, rx);
    if (ry == 0) {
        for (int32_t pass = 0; pass < blur.passes; ++pass) {
            for (int32_t y = 0; y < height; ++y)
                across.add(data + y * stride);
            across.finish();
        }
        return;
    }
    // Down, each row then blurred across while it is still in the cache.
    ColumnPass<Sum> down(rowBytes, ry);
    for (int32_t pass = 0; pass < blur.passes; ++pass) {
        down.run(data, stride, height, [&](uint8_t* row) { across.add(row); });
        across.finish();
    }
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
