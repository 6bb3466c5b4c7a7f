#pragma once
// How a host process ended, as the parent sees it through waitpid.

#include <string>

namespace moviehost::client {

struct ExitStatus {
    enum class Kind { Exited, Signaled };

    Kind kind{Kind::Exited};
    int value{0};  // the exit code, or the signal number for Kind::Signaled

    [[nodiscard]] static ExitStatus fromWaitStatus(int status);
    [[nodiscard]] bool success() const { return kind == Kind::Exited && value == 0; }
    // "exit status 3" or "killed by signal 9 (Killed)".
    [[nodiscard]] std::string describe() const;

    bool operator==(const ExitStatus&) const = default;
};

}  // namespace moviehost::client
