// Script values to AMF0 graphs and back, for shared objects. Functions and
// movie clips are not data and are left out; getters are not run. Arrays
// travel as ECMA arrays (indices and named members), dates as dates.
#pragma once

#include "script/value.h"

#include "amf/amf0.h"

#include <optional>
#include <string>

namespace script {

class Runtime;
class Object;

// The enumerable data members of `object`; nullopt (with a reason) when the
// data is nested deeper than the encoding allows.
[[nodiscard]] std::optional<amf::Members> membersToAmf(Runtime& rt, Object* object, amf::Graph& graph,
                                                       std::string& reason);
// Script values for decoded members, put on `object`.
void membersFromAmf(Runtime& rt, const amf::Graph& graph, const amf::Members& members, Object* object);

}  // namespace script
