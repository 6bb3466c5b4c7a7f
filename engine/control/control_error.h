// Error information for every failure of the control: the thread's error
// object carries a clear text and the control's name as its source, so that a
// host that asks ISupportErrorInfo (we answer yes for IShockwaveFlash) can
// show what went wrong.
#pragma once

#include "platform/com.h"

#include <string>
#include <string_view>

namespace control {

// The name the error objects give as their source: the control's program id.
inline constexpr std::u16string_view kErrorSource = u"ShockwaveFlash.ShockwaveFlash";

// A Win32 error code as a result code (the platform's HRESULT_FROM_WIN32).
[[nodiscard]] constexpr HRESULT resultFromWin32(DWORD error) noexcept {
    return static_cast<HRESULT>(0x80070000u | (error & 0xFFFFu));
}

// Result codes of our own failures, beyond the common ones.
inline constexpr HRESULT kFileNotFound = resultFromWin32(2);   // ERROR_FILE_NOT_FOUND
inline constexpr HRESULT kAccessDenied = resultFromWin32(5);   // ERROR_ACCESS_DENIED
inline constexpr HRESULT kBadFormat = resultFromWin32(11);     // ERROR_BAD_FORMAT
inline constexpr HRESULT kReadFault = resultFromWin32(30);     // ERROR_READ_FAULT
inline constexpr HRESULT kNotSupported = resultFromWin32(50);  // ERROR_NOT_SUPPORTED

// A failure on its way to the caller: the code and the text for the error
// object.
struct Failure {
    HRESULT code = E_FAIL;
    std::u16string text;
};

// Sets the calling thread's error object (interface IShockwaveFlash, source
// kErrorSource, the description) and returns `code`. Every failing member
// returns through here, so one breakpoint catches them all. When the error
// object cannot be made the code is still returned.
HRESULT reportError(HRESULT code, std::u16string_view description) noexcept;

inline HRESULT reportError(const Failure& failure) noexcept { return reportError(failure.code, failure.text); }

// E_NOTIMPL with "<member> is not implemented" as the description.
HRESULT notImplemented(std::u16string_view member) noexcept;

// The one guard at the COM boundary. Every COM member of the control is a
// function-try-block whose handler returns through here, so no C++
// exception leaves a member: std::bad_alloc becomes E_OUTOFMEMORY, anything
// else E_FAIL, both with error information naming the member. Call it only
// from a catch handler. (AddRef and Release cannot throw: they are noexcept.)
HRESULT failureFromException(std::u16string_view member) noexcept;

}  // namespace control
