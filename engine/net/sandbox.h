// Who may read what. A local movie reads local files only inside the folder
// tree of the movie the host opened (or of MOVIEHOST_FILE_ROOT, which widens
// or narrows it) and nothing from the network. A remote movie reads its own
// origin, and another origin only when that origin's /crossdomain.xml
// allows it; it reads no local files. Every refusal carries a reason that
// the script's error path can show.
#pragma once

#include "net/location.h"

#include <string>
#include <string_view>

namespace net {

enum class SandboxType { LocalWithFile, Remote };

struct Decision {
    enum class Kind { Allowed, Refused, NeedsPolicy, Missing };
    Kind kind = Kind::Refused;
    std::string reason;    // for Refused and Missing
    std::string filePath;  // for an allowed local file: its real path (links resolved)
    Location policy;       // for NeedsPolicy: the policy file to consult
};

class Sandbox {
public:
    // The sandbox of a movie tree opened at `root`. `fileRoot` (absolute, may
    // be empty) replaces the root movie's folder as the readable tree.
    static Sandbox forRoot(const Location& root, std::string_view fileRoot = {});
    // As forRoot, with the file root taken from MOVIEHOST_FILE_ROOT.
    static Sandbox fromEnvironment(const Location& root);

    // May a movie at `requester` read `target`?
    [[nodiscard]] Decision check(const Location& requester, const Location& target) const;
    [[nodiscard]] const std::string& fileRoot() const { return m_fileRoot; }

private:
    std::string m_fileRoot;  // real path, no trailing slash ("" when nothing local is readable)
};

[[nodiscard]] SandboxType sandboxTypeOf(const Location& movie);
// The name a script sees in System.security.sandboxType.
[[nodiscard]] const char* sandboxTypeName(SandboxType type);

// Does a crossdomain.xml text let movies from `requester` read its origin
// (`target`)? Malformed policies allow nothing.
[[nodiscard]] bool policyAllows(std::string_view policyXml, const Location& requester, const Location& target);

}  // namespace net
