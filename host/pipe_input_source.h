// The input channel as the host sees it: its standard input pipe, polled, and
// the parent process handle.
#pragma once

#include "record_reader.h"

#include <atomic>

class PipeInputSource final : public InputSource {
public:
    // How long to wait when the pipe is empty, and after a pass that gave
    // up (failed look, parent gone).
    static constexpr DWORD kPauseMs = 10;

    // `parent` may be null: then there is no parent to wait for, which counts
    // as the parent having ended.
    PipeInputSource(HANDLE input, HANDLE parent, const std::atomic<bool>& stop) noexcept
        : m_input(input), m_parent(parent), m_stop(stop) {}

    [[nodiscard]] bool StopRequested() noexcept override;
    [[nodiscard]] bool ParentEnded() noexcept override;
    [[nodiscard]] std::optional<DWORD> Available() noexcept override;
    [[nodiscard]] DWORD Read(BYTE* into, DWORD count) noexcept override;
    void Pause() noexcept override;

private:
    HANDLE m_input = nullptr;
    HANDLE m_parent = nullptr;
    const std::atomic<bool>& m_stop;
};
