#include "as3/movie_security.h"

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
