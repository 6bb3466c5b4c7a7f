// Mouse and keyboard input, turned into the window messages a window would
// have received and handed to the windowless control.
#include "movie_player.h"

#include "platform/user.h"

#include <iterator>

namespace moviehost {

namespace {

struct ButtonMessages {
    DWORD flag;
    UINT down;
    UINT up;
};

constexpr ButtonMessages kButtons[] = {
    {MK_LBUTTON, WM_LBUTTONDOWN, WM_LBUTTONUP},
    {MK_RBUTTON, WM_RBUTTONDOWN, WM_RBUTTONUP},
    {MK_MBUTTON, WM_MBUTTONDOWN, WM_MBUTTONUP},
};

// The low 16 bits of x in the low half, of y in the high half; never sign
// extended.
LPARAM PositionWord(LONG x, LONG y) noexcept { return MAKELPARAM(x, y); }

}  // namespace

// The held buttons, plus Ctrl and Shift as the local keyboard has them now.
WPARAM CMoviePlayer::MouseKeyState(DWORD extra) const {
    DWORD state = m_mouseButtons | extra;
    if (GetAsyncKeyState(VK_CONTROL) != 0)
        state |= MK_CONTROL;
    if (GetAsyncKeyState(VK_SHIFT) != 0)
        state |= MK_SHIFT;
    return static_cast<WPARAM>(state);
}

// A control that offered no windowless object cannot take input.
HRESULT CMoviePlayer::SendToControl(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!m_windowless)
        return E_FAIL;
    LRESULT ignored = 0;
    return m_windowless->OnWindowMessage(message, wParam, lParam, &ignored);
}

HRESULT CMoviePlayer::MoveMouse(LONG x, LONG y) {
    const HRESULT hr = SendToControl(WM_MOUSEMOVE, MouseKeyState(0), PositionWord(x, y));
    m_mouse = POINT{x, y};
    return hr;
}

// No check against the previous state: a repeated press or a release without
// a press is sent all the same.
HRESULT CMoviePlayer::ChangeMouseButton(LONG x, LONG y, LONG button, bool down) {
    m_mouse = POINT{x, y};
    if (button < 0 || button >= static_cast<LONG>(std::size(kButtons)))
        return E_INVALIDARG;
    const ButtonMessages& messages = kButtons[button];
    if (down)
        m_mouseButtons |= messages.flag;
    else
        m_mouseButtons &= ~messages.flag;
    return SendToControl(down ? messages.down : messages.up, MouseKeyState(0), PositionWord(x, y));
}

// The pointer does not move: the message carries the last known position.
HRESULT CMoviePlayer::TurnMouseWheel(LONG delta) {
    const DWORD deltaWord = static_cast<DWORD>(static_cast<WORD>(delta)) << 16;
    return SendToControl(WM_MOUSEWHEEL, MouseKeyState(deltaWord), PositionWord(m_mouse.x, m_mouse.y));
}

HRESULT CMoviePlayer::ChangeKey(bool down, DWORD keyCode, DWORD keyData) {
    return SendToControl(down ? WM_KEYDOWN : WM_KEYUP, static_cast<WPARAM>(keyCode), static_cast<LPARAM>(keyData));
}

HRESULT CMoviePlayer::TypeChar(DWORD charCode, DWORD keyData) {
    return SendToControl(WM_CHAR, static_cast<WPARAM>(charCode), static_cast<LPARAM>(keyData));
}

}  // namespace moviehost
