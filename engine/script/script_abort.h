// The exception that stops every script up to the engine's entry point: a
// limit was reached or the action bytes cannot be run. Script code cannot
// catch it (Try only catches thrown values, see interpreter.h).
#pragma once

#include "script/host.h"
#include "script/string.h"

#include <string>

namespace script {

struct ScriptAbort {
    ScriptError error;
};

// The messages are the engine's own ASCII text.
[[noreturn]] inline void abortScript(ScriptErrorKind kind, std::string_view message) {
    throw ScriptAbort{{kind, utf8ToUtf16(message)}};
}

}  // namespace script
