// Everything the host process keeps from its entry to its end. It lives in
// the entry's frame, so all of it is gone before static destruction tears the
// loader down. Only the host thread touches it, except the input thread's own
// shared part (the host thread id and the parent handle, fixed before it
// starts).
#pragma once

#include "clock_settings.h"
#include "frame_geometry.h"
#include "frame_timer.h"
#include "host_failure.h"
#include "input_thread.h"
#include "output_writer.h"
#include "sound_output.h"

#include "moviehost/movie_loader.h"

#include "platform/kernel.h"
#include "platform/types.h"

struct HostState {
    // `movieLocation` is borrowed from the argument vector; `parent` may be
    // empty. With `clock.virtualClock` the process must already be on the
    // virtual clock.
    HostState(LPCWSTR movieLocation, const FrameGeometry& geometry, platform::ScopedHandle parent, DWORD hostThreadId,
              IMovieLoader* loader, HANDLE output, const ClockSettings& clock = {})
        : movieLocation(movieLocation),
          geometry(geometry),
          clock(clock),
          parent(std::move(parent)),
          hostThreadId(hostThreadId),
          loader(loader),
          output(output, hostThreadId),
          frameTimer(geometry, this->output, failure, hostThreadId),
          inputThread(hostThreadId, this->parent.get(), clock.virtualClock) {}

    LPCWSTR movieLocation = nullptr;
    FrameGeometry geometry;
    ClockSettings clock;
    platform::ScopedHandle parent;
    DWORD hostThreadId = 0;
    IMovieLoader* loader = nullptr;
    IMoviePlayer* player = nullptr;
    HostFailure failure;
    OutputWriter output;
    SoundOutput sound;  // inactive unless the parent asked for it
    FrameTimer frameTimer;
    // Last, so it stops before anything it uses goes away.
    InputThread inputThread;
};
