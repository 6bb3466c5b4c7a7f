// The frame timer: every 30 ms (or at MOVIEHOST_FRAME_RATE) it lets the player draw what changed into the
// memory surface and writes the whole picture as one frame.
//
// A frame is written whole or not at all: everything that can fail without a
// write failing (the surface, the conversion buffer, the player's drawing) is
// done before the first byte of the header goes out.
#pragma once

#include "frame_geometry.h"
#include "host_failure.h"
#include "memory_surface.h"
#include "output_writer.h"
#include "sound_output.h"

#include "moviehost/movie_player.h"

#include "platform/types.h"

#include <moviehost/wire_protocol.h>

#include <memory>
#include <optional>
#include <string_view>

class FrameTimer {
public:
    static constexpr UINT PeriodMs = moviehost::wire::FramePeriodMs;

    FrameTimer(const FrameGeometry& geometry, OutputWriter& output, HostFailure& failure, DWORD hostThreadId) noexcept
        : m_geometry(geometry), m_output(output), m_failure(failure), m_hostThreadId(hostThreadId) {}
    ~FrameTimer();

    FrameTimer(const FrameTimer&) = delete;
    FrameTimer& operator=(const FrameTimer&) = delete;

    // Sets the thread timer on the calling thread, which must run a message
    // loop that dispatches its WM_TIMER; each tick (every `periodMs`) draws
    // `player` (borrowed). One frame timer per process. False when the timer
    // cannot be set.
    [[nodiscard]] bool Install(IMoviePlayer* player, UINT periodMs = PeriodMs) noexcept;
    // Kills the timer and forgets the player; no tick comes after this.
    void Uninstall() noexcept;

    // One tick: on the first, make the surface and paint it white; draw what
    // the player reports as changed; write the frame. A failure is recorded
    // and the host thread is asked to end.
    void Tick(IMoviePlayer* player) noexcept;

    // Sound written before each frame (borrowed; null: none).
    void SetSound(SoundOutput* sound) noexcept { m_sound = sound; }

    [[nodiscard]] const MemorySurface* Surface() const noexcept { return m_surface ? &*m_surface : nullptr; }

private:
    static void CALLBACK TimerProc(HWND, UINT, UINT_PTR, DWORD) noexcept;
    // Records the failure and asks the host thread to end.
    void Fail(ExitCode code, std::string_view text) noexcept;
    [[nodiscard]] bool Prepare() noexcept;

    FrameGeometry m_geometry;
    OutputWriter& m_output;
    HostFailure& m_failure;
    DWORD m_hostThreadId = 0;
    IMoviePlayer* m_player = nullptr;
    SoundOutput* m_sound = nullptr;
    UINT_PTR m_timerId = 0;
    std::optional<MemorySurface> m_surface;
    std::unique_ptr<BYTE[]> m_converted;
};
