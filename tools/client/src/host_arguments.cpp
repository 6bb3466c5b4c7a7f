#include "host_arguments.h"

namespace moviehost::client::detail {

std::optional<Error> refuseOptions(const HostOptions& options) {
    if (!isValidFrameSize(options.width, options.height))
        return Error{ErrorCode::InvalidArgument,
                     "frame size " + std::to_string(options.width) + "x" + std::to_string(options.height) +
                         " is not allowed (each side 1 to " + std::to_string(MaxFrameSide) + ", at most " +
                         std::to_string(MaxFrameBytes >> 20) + " MiB of pixels)",
                     std::nullopt};
    if (options.timeout <= std::chrono::milliseconds::zero())
        return Error{ErrorCode::InvalidArgument, "the timeout must be positive", std::nullopt};
    return std::nullopt;
}

std::vector<std::string> argumentsFor(const HostOptions& options, ProcessId self) {
    if (options.arguments)
        return *options.arguments;
    return {options.movie, std::to_string(options.width), std::to_string(options.height),
            std::to_string(options.parentPid.value_or(self))};
}

}  // namespace moviehost::client::detail
