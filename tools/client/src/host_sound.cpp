// The host's sound pipe: drained into memory whenever frames are awaited.

#include <moviehost/client/host_process.h>

#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>

namespace moviehost::client {

void HostProcess::drainSound() {
    std::array<std::uint8_t, 64 * 1024> chunk{};
    while (m_sound) {
        const ssize_t n = ::read(m_sound.get(), chunk.data(), chunk.size());
        if (n > 0) {
            m_soundBytes.insert(m_soundBytes.end(), chunk.begin(), chunk.begin() + n);
            if (m_soundBytes.size() > SoundKeptBytes) {
                // Whole frames go, so the samples stay in step.
                const std::size_t excess = (m_soundBytes.size() - SoundKeptBytes + 3) / 4 * 4;
                m_soundBytes.erase(m_soundBytes.begin(), m_soundBytes.begin() + static_cast<std::ptrdiff_t>(excess));
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        m_sound.reset();  // the host closed it, or it failed: no more sound
    }
}

void HostProcess::takeSound(std::vector<std::int16_t>& into) {
    drainSound();
    const std::size_t whole = m_soundBytes.size() / 4 * 4;
    into.reserve(into.size() + whole / 2);
    for (std::size_t i = 0; i < whole; i += 2)
        into.push_back(static_cast<std::int16_t>(m_soundBytes[i] | m_soundBytes[i + 1] << 8));
    m_soundBytes.erase(m_soundBytes.begin(), m_soundBytes.begin() + static_cast<std::ptrdiff_t>(whole));
}

}  // namespace moviehost::client
