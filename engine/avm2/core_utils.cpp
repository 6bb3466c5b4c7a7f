// flash.utils: getQualifiedClassName, getQualifiedSuperclassName and
// getDefinitionByName.
#include "avm2/conversions.h"
#include "avm2/core_library.h"

#include <cmath>

namespace avm2 {

ClassObject* classOfValue(Machine& m, Value v) {
    switch (v.tag()) {
    case Tag::Boolean:
        return m.coreClass(u"Boolean");
    case Tag::Int:
        return m.coreClass(u"int");
    case Tag::UInt:
        return m.coreClass(v.asUInt() <= 0x7FFFFFFF ? u"int" : u"Number");
    case Tag::Number: {
        const double d = v.asDouble();
        const bool integral =
            d == std::trunc(d) && d >= -2147483648.0 && d <= 2147483647.0 && !(d == 0 && std::signbit(d));
        return m.coreClass(integral ? u"int" : u"Number");
    }
    case Tag::String:
        return m.coreClass(u"String");
    case Tag::Object: {
        Object* o = v.asObject();
        if (auto* c = dynamic_cast<ClassObject*>(o))
            return c;
        for (Object* p = o->proto(); p; p = p->proto()) {
            const Value* ctor = p->findOwn(u"constructor");
            if (auto* c = ctor && ctor->isObject() ? dynamic_cast<ClassObject*>(ctor->asObject()) : nullptr)
                return c;
        }
        return m.coreClass(u"Object");
    }
    default:
        return nullptr;
    }
}

namespace {

ClassObject* classOf(Machine& m, Value v) { return classOfValue(m, v); }

Value nameOf(Machine& m, const ClassObject* c) {
    const QName& name = c->name();
    const std::u16string local = name.name ? name.name->text() : u"";
    const std::u16string& package = name.ns ? name.ns->uri() : std::u16string();
    return m.string(package.empty() ? local : package + u"::" + local);
}

Value getQualifiedClassName(Machine& m, Value, std::span<const Value> args) {
    const Value v = argument(args, 0);
    if (v.isUndefined())
        return m.string(u"void");
    if (v.isNull())
        return m.string(u"null");
    if (v.isNamespace())
        return m.string(u"Namespace");
    ClassObject* c = classOf(m, v);
    return c ? nameOf(m, c) : m.string(u"Object");
}

Value getQualifiedSuperclassName(Machine& m, Value, std::span<const Value> args) {
    const Value v = argument(args, 0);
    ClassObject* c = v.isNullish() ? nullptr : classOf(m, v);
    if (!c || !c->base())
        return Value::null();
    return nameOf(m, c->base());
}

Value getDefinitionByName(Machine& m, Value, std::span<const Value> args) {
    const std::u16string name = m.toString(argument(args, 0))->text();
    const Value found = m.findDefinitionByName(name);
    if (found.isUndefined())
        m.throwError("ReferenceError", 1065, u"Variable " + name + u" is not defined.");
    return found;
}

const PackageFunction Functions[] = {
    {u"flash.utils", u"getQualifiedClassName", getQualifiedClassName},
    {u"flash.utils", u"getQualifiedSuperclassName", getQualifiedSuperclassName},
    {u"flash.utils", u"getDefinitionByName", getDefinitionByName},
};

}  // namespace

std::span<const PackageFunction> utilsFunctions() { return Functions; }

}  // namespace avm2
