// The in-process server entry points of the fake control module.
#include "fake_control/fake_control.h"

extern "C" __attribute__((visibility("default"))) HRESULT DllGetClassObject(REFCLSID rclsid, REFIID riid, LPVOID* ppv) {
    return fake_control::FakeControl::getClassObject(rclsid, riid, ppv);
}

// Objects may be alive in the host at any time; the module never asks to go.
extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() { return S_FALSE; }
