#pragma once
// One capture from start to end: check the movie, start the host, send the
// scripted input, hand each frame to the sink, and end the host properly
// (end marker, then its exit status).

#include "capture_options.h"
#include "exit_code.h"
#include "frame_sink.h"
#include "sound_sink.h"

#include <filesystem>
#include <string>

namespace moviecapture {

struct CaptureOutcome {
    ExitCode code{ExitCode::Success};
    std::string message;  // one line for standard error when code is not Success
};

// With `sound` the host is asked for the movie's sound, and after each frame
// the sound up to that frame goes there.
[[nodiscard]] CaptureOutcome runCapture(const CaptureOptions& options, const std::filesystem::path& hostProgram,
                                        FrameSink& sink, SoundSink* sound = nullptr);

}  // namespace moviecapture
