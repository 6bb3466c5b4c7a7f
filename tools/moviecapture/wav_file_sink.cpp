#include "wav_file_sink.h"

#include <array>
#include <vector>

namespace moviecapture {

namespace {

constexpr std::uint32_t Rate = 44100;
constexpr std::uint16_t Channels = 2;
constexpr std::uint16_t Bits = 16;

void put(std::vector<char>& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>(value >> (8 * i)));
}

std::vector<char> header(std::uint32_t dataBytes) {
    std::vector<char> h;
    for (char c : std::string_view("RIFF"))
        h.push_back(c);
    put(h, 36 + dataBytes, 4);
    for (char c : std::string_view("WAVEfmt "))
        h.push_back(c);
    put(h, 16, 4);
    put(h, 1, 2);  // PCM
    put(h, Channels, 2);
    put(h, Rate, 4);
    put(h, Rate * Channels * Bits / 8, 4);
    put(h, Channels * Bits / 8, 2);
    put(h, Bits, 2);
    for (char c : std::string_view("data"))
        h.push_back(c);
    put(h, dataBytes, 4);
    return h;
}

}  // namespace

std::optional<std::string> WavFileSink::open() {
    m_file.open(m_path, std::ios::binary | std::ios::trunc);
    const auto h = header(0);
    if (!m_file || !m_file.write(h.data(), static_cast<std::streamsize>(h.size())))
        return "cannot write " + m_path.string();
    return std::nullopt;
}

std::optional<std::string> WavFileSink::writeSound(std::span<const std::int16_t> samples) {
    if (!m_file.is_open())
        return "the sound file is not open";
    std::vector<char> bytes;
    bytes.reserve(samples.size() * 2);
    for (std::int16_t s : samples)
        put(bytes, static_cast<std::uint16_t>(s), 2);
    const std::uint64_t room = MaxDataBytes - m_dataBytes;
    const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(bytes.size() / 4 * 4, room / 4 * 4));
    if (!m_file.write(bytes.data(), static_cast<std::streamsize>(count)))
        return "cannot write " + m_path.string();
    m_dataBytes += count;
    return std::nullopt;
}

std::optional<std::string> WavFileSink::close() {
    if (!m_file.is_open())
        return std::nullopt;
    const auto h = header(static_cast<std::uint32_t>(m_dataBytes));
    m_file.seekp(0);
    m_file.write(h.data(), static_cast<std::streamsize>(h.size()));
    m_file.close();
    if (!m_file)
        return "cannot finish " + m_path.string();
    return std::nullopt;
}

}  // namespace moviecapture
