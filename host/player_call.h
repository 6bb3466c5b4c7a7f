// Every player operation the host calls goes through CallPlayer, so that an
// exception never unwinds through the platform's message dispatch or out of
// the entry. A COM error ends the host in order instead: the failure is
// recorded (one line naming the result code), and the loop stops.
#pragma once

#include "host_failure.h"

#include "platform/com_error.h"

#include <exception>
#include <new>
#include <string>

// "0x80004005"
[[nodiscard]] std::string ResultCodeText(HRESULT hr);

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
