// System: what the player is and where the movie plays from. The
// capabilities are those of a version 10 control on Linux, with the stage as
// the screen; clipboard and settings panels do not exist here (no-ops).
#include "script/builtins.h"

#include "script/conversions.h"
#include "script/movie_origins.h"
#include "script/runtime.h"

#include "net/location.h"
#include "net/sandbox.h"

#include <cmath>

namespace script {

namespace {

Value nothing(Runtime&, const Value&, std::span<const Value>) { return Value(); }

// allowDomain("a.com", "http://b.com/x.swf", "*"): the running movie lets
// scripts of those domains reach its objects.
Value grantDomains(Runtime& rt, std::span<const Value> args, bool insecure) {
    for (const Value& domain : args)
        (void)grantDomain(rt, toString(rt, domain).utf8(), insecure);
    return Value();
}

Value allowDomain(Runtime& rt, const Value&, std::span<const Value> args) { return grantDomains(rt, args, false); }

Value allowInsecureDomain(Runtime& rt, const Value&, std::span<const Value> args) {
    return grantDomains(rt, args, true);
}

Value sandboxType(Runtime& rt, const Value&, std::span<const Value>) {
    const net::SandboxType type = net::sandboxTypeOf(runningMovie(rt).location);
    return Value(rt.makeStringUtf8(net::sandboxTypeName(type)));
}

Value screenWidth(Runtime& rt, const Value&, std::span<const Value>) {
    return Value(std::round(double(rt.stage.widthTwips()) / 20.0));
}

Value screenHeight(Runtime& rt, const Value&, std::span<const Value>) {
    return Value(std::round(double(rt.stage.heightTwips()) / 20.0));
}

void addGetter(Runtime& rt, Object* on, std::u16string_view name, NativeFn getter) {
    Property& property = on->properties().add(String(name), Value(), PropertyFlag::DontDelete);
    property.getter = rt.newNative(getter);
}

}  // namespace

void installSystem(Runtime& rt) {
    Object* system = rt.newObject();
    rt.defineMethod(system, u"setClipboard", nothing);
    rt.defineMethod(system, u"showSettings", nothing);
    rt.defineValue(system, u"useCodepage", Value::fromBool(false), 0);
    rt.defineValue(system, u"exactSettings", Value::fromBool(true), 0);

    Object* security = rt.newObject();
    rt.defineMethod(security, u"allowDomain", allowDomain);
    rt.defineMethod(security, u"allowInsecureDomain", allowInsecureDomain);
    // Policy files are read at their standard place when a load needs one.
    rt.defineMethod(security, u"loadPolicyFile", nothing);
    addGetter(rt, security, u"sandboxType", sandboxType);
    rt.defineValue(system, u"security", Value(security));

    Object* capabilities = rt.newObject();
    const struct {
        std::u16string_view name;
        std::u16string_view text;
    } texts[] = {
        {u"version", u"LNX 10,0,0,0"}, {u"os", u"Linux"},     {u"manufacturer", u"Adobe Linux"},
        {u"playerType", u"ActiveX"},   {u"language", u"en"},  {u"screenColor", u"color"},
        {u"pixelAspectRatio", u"1"},   {u"screenDPI", u"72"}, {u"cpuArchitecture", u"x86"},
    };
    for (const auto& entry : texts)
        rt.defineValue(capabilities, entry.name, Value(String(entry.text)), PropertyFlag::DontDelete);
    const struct {
        std::u16string_view name;
        bool value;
    } flags[] = {
        {u"hasAudio", true},
        {u"hasMP3", true},
        {u"hasAudioEncoder", false},
        {u"hasVideoEncoder", false},
        {u"hasStreamingAudio", true},
        {u"hasStreamingVideo", false},
        {u"hasEmbeddedVideo", true},
        {u"hasPrinting", false},
        {u"hasScreenBroadcast", false},
        {u"hasScreenPlayback", false},
        {u"hasAccessibility", false},
        {u"isDebugger", false},
        {u"localFileReadDisable", false},
        {u"avHardwareDisable", true},
        {u"hasTLS", true},
        {u"hasIME", false},
        {u"windowlessDisable", false},
    };
    for (const auto& entry : flags)
        rt.defineValue(capabilities, entry.name, Value::fromBool(entry.value), PropertyFlag::DontDelete);
    addGetter(rt, capabilities, u"screenResolutionX", screenWidth);
    addGetter(rt, capabilities, u"screenResolutionY", screenHeight);
    rt.defineValue(system, u"capabilities", Value(capabilities));

    rt.defineValue(rt.global, u"System", Value(system));
}

}  // namespace script
