// Which movie's scripts may touch which other movie's objects, and whether
// the root movie may call out to its host. Movies of one origin (all local
// files share one) reach each other freely; across origins the movie being
// reached must have granted the other's domain with allowDomain, and an
// https movie trusts plain http callers only through allowInsecureDomain.
#pragma once

#include "net/location.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace net {

struct DomainGrant {
    std::string domain;     // a lower-case host, or "*"
    bool insecure = false;  // allowInsecureDomain: http callers too
};

// A movie's origin and the domains it let in.
struct MovieOrigin {
    Location location;
    std::vector<DomainGrant> grants;
};

// allowDomain's argument: a host ("example.com"), a URL whose host counts
// ("http://example.com/a.swf") or "*". None for text naming no host.
[[nodiscard]] std::optional<DomainGrant> parseDomainGrant(std::string_view text, bool insecure);

// May code of the movie at `caller` reach objects of the movie at `target`,
// which granted `grants`?
[[nodiscard]] bool mayScript(const Location& caller, const Location& target, std::span<const DomainGrant> grants);

// The control's AllowScriptAccess: may a movie call its host (getURL,
// fscommand, ExternalInterface)?
enum class HostAccess { Always, SameDomain, Never };
// Case-insensitive; anything unknown is the default, SameDomain.
[[nodiscard]] HostAccess parseHostAccess(std::string_view text);
// The container shows the movie the host opened, so it counts as of that
// movie's origin: "sameDomain" lets movies of the root's origin call it.
[[nodiscard]] bool mayCallHost(HostAccess access, const Location& movie, const Location& root);

}  // namespace net
