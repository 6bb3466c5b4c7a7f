// Which ActionScript 3 movie's code may reach which movie's content. Code
// belongs to the movie whose file brought it; a loaded movie's content is
// open to code of another origin only when it called Security.allowDomain
// for that code's host (allowInsecureDomain for http code reaching https).
#pragma once

#include "avm2/machine.h"

#include <memory>
#include <string_view>

namespace net {
struct MovieOrigin;
}  // namespace net

namespace as3 {

[[nodiscard]] std::shared_ptr<net::MovieOrigin> mainOrigin(avm2::Machine& m);
// The movie of the code running now (the main movie's outside scripts).
[[nodiscard]] std::shared_ptr<net::MovieOrigin> runningOrigin(avm2::Machine& m);
// May code of `caller` reach content of `target`?
[[nodiscard]] bool mayReach(const net::MovieOrigin& caller, const net::MovieOrigin& target);

// The movie a display object belongs to: the nearest Loader content at or
// above it, else the main movie (the stage and objects off the tree too).
[[nodiscard]] std::shared_ptr<net::MovieOrigin> ownerOrigin(avm2::Machine& m, avm2::Object* object);
// What a LoaderInfo loaded came from (null before content arrived);
// defined beside LoaderInfo.
[[nodiscard]] std::shared_ptr<net::MovieOrigin> loadedOrigin(avm2::Machine& m, avm2::Value info);
// May the running code reach `object`'s movie? The stage always.
[[nodiscard]] bool mayReachObject(avm2::Machine& m, avm2::Object* object);
// What a listener sees of `v`: null for an object it may not reach (or
// anything that is not an object).
[[nodiscard]] avm2::Value reachableOrNull(avm2::Machine& m, avm2::Value v);
// An event's is...Inaccessible: set so, or `v` is hidden from the running code.
[[nodiscard]] bool isInaccessible(avm2::Machine& m, avm2::Value v, bool flagged);
// SecurityError when it may not: #2047 for `parent`, else #2121 naming `what`.
void checkReach(avm2::Machine& m, avm2::Object* object, int32_t id, std::u16string_view what);
// The stage's children belong to the main movie: #2070 for code it did not let in.
void checkStageAccess(avm2::Machine& m);

// May the running movie call the host (fscommand, navigateToURL,
// ExternalInterface), by the control's AllowScriptAccess?
[[nodiscard]] bool mayCallHost(avm2::Machine& m);

// Security.allowDomain and allowInsecureDomain.
avm2::Value securityAllowDomain(avm2::Machine& m, avm2::Value, std::span<const avm2::Value> args);
avm2::Value securityAllowInsecureDomain(avm2::Machine& m, avm2::Value, std::span<const avm2::Value> args);

}  // namespace as3
