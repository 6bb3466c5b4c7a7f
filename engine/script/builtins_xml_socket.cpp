// XMLSocket: present, so movies that test for it run on, but no socket is
// ever opened from here. connect() starts an attempt that fails at the next
// frame through onConnect(false), as a refused connection does.
#include "script/builtins.h"

#include "script/net_session.h"
#include "script/runtime.h"

namespace script {

namespace {

Value initialise(Runtime&, const Value&, std::span<const Value>) { return Value(); }

Value connect(Runtime& rt, const Value& self, std::span<const Value>) {
    Object* socket = self.asObject();
    if (!socket)
        return Value::fromBool(false);
    if (!rt.net)
        rt.net = std::make_unique<NetSession>(rt);
    rt.net->refuse(socket, LoadKind::Socket, "sockets are not opened");
    return Value::fromBool(true);
}

Value nothing(Runtime&, const Value&, std::span<const Value>) { return Value(); }

}  // namespace

void installXmlSocket(Runtime& rt) {
    Object* prototype = rt.newObject();
    rt.defineMethod(prototype, u"connect", connect);
    rt.defineMethod(prototype, u"send", nothing);
    rt.defineMethod(prototype, u"close", nothing);
    NativeFunction* constructor = rt.newNative(initialise);
    rt.defineValue(constructor, u"prototype", Value(prototype), PropertyFlag::DontEnum | PropertyFlag::DontDelete);
    rt.defineValue(prototype, u"constructor", Value(constructor));
    rt.defineValue(rt.global, u"XMLSocket", Value(constructor));
}

}  // namespace script
