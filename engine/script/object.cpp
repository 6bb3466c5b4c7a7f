// Object data, the small object kinds and what script functions keep alive.
#include "script/object.h"

#include "script/function_object.h"

namespace script {

void Object::traceRefs(std::vector<Object*>& out) const {
    if (m_proto)
        out.push_back(m_proto);
    for (const Property& p : m_properties.entries()) {
        if (Object* o = p.value.asObject())
            out.push_back(o);
        if (p.getter)
            out.push_back(p.getter);
        if (p.setter)
            out.push_back(p.setter);
    }
    if (m_interfaces) {
        for (Object* o : *m_interfaces)
            out.push_back(o);
    }
}

void Object::setInterfaces(std::vector<Object*> list) {
    m_interfaces = std::make_unique<std::vector<Object*>>(std::move(list));
}

std::optional<Value> PrimitiveObject::getBuiltin(Runtime&, std::u16string_view name) {
    if (objectClass() == ObjectClass::StringWrapper && namesMatch(name, u"length", caseSensitive()))
        return Value(double(m_primitive.asString().size()));
    return std::nullopt;
}

void SuperObject::traceRefs(std::vector<Object*>& out) const {
    Object::traceRefs(out);
    if (m_self)
        out.push_back(m_self);
    if (m_home)
        out.push_back(m_home);
}

void ScriptFunction::traceRefs(std::vector<Object*>& out) const {
    Object::traceRefs(out);
    for (Object* o : m_scope)
        out.push_back(o);
    if (m_target)
        out.push_back(m_target);
}

}  // namespace script
