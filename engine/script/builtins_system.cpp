// System: what the player is and where the movie plays from. The
// capabilities are those of a version 10 control on Linux, with the shown
// surface as the screen; clipboard and settings panels do not exist here (no-ops).
#include "script/builtins.h"

#include "script/conversions.h"
#include "script/movie_origins.h"
#include "script/runtime.h"

#include "net/location.h"
#include "net/sandbox.h"
#include "net/url_variables.h"

#include <cmath>
#include <string>

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

// The screen is the surface the control shows on; before the control
// said how big that is, the movie's own size.
Value screenWidth(Runtime& rt, const Value&, std::span<const Value>) {
    if (const int32_t shown = rt.stage.layout().surfaceWidth; shown > 0)
        return Value(double(shown));
    return Value(std::round(double(rt.stage.widthTwips()) / 20.0));
}

Value screenHeight(Runtime& rt, const Value&, std::span<const Value>) {
    if (const int32_t shown = rt.stage.layout().surfaceHeight; shown > 0)
        return Value(double(shown));
    return Value(std::round(double(rt.stage.heightTwips()) / 20.0));
}

// The capabilities, each with its key in serverString.
struct CapabilityText {
    std::u16string_view name;
    std::u16string_view text;
    std::string_view key;
};
constexpr CapabilityText CapabilityTexts[] = {
    {u"version", u"LNX 10,0,0,0", "V"}, {u"manufacturer", u"Adobe Linux", "M"}, {u"screenDPI", u"72", "DP"},
    {u"screenColor", u"color", "COL"},  {u"pixelAspectRatio", u"1", "AR"},      {u"os", u"Linux", "OS"},
    {u"language", u"en", "L"},          {u"playerType", u"ActiveX", "PT"},      {u"cpuArchitecture", u"x86", ""},
};

struct CapabilityFlag {
    std::u16string_view name;
    bool value;
    std::string_view key;
};
constexpr CapabilityFlag CapabilityFlags[] = {
    {u"hasAudio", true, "A"},
    {u"hasStreamingAudio", true, "SA"},
    {u"hasStreamingVideo", false, "SV"},
    {u"hasEmbeddedVideo", true, "EV"},
    {u"hasMP3", true, "MP3"},
    {u"hasAudioEncoder", false, "AE"},
    {u"hasVideoEncoder", false, "VE"},
    {u"hasAccessibility", false, "ACC"},
    {u"hasPrinting", false, "PR"},
    {u"hasScreenPlayback", false, "SP"},
    {u"hasScreenBroadcast", false, "SB"},
    {u"isDebugger", false, "DEB"},
    {u"hasIME", false, "IME"},
    {u"avHardwareDisable", true, "AVD"},
    {u"localFileReadDisable", false, "LFD"},
    {u"windowlessDisable", false, "WD"},
    {u"hasTLS", true, "TLS"},
};

// All capabilities in one URL-encoded string, as movies send them to servers.
Value serverString(Runtime& rt, const Value& self, std::span<const Value> none) {
    std::string out;
    auto add = [&](std::string_view key, std::string_view value) {
        if (key.empty())
            return;
        if (!out.empty())
            out += '&';
        out.append(key).append("=").append(value);
    };
    for (const auto& entry : CapabilityFlags)
        add(entry.key, entry.value ? "t" : "f");
    for (const auto& entry : CapabilityTexts) {
        add(entry.key, net::escapeText(utf16ToUtf8(entry.text)));
        if (entry.key == "M") {
            const auto width = int64_t(screenWidth(rt, self, none).asNumber());
            const auto height = int64_t(screenHeight(rt, self, none).asNumber());
            add("R", std::to_string(width) + "x" + std::to_string(height));
        }
    }
    return Value(rt.makeStringUtf8(out));
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
    for (const auto& entry : CapabilityTexts)
        rt.defineValue(capabilities, entry.name, Value(String(entry.text)), PropertyFlag::DontDelete);
    for (const auto& entry : CapabilityFlags)
        rt.defineValue(capabilities, entry.name, Value::fromBool(entry.value), PropertyFlag::DontDelete);
    addGetter(rt, capabilities, u"screenResolutionX", screenWidth);
    addGetter(rt, capabilities, u"screenResolutionY", screenHeight);
    addGetter(rt, capabilities, u"serverString", serverString);
    rt.defineValue(system, u"capabilities", Value(capabilities));

    rt.defineValue(rt.global, u"System", Value(system));
}

}  // namespace script
