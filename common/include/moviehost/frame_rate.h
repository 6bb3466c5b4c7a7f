#pragma once
// Frame rates as exact fractions, so that a schedule built from one never
// drifts: frame k is due at ceil(k * 1000 * den / num) ms, computed anew for
// every k rather than by adding rounded periods. The host's output rate and
// the control's playback rate both come through here, so equal rates give
// equal schedules to the millisecond.

#include <cstdint>
#include <numeric>
#include <optional>
#include <string_view>

namespace moviehost {

class FrameRate {
public:
    // The range a rate may take: slower than one frame in 100 s or faster
    // than one a millisecond is no frame rate anyone means.
    static constexpr double MinFramesPerSecond = 0.01;
    static constexpr double MaxFramesPerSecond = 1000.0;
    // Rates this close to n * 1000 / 1001 (the NTSC family) are that exactly:
    // 23.976, 29.97 and 59.94 as typed, and their nearest 8.8 values in a
    // movie's header (which are off by up to 1/512).
    static constexpr double NtscTolerance = 0.002;
    // Keeps every product in millisecondsAt within 64 bits.
    static constexpr std::uint64_t MaxDenominator = 1'000'000;

    // num / den frames per second; both are kept reduced.
    [[nodiscard]] static constexpr FrameRate fromFraction(std::uint64_t num, std::uint64_t den) {
        const std::uint64_t common = std::gcd(num, den);
        return common ? FrameRate(num / common, den / common) : FrameRate(num, den);
    }

    // The interval the host has always used, 30 ms.
    [[nodiscard]] static constexpr FrameRate defaultHostRate() { return fromFraction(100, 3); }

    // A decimal number of frames per second as typed: digits, optionally a
    // point and up to eight more digits, within the range above, whose exact
    // fraction has a denominator of at most MaxDenominator (any six-place
    // decimal has, and so has every 8.8 header rate: 10.1015625 is 1293/128).
    // Nothing for anything else (signs, exponents, spaces, an empty text).
    [[nodiscard]] static std::optional<FrameRate> parseDecimal(std::string_view text) {
        constexpr std::size_t MaxFractionDigits = 8;
        constexpr std::uint64_t MaxWhole = 1000;
        std::uint64_t whole = 0;
        std::uint64_t fraction = 0;
        std::uint64_t scale = 1;
        std::size_t at = 0;
        std::size_t wholeDigits = 0;
        for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, ++wholeDigits) {
            whole = whole * 10 + static_cast<std::uint64_t>(text[at] - '0');
            if (whole > MaxWhole)
                return std::nullopt;
        }
        std::size_t fractionDigits = 0;
        if (at < text.size() && text[at] == '.') {
            for (++at; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at, ++fractionDigits) {
                if (fractionDigits == MaxFractionDigits)
                    return std::nullopt;
                fraction = fraction * 10 + static_cast<std::uint64_t>(text[at] - '0');
                scale *= 10;
            }
            if (fractionDigits == 0)
                return std::nullopt;
        }
        if (at != text.size() || wholeDigits + fractionDigits == 0)
            return std::nullopt;
        const FrameRate rate = fromFraction(whole * scale + fraction, scale);
        if (rate.m_den > MaxDenominator)
            return std::nullopt;
        const double value = rate.framesPerSecond();
        if (!(value >= MinFramesPerSecond && value <= MaxFramesPerSecond))
            return std::nullopt;
        return rate.snapped();
    }

    // A movie header's 8.8 fixed-point rate; 0 (a movie that names none)
    // plays at `fallback` frames per second.
    [[nodiscard]] static constexpr FrameRate fromFixed88(std::uint16_t raw, std::uint64_t fallback = 12) {
        if (raw == 0)
            return fromFraction(fallback, 1);
        return fromFraction(raw, 256).snapped();
    }

    [[nodiscard]] constexpr std::uint64_t numerator() const { return m_num; }
    [[nodiscard]] constexpr std::uint64_t denominator() const { return m_den; }
    [[nodiscard]] constexpr double framesPerSecond() const {
        return static_cast<double>(m_num) / static_cast<double>(m_den);
    }

    // When frame `k` (from 0) is due, in whole milliseconds from the start:
    // ceil(k * 1000 * den / num). Split at whole multiples of num so that no
    // product leaves 64 bits for any k a run can reach.
    [[nodiscard]] constexpr std::uint64_t millisecondsAt(std::uint64_t k) const {
        if (m_num == 0)
            return 0;  // no rate: nothing is ever later than the start
        const std::uint64_t cycles = k / m_num;
        const std::uint64_t rest = k % m_num;
        const std::uint64_t restMs = (rest * 1000 * m_den + m_num - 1) / m_num;
        return cycles * 1000 * m_den + restMs;
    }

    constexpr bool operator==(const FrameRate&) const = default;

private:
    constexpr FrameRate(std::uint64_t num, std::uint64_t den) : m_num(num), m_den(den) {}

    [[nodiscard]] constexpr FrameRate snapped() const {
        constexpr std::uint64_t Family[] = {24, 30, 48, 60, 120, 240};
        const double value = framesPerSecond();
        for (const std::uint64_t n : Family) {
            const double ntsc = static_cast<double>(n) * 1000.0 / 1001.0;
            const double distance = value > ntsc ? value - ntsc : ntsc - value;
            if (distance < NtscTolerance)
                return fromFraction(n * 1000, 1001);
        }
        return *this;
    }

    std::uint64_t m_num = 1;
    std::uint64_t m_den = 1;
};

}  // namespace moviehost
