// flash.utils.Proxy and the names its traps receive. An instance of a class
// that extends Proxy carries a ProxyState; the interpreter sends every
// property operation its traits do not answer to the class's methods in the
// flash_proxy namespace (getProperty, setProperty, callProperty, ...).
#pragma once

#include "avm2/object.h"

#include <string>

namespace avm2 {

class Machine;
class String;

inline constexpr const char16_t* FlashProxyUri = u"http://www.adobe.com/2006/actionscript/flash/proxy";

struct ProxyState final : NativeState {};

[[nodiscard]] inline bool isProxy(const Object* o) {
    return o->nativeState() && dynamic_cast<const ProxyState*>(o->nativeState()) != nullptr;
}

// What a QName instance holds: its uri (null for any namespace), its local
// name and whether it was written as an attribute (p.@x).
struct QNameState final : NativeState {
    Value uri;
    Value localName;
    bool attribute = false;
    void trace(Tracer& tracer) const override {
        tracer.value(uri);
        tracer.value(localName);
    }
};

// A new QName instance.
[[nodiscard]] Value newQName(Machine& m, Value uri, Value localName, bool attribute);

}  // namespace avm2
