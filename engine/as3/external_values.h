// Values of the machine as they cross to the container (the call-exchange
// format of ExternalInterface) and back. Arrays become arrays, other objects
// their own dynamic properties; functions, cycles and trees deeper than
// MaxExternalDepth become null.
#pragma once

#include "avm2/machine.h"

#include "script/external_value.h"

namespace as3 {

[[nodiscard]] script::ExternalValue toExternal(avm2::Machine& m, avm2::Value v);
// Makes heap objects: run inside an entry.
[[nodiscard]] avm2::Value fromExternal(avm2::Machine& m, const script::ExternalValue& v);

}  // namespace as3
