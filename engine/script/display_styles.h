// The display properties of Flash 8 on movie clips (and buttons):
// filters, blendMode, cacheAsBitmap, opaqueBackground, scrollRect and
// transform; and the flash.filters classes that `filters` takes and gives.
//
// The properties belong to movies of version 8 and later; older ones keep
// the names for their own members. Filters are copied both ways, as the player does: assigning an array
// stores what its filter objects hold at that moment, reading gives new
// filter objects. Entries that are not filters are skipped.
#pragma once

#include "script/value.h"

#include "swf/filter.h"
#include "swf/types.h"

#include <optional>
#include <string_view>
#include <vector>

namespace script {

class Runtime;
class StageObject;

// "multiply" or 3: Multiply; unknown names and numbers: Normal.
[[nodiscard]] swf::BlendMode blendModeFromValue(Runtime& rt, const Value& v);
[[nodiscard]] std::u16string_view blendModeName(swf::BlendMode mode);

// The property when `name` is one of them (undefined for a detached object).
[[nodiscard]] std::optional<Value> getDisplayStyle(Runtime& rt, StageObject& object, std::u16string_view name);
// True when `name` is one of them (the value was applied or refused).
bool setDisplayStyle(Runtime& rt, StageObject& object, std::u16string_view name, const Value& value);

// A filter object's content; none for anything that is no filter.
[[nodiscard]] std::optional<swf::Filter> readFilter(Runtime& rt, const Value& v);
[[nodiscard]] Value newFilter(Runtime& rt, const swf::Filter& filter);

void installFilters(Runtime& rt);  // flash.filters

}  // namespace script
