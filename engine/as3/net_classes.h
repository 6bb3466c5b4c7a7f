// The host's flash.net classes and functions (net_classes.cpp,
// shared_object_class.cpp) and flash.display's Loader (loader_classes.cpp),
// in declaration order.
#pragma once

#include "avm2/core_library.h"

#include <span>

namespace as3 {

[[nodiscard]] std::span<const avm2::CoreClassSpec> netClasses();
[[nodiscard]] std::span<const avm2::PackageFunction> netFunctions();
[[nodiscard]] std::span<const avm2::CoreClassSpec> sharedObjectClasses();
// LoaderInfo, Loader, AVM1Movie: after the display classes.
[[nodiscard]] std::span<const avm2::CoreClassSpec> loaderClasses();
// May the running code reach the content of this LoaderInfo (its movie's
// own, or one of another origin that allowed it)? False for other values.
[[nodiscard]] bool contentInReach(avm2::Machine& m, avm2::Value info);

}  // namespace as3
