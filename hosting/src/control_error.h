// Turning failed control calls into the COM error exception.
//
// Every error that leaves the hosting library is raised here, so one
// breakpoint catches them all.
#pragma once

#include "platform/com.h"
#include "platform/com_error.h"

namespace moviehost {

// Throws _com_error(hr) for a failed call on `control`. The control's error
// object joins the exception only when the control says, through
// ISupportErrorInfo, that it reports errors for IShockwaveFlash; otherwise
// (or without ISupportErrorInfo) the exception carries none.
[[noreturn]] void RaiseControlError(HRESULT hr, IUnknown* control);

// Throws _com_error(E_OUTOFMEMORY) without an error object: a string for or
// from the control could not be allocated.
[[noreturn]] void RaiseOutOfMemory();

// Raises for a negative result; success codes (S_FALSE included) pass.
inline void CheckControlResult(HRESULT hr, IUnknown* control) {
    if (FAILED(hr))
        RaiseControlError(hr, control);
}

}  // namespace moviehost
