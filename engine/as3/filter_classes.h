// flash.filters for ActionScript 3 over the shared filter model
// (swf::Filter), which the renderer draws for both script machines. A
// filter's settings are ordinary properties of its instance (but for a
// displacement's checked mode); `filters` copies them both ways, and a
// displacement's map stays shared with the script's bitmap.
#pragma once

#include "avm2/core_library.h"
#include "avm2/machine.h"

#include "swf/filter.h"

#include <optional>
#include <span>

namespace as3 {

// A filter object's content; none for anything that is no filter.
[[nodiscard]] std::optional<swf::Filter> readFilter(avm2::Machine& m, avm2::Value v);
// A new filter object for the content; undefined for kinds without a class here.
[[nodiscard]] avm2::Value newFilter(avm2::Machine& m, const swf::Filter& filter);
[[nodiscard]] std::span<const avm2::CoreClassSpec> filterClasses();

}  // namespace as3
