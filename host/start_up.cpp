#include "start_up.h"

#include "player_call.h"

#include "platform/wide.h"

#include <new>

bool StartUp(HostState& host) noexcept {
    const FrameGeometry& size = host.geometry;
    if (!CallPlayer(host.failure, "NewPlayer",
                    [&] { host.player = host.loader->NewPlayer(size.Width(), size.Height()); }))
        return false;
    if (!host.player) {
        host.failure.Record(ExitCode::NoControl,
                            "no movie control could be created (none is registered and flash10c.ocx "
                            "was not found next to the host)");
        return false;
    }
    host.sound.Start(host.player);
    host.frameTimer.SetSound(&host.sound);
    // A movie that does not open still gives frames: the control's own picture.
    bool opened = false;
    if (!CallPlayer(host.failure, "OpenMovie", [&] { opened = host.player->OpenMovie(host.movieLocation); }))
        return false;
    // Said once, so a parent learns why the frames stay empty.
    if (!opened) {
        try {
            WriteErrorLine("moviehost: the movie cannot be opened: " + platform::utf16_to_utf8(host.movieLocation));
        } catch (const std::bad_alloc&) {
            WriteErrorLine("moviehost: the movie cannot be opened");
        }
    }
    if (!CallPlayer(host.failure, "PlayMovie", [&] { host.player->PlayMovie(); }))
        return false;
    // On the virtual clock the loop draws each frame itself.
    if (!host.clock.virtualClock && !host.frameTimer.Install(host.player, host.clock.WallPeriodMs())) {
        host.failure.Record(ExitCode::SystemFailure, "cannot set the frame timer");
        return false;
    }
    if (!host.inputThread.Start()) {
        host.failure.Record(ExitCode::SystemFailure, "cannot start the input thread");
        return false;
    }
    return true;
}

bool ShutDown(HostState& host) noexcept {
    host.frameTimer.Uninstall();
    if (host.player) {
        // After a failure the control may fail again; only the first is told.
        static_cast<void>(CallPlayer(host.failure, "HaltMovie", [&] { host.player->HaltMovie(); }));
        IMoviePlayer* player = host.player;
        host.player = nullptr;
        static_cast<void>(CallPlayer(host.failure, "DeletePlayer", [&] { host.loader->DeletePlayer(player); }));
    }
    return host.inputThread.Stop();
}
