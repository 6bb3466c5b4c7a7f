// The host thread's message loop.
#pragma once

#include "host_state.h"

#include "platform/types.h"

// Runs until FINISH_MESSAGE (after writing the end marker), QUIT_MESSAGE,
// WM_QUIT, or a recorded failure. Mouse messages go to the player; everything
// else, the frame timer's WM_TIMER included, is dispatched.
void RunMessageLoop(HostState& host) noexcept;

// One message (or, with the virtual clock, one record) as the loop treats
// it. False when the loop must end.
[[nodiscard]] bool HandleMessage(HostState& host, const MSG& msg) noexcept;
