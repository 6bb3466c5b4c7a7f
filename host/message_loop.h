// The host thread's message loop.
#pragma once

#include "host_state.h"

// Runs until FINISH_MESSAGE (after writing the end marker), QUIT_MESSAGE,
// WM_QUIT, or a recorded failure. Mouse messages go to the player; everything
// else, the frame timer's WM_TIMER included, is dispatched.
void RunMessageLoop(HostState& host) noexcept;
