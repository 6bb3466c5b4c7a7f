// Every player operation the host calls goes through CallPlayer, so that an
// exception never unwinds through the platform's message dispatch or out of
// the entry. A COM error ends the host in order instead: the failure is
// recorded (one line naming the result code), and the loop stops.
#pragma once

#include "host_failure.h"

#include "platform/com_error.h"

#include <cstdint>
#include <exception>
#include <new>
#include <string>

// "0x80004005"
[[nodiscard]] inline std::string ResultCodeText(HRESULT hr) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    const auto value = static_cast<std::uint32_t>(hr);
    std::string text = "0x";
    for (int shift = static_cast<int>(8 * sizeof value) - 4; shift >= 0; shift -= 4)
        text.push_back(Digits[(value >> shift) & 0xF]);
    return text;
}

// Runs `operation`; true when it returned normally. `name` is the player
// operation, for the message.
template <typename Operation>
bool CallPlayer(HostFailure& failure, const char* name, Operation&& operation) noexcept {
    try {
        operation();
        return true;
    } catch (const _com_error& error) {
        try {
            failure.Record(ExitCode::ControlFailed,
                           std::string(name) + " failed with COM error " + ResultCodeText(error.Error()));
        } catch (...) {
            failure.Record(ExitCode::ControlFailed, "a player operation failed with a COM error");
        }
    } catch (const std::bad_alloc&) {
        failure.Record(ExitCode::OutOfMemory, "out of memory in a player operation");
    } catch (...) {
        failure.Record(ExitCode::ControlFailed, "a player operation raised an unexpected exception");
    }
    return false;
}
