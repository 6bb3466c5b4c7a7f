// flash.utils.Proxy: the base whose subclasses answer property operations
// themselves. The traps live in the flash_proxy namespace; the base's own
// ones throw, as a subclass is meant to override those it needs.
#include "avm2/core_library.h"
#include "avm2/proxy.h"

namespace avm2 {

namespace {

Value proxyInit(Machine&, Value self, std::span<const Value>) {
    self.asObject()->setNativeState(std::make_unique<ProxyState>());
    return Value();
}

template <const char16_t* Trap>
Value notOverridden(Machine& m, Value, std::span<const Value>) {
    m.throwError(
        "flash.errors.IllegalOperationError", 2088,
        u"The Proxy class does not implement " + std::u16string(Trap) + u". It must be overridden by a subclass.");
}

// Whether the name a trap was given was written as an attribute (p.@x).
Value proxyIsAttribute(Machine&, Value, std::span<const Value> args) {
    const Value name = argument(args, 0);
    const QNameState* q = name.isObject() ? name.asObject()->nativeAs<QNameState>() : nullptr;
    return Value::boolean(q && q->attribute);
}

constexpr char16_t GetProperty[] = u"getProperty", SetProperty[] = u"setProperty", CallProperty[] = u"callProperty",
                   HasProperty[] = u"hasProperty", DeleteProperty[] = u"deleteProperty",
                   GetDescendants[] = u"getDescendants", NextNameIndex[] = u"nextNameIndex", NextName[] = u"nextName",
                   NextValue[] = u"nextValue";

const NativeMember Traps[] = {
    {GetProperty, notOverridden<GetProperty>},       {SetProperty, notOverridden<SetProperty>},
    {CallProperty, notOverridden<CallProperty>},     {HasProperty, notOverridden<HasProperty>},
    {DeleteProperty, notOverridden<DeleteProperty>}, {GetDescendants, notOverridden<GetDescendants>},
    {NextNameIndex, notOverridden<NextNameIndex>},   {NextName, notOverridden<NextName>},
    {NextValue, notOverridden<NextValue>},           {u"isAttribute", proxyIsAttribute}};

const CoreClassSpec Classes[] = {{.name = u"Proxy",
                                  .base = u"Object",
                                  .init = proxyInit,
                                  .package = u"flash.utils",
                                  .methods = Traps,
                                  .methodNamespace = FlashProxyUri}};

}  // namespace

std::span<const CoreClassSpec> proxyClasses() { return Classes; }

}  // namespace avm2
