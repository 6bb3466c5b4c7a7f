#include "control_error.h"

#include "moviehost/flash_contract.h"

namespace moviehost {

namespace {

// The thread's error object, when the control vouches that it describes a
// failure of IShockwaveFlash. A stale object left by someone else must not
// be attached to our error, hence the question first.
platform::ComPtr<IErrorInfo> ControlErrorInfo(IUnknown* control) {
    platform::ComPtr<IErrorInfo> info;
    if (control == nullptr)
        return info;
    platform::ComPtr<ISupportErrorInfo> support;
    if (FAILED(control->QueryInterface(IID_ISupportErrorInfo, support.receive_void())) || !support)
        return info;
    const HRESULT supported = support->InterfaceSupportsErrorInfo(IID_IShockwaveFlash);
    support.reset();
    if (supported != S_OK)
        return info;
    if (FAILED(GetErrorInfo(0, info.receive())))
        info.reset();
    return info;
}

}  // namespace

void RaiseControlError(HRESULT hr, IUnknown* control) {
    platform::ComPtr<IErrorInfo> info = ControlErrorInfo(control);
    // The exception takes over the reference.
    throw _com_error(hr, info.release());
}

void RaiseOutOfMemory() { throw _com_error(E_OUTOFMEMORY); }

}  // namespace moviehost
