#include "net/sandbox.h"

#include <expat.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace net {

namespace {

// The real path of `path` (links resolved), or "" when it does not exist.
std::string realPathOf(const std::string& path) {
    char buffer[PATH_MAX];
    if (::realpath(path.c_str(), buffer) == nullptr)
        return {};
    return buffer;
}

std::string folderOf(const std::string& path) {
    const size_t slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

bool inside(const std::string& path, const std::string& root) {
    if (root == "/")
        return true;
    return path.size() > root.size() && path.compare(0, root.size(), root) == 0 && path[root.size()] == '/';
}

Decision refused(std::string reason) { return Decision{Decision::Kind::Refused, std::move(reason), {}, {}}; }

// "*", "*.example.com" or an exact host.
bool domainMatches(std::string_view pattern, std::string_view host) {
    if (pattern == "*")
        return true;
    if (pattern.substr(0, 2) == "*.") {
        const std::string_view suffix = pattern.substr(1);  // ".example.com"
        return host == pattern.substr(2) ||
               (host.size() > suffix.size() && host.substr(host.size() - suffix.size()) == suffix);
    }
    return pattern == host;
}

struct PolicyReader {
    std::string requesterHost;
    bool requesterSecure = false;
    bool targetSecure = false;
    bool allowed = false;
    int depth = 0;
    bool rootSeen = false;
    bool badRoot = false;
};

void XMLCALL policyStart(void* data, const XML_Char* name, const XML_Char** attributes) {
    auto& reader = *static_cast<PolicyReader*>(data);
    ++reader.depth;
    if (reader.depth == 1) {
        reader.rootSeen = true;
        reader.badRoot = std::strcmp(name, "cross-domain-policy") != 0;
        return;
    }
    if (reader.badRoot || reader.depth != 2 || std::strcmp(name, "allow-access-from") != 0)
        return;
    std::string domain;
    bool secure = true;
    for (size_t i = 0; attributes[i] != nullptr; i += 2) {
        if (std::strcmp(attributes[i], "domain") == 0)
            domain = attributes[i + 1];
        else if (std::strcmp(attributes[i], "secure") == 0)
            secure = std::strcmp(attributes[i + 1], "false") != 0;
    }
    // An https origin trusts a plain http movie only when it says secure="false".
    if (reader.targetSecure && !reader.requesterSecure && secure)
        return;
    if (!domain.empty() && domainMatches(domain, reader.requesterHost))
        reader.allowed = true;
}

void XMLCALL policyEnd(void* data, const XML_Char*) { --static_cast<PolicyReader*>(data)->depth; }

}  // namespace

Sandbox Sandbox::forRoot(const Location& root, std::string_view fileRoot) {
    Sandbox sandbox;
    if (!root.isLocal())
        return sandbox;
    const std::string tree = fileRoot.empty() ? folderOf(root.path) : std::string(fileRoot);
    sandbox.m_fileRoot = realPathOf(tree);
    return sandbox;
}

Sandbox Sandbox::fromEnvironment(const Location& root) {
    const char* fileRoot = std::getenv("MOVIEHOST_FILE_ROOT");
    return forRoot(root, fileRoot != nullptr && fileRoot[0] == '/' ? std::string_view(fileRoot) : std::string_view());
}

Decision Sandbox::check(const Location& requester, const Location& target) const {
    if (requester.isLocal()) {
        if (!target.isLocal())
            return refused("a local movie may not read from the network (" + target.origin() + ")");
        if (m_fileRoot.empty())
            return refused("no local folder is readable");
        const std::string real = realPathOf(target.path);
        if (real.empty())
            return Decision{Decision::Kind::Missing, "the file " + target.path + " does not exist", {}, {}};
        if (!inside(real, m_fileRoot)) {
            if (inside(target.path, m_fileRoot))
                return refused("the path " + target.path + " leads through a link out of the readable folder " +
                               m_fileRoot);
            return refused("the path " + target.path + " lies outside the readable folder " + m_fileRoot);
        }
        return Decision{Decision::Kind::Allowed, {}, real, {}};
    }
    if (target.isLocal())
        return refused("a network movie may not read local files");
    if (target.origin() == requester.origin())
        return Decision{Decision::Kind::Allowed, {}, {}, {}};
    Location policy = target;
    policy.path = "/crossdomain.xml";
    policy.query.clear();
    return Decision{Decision::Kind::NeedsPolicy, {}, {}, std::move(policy)};
}

SandboxType sandboxTypeOf(const Location& movie) {
    return movie.isLocal() ? SandboxType::LocalWithFile : SandboxType::Remote;
}

const char* sandboxTypeName(SandboxType type) { return type == SandboxType::Remote ? "remote" : "localWithFile"; }

bool policyAllows(std::string_view policyXml, const Location& requester, const Location& target) {
    if (policyXml.size() > INT_MAX)
        return false;
    XML_Parser parser = XML_ParserCreate("UTF-8");
    if (parser == nullptr)
        return false;
    PolicyReader reader;
    reader.requesterHost = requester.host;
    reader.requesterSecure = requester.scheme == Scheme::Https;
    reader.targetSecure = target.scheme == Scheme::Https;
    XML_SetUserData(parser, &reader);
    XML_SetElementHandler(parser, policyStart, policyEnd);
    const bool parsed = XML_Parse(parser, policyXml.data(), int(policyXml.size()), 1) == XML_STATUS_OK;
    XML_ParserFree(parser);
    return parsed && reader.rootSeen && !reader.badRoot && reader.allowed;
}

}  // namespace net
