// flash.external.ExternalInterface, flash.system (fscommand, System,
// Capabilities, Security, ApplicationDomain) and the flash.utils functions
// compilers' runtimes lean on (getTimer, getQualifiedClassName,
// getDefinitionByName).
#include "as3/external_values.h"
#include "as3/host_context.h"
#include "as3/member_tables.h"
#include "as3/movie_security.h"

#include "avm2/byte_array.h"
#include "avm2/class_object.h"
#include "avm2/conversions.h"
#include "avm2/vector.h"

#include "net/location.h"
#include "net/sandbox.h"
#include "net/script_access.h"

#include "script/external_call_codec.h"

namespace as3 {

using avm2::argument;
using avm2::Machine;
using avm2::Value;

namespace {

std::u16string text(Machine& m, Value v) { return m.toString(v)->text(); }

// --- ExternalInterface ----------------------------------------------------

Value eiAvailable(Machine&, Value, std::span<const Value>) { return Value::boolean(true); }
// The id the page gave the object; a container that is no page gives none.
Value eiObjectId(Machine& m, Value, std::span<const Value>) {
    std::optional<std::u16string> id = hostContext(m).host.objectId();
    return id ? m.string(std::move(*id)) : Value::null();
}
Value eiGetMarshall(Machine& m, Value, std::span<const Value>) {
    return Value::boolean(hostContext(m).held.marshallExceptions);
}
Value eiSetMarshall(Machine& m, Value, std::span<const Value> args) {
    hostContext(m).held.marshallExceptions = avm2::toBoolean(argument(args, 0));
    return Value();
}

// The answer of an exception thrown on the container's side, when
// marshallExceptions lets it through: <exception>text</exception>.
std::optional<std::string> exceptionText(std::string_view answer) {
    constexpr std::string_view Open = "<exception>";
    constexpr std::string_view Close = "</exception>";
    if (answer.size() < Open.size() + Close.size() || answer.substr(0, Open.size()) != Open ||
        answer.substr(answer.size() - Close.size()) != Close)
        return std::nullopt;
    return script::ExternalCallCodec::unescape(answer.substr(Open.size(), answer.size() - Open.size() - Close.size()));
}

Value eiCall(Machine& m, Value, std::span<const Value> args) {
    HostContext& ctx = hostContext(m);
    if (args.empty() || args[0].isNullish())
        m.throwError("TypeError", 2007, u"Parameter functionName must be non-null.");
    const std::u16string name = text(m, args[0]);
    if (!mayCallHost(m))
        m.throwError("SecurityError", 2060,
                     u"Error #2060: Security sandbox violation: ExternalInterface caller " + ctx.url +
                         u" cannot access the container (AllowScriptAccess).");
    script::ExternalCall call;
    call.name = name;
    for (size_t i = 1; i < args.size(); ++i)
        call.args.push_back(toExternal(m, args[i]));
    call.xml = avm2::utf8ToUtf16(script::ExternalCallCodec::encodeRequest(avm2::utf16ToUtf8(name), call.args));
    const std::optional<std::u16string> answer = ctx.host.externalCall(call);
    if (!answer)
        return Value::null();
    const std::string xml = avm2::utf16ToUtf8(*answer);
    if (ctx.held.marshallExceptions) {
        if (auto thrown = exceptionText(xml))
            m.throwError("Error", 0, avm2::utf8ToUtf16(*thrown));
    }
    const auto decoded = script::ExternalCallCodec::decodeValue(xml);
    return decoded ? fromExternal(m, *decoded) : Value::null();
}

Value eiAddCallback(Machine& m, Value, std::span<const Value> args) {
    HostContext& ctx = hostContext(m);
    const std::u16string name = text(m, argument(args, 0));
    const Value function = argument(args, 1);
    if (function.isObject())
        ctx.held.callbacks[name] = function;
    else
        ctx.held.callbacks.erase(name);
    return Value();
}

const avm2::NativeMember ExternalStatics[] = {{u"call", eiCall}, {u"addCallback", eiAddCallback}};
const avm2::NativeAccessor ExternalAccessors[] = {
    {u"available", eiAvailable},
    {u"objectID", eiObjectId},
    {u"marshallExceptions", eiGetMarshall, eiSetMarshall},
};

// --- fscommand, System, Capabilities, Security ---------------------------

Value fscommand(Machine& m, Value, std::span<const Value> args) {
    const std::u16string command = text(m, argument(args, 0));
    const std::u16string parameters = args.size() > 1 ? text(m, args[1]) : std::u16string();
    if (mayCallHost(m))
        hostContext(m).host.fscommand(command, parameters);
    return Value();
}

Value systemTotalMemory(Machine& m, Value, std::span<const Value>) {
    return Value::number(double(m.heap().liveBytes()));
}
Value systemFreeMemory(Machine& m, Value, std::span<const Value>) {
    return Value::number(double(m.heap().limit() - m.heap().liveBytes()));
}
// The collector runs between frames; exit, pause and the clipboard belong
// to the standalone player, not to a control in a container.
Value systemNothing(Machine&, Value, std::span<const Value>) { return Value(); }
Value systemFalse(Machine&, Value, std::span<const Value>) { return Value::boolean(false); }
Value systemTrue(Machine&, Value, std::span<const Value>) { return Value::boolean(true); }

const avm2::NativeMember SystemStatics[] = {
    {u"gc", systemNothing},     {u"exit", systemNothing},         {u"pause", systemNothing},
    {u"resume", systemNothing}, {u"setClipboard", systemNothing},
};
const avm2::NativeAccessor SystemAccessors[] = {
    {u"totalMemory", systemTotalMemory},
    {u"totalMemoryNumber", systemTotalMemory},
    {u"privateMemory", systemTotalMemory},
    {u"freeMemory", systemFreeMemory},
};

// What a version 10 ActiveX control on this platform says of itself, as
// ActionScript 2's System.capabilities do.
const avm2::NativeStringConstant CapabilityTexts[] = {
    {u"version", u"LNX 10,0,0,0"},     {u"playerType", u"ActiveX"}, {u"os", u"Linux"},
    {u"manufacturer", u"Adobe Linux"}, {u"language", u"en"},        {u"cpuArchitecture", u"x86"},
    {u"screenColor", u"color"},
};
const avm2::NativeAccessor CapabilityFlags[] = {
    {u"isDebugger", systemFalse},
    {u"hasAudio", systemTrue},
    {u"hasMP3", systemTrue},
    {u"hasVideoEncoder", systemFalse},
    {u"hasAudioEncoder", systemFalse},
    {u"hasIME", systemFalse},
    {u"avHardwareDisable", systemFalse},
    {u"localFileReadDisable", systemFalse},
    {u"hasAccessibility", systemFalse},
    {u"hasStreamingAudio", systemTrue},
    {u"hasStreamingVideo", systemTrue},
    {u"isEmbeddedInAcrobat", systemFalse},
    {u"hasPrinting", systemFalse},
};

// By where the movie came from, as for ActionScript 2.
Value securitySandbox(Machine& m, Value, std::span<const Value>) {
    const net::SandboxType type = net::sandboxTypeOf(runningOrigin(m)->location);
    return m.string(avm2::utf8ToUtf16(net::sandboxTypeName(type)));
}
const avm2::NativeAccessor SecurityAccessors[] = {{u"sandboxType", securitySandbox}};
const avm2::NativeMember SecurityStatics[] = {
    {u"allowDomain", securityAllowDomain},
    {u"allowInsecureDomain", securityAllowInsecureDomain},
    {u"loadPolicyFile", systemNothing},
    {u"showSettings", systemNothing},
};
const avm2::NativeStringConstant SecurityTexts[] = {
    {u"REMOTE", u"remote"},
    {u"LOCAL_WITH_FILE", u"localWithFile"},
    {u"LOCAL_WITH_NETWORK", u"localWithNetwork"},
    {u"LOCAL_TRUSTED", u"localTrusted"},
    {u"APPLICATION", u"application"},
};

// --- ApplicationDomain ------------------------------------------------------
// A domain object stands for one of the machine's domains; the player makes
// one object per domain, so the same domain answers with the same object.

struct DomainState final : avm2::NativeState {
    avm2::Domain* domain = nullptr;
    std::vector<uint8_t>* memory = nullptr;
};

// The domain the next object made stands for (set while the player makes one).
thread_local avm2::Domain* wrapping = nullptr;

// (parentDomain = null): a new domain, a child of the one given or of the system's.
Value domainInit(Machine& m, Value self, std::span<const Value> args) {
    auto state = std::make_unique<DomainState>();
    if (wrapping) {
        state->domain = std::exchange(wrapping, nullptr);
    } else {
        const Value parent = argument(args, 0);
        state->domain = m.newDomain(parent.isNullish() ? nullptr : domainOf(m, parent));
        if (!state->domain)
            m.throwError("Error", 1000, u"The system is out of memory.");
    }
    avm2::Domain* made = state->domain;
    self.asObject()->setNativeState(std::move(state));
    hostContext(m).held.domains.try_emplace(made, self);
    return Value();
}

Value domainCurrent(Machine& m, Value, std::span<const Value>) { return currentDomain(m); }
Value domainParent(Machine& m, Value self, std::span<const Value>) {
    avm2::Domain* parent = domainOf(m, self)->parent;
    return parent ? domainObject(m, parent) : Value::null();
}

Value domainGetDefinition(Machine& m, Value self, std::span<const Value> args) {
    const std::u16string name = text(m, argument(args, 0));
    const Value found = m.findDefinitionByName(name, domainOf(m, self));
    if (found.isUndefined())
        m.throwError("ReferenceError", 1065, u"Variable " + name + u" is not defined.");
    return found;
}
Value domainHasDefinition(Machine& m, Value self, std::span<const Value> args) {
    return Value::boolean(!m.findDefinitionByName(text(m, argument(args, 0)), domainOf(m, self)).isUndefined());
}
// The public definitions the domain's own files declare, "package::Name".
Value domainDefinitionNames(Machine& m, Value self, std::span<const Value>) {
    const avm2::Domain* domain = domainOf(m, self);
    const Value type = Value::object(avm2::applyVectorType(m, Value::object(m.coreClass(u"__AS3__.vec", u"Vector")),
                                                           Value::object(m.coreClass(u"String"))));
    const Value names = m.construct(type, {});
    Machine::Pin keep(m, names);
    for (const avm2::QName& name : domain->order) {
        if (name.ns->group() != avm2::NamespaceGroup::Public)
            continue;
        const std::u16string& package = name.ns->uri();
        const Value item = m.string(package.empty() ? name.name->text() : package + u"::" + name.name->text());
        (void)m.callMember(names, u"push", std::span<const Value>(&item, 1));
    }
    return names;
}

// The byte array the domain-memory instructions use while scripts run.
Value domainMemoryGet(Machine& m, Value self, std::span<const Value>) {
    (void)domainOf(m, self);
    const Value held = hostContext(m).held.domainMemory;
    return held.isObject() ? held : Value::null();
}
Value domainMemorySet(Machine& m, Value self, std::span<const Value> args) {
    (void)domainOf(m, self);
    const Value bytes = argument(args, 0);
    auto* data = bytes.isObject() ? bytes.asObject()->nativeAs<avm2::ByteArrayState>() : nullptr;
    if (!bytes.isNullish() && !data)
        m.throwError("TypeError", 1034, u"Type Coercion failed: cannot convert value to flash.utils.ByteArray.");
    hostContext(m).held.domainMemory = data ? bytes : Value();
    m.setDomainMemory(data ? &data->bytes : nullptr);
    return Value();
}

const avm2::NativeMember DomainMethods[] = {{u"getDefinition", domainGetDefinition},
                                            {u"hasDefinition", domainHasDefinition},
                                            {u"getQualifiedDefinitionNames", domainDefinitionNames}};
const avm2::NativeAccessor DomainAccessors[] = {{u"parentDomain", domainParent},
                                                {u"domainMemory", domainMemoryGet, domainMemorySet}};
const avm2::NativeAccessor DomainStatics[] = {{u"currentDomain", domainCurrent}};

// --- LoaderContext -----------------------------------------------------------
// (checkPolicyFile = false, applicationDomain = null, securityDomain = null):
// plain properties the Loader reads.
Value loaderContextInit(Machine& m, Value self, std::span<const Value> args) {
    m.setMember(self, u"checkPolicyFile", Value::boolean(avm2::toBoolean(argument(args, 0))));
    m.setMember(self, u"applicationDomain", args.size() > 1 ? args[1] : Value::null());
    m.setMember(self, u"securityDomain", args.size() > 2 ? args[2] : Value::null());
    m.setMember(self, u"allowCodeImport", Value::boolean(true));
    m.setMember(self, u"allowLoadBytesCodeExecution", Value::boolean(true));
    return Value();
}

// --- flash.utils -------------------------------------------------------------

Value getTimer(Machine& m, Value, std::span<const Value>) {
    return Value::fromInt(int32_t(hostContext(m).host.milliseconds()));
}

// "flash.display::MovieClip", "int", "null", "void".
Value getQualifiedClassName(Machine& m, Value, std::span<const Value> args) {
    const Value v = argument(args, 0);
    switch (v.tag()) {
    case avm2::Tag::Undefined:
        return m.string(u"void");
    case avm2::Tag::Null:
        return m.string(u"null");
    case avm2::Tag::Boolean:
        return m.string(u"Boolean");
    case avm2::Tag::Int:
        return m.string(u"int");
    case avm2::Tag::UInt:
        return m.string(v.asUInt() <= 0x7FFFFFFF ? u"int" : u"Number");
    case avm2::Tag::Number:
        return m.string(u"Number");
    case avm2::Tag::String:
        return m.string(u"String");
    case avm2::Tag::Namespace:
        return m.string(u"Namespace");
    case avm2::Tag::Object:
        break;
    }
    const avm2::Object* o = v.asObject();
    if (const auto* c = dynamic_cast<const avm2::ClassObject*>(o))
        return m.string(c->displayName());
    if (dynamic_cast<const avm2::NativeFunction*>(o) || dynamic_cast<const avm2::FunctionObject*>(o) ||
        dynamic_cast<const avm2::MethodClosure*>(o))
        return m.string(u"builtin.as$0::MethodClosure");
    if (o->proto()) {
        if (const Value* ctor = o->proto()->findOwn(u"constructor"); ctor && ctor->isObject()) {
            if (const auto* c = dynamic_cast<const avm2::ClassObject*>(ctor->asObject()))
                return m.string(c->displayName());
        }
    }
    return m.string(u"Object");
}

// Looked up in the domain of the code that calls it, whatever its receiver.
Value getDefinitionByName(Machine& m, Value, std::span<const Value> args) {
    const Value domain = currentDomain(m);
    Machine::Pin keep(m, domain);
    return domainGetDefinition(m, domain, args);
}

constexpr const char16_t* System = u"flash.system";

const avm2::CoreClassSpec Classes[] = {
    staticsClass(u"flash.external", u"ExternalInterface",
                 {.statics = ExternalStatics, .staticAccessors = ExternalAccessors}),
    staticsClass(System, u"System", {.statics = SystemStatics, .staticAccessors = SystemAccessors}),
    staticsClass(System, u"Capabilities", {.staticAccessors = CapabilityFlags, .strings = CapabilityTexts}),
    staticsClass(System, u"Security",
                 {.statics = SecurityStatics, .staticAccessors = SecurityAccessors, .strings = SecurityTexts}),
    sealedClass(System, u"ApplicationDomain", u"Object", domainInit,
                {.methods = DomainMethods, .accessors = DomainAccessors, .staticAccessors = DomainStatics}, true),
    {.name = u"LoaderContext", .base = u"Object", .init = loaderContextInit, .package = System},
};

const avm2::PackageFunction Functions[] = {
    {u"flash.system", u"fscommand", fscommand},
    {u"flash.utils", u"getTimer", getTimer},
    {u"flash.utils", u"getQualifiedClassName", getQualifiedClassName},
    {u"flash.utils", u"getDefinitionByName", getDefinitionByName},
};

}  // namespace

Value domainObject(Machine& m, avm2::Domain* domain) {
    HeldValues& held = hostContext(m).held;
    if (auto it = held.domains.find(domain); it != held.domains.end())
        return it->second;
    wrapping = domain;
    const Value made = m.construct(Value::object(m.coreClass(u"flash.system", u"ApplicationDomain")), {});
    wrapping = nullptr;
    return made;
}

avm2::Domain* domainOf(Machine& m, Value v) {
    auto* s = v.isObject() ? v.asObject()->nativeAs<DomainState>() : nullptr;
    if (!s)
        m.throwError("TypeError", 1034,
                     u"Type Coercion failed: cannot convert value to flash.system.ApplicationDomain.");
    return s->domain;
}

Value currentDomain(Machine& m) { return domainObject(m, m.runningDomain()); }

std::span<const avm2::CoreClassSpec> systemClasses() { return Classes; }
std::span<const avm2::PackageFunction> systemFunctions() { return Functions; }

}  // namespace as3
