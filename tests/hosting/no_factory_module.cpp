// A loadable library without DllGetClassObject: a control library that is
// not one.
#include "platform/types.h"

extern "C" __attribute__((visibility("default"))) int HostingTestModuleMarker() { return 1; }
