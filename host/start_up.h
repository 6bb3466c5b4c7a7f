// Bringing the host up: a player with its movie playing, the frame timer and
// the input thread.
#pragma once

#include "host_state.h"

// True when everything runs. False when no player could be made or a step
// failed; the failure is then recorded and a player that was made stays in
// `host.player` for the shutdown to give back.
[[nodiscard]] bool StartUp(HostState& host) noexcept;

// After the loop (or a failed start-up): stops the movie, gives the player
// back to the loader and stops the input thread. False when the input thread
// would not stop; the process must then leave without static destruction.
[[nodiscard]] bool ShutDown(HostState& host) noexcept;
