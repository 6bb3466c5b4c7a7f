#pragma once
// moviecapture's exit statuses; --help lists them.

namespace moviecapture {

enum class ExitCode : int {
    Success = 0,
    Failure = 1,  // anything not listed below (out of memory, a failed system call)
    BadArguments = 2,
    MovieMissing = 3,
    HostMissing = 4,     // not found, not executable, or could not be started
    HostEndedEarly = 5,  // the host ended or stopped reading before the capture was done
    MalformedStream = 6,
    OutputFailed = 7,  // the output folder, a PNG file or standard output
    HostTimeout = 8,   // the host stopped answering
};

}  // namespace moviecapture
