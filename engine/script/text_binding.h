// Text fields bound to a variable show its value. A field whose variable
// does not exist yet gives it the field's initial text once; after that the
// field follows the variable (undefined shows as empty).
#pragma once

namespace script {

class Runtime;

// Brings every bound field on the stage up to date.
void syncBoundText(Runtime& rt);

}  // namespace script
