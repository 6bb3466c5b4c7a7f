// The host's exit statuses. A parent sees the end of the frame stream either
// way; the status tells it why.
#pragma once

enum class ExitCode : int {
    Success = 0,          // also a wrong argument count, a lost parent, a closed output
    ControlFailed = 1,    // a call into the player raised the COM error exception
    BadFrameSize = 2,     // width or height not positive, or a frame too large
    BadClockSetting = 2,  // a MOVIEHOST_ clock variable with a value it cannot take
    BadSetting = 2,       // another variable of ours (MOVIEHOST_AUDIO_FD) with a value we refuse
    OutOfMemory = 3,      // the memory surface or the conversion buffer could not be made
    SystemFailure = 4,    // the frame timer or the input thread could not be started
    NoControl = 5,        // no movie control could be created
};

[[nodiscard]] constexpr int ToStatus(ExitCode code) noexcept { return static_cast<int>(code); }
