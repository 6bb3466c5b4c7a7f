// Class, Namespace and QName as classes of the language. Namespaces made by
// the byte code are namespace values; `new Namespace(...)` makes an object
// that also keeps a prefix. Both answer prefix, uri, toString and valueOf.
#include "avm2/conversions.h"
#include "avm2/core_library.h"
#include "avm2/proxy.h"

namespace avm2 {

namespace {

struct NamespaceState final : NativeState {
    Value prefix;  // a string, or undefined when unknown
    Value uri;
    void trace(Tracer& tracer) const override {
        tracer.value(prefix);
        tracer.value(uri);
    }
};

const NamespaceState* namespaceState(Value v) {
    return v.isObject() ? v.asObject()->nativeAs<NamespaceState>() : nullptr;
}

// The uri of a namespace value or object; null when `v` is neither.
Value uriOf(Machine& m, Value v) {
    if (v.isNamespace())
        return m.string(v.asNamespace()->uri());
    if (const NamespaceState* s = namespaceState(v))
        return s->uri;
    return Value::null();
}

Value namespaceInit(Machine& m, Value self, std::span<const Value> args) {
    auto state = std::make_unique<NamespaceState>();
    Value uri = args.empty() ? m.string(u"") : args.back();
    if (const Value known = uriOf(m, uri); !known.isNull())
        uri = known;
    else if (const QNameState* q = uri.isObject() ? uri.asObject()->nativeAs<QNameState>() : nullptr)
        uri = q->uri.isNull() ? m.string(u"") : q->uri;
    else
        uri = Value::string(m.toString(uri));
    state->uri = uri;
    if (args.size() >= 2) {
        state->prefix = args[0].isUndefined() ? Value() : Value::string(m.toString(args[0]));
        // No namespace can only have the empty prefix.
        if (uri.asString()->text().empty() && state->prefix.isString() && !state->prefix.asString()->text().empty())
            m.throwError("TypeError", 1098,
                         u"Illegal prefix " + state->prefix.asString()->text() + u" for no namespace.");
    } else if (uri.asString()->text().empty())
        state->prefix = m.string(u"");
    self.asObject()->setNativeState(std::move(state));
    return Value();
}

Value namespaceUri(Machine& m, Value self, std::span<const Value>) {
    const Value uri = uriOf(m, self);
    if (uri.isNull())
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to Namespace.");
    return uri;
}

Value namespacePrefix(Machine& m, Value self, std::span<const Value>) {
    if (const NamespaceState* s = namespaceState(self))
        return s->prefix;
    (void)namespaceUri(m, self, {});
    return Value();
}

const QNameState* qnameState(Machine& m, Value self) {
    const QNameState* q = self.isObject() ? self.asObject()->nativeAs<QNameState>() : nullptr;
    if (!q)
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to QName.");
    return q;
}

// QName(localName), QName(namespace, localName), QName(qname); a null
// namespace means any namespace, as does a lone "*"; a lone other name is
// in the default XML namespace.
Value qnameInit(Machine& m, Value self, std::span<const Value> args) {
    auto state = std::make_unique<QNameState>();
    const Value last = args.empty() ? Value() : args.back();
    if (const QNameState* q = last.isObject() ? last.asObject()->nativeAs<QNameState>() : nullptr) {
        state->uri = q->uri;
        state->localName = q->localName;
    } else {
        state->localName = last.isUndefined() ? m.string(u"") : Value::string(m.toString(last));
        state->uri = state->localName.asString()->text() == u"*" ? Value::null() : m.string(m.defaultXmlNamespace());
    }
    if (args.size() >= 2 && !args[0].isUndefined()) {
        const Value ns = args[0];
        const Value uri = uriOf(m, ns);
        state->uri = ns.isNull() ? Value::null() : !uri.isNull() ? uri : Value::string(m.toString(ns));
    }
    self.asObject()->setNativeState(std::move(state));
    return Value();
}

Value qnameLocalName(Machine& m, Value self, std::span<const Value>) { return qnameState(m, self)->localName; }
Value qnameUri(Machine& m, Value self, std::span<const Value>) { return qnameState(m, self)->uri; }

Value qnameToString(Machine& m, Value self, std::span<const Value>) {
    const QNameState* q = qnameState(m, self);
    const std::u16string& local = q->localName.asString()->text();
    if (q->uri.isNull())
        return m.string(u"*::" + local);
    const std::u16string& uri = q->uri.asString()->text();
    return uri.empty() ? q->localName : m.string(uri + u"::" + local);
}

Value qnameValueOf(Machine&, Value self, std::span<const Value>) { return self; }

Value classCreate(Machine& m, Value, std::span<const Value>) {
    m.throwError("TypeError", 1007, u"Instantiation attempted on a non-constructor.");
}

const NativeMember NamespacePrototype[] = {{u"toString", namespaceUri}, {u"valueOf", namespaceUri}};
const NativeAccessor NamespaceAccessors[] = {{u"uri", namespaceUri}, {u"prefix", namespacePrefix}};
const NativeMember QNamePrototype[] = {{u"toString", qnameToString}, {u"valueOf", qnameValueOf}};
const NativeAccessor QNameAccessors[] = {{u"localName", qnameLocalName}, {u"uri", qnameUri}};

const CoreClassSpec Classes[] = {
    {.name = u"Class", .base = u"Object", .create = classCreate, .sealed = true, .final = true},
    {.name = u"Namespace",
     .base = u"Object",
     .init = namespaceInit,
     .sealed = true,
     .prototype = NamespacePrototype,
     .accessors = NamespaceAccessors,
     .final = true},
    {.name = u"QName",
     .base = u"Object",
     .init = qnameInit,
     .sealed = true,
     .prototype = QNamePrototype,
     .accessors = QNameAccessors,
     .final = true},
};

}  // namespace

Value newQName(Machine& m, Value uri, Value localName, bool attribute) {
    ClassObject* c = m.coreClass(u"QName");
    Object* o = m.heap().make<Object>(c->prototype(), &c->instanceTraits(), c, false);
    auto state = std::make_unique<QNameState>();
    state->uri = uri;
    state->localName = localName;
    state->attribute = attribute;
    o->setNativeState(std::move(state));
    return Value::object(o);
}

std::span<const CoreClassSpec> namespaceClasses() { return Classes; }

}  // namespace avm2
