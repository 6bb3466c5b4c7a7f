// The host thread's loop on the virtual clock: frames back to back, paced
// only by the parent's reading. For output frame k (from 0) the clock moves
// to ceil(k * 1000 / rate) ms, every thread timer due by then fires in time
// order (the control's playback among them), the records for frame k + 1
// are applied (see record_inbox.h), and the frame is drawn and written.
#pragma once

#include "host_state.h"

// Runs until a Finish record (after writing the end marker), a Quit record,
// QUIT_MESSAGE, WM_QUIT, or a recorded failure.
void RunVirtualFrameLoop(HostState& host) noexcept;
