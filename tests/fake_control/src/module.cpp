// The in-process server entry points of the fake control module.
#include "fake_control/fake_control.h"

// Windows exports through the module's .def file.
#ifdef _WIN32
#define FAKE_CONTROL_EXPORT
#else
#define FAKE_CONTROL_EXPORT __attribute__((visibility("default")))
#endif

extern "C" FAKE_CONTROL_EXPORT HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    return fake_control::FakeControl::getClassObject(rclsid, riid, ppv);
}

// Objects may be alive in the host at any time; the module never asks to go.
extern "C" FAKE_CONTROL_EXPORT HRESULT DllCanUnloadNow() { return S_FALSE; }
