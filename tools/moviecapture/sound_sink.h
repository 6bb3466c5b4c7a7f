#pragma once
// Where captured sound goes: 44,100 Hz stereo, signed 16-bit, left then
// right, handed over as the host delivers it (after each frame).

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace moviecapture {

class SoundSink {
public:
    virtual ~SoundSink() = default;
    // Returns a message when the sound was not stored.
    [[nodiscard]] virtual std::optional<std::string> writeSound(std::span<const std::int16_t> samples) = 0;
};

// Hands the same sound to several sinks (the video and a WAV file), each
// borrowed; the first message ends the write.
class SoundTee final : public SoundSink {
public:
    void add(SoundSink* sink) { m_sinks.push_back(sink); }
    [[nodiscard]] bool empty() const { return m_sinks.empty(); }
    [[nodiscard]] std::optional<std::string> writeSound(std::span<const std::int16_t> samples) override {
        for (SoundSink* sink : m_sinks) {
            if (auto failed = sink->writeSound(samples))
                return failed;
        }
        return std::nullopt;
    }

private:
    std::vector<SoundSink*> m_sinks;
};

}  // namespace moviecapture
