#include "net/script_access.h"

#include <algorithm>
#include <cctype>

namespace net {

namespace {

std::string lower(std::string_view text) {
    std::string out(text);
    std::ranges::transform(out, out.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return out;
}

}  // namespace

std::optional<DomainGrant> parseDomainGrant(std::string_view text, bool insecure) {
    if (text == "*")
        return DomainGrant{"*", insecure};
    if (text.find("://") != std::string_view::npos) {
        auto location = parseLocation(text);
        if (!location || location->isLocal())
            return std::nullopt;
        return DomainGrant{location->host, insecure};
    }
    // A bare host, possibly with a port or path after it.
    const std::string_view host = text.substr(0, text.find_first_of(":/?"));
    if (host.empty() || host.size() > 253)
        return std::nullopt;
    const bool valid = std::ranges::all_of(host, [](unsigned char c) {
        return std::isalnum(c) || c == '.' || c == '-' || c == '_' || c == '[' || c == ']';
    });
    if (!valid)
        return std::nullopt;
    return DomainGrant{lower(host), insecure};
}

bool mayScript(const Location& caller, const Location& target, std::span<const DomainGrant> grants) {
    if (caller.origin() == target.origin())
        return true;
    const bool downgrade = target.scheme == Scheme::Https && caller.scheme != Scheme::Https;
    return std::ranges::any_of(grants, [&](const DomainGrant& grant) {
        if (downgrade && !grant.insecure)
            return false;
        // A local caller has no host; only "*" lets it in.
        return grant.domain == "*" || (!caller.isLocal() && grant.domain == caller.host);
    });
}

HostAccess parseHostAccess(std::string_view text) {
    const std::string value = lower(text);
    if (value == "always")
        return HostAccess::Always;
    if (value == "never")
        return HostAccess::Never;
    return HostAccess::SameDomain;
}

bool mayCallHost(HostAccess access, const Location& movie, const Location& root) {
    switch (access) {
    case HostAccess::Always:
        return true;
    case HostAccess::Never:
        return false;
    case HostAccess::SameDomain:
        return movie.origin() == root.origin();
    }
    return false;
}

}  // namespace net
