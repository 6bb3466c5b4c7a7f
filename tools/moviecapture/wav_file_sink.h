#pragma once
// --audio FILE.wav: the captured sound alone, as a 16-bit stereo 44,100 Hz
// WAV file. The sizes in its header are filled in when it closes.

#include "sound_sink.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

namespace moviecapture {

class WavFileSink final : public SoundSink {
public:
    explicit WavFileSink(std::filesystem::path path) : m_path(std::move(path)) {}

    [[nodiscard]] std::optional<std::string> open();
    [[nodiscard]] std::optional<std::string> writeSound(std::span<const std::int16_t> samples) override;
    // Writes the final sizes; a message when the file is not complete.
    [[nodiscard]] std::optional<std::string> close();

    // A WAV file's data cannot pass 4 GiB; sound past that is left out.
    static constexpr std::uint64_t MaxDataBytes = 0xFFFFFFFFull - 36;

private:
    std::filesystem::path m_path;
    std::ofstream m_file;
    std::uint64_t m_dataBytes = 0;
};

}  // namespace moviecapture
