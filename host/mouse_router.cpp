#include "mouse_router.h"

#include <moviehost/wire_protocol.h>

MousePosition MousePosition::FromLParam(LPARAM lParam) noexcept {
    const auto word = static_cast<std::uint32_t>(lParam);
    return {static_cast<LONG>(moviehost::wire::mouseX(word)), static_cast<LONG>(moviehost::wire::mouseY(word))};
}

int RouteMouse(IMoviePlayer* player, UINT message, WPARAM, LPARAM lParam) {
    if (!player)
        return 0;
    const MousePosition at = MousePosition::FromLParam(lParam);
    constexpr LONG LeftButton = 0;
    switch (message) {
    case WM_MOUSEMOVE:
        static_cast<void>(player->MoveMouse(at.x, at.y));
        break;
    case WM_LBUTTONDOWN:
        static_cast<void>(player->ChangeMouseButton(at.x, at.y, LeftButton, true));
        break;
    case WM_LBUTTONUP:
        static_cast<void>(player->ChangeMouseButton(at.x, at.y, LeftButton, false));
        break;
    default:
        break;
    }
    return 0;
}
