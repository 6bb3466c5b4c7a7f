// ExternalInterface: calls out to the embedding application through the
// host, and callbacks it may invoke.
#include "script/builtins.h"

#include "script/conversions.h"
#include "script/external_bridge.h"
#include "script/external_call_codec.h"
#include "script/movie_origins.h"
#include "script/runtime.h"

namespace script {

namespace {

Value externalCall(Runtime& rt, const Value&, std::span<const Value> args) {
    // A movie inside an ActionScript 3 one reaches what that registered
    // for it (AVM1Movie.addCallback) first, whatever the host allows.
    const bool bridged = rt.callBridge && rt.callBridge->has(toString(rt, arg(args, 0)).view());
    if (!bridged && !mayCallHost(rt))
        return Value();
    ExternalCall call;
    String name = toString(rt, arg(args, 0));
    call.name = std::u16string(name.view());
    for (size_t i = 1; i < args.size(); ++i)
        call.args.push_back(toExternal(rt, args[i]));
    if (bridged)
        return fromExternal(rt, rt.callBridge->call(call.name, call.args));
    call.xml = utf8ToUtf16(ExternalCallCodec::encodeRequest(name.utf8(), call.args));
    std::optional<std::u16string> answer = rt.host.externalCall(call);
    if (!answer)
        return Value();
    std::optional<ExternalValue> value = ExternalCallCodec::decodeValue(utf16ToUtf8(*answer));
    return value ? fromExternal(rt, *value) : Value();
}

Value addCallback(Runtime& rt, const Value&, std::span<const Value> args) {
    Object* fn = arg(args, 2).asObject();
    String name = toString(rt, arg(args, 0));
    // An embedded movie's callbacks serve only AVM1Movie.call, never the host.
    if (!fn || !fn->isCallable() || name.empty() || (!rt.embeddedRoot && !mayCallHost(rt)))
        return Value::fromBool(false);
    rt.callbacks[std::u16string(name.view())] = ExternalCallback{arg(args, 1), args[2]};
    return Value::fromBool(true);
}

}  // namespace

void installExternalInterface(Runtime& rt) {
    Object* ei = rt.newObject();
    rt.defineValue(ei, u"available", Value::fromBool(true), PropertyFlag::DontEnum | PropertyFlag::ReadOnly);
    rt.defineMethod(ei, u"call", externalCall);
    rt.defineMethod(ei, u"addCallback", addCallback);
    rt.defineValue(rt.global, u"ExternalInterface", Value(ei));
    // Scripts reach it as flash.external.ExternalInterface too.
    Object* flash = rt.newObject();
    Object* external = rt.newObject();
    rt.defineValue(external, u"ExternalInterface", Value(ei));
    rt.defineValue(flash, u"external", Value(external));
    rt.defineValue(rt.global, u"flash", Value(flash));
}

}  // namespace script
