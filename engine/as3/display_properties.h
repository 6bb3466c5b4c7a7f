// DisplayObject's members over the model object (see display_properties.cpp).
#pragma once

#include "avm2/core_library.h"

#include <span>

namespace as3 {

[[nodiscard]] std::span<const avm2::NativeAccessor> displayObjectAccessors();
[[nodiscard]] std::span<const avm2::NativeMember> displayObjectMethods();

}  // namespace as3
