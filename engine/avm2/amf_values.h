// Script objects' members to and from the AMF graph (engine/amf), for the
// host's classes that store or send them (SharedObject). Shared and cyclic
// objects stay shared through the graph's references; depth is bounded.
#pragma once

#include "amf/amf0.h"

#include "avm2/machine.h"

namespace avm2 {

// The object's public variables and enumerable dynamic properties.
[[nodiscard]] amf::Members membersToAmf(Machine& m, Object* o, amf::Graph& graph);
// Sets each member on `into` as a dynamic property.
void membersFromAmf(Machine& m, const amf::Graph& graph, const amf::Members& members, Object* into);

}  // namespace avm2
