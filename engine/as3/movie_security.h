// Which ActionScript 3 movie's code may reach which movie's content. Code
// belongs to the movie whose file brought it; a loaded movie's content is
// open to code of another origin only when it called Security.allowDomain
// for that code's host (allowInsecureDomain for http code reaching https).
#pragma once

#include "avm2/machine.h"

#include <memory>

namespace net {
struct MovieOrigin;
}  // namespace net

namespace as3 {

[[nodiscard]] std::shared_ptr<net::MovieOrigin> mainOrigin(avm2::Machine& m);
// The movie of the code running now (the main movie's outside scripts).
[[nodiscard]] std::shared_ptr<net::MovieOrigin> runningOrigin(avm2::Machine& m);
// May code of `caller` reach content of `target`?
[[nodiscard]] bool mayReach(const net::MovieOrigin& caller, const net::MovieOrigin& target);

// May the running movie call the host (fscommand, navigateToURL,
// ExternalInterface), by the control's AllowScriptAccess?
[[nodiscard]] bool mayCallHost(avm2::Machine& m);

// Security.allowDomain and allowInsecureDomain.
avm2::Value securityAllowDomain(avm2::Machine& m, avm2::Value, std::span<const avm2::Value> args);
avm2::Value securityAllowInsecureDomain(avm2::Machine& m, avm2::Value, std::span<const avm2::Value> args);

}  // namespace as3
