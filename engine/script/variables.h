// Variables by name and by path, as GetVariable / SetVariable and the
// host's GetVariable / SetVariable see them:
//   "name"          the scope chain (With objects, locals, the timeline or
//                   the function's defining chain), then _global
//   "/a/b:name"     a variable of the clip at a slash path ("a/b:name",
//   "_root.a:name"  "../a:name" relative to the current target; dot paths
//                   before the colon too)
//   "a.b.name"      the first part through the scope chain, then members
//   "/a/b"          (GetVariable) the clip itself
// Special names: this, _root, _level0, _global, _levelN (none). Names
// compare without ASCII case up to SWF 6.
#pragma once

#include "script/frame.h"
#include "script/value.h"

#include <string_view>

namespace script {

class Runtime;

[[nodiscard]] Value getVariable(Runtime& rt, Frame& f, std::u16string_view name);
void setVariable(Runtime& rt, Frame& f, std::u16string_view name, const Value& value);
// DefineLocal: a local of the running function, or a variable of the
// timeline for timeline code.
void defineLocal(Runtime& rt, Frame& f, std::u16string_view name, const Value& value);
// Delete2: removes the variable from the first scope that has it.
bool deleteVariable(Runtime& rt, Frame& f, std::u16string_view name);
// The object a plain call of a function found under `name` runs with as
// `this` (the object whose scope held it, or the timeline).
[[nodiscard]] Value thisForCall(Runtime& rt, Frame& f, std::u16string_view name);

// A clip named by a target value: a clip object, or a slash or dot path
// relative to `base` (the root when null). Null when it names none.
[[nodiscard]] StageObject* resolveTarget(Runtime& rt, StageObject* base, const Value& target);
[[nodiscard]] StageObject* resolveTargetPath(Runtime& rt, StageObject* base, std::u16string_view path);

// A frame for host calls and callbacks: timeline code of `clip`.
[[nodiscard]] Frame timelineFrame(Runtime& rt, StageObject* clip);

}  // namespace script
