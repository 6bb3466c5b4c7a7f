// Mouse messages from the parent, handed to the player.
#pragma once

#include "moviehost/movie_player.h"

#include "platform/types.h"

// Mouse position of a record's lParam: x in its low 16 bits, y in the next 16,
// both unsigned, so nothing is sign-extended.
struct MousePosition {
    LONG x = 0;
    LONG y = 0;

    [[nodiscard]] static MousePosition FromLParam(LPARAM lParam) noexcept;
};

// WM_MOUSEMOVE moves the mouse; WM_LBUTTONDOWN and WM_LBUTTONUP press and
// release the left button. wParam is not used; any other message and a null
// player do nothing. Returns 0. The player's own result is not looked at,
// and what it raises passes through.
int RouteMouse(IMoviePlayer* player, UINT message, WPARAM wParam, LPARAM lParam);
