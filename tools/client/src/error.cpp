#include <moviehost/client/error.h>

namespace moviehost::client {

std::string_view toString(ErrorCode code) {
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

}  // namespace moviehost::client
