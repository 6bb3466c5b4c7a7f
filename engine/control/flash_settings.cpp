// Settings a container makes and reads back. Movies come only from local
// files and load nothing from the network, so these change nothing else:
// in particular script access is kept but not enforced, and a movie's
// fscommand and ExternalInterface calls always reach the container.
#include "control/flash_control.h"

#include "control/bstr_text.h"
#include "control/control_error.h"

namespace control {

HRESULT FlashControl::get_EmbedMovie(VARIANT_BOOL* pVal) try {
    if (pVal == nullptr)
        return reportError(E_POINTER, u"EmbedMovie needs a place for the result");
    *pVal = m_embedMovie ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
} catch (...) {
    return failureFromException(u"get_EmbedMovie");
}

HRESULT FlashControl::put_EmbedMovie(VARIANT_BOOL pVal) try {
    m_embedMovie = pVal != VARIANT_FALSE;
    return S_OK;
} catch (...) {
    return failureFromException(u"put_EmbedMovie");
}

HRESULT FlashControl::get_AllowScriptAccess(BSTR* pVal) try {
    return returnBstr(m_allowScriptAccess, pVal, u"AllowScriptAccess");
} catch (...) {
    return failureFromException(u"get_AllowScriptAccess");
}

// "always", "sameDomain" or "never" by convention; kept as given.
HRESULT FlashControl::put_AllowScriptAccess(BSTR pVal) try {
    try {
        m_allowScriptAccess = std::u16string(bstrView(pVal));
        if (m_scriptHost)
            m_scriptHost->setAllowScriptAccess(m_allowScriptAccess);
    } catch (...) {
        return reportError(E_OUTOFMEMORY, u"AllowScriptAccess: out of memory");
    }
    return S_OK;
} catch (...) {
    return failureFromException(u"put_AllowScriptAccess");
}

HRESULT FlashControl::DisableLocalSecurity() try {
    m_localSecurityDisabled = true;
    return S_OK;
} catch (...) {
    return failureFromException(u"DisableLocalSecurity");
}

HRESULT FlashControl::EnforceLocalSecurity() try {
    m_localSecurityDisabled = false;
    return S_OK;
} catch (...) {
    return failureFromException(u"EnforceLocalSecurity");
}

}  // namespace control
