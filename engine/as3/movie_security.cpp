#include "as3/movie_security.h"

#include "as3/display_state.h"
#include "as3/host_context.h"
#include "as3/net_loads.h"

#include "avm2/conversions.h"

#include "net/script_access.h"

namespace as3 {

namespace {

// Grants a movie may collect; more are ignored (a script in a loop).
constexpr size_t MaxGrants = 256;

avm2::Value grant(avm2::Machine& m, std::span<const avm2::Value> args, bool insecure) {
    const auto origin = runningOrigin(m);
    for (const avm2::Value& domain : args) {
        auto parsed = net::parseDomainGrant(avm2::utf16ToUtf8(m.toString(domain)->text()), insecure);
        if (parsed && origin->grants.size() < MaxGrants)
            origin->grants.push_back(std::move(*parsed));
    }
    return avm2::Value();
}

}  // namespace

std::shared_ptr<net::MovieOrigin> mainOrigin(avm2::Machine& m) {
    HostContext& ctx = hostContext(m);
    if (!ctx.mainOrigin)
        ctx.mainOrigin = std::make_shared<net::MovieOrigin>(net::MovieOrigin{netLoads(m).movie(), {}});
    return ctx.mainOrigin;
}

std::shared_ptr<net::MovieOrigin> runningOrigin(avm2::Machine& m) {
    HostContext& ctx = hostContext(m);
    if (const avm2::LoadedAbc* file = m.runningFile()) {
        if (auto it = ctx.fileOrigins.find(file); it != ctx.fileOrigins.end())
            return it->second;
    }
    return mainOrigin(m);
}

bool mayReach(const net::MovieOrigin& caller, const net::MovieOrigin& target) {
    return &caller == &target || net::mayScript(caller.location, target.location, target.grants);
}

std::shared_ptr<net::MovieOrigin> ownerOrigin(avm2::Machine& m, avm2::Object* object) {
    size_t steps = 0;
    for (avm2::Object* o = object; o && steps < 100000; ++steps) {
        const auto* d = o->nativeAs<DisplayState>();
        if (!d)
            break;
        if (auto it = d->stored.find(LoadedInfoKey); it != d->stored.end()) {
            if (auto origin = loadedOrigin(m, it->second))
                return origin;
        }
        o = d->parentObject;
    }
    return mainOrigin(m);
}

bool mayReachObject(avm2::Machine& m, avm2::Object* object) {
    const auto* d = object ? object->nativeAs<DisplayState>() : nullptr;
    if (!d || d->isStage)
        return true;
    return mayReach(*runningOrigin(m), *ownerOrigin(m, object));
}

avm2::Value reachableOrNull(avm2::Machine& m, avm2::Value v) {
    return v.isObject() && mayReachObject(m, v.asObject()) ? v : avm2::Value::null();
}

bool isInaccessible(avm2::Machine& m, avm2::Value v, bool flagged) {
    return flagged || (v.isObject() && !mayReachObject(m, v.asObject()));
}

void checkReach(avm2::Machine& m, avm2::Object* object, int32_t id, std::u16string_view what) {
    if (mayReachObject(m, object))
        return;
    const std::u16string caller = avm2::utf8ToUtf16(runningOrigin(m)->location.url());
    const std::u16string target = avm2::utf8ToUtf16(ownerOrigin(m, object)->location.url());
    const std::u16string number = avm2::numberToString(double(id));
    if (id == 2047)
        m.throwError("SecurityError", id,
                     u"Error #2047: Security sandbox violation: " + std::u16string(what) + u": " + caller +
                         u" cannot access " + target + u".");
    m.throwError("SecurityError", id,
                 u"Error #" + number + u": Security sandbox violation: " + std::u16string(what) + u": " + caller +
                     u" cannot access " + target + u". This may be worked around by calling Security.allowDomain.");
}

void checkStageAccess(avm2::Machine& m) {
    const auto caller = runningOrigin(m);
    const auto owner = mainOrigin(m);
    if (mayReach(*caller, *owner))
        return;
    m.throwError("SecurityError", 2070,
                 u"Error #2070: Security sandbox violation: caller " + avm2::utf8ToUtf16(caller->location.url()) +
                     u" cannot access Stage owned by " + avm2::utf8ToUtf16(owner->location.url()) + u".");
}

bool mayCallHost(avm2::Machine& m) {
    const auto access = net::parseHostAccess(avm2::utf16ToUtf8(hostContext(m).host.allowScriptAccess()));
    return net::mayCallHost(access, runningOrigin(m)->location, mainOrigin(m)->location);
}

avm2::Value securityAllowDomain(avm2::Machine& m, avm2::Value, std::span<const avm2::Value> args) {
    return grant(m, args, false);
}

avm2::Value securityAllowInsecureDomain(avm2::Machine& m, avm2::Value, std::span<const avm2::Value> args) {
    return grant(m, args, true);
}

}  // namespace as3
