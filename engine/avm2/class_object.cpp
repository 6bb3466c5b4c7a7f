#include "avm2/class_object.h"

namespace avm2 {

// Class objects take dynamic properties (runtimes add constants to Math).
ClassObject::ClassObject(Object* proto, Parts parts)
    : Object(proto, parts.staticTraits.get(), nullptr, true), m_parts(std::move(parts)) {}

std::u16string ClassObject::displayName() const {
    std::u16string out;
    if (m_parts.name.ns && !m_parts.name.ns->uri().empty())
        out = m_parts.name.ns->uri() + u"::";
    if (m_parts.name.name)
        out += m_parts.name.name->text();
    return out;
}

void ClassObject::trace(Tracer& tracer) const {
    Object::trace(tracer);
    tracer.cell(m_parts.base);
    tracer.cell(m_parts.prototype);
    tracer.cell(m_parts.name.ns);
    tracer.cell(m_parts.name.name);
    for (const ClassObject* i : m_parts.interfaces)
        tracer.cell(i);
    tracer.values(m_parts.instanceTraits->slotDefaults);
    tracer.values(m_parts.staticTraits->slotDefaults);
    tracer.values(m_scope);
    tracer.values(m_staticScope);
}

std::u16string classNameOf(Value v) {
    if (v.isObject()) {
        Object* o = v.asObject();
        if (auto* c = dynamic_cast<ClassObject*>(o))
            return c->displayName() + u"$";
        // The most derived class: interfaces follow each class in the list.
        if (o->traits()) {
            const auto& types = o->traits()->types;
            for (auto it = types.rbegin(); it != types.rend(); ++it) {
                const auto* c = static_cast<const ClassObject*>(*it);
                if (!c->isInterface())
                    return c->displayName();
            }
        }
        return u"Object";
    }
    switch (v.tag()) {
    case Tag::String:
        return u"String";
    case Tag::Boolean:
        return u"Boolean";
    case Tag::Int:
        return u"int";
    case Tag::UInt:
        return u"uint";
    case Tag::Number:
        return u"Number";
    case Tag::Null:
        return u"null";
    default:
        return u"void";
    }
}

void MethodClosure::trace(Tracer& tracer) const {
    Object::trace(tracer);
    tracer.value(m_receiver);
    tracer.cell(m_owner);
}

}  // namespace avm2
