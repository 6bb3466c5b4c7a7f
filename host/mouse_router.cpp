#include "mouse_router.h"

MousePosition MousePosition::FromLParam(LPARAM lParam) noexcept {
    const auto word = static_cast<DWORD>(lParam);
    return {static_cast<LONG>(word & 0xFFFFu), static_cast<LONG>(word >> 16)};
}

int RouteMouse(IMoviePlayer* player, UINT message, WPARAM, LPARAM lParam) {
    if (!player)
        return 0;
    const MousePosition at = MousePosition::FromLParam(lParam);
    constexpr LONG kLeftButton = 0;
    switch (message) {
    case WM_MOUSEMOVE:
        static_cast<void>(player->MoveMouse(at.x, at.y));
        break;
    case WM_LBUTTONDOWN:
        static_cast<void>(player->ChangeMouseButton(at.x, at.y, kLeftButton, true));
        break;
    case WM_LBUTTONUP:
        static_cast<void>(player->ChangeMouseButton(at.x, at.y, kLeftButton, false));
        break;
    default:
        break;
    }
    return 0;
}
