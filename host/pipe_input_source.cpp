#include "pipe_input_source.h"

#include "platform/kernel.h"

bool PipeInputSource::StopRequested() noexcept { return m_stop.load(std::memory_order_acquire); }

bool PipeInputSource::ParentEnded() noexcept {
    // Only a signalled handle means the parent ended; a failed wait counts
    // as the parent being alive.
    return !m_parent || WaitForSingleObject(m_parent, 0) == WAIT_OBJECT_0;
}

std::optional<DWORD> PipeInputSource::Available() noexcept {
    BYTE peeked = 0;
    DWORD available = 0;
    if (!PeekNamedPipe(m_input, &peeked, 1, nullptr, &available, nullptr))
        return std::nullopt;
    return available;
}

DWORD PipeInputSource::Read(BYTE* into, DWORD count) noexcept {
    DWORD got = 0;
    if (!ReadFile(m_input, into, count, &got, nullptr))
        return 0;
    return got;
}

void PipeInputSource::Pause() noexcept { Sleep(kPauseMs); }
