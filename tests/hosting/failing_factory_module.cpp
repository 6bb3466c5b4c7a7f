// A loadable library whose class object refuses every class, and that counts
// how often it was asked.
#include "platform/com.h"

namespace {

int g_requests = 0;

}  // namespace

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID, REFIID, LPVOID* ppv) {
    ++g_requests;
    if (ppv != nullptr)
        *ppv = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
}

extern "C" __attribute__((visibility("default"))) int ClassObjectRequests() { return g_requests; }
