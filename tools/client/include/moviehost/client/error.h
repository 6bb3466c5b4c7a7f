#pragma once
// The error vocabulary of the parent side: an error code with a one-line
// message. Every call that can fail returns moviehost::Expected with it.

#include <moviehost/client/exit_status.h>
#include <moviehost/expected.h>

#include <optional>
#include <string>
#include <string_view>

namespace moviehost::client {

enum class ErrorCode {
    InvalidArgument,      // a request the protocol cannot carry (a bad frame size...)
    HostMissing,          // the host program does not exist or cannot be executed
    StartFailed,          // pipes or process creation failed for another reason
    HostEnded,            // the host's output ended before a complete message
    MalformedStream,      // a header or trailing bytes the protocol does not allow
    UnexpectedEndMarker,  // an end marker where a frame was expected
    Timeout,              // the host did not answer in time
    HostGone,             // the host no longer reads its input
    SystemError,          // any other operating-system failure
};

[[nodiscard]] constexpr std::string_view toString(ErrorCode code) {
    switch (code) {
    case ErrorCode::InvalidArgument:
        return "invalid argument";
    case ErrorCode::HostMissing:
        return "host missing";
    case ErrorCode::StartFailed:
        return "start failed";
    case ErrorCode::HostEnded:
        return "host ended";
    case ErrorCode::MalformedStream:
        return "malformed stream";
    case ErrorCode::UnexpectedEndMarker:
        return "unexpected end marker";
    case ErrorCode::Timeout:
        return "timeout";
    case ErrorCode::HostGone:
        return "host gone";
    case ErrorCode::SystemError:
        return "system error";
    }
    return "unknown error";
}

struct Error {
    ErrorCode code{ErrorCode::SystemError};
    std::string message;                   // one line, no trailing newline
    std::optional<ExitStatus> exitStatus;  // set when the host had already ended
};

// The parent side's results: the house's Expected with this Error.
template <typename T>
using Expected = moviehost::Expected<T, Error>;
using Status = moviehost::Expected<void, Error>;

}  // namespace moviehost::client
