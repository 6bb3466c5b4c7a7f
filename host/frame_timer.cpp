#include "frame_timer.h"

#include "host_messages.h"
#include "pixel_conversion.h"
#include "player_call.h"

#include "platform/user.h"

#include <new>

namespace {

// The timer procedure has no context argument; this is how it finds the one
// frame timer of the process.
FrameTimer* g_installedTimer = nullptr;

}  // namespace

FrameTimer::~FrameTimer() { Uninstall(); }

void FrameTimer::Uninstall() noexcept {
    if (m_timerId)
        KillTimer(nullptr, m_timerId);
    m_timerId = 0;
    m_player = nullptr;
    if (g_installedTimer == this)
        g_installedTimer = nullptr;
}

bool FrameTimer::Install(IMoviePlayer* player, UINT periodMs) noexcept {
    if (g_installedTimer && g_installedTimer != this)
        return false;
    m_player = player;
    m_timerId = SetTimer(nullptr, 0, periodMs, &FrameTimer::TimerProc);
    if (!m_timerId)
        return false;
    g_installedTimer = this;
    return true;
}

void CALLBACK FrameTimer::TimerProc(HWND, UINT, UINT_PTR, DWORD) noexcept {
    if (g_installedTimer)
        g_installedTimer->Tick(g_installedTimer->m_player);
}

void FrameTimer::Fail(ExitCode code, std::string_view text) noexcept {
    m_failure.Record(code, text);
    PostThreadMessageW(m_hostThreadId, QUIT_MESSAGE, 0, 0);
}

bool FrameTimer::Prepare() noexcept {
    if (!m_surface) {
        m_surface = MemorySurface::Create(m_geometry);
        if (!m_surface) {
            Fail(ExitCode::OutOfMemory, "cannot create the memory surface for the frame");
            return false;
        }
    }
    if (!m_converted) {
        m_converted.reset(new (std::nothrow) BYTE[m_geometry.PixelBytes()]);
        if (!m_converted) {
            Fail(ExitCode::OutOfMemory, "cannot allocate the conversion buffer for the frame");
            return false;
        }
    }
    return true;
}

void FrameTimer::Tick(IMoviePlayer* player) noexcept {
    if (m_failure.Failed() || !Prepare())
        return;

    if (player) {
        const RECT* first = nullptr;
        LONG count = 0;
        bool dirty = false;
        const bool drawn = CallPlayer(m_failure, "CollectDirtyRects",
                                      [&] { dirty = player->CollectDirtyRects(nullptr, &first, &count); }) &&
                           (!dirty || CallPlayer(m_failure, "DrawDirtyRegion",
                                                 [&] { player->DrawDirtyRegion(m_surface->Context()); }));
        if (!drawn) {
            PostThreadMessageW(m_hostThreadId, QUIT_MESSAGE, 0, 0);
            return;
        }
    }

    // The frame's sound goes out before the frame itself.
    if (player && m_sound)
        m_sound->Pump(player);
    ConvertFrame(m_surface->Pixels(), m_converted.get(), static_cast<std::size_t>(m_geometry.Width()),
                 static_cast<std::size_t>(m_geometry.Height()));
    static_cast<void>(m_output.WriteFrame(m_geometry, m_converted.get()));
}
