// noise() and perlinNoise().
//
// Both draw on the Park-Miller minimal standard generator. perlinNoise is
// the classic lattice gradient noise in the form the SVG turbulence filter
// publishes (per channel gradient tables, fractal sum or turbulence, and
// stitching that bends the frequencies so the result tiles), with the
// bitmap's base sizes as the inverse of the base frequencies.
#include "bitmap/bitmap_data.h"

#include "bitmap/pixel_format.h"

#include <algorithm>
#include <cmath>

namespace bitmap {
namespace {

constexpr int32_t RandM = 2147483647;
constexpr int32_t RandA = 16807;
constexpr int32_t RandQ = 127773;  // RandM / RandA
constexpr int32_t RandR = 2836;    // RandM % RandA

// Any int32 maps to a state in [1, RandM - 1].
int32_t setupSeed(int32_t seed) {
    int64_t s = seed;
    if (s <= 0)
        s = -(s % (RandM - 1)) + 1;
    return int32_t(std::min<int64_t>(s, RandM - 1));
}

int32_t nextRandom(int32_t state) {
    int32_t result = RandA * (state % RandQ) - RandR * (state / RandQ);
    return result <= 0 ? result + RandM : result;
}

constexpr int BSize = 0x100;
constexpr int64_t BMask = 0xFF;
constexpr double PerlinN = 0x1000;

struct Stitch {
    int64_t width = 0;
    int64_t height = 0;
    int64_t wrapX = 0;
    int64_t wrapY = 0;
};

class Lattice {
public:
    explicit Lattice(int32_t seed) {
        int32_t s = setupSeed(seed);
        for (int k = 0; k < 4; ++k) {
            for (int i = 0; i < BSize; ++i) {
                m_selector[i] = i;
                for (int j = 0; j < 2; ++j) {
                    s = nextRandom(s);
                    m_gradient[k][i][j] = double((s % (BSize + BSize)) - BSize) / BSize;
                }
                double length = std::hypot(m_gradient[k][i][0], m_gradient[k][i][1]);
                if (length > 0) {
                    m_gradient[k][i][0] /= length;
                    m_gradient[k][i][1] /= length;
                }
            }
        }
        for (int i = BSize - 1; i > 0; --i) {
            s = nextRandom(s);
            std::swap(m_selector[i], m_selector[s % BSize]);
        }
        for (int i = 0; i < BSize + 2; ++i) {
            m_selector[BSize + i] = m_selector[i];
            for (int k = 0; k < 4; ++k)
                for (int j = 0; j < 2; ++j)
                    m_gradient[k][BSize + i][j] = m_gradient[k][i][j];
        }
    }

    [[nodiscard]] double noise2(int channelIndex, double x, double y, const Stitch* stitch) const {
        double tx = x + PerlinN;
        double ty = y + PerlinN;
        double fx = std::floor(tx);
        double fy = std::floor(ty);
        int64_t bx0 = int64_t(fx);
        int64_t by0 = int64_t(fy);
        int64_t bx1 = bx0 + 1;
        int64_t by1 = by0 + 1;
        double rx0 = tx - fx, rx1 = rx0 - 1.0;
        double ry0 = ty - fy, ry1 = ry0 - 1.0;
        if (stitch) {
            if (bx0 >= stitch->wrapX)
                bx0 -= stitch->width;
            if (bx1 >= stitch->wrapX)
                bx1 -= stitch->width;
            if (by0 >= stitch->wrapY)
                by0 -= stitch->height;
            if (by1 >= stitch->wrapY)
                by1 -= stitch->height;
        }
        int i = m_selector[bx0 & BMask];
        int j = m_selector[bx1 & BMask];
        int b00 = m_selector[i + (by0 & BMask)];
        int b10 = m_selector[j + (by0 & BMask)];
        int b01 = m_selector[i + (by1 & BMask)];
        int b11 = m_selector[j + (by1 & BMask)];
        double sx = rx0 * rx0 * (3.0 - 2.0 * rx0);
        double sy = ry0 * ry0 * (3.0 - 2.0 * ry0);
        const auto& g = m_gradient[channelIndex];
        double u = rx0 * g[b00][0] + ry0 * g[b00][1];
        double v = rx1 * g[b10][0] + ry0 * g[b10][1];
        double a = u + sx * (v - u);
        u = rx0 * g[b01][0] + ry1 * g[b01][1];
        v = rx1 * g[b11][0] + ry1 * g[b11][1];
        double b = u + sx * (v - u);
        return a + sy * (b - a);
    }

private:
    int m_selector[BSize + BSize + 2] = {};
    double m_gradient[4][BSize + BSize + 2][2] = {};
};

double frequencyOf(double base) {
    if (!(base > 0.0))  // also NaN
        return 0.0;
    return std::min(1.0 / base, 256.0);
}

double finiteOffset(double v) { return std::isfinite(v) ? std::clamp(v, -1e7, 1e7) : 0.0; }

// Bends a frequency so that a whole number of periods fits the tile.
double stitchFrequency(double frequency, double tile) {
    if (frequency == 0.0)
        return 0.0;
    double lo = std::floor(tile * frequency) / tile;
    double hi = std::ceil(tile * frequency) / tile;
    return (lo > 0.0 && frequency / lo < hi / frequency) ? lo : hi;
}

}  // namespace

void BitmapData::noise(int32_t randomSeed, uint32_t low, uint32_t high, uint32_t channels, bool grayScale) {
    if (m_disposed)
        return;
    low = std::min(low, 255u);
    high = std::min(high, 255u);
    if (low > high)
        std::swap(low, high);
    const uint32_t span = high - low + 1;
    int32_t state = setupSeed(randomSeed);
    auto next = [&] {
        state = nextRandom(state);
        return low + uint32_t(state) % span;
    };
    for (uint32_t& pixel : m_pixels) {
        uint32_t r = 0, g = 0, b = 0, a = 255;
        if (grayScale) {
            r = g = b = next();
        } else {
            if (channels & channel::Red)
                r = next();
            if (channels & channel::Green)
                g = next();
            if (channels & channel::Blue)
                b = next();
        }
        if (channels & channel::Alpha)
            a = next();
        pixel = store(packArgb(a, r, g, b));
    }
    changed(rect());
}

void BitmapData::perlinNoise(const PerlinNoiseOptions& options) {
    if (m_disposed)
        return;
    const Lattice lattice(options.seed);
    const int32_t octaves = std::clamp(options.octaves, 0, PerlinNoiseOptions::MaxOctaves);
    double freqX = frequencyOf(options.baseX);
    double freqY = frequencyOf(options.baseY);
    Stitch stitch;
    if (options.stitch) {
        freqX = stitchFrequency(freqX, m_width);
        freqY = stitchFrequency(freqY, m_height);
        stitch.width = int64_t(m_width * freqX + 0.5);
        stitch.height = int64_t(m_height * freqY + 0.5);
        stitch.wrapX = int64_t(PerlinN) + stitch.width;
        stitch.wrapY = int64_t(PerlinN) + stitch.height;
    }
    std::vector<std::pair<double, double>> offsets(size_t(octaves), {0.0, 0.0});
    for (size_t i = 0; i < offsets.size() && i < options.offsets.size(); ++i)
        offsets[i] = {finiteOffset(options.offsets[i].first), finiteOffset(options.offsets[i].second)};

    // Noise channel k feeds colour channel k (red, green, blue, alpha); grey uses red's.
    const bool wanted[4] = {options.grayScale || (options.channels & channel::Red) != 0,
                            !options.grayScale && (options.channels & channel::Green) != 0,
                            !options.grayScale && (options.channels & channel::Blue) != 0,
                            (options.channels & channel::Alpha) != 0};
    auto channelValue = [&](int k, int32_t x, int32_t y) -> uint32_t {
        Stitch s = stitch;
        double sum = 0.0;
        double fx = freqX, fy = freqY, ratio = 1.0;
        for (int32_t o = 0; o < octaves; ++o) {
            double n = lattice.noise2(k, (x + offsets[size_t(o)].first) * fx, (y + offsets[size_t(o)].second) * fy,
                                      options.stitch ? &s : nullptr);
            sum += (options.fractalNoise ? n : std::fabs(n)) / ratio;
            fx *= 2.0;
            fy *= 2.0;
            ratio *= 2.0;
            s.width *= 2;
            s.height *= 2;
            s.wrapX = 2 * s.wrapX - int64_t(PerlinN);
            s.wrapY = 2 * s.wrapY - int64_t(PerlinN);
        }
        double v = options.fractalNoise ? (sum * 255.0 + 255.0) / 2.0 : sum * 255.0;
        return uint32_t(std::clamp(v, 0.0, 255.0));
    };
    for (int32_t y = 0; y < m_height; ++y) {
        uint32_t* row = &m_pixels[index(0, y)];
        for (int32_t x = 0; x < m_width; ++x) {
            uint32_t c[4] = {0, 0, 0, 255};
            for (int k = 0; k < 4; ++k)
                if (wanted[k])
                    c[k] = channelValue(k, x, y);
            if (options.grayScale)
                c[1] = c[2] = c[0];
            row[x] = store(packArgb(c[3], c[0], c[1], c[2]));
        }
    }
    changed(rect());
}

}  // namespace bitmap
