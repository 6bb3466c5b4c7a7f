// The exception that stops every script up to the engine's entry point: a
// limit was reached or the action bytes cannot be run. Script code cannot
// catch it (Try only catches thrown values, see interpreter.h).
#pragma once

#include "script/host.h"

#include <string_view>

namespace script {

struct ScriptAbort {
    ScriptError error;
};

// The messages are the engine's own ASCII text. Out of line and cold, so
// that the hot paths that may stop (push, chargeAction) stay small.
[[noreturn, gnu::cold]] void abortScript(ScriptErrorKind kind, std::string_view message);

}  // namespace script
