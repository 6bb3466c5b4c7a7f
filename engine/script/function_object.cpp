// Function objects.
#include "script/function_object.h"

namespace script {

void ScriptFunction::traceRefs(std::vector<Object*>& out) const {
    Object::traceRefs(out);
    for (Object* o : m_scope)
        out.push_back(o);
    if (m_target)
        out.push_back(m_target);
}

}  // namespace script
