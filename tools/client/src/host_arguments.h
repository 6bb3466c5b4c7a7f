#pragma once
// What every start of a host checks and passes, whatever the system.

#include <moviehost/client/host_process.h>

#include <optional>
#include <string>
#include <vector>

namespace moviehost::client::detail {

// Why the options cannot start a host (a frame size the protocol cannot
// carry, a timeout that is not positive), or nothing.
[[nodiscard]] std::optional<Error> refuseOptions(const HostOptions& options);

// The host's argument vector: the movie stands first, where the program
// path normally does, then width, height and the parent's process id.
[[nodiscard]] std::vector<std::string> argumentsFor(const HostOptions& options, ProcessId self);

}  // namespace moviehost::client::detail
