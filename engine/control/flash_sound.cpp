// IMovieSoundOutput: the mixed sound, for a host that asked for it.
#include "control/flash_control.h"

#include "control/control_error.h"

namespace control {

// Every movie from now on keeps its sound for ReadSound, the current one from
// its next mix.
HRESULT FlashControl::StartSoundOutput() try {
    m_soundOutput = true;
    if (m_sound)
        m_sound->startOutput();
    return S_OK;
} catch (...) {
    return failureFromException(u"StartSoundOutput");
}

HRESULT FlashControl::ReadSound(SHORT* samples, ULONG maxFrames, ULONG* framesRead) try {
    if (framesRead == nullptr || (samples == nullptr && maxFrames > 0))
        return reportError(E_POINTER, u"ReadSound needs a place for the samples and their count");
    *framesRead = 0;
    if (!m_sound || maxFrames == 0)
        return S_OK;
    *framesRead = ULONG(m_sound->readOutput({samples, size_t(maxFrames) * media::OutputChannels}));
    return S_OK;
} catch (...) {
    return failureFromException(u"ReadSound");
}

}  // namespace control
