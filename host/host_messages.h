// The thread messages that end the host thread's loop, and the mouse messages
// it routes. Records arrive from the parent with these numbers and are posted
// unchanged, so the wire's numbers and the platform's must agree.
#pragma once

#include "platform/types.h"

#include <moviehost/wire_protocol.h>

// The two keep the names the host has always given them.
// NOLINTBEGIN(readability-identifier-naming)
// Writes the end marker, then ends the loop.
inline constexpr UINT FINISH_MESSAGE = moviehost::wire::Finish;
// Ends the loop without writing anything. Every condition that ends the host
// on its own (parent gone, standard output unwritable) arrives as this.
inline constexpr UINT QUIT_MESSAGE = moviehost::wire::Quit;
// NOLINTEND(readability-identifier-naming)

static_assert(FINISH_MESSAGE == WM_USER + 1000 && QUIT_MESSAGE == WM_USER + 1001);
static_assert(moviehost::wire::MouseMove == WM_MOUSEMOVE && moviehost::wire::LeftButtonDown == WM_LBUTTONDOWN &&
              moviehost::wire::LeftButtonUp == WM_LBUTTONUP);
