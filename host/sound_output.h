// The movie's sound on a descriptor the parent chose (MOVIEHOST_AUDIO_FD=N):
// raw 16-bit little-endian stereo at 44,100 Hz, everything the control mixed
// for the frames shown so far, written just before each frame. The frame pipe
// is untouched. A write that fails (the reader closed its end) ends sound
// output; the host plays on.
#pragma once

#include "moviehost/movie_player.h"

#include "platform/types.h"

#include <memory>
#include <optional>
#include <string>

class SoundOutput {
public:
    static constexpr const char* Variable = "MOVIEHOST_AUDIO_FD";

    // The descriptor the variable's value names; nothing for no value (no
    // sound output). A value that is not a decimal number above 2 of an open
    // descriptor is refused with the reason in `refusal`.
    [[nodiscard]] static std::optional<int> ParseDescriptor(const char* value, std::string& refusal);

    // Takes the descriptor (checked open by ParseDescriptor); false when no
    // handle could be made for it.
    [[nodiscard]] bool Open(int descriptor) noexcept;
    [[nodiscard]] bool Active() const noexcept { return m_handle != nullptr; }

    // Asks the player's control for its sound. A control without any leaves
    // the output empty.
    void Start(IMoviePlayer* player) noexcept;
    // Writes what the control mixed since the last call.
    void Pump(IMoviePlayer* player) noexcept;

private:
    static constexpr LONG ChunkFrames = 4096;

    HANDLE m_handle = nullptr;
    std::unique_ptr<SHORT[]> m_samples;
    std::unique_ptr<BYTE[]> m_bytes;
};
