// The host process: plays one movie for a parent process and streams its
// frames on standard output until the parent ends it or goes away.
//
//   <movie location> <width> <height> <parent process id>
//
// The movie location stands where the program path normally does: the parent
// starts the host with it as the first token of the command line.
//
// MOVIEHOST_AUDIO_FD=N (optional) names an inherited descriptor for the
// movie's sound (see sound_output.h).
#include "clock_settings.h"
#include "frame_geometry.h"
#include "host_failure.h"
#include "host_state.h"
#include "message_loop.h"
#include "sound_output.h"
#include "start_up.h"
#include "virtual_frame_loop.h"

#include "moviehost/movie_loader.h"

#include "platform/kernel.h"
#include "platform/virtual_clock.h"
#include "platform/wide.h"

#include <cstdlib>
#include <new>
#include <optional>
#include <string>
#include <vector>

// The platform's entry point keeps its name.
// NOLINTNEXTLINE(readability-identifier-naming)
int wmain(int argc, WCHAR** argv) {
    if (argc != 4)
        return ToStatus(ExitCode::Success);

    const LPCWSTR movieLocation = argv[0];
    const LONG width = _wtoi(argv[1]);
    const LONG height = _wtoi(argv[2]);
    const std::optional<FrameGeometry> geometry = FrameGeometry::From(width, height);
    if (!geometry) {
        WriteErrorLine(FrameGeometry::RefusalText(width, height));
        return ToStatus(ExitCode::BadFrameSize);
    }
    const moviehost::Expected<ClockSettings, std::string> clock = ClockSettings::FromEnvironment();
    if (!clock) {
        WriteErrorLine(clock.error());
        return ToStatus(ExitCode::BadClockSetting);
    }
    // Before anything reads the time or sets a timer.
    if (clock->virtualClock)
        platform::UseVirtualClock(static_cast<long long>(clock->epochSeconds) * 1000);

    std::string soundRefusal;
    const std::optional<int> soundDescriptor =
        SoundOutput::ParseDescriptor(std::getenv(SoundOutput::Variable), soundRefusal);
    if (!soundRefusal.empty()) {
        WriteErrorLine(soundRefusal);
        return ToStatus(ExitCode::BadSetting);
    }
    // An id that names no process gives no handle; the input thread then ends
    // the host on its first pass.
    platform::ScopedHandle parent(OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(_wtoi(argv[3]))));

    HostState host(movieLocation, *geometry, std::move(parent), GetCurrentThreadId(), GetMovieLoader(),
                   GetStdHandle(STD_OUTPUT_HANDLE), *clock);
    if (soundDescriptor && !host.sound.Open(*soundDescriptor)) {
        WriteErrorLine("cannot write sound to the descriptor MOVIEHOST_AUDIO_FD names");
        return ToStatus(ExitCode::BadSetting);
    }
    if (StartUp(host)) {
        if (clock->virtualClock)
            RunVirtualFrameLoop(host);
        else
            RunMessageLoop(host);
    }
    const bool stopped = ShutDown(host);
    const int status = ToStatus(host.failure.Code());
    // A thread still inside a read must not meet static destruction.
    if (!stopped)
        std::_Exit(status);
    return status;
}

#ifndef _WIN32

// The platform's arguments arrive as UTF-8; the host works in UTF-16.
int main(int argc, char** argv) {
    std::vector<platform::WideString> arguments;
    std::vector<WCHAR*> pointers;
    try {
        arguments.reserve(static_cast<std::size_t>(argc));
        for (int i = 0; i < argc; ++i)
            arguments.push_back(platform::utf8_to_utf16(argv[i]));
        for (platform::WideString& argument : arguments)
            pointers.push_back(argument.data());
        pointers.push_back(nullptr);
    } catch (const std::bad_alloc&) {
        WriteErrorLine("out of memory reading the command line");
        return ToStatus(ExitCode::OutOfMemory);
    }
    return wmain(argc, pointers.data());
}

#endif
