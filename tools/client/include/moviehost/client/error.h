#pragma once
// The error vocabulary of the parent side: an error code with a one-line
// message, and Expected<T>, a value-or-error for every call that can fail.

#include <moviehost/client/exit_status.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <variant>

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

[[nodiscard]] std::string_view toString(ErrorCode code);

struct Error {
    ErrorCode code{ErrorCode::SystemError};
    std::string message;                   // one line, no trailing newline
    std::optional<ExitStatus> exitStatus;  // set when the host had already ended
};

// Holds either a value or an Error. Reading the wrong side throws
// std::logic_error: that is a bug in the caller, never a host fault.
template <typename T>
class [[nodiscard]] Expected {
public:
    Expected(T value) : m_state(std::in_place_index<0>, std::move(value)) {}
    Expected(Error error) : m_state(std::in_place_index<1>, std::move(error)) {}

    [[nodiscard]] bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }

    [[nodiscard]] T& value() & {
        check(true);
        return std::get<0>(m_state);
    }
    [[nodiscard]] const T& value() const& {
        check(true);
        return std::get<0>(m_state);
    }
    [[nodiscard]] T&& value() && {
        check(true);
        return std::get<0>(std::move(m_state));
    }
    [[nodiscard]] const Error& error() const {
        check(false);
        return std::get<1>(m_state);
    }

    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }

private:
    void check(bool wantValue) const {
        if (ok() != wantValue)
            throw std::logic_error(wantValue ? "Expected: no value, the call failed: " + std::get<1>(m_state).message
                                             : "Expected: no error, the call succeeded");
    }

    std::variant<T, Error> m_state;
};

template <>
class [[nodiscard]] Expected<void> {
public:
    Expected() = default;
    Expected(Error error) : m_error(std::move(error)) {}

    [[nodiscard]] bool ok() const { return !m_error.has_value(); }
    explicit operator bool() const { return ok(); }

    [[nodiscard]] const Error& error() const {
        if (!m_error)
            throw std::logic_error("Expected: no error, the call succeeded");
        return *m_error;
    }

private:
    std::optional<Error> m_error;
};

using Status = Expected<void>;

}  // namespace moviehost::client
