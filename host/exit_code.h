// The host's exit statuses. A parent sees the end of the frame stream either
// way; the status tells it why.
#pragma once

enum class ExitCode : int {
    Success = 0,        // also a wrong argument count, a lost parent, a closed output
    ControlFailed = 1,  // a call into the player raised the COM error exception
    BadFrameSize = 2,   // width or height not positive, or a frame too large
    BadSetting = 2,     // an environment variable of ours with a value we refuse
    OutOfMemory = 3,    // the memory surface or the conversion buffer could not be made
    SystemFailure = 4,  // the frame timer or the input thread could not be started
    NoControl = 5,      // no movie control could be created
};

[[nodiscard]] constexpr int ToStatus(ExitCode code) noexcept { return static_cast<int>(code); }
