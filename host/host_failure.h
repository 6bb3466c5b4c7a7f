// How the host reports a failure: one line on standard error and a non-zero
// exit status. The first failure sticks, so one cause gives one line however
// many calls fail after it.
#pragma once

#include "exit_code.h"

#include <string_view>

class HostFailure {
public:
    // Writes "moviehost: <text>" and a newline to standard error unless a
    // failure was recorded before; later ones change nothing.
    void Record(ExitCode code, std::string_view text) noexcept;

    [[nodiscard]] bool Failed() const noexcept { return m_code != ExitCode::Success; }
    [[nodiscard]] ExitCode Code() const noexcept { return m_code; }

private:
    ExitCode m_code = ExitCode::Success;
};

// One line on standard error, prefixed with the program's name. Used directly
// only where no host state exists yet.
void WriteErrorLine(std::string_view text) noexcept;
