#include "sound_output.h"

#include "moviehost/movie_sound.h"

#include "platform/kernel.h"

#include <cstdint>
#include <cstdlib>
#include <new>

std::optional<int> SoundOutput::ParseDescriptor(const char* value, std::string& refusal) {
    if (value == nullptr || *value == 0)
        return std::nullopt;
    long number = 0;
    bool digits = true;
    for (const char* c = value; *c != 0 && digits; ++c) {
        digits = *c >= '0' && *c <= '9' && number < 1'000'000;
        number = number * 10 + (*c - '0');
    }
    // 0, 1 and 2 are the input records, the frames and the error lines.
    if (!digits || number < 3) {
        refusal = std::string(Variable) + " must name a descriptor number above 2, not \"" + value + "\"";
        return std::nullopt;
    }
    if (_get_osfhandle(static_cast<int>(number)) == -1) {
        refusal = std::string(Variable) + "=" + value + " names no open descriptor";
        return std::nullopt;
    }
    return static_cast<int>(number);
}

bool SoundOutput::Open(int descriptor) noexcept {
    const intptr_t handle = _get_osfhandle(descriptor);
    m_samples.reset(new (std::nothrow) SHORT[2 * ChunkFrames]);
    m_bytes.reset(new (std::nothrow) BYTE[4 * ChunkFrames]);
    if (handle == -1 || !m_samples || !m_bytes)
        return false;
    m_handle = reinterpret_cast<HANDLE>(handle);
    return true;
}

void SoundOutput::Start(IMoviePlayer* player) noexcept {
    if (Active())
        static_cast<void>(StartMovieSound(player));
}

void SoundOutput::Pump(IMoviePlayer* player) noexcept {
    while (Active()) {
        const LONG frames = ReadMovieSound(player, m_samples.get(), ChunkFrames);
        if (frames <= 0)
            return;
        // Little-endian on the wire whatever the machine's order.
        for (LONG i = 0; i < 2 * frames; ++i) {
            const auto sample = static_cast<std::uint16_t>(m_samples[i]);
            m_bytes[2 * i] = static_cast<BYTE>(sample & 0xFF);
            m_bytes[2 * i + 1] = static_cast<BYTE>(sample >> 8);
        }
        const auto count = static_cast<DWORD>(4 * frames);
        DWORD written = 0;
        if (!WriteFile(m_handle, m_bytes.get(), count, &written, nullptr) || written != count)
            m_handle = nullptr;  // the reader is gone: sound output ends, the host does not
    }
}
