#include "host_failure.h"

#include "platform/kernel.h"

#include <string>

void WriteErrorLine(std::string_view text) noexcept {
    try {
        std::string line = "moviehost: ";
        line.append(text);
        line.push_back('\n');
        const HANDLE errors = GetStdHandle(STD_ERROR_HANDLE);
        if (errors && errors != INVALID_HANDLE_VALUE)
            static_cast<void>(WriteFile(errors, line.data(), static_cast<DWORD>(line.size()), nullptr, nullptr));
    } catch (...) {
        // Out of memory for the line itself: the exit status still tells.
    }
}

void HostFailure::Record(ExitCode code, std::string_view text) noexcept {
    if (Failed() || code == ExitCode::Success)
        return;
    m_code = code;
    WriteErrorLine(text);
}
