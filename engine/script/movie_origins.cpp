#include "script/movie_origins.h"

#include "script/runtime.h"
#include "script/stage_object.h"

#include "model/display_object.h"
#include "swf/movie.h"

#include <unistd.h>

#include <climits>

namespace script {

namespace {

// Grants a movie may collect; more are ignored (a script in a loop).
constexpr size_t MaxGrants = 256;

std::string currentFolder() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string("/");
}

net::Location nowhere() { return net::Location{net::Scheme::File, {}, 0, "/nonexistent/movie.swf", {}}; }

MovieOrigin& rootMovie(Runtime& rt) {
    if (!rt.rootMovie) {
        auto location = net::parseLocation(utf16ToUtf8(rt.movieUrl()), currentFolder());
        rt.rootMovie = std::make_shared<MovieOrigin>();
        // A movie from nowhere known counts as a local one.
        rt.rootMovie->location = location ? *location : nowhere();
    }
    return *rt.rootMovie;
}

}  // namespace

MovieOrigin& movieOf(Runtime& rt, const model::DisplayObject* display) {
    for (const model::DisplayObject* d = display; d && d != &rt.root(); d = d->parent()) {
        const auto* link = static_cast<const StageLink*>(d->scriptData());
        if (link && link->movie)
            return *link->movie;
    }
    return rootMovie(rt);
}

MovieOrigin& runningMovie(Runtime& rt) { return movieOf(rt, rt.codeTarget ? rt.codeTarget->display() : nullptr); }

bool isRootMovie(Runtime& rt, const MovieOrigin& movie) { return &movie == &rootMovie(rt); }

bool mayReach(Runtime& rt, const model::DisplayObject& display) {
    // Until a movie of another origin arrives every movie shares the root's.
    if (!rt.mixedOrigins || !rt.codeTarget || !rt.codeTarget->display())
        return true;
    const MovieOrigin& caller = runningMovie(rt);
    const MovieOrigin& target = movieOf(rt, &display);
    return &caller == &target || net::mayScript(caller.location, target.location, target.grants);
}

void setLoadedOrigin(Runtime& rt, StageObject& clip, const net::Location& location) {
    StageLink* link = clip.link();
    if (!link)
        return;
    auto movie = std::make_shared<MovieOrigin>();
    movie->location = location;
    link->movie = std::move(movie);
    if (location.origin() != rootMovie(rt).location.origin())
        rt.mixedOrigins = true;
}

void clearLoadedOrigin(StageObject& clip) {
    if (StageLink* link = clip.link())
        link->movie.reset();
}

bool grantDomain(Runtime& rt, std::string_view text, bool insecure) {
    auto grant = net::parseDomainGrant(text, insecure);
    if (!grant)
        return false;
    MovieOrigin& movie = runningMovie(rt);
    if (movie.grants.size() < MaxGrants)
        movie.grants.push_back(std::move(*grant));
    return true;
}

bool mayCallHost(Runtime& rt) {
    const net::HostAccess access = net::parseHostAccess(utf16ToUtf8(rt.host.allowScriptAccess()));
    if (!rt.embeddedRoot)
        return net::mayCallHost(access, runningMovie(rt).location, rootMovie(rt).location);
    // "sameDomain" is judged against the container's movie, not this one.
    const auto container = net::parseLocation(utf16ToUtf8(rt.host.movieUrl()), currentFolder());
    return net::mayCallHost(access, runningMovie(rt).location, container ? *container : nowhere());
}

std::u16string hostRequestUrl(Runtime& rt, std::u16string_view url) {
    const MovieOrigin& movie = runningMovie(rt);
    if (!rt.embeddedRoot && isRootMovie(rt, movie))
        return std::u16string(url);
    auto resolved = net::resolveLocation(movie.location, utf16ToUtf8(url));
    // What does not resolve (javascript:, mailto:) goes as written.
    return resolved ? utf8ToUtf16(resolved->url()) : std::u16string(url);
}

uint8_t movieVersion(Runtime& rt, const model::DisplayObject* display) {
    return display && display->library() ? display->library()->header.version : rt.rootVersion;
}

namespace {
void useVersion(Runtime& rt, uint8_t version) {
    rt.version = version;
    rt.caseSensitive = version >= 7;
}
}  // namespace

RunningCode::RunningCode(Runtime& rt, StageObject* target) : m_rt(rt) {
    if (target) {
        m_previous = rt.codeTarget;
        m_previousVersion = rt.version;
        rt.codeTarget = target;
        // A clip that left the stage keeps the rules of the code around it.
        if (model::DisplayObject* display = target->display())
            useVersion(rt, movieVersion(rt, display));
        m_set = true;
    }
}

RunningCode::~RunningCode() {
    if (m_set) {
        m_rt.codeTarget = m_previous;
        useVersion(m_rt, m_previousVersion);
    }
}

}  // namespace script
