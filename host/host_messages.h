// The thread messages that end the host thread's loop.
#pragma once

#include "platform/types.h"

// Writes the end marker, then ends the loop.
inline constexpr UINT FINISH_MESSAGE = WM_USER + 1000;  // 2024
// Ends the loop without writing anything. Every condition that ends the host
// on its own (parent gone, standard output unwritable) arrives as this.
inline constexpr UINT QUIT_MESSAGE = WM_USER + 1001;  // 2025

static_assert(FINISH_MESSAGE == 2024 && QUIT_MESSAGE == 2025);
