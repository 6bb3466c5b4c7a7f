// The script level: variables, timeline properties, calling frames, and the
// call exchange with the container. The movie's ActionScript does not run
// yet, so these answer E_NOTIMPL (with error information) and the actions a
// frame queues are dropped after each step, which keeps the queue from
// growing while a movie loops.
#include "control/flash_control.h"

#include "control/control_error.h"

namespace control {

void FlashControl::runPendingActions()
{
    if (m_stage)
        (void)m_stage->takePendingActions();
}

HRESULT FlashControl::SetVariable(BSTR, BSTR) { return notImplemented(u"SetVariable"); }

HRESULT FlashControl::GetVariable(BSTR, BSTR* pVal)
{
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"GetVariable");
}

HRESULT FlashControl::TSetProperty(BSTR, INT, BSTR) { return notImplemented(u"TSetProperty"); }

HRESULT FlashControl::TGetProperty(BSTR, INT, BSTR* pVal)
{
    if (pVal != nullptr)
        *pVal = nullptr;
    return notImplemented(u"TGetProperty");
}

HRESULT FlashControl::TCallFrame(BSTR, INT) { return notImplemented(u"TCallFrame"); }

HRESULT FlashControl::TCallLabel(BSTR, BSTR) { return notImplemented(u"TCallLabel"); }

HRESULT FlashControl::TSetPropertyNum(BSTR, INT, DOUBLE) { return notImplemented(u"TSetPropertyNum"); }

HRESULT FlashControl::TGetPropertyNum(BSTR, INT, DOUBLE* pVal)
{
    if (pVal != nullptr)
        *pVal = 0.0;
    return notImplemented(u"TGetPropertyNum");
}

HRESULT FlashControl::TGetPropertyAsNumber(BSTR, INT, DOUBLE* pVal)
{
    if (pVal != nullptr)
        *pVal = 0.0;
    return notImplemented(u"TGetPropertyAsNumber");
}

HRESULT FlashControl::CallFunction(BSTR, BSTR* response)
{
    if (response != nullptr)
        *response = nullptr;
    return notImplemented(u"CallFunction");
}

HRESULT FlashControl::SetReturnValue(BSTR) { return notImplemented(u"SetReturnValue"); }

}  // namespace control
