// The in-process server's entry points; everything else stays inside.
#include "control/class_factory.h"
#include "control/module_lock.h"

#define CONTROL_EXPORT extern "C" __attribute__((visibility("default")))

CONTROL_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    return control::ClassFactory::getClassObject(rclsid, riid, ppv);
}

// S_OK once no control, factory or server lock is alive.
CONTROL_EXPORT HRESULT DllCanUnloadNow() { return control::moduleInUse() ? S_FALSE : S_OK; }
