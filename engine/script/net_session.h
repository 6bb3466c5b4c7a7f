// The loads a movie's scripts started (LoadVars, loadVariables) while they
// run on the background fetcher. The engine delivers what arrived between
// frames: progress into the waiting object, then its callbacks. A refused
// or failed load completes through the same callbacks (onLoad(false), an
// empty data event), never silently.
#pragma once

#include "script/local_connections.h"
#include "script/value.h"

#include "net/fetcher.h"

#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace script {

class Object;
class Runtime;

enum class LoadKind : uint8_t {
    LoadVars,   // a LoadVars (or XML) object: onHTTPStatus, then onData(text or undefined)
    Variables,  // a clip: variables set on it, then its data event
    Sound,      // a Sound object's MP3 file: kept as its sound, then onLoad(success)
    Movie,      // a clip's new content (loadMovie, MovieClipLoader), see clip_loading.h
    Socket,     // an XMLSocket's connection: always refused, onConnect(false)
    Stream,     // a NetStream's FLV file: played as it arrives (netStreamArrived, netStreamLoaded)
};

class NetSession {
public:
    explicit NetSession(Runtime& rt) : m_rt(rt) {}
    ~NetSession();

    // Starts fetching `url` (relative to the movie) for `target`. Progress
    // lands in the target's hidden _bytesLoaded and _bytesTotal, as the
    // format's LoadVars keeps it. nullopt when the URL cannot be read as a
    // location: the target hears of the failure at the next delivery.
    // With `streamBody` a Sound hears of each piece as it arrives (soundArrived).
    std::optional<net::RequestId> start(Object* target, LoadKind kind, std::string_view url,
                                        std::optional<std::string> postBody = std::nullopt,
                                        std::string contentType = {},
                                        std::vector<std::pair<std::string, std::string>> headers = {},
                                        bool streamBody = false);
    // A clip's new content; `listener` (may be null) is the MovieClipLoader
    // that hears of its progress.
    std::optional<net::RequestId> startMovie(Object* clip, Object* listener, std::string_view url,
                                             std::optional<std::string> postBody = std::nullopt);
    // Fails `target` at the next delivery without fetching anything.
    void refuse(Object* target, LoadKind kind, std::string reason);
    // Bytes so far of a load into this target, none when it has none running.
    [[nodiscard]] std::optional<std::pair<uint64_t, uint64_t>> progressOf(const Object* target) const;
    // The file a movie's reference names, when it is a local file the
    // movie may read (NetStream plays only those); else why not.
    [[nodiscard]] moviehost::Expected<std::string, std::string> localFile(std::string_view url);
    // Whether a movie's reference names something other than a local file.
    [[nodiscard]] bool remote(std::string_view url);
    // Whether the movie's sandbox refuses that outright (no policy file could change it).
    [[nodiscard]] bool refused(std::string_view url);
    // Forgets the loads of this target (a new load replaces the old one).
    // The MovieClipLoader of a clip's load that was running, if any.
    Object* cancelFor(Object* target);
    // Progress and results that arrived, handed to scripts. Runs script code.
    void deliver();
    [[nodiscard]] bool busy() const { return !m_pending.empty() || !m_refused.empty() || m_local.busy(); }
    // LocalConnection names and messages; delivered with the loads.
    [[nodiscard]] LocalConnections& localConnections() { return m_local; }
    void traceRefs(std::vector<Object*>& out) const;

private:
    struct Pending {
        Object* target = nullptr;
        LoadKind kind = LoadKind::LoadVars;
        Object* listener = nullptr;  // Movie: its MovieClipLoader
        bool local = false;          // a file: it lands at the next delivery
        bool started = false;        // Movie: onLoadStart was sent
        uint64_t loaded = 0;
        uint64_t total = 0;
    };
    // At most this many loads run at once; more are refused.
    static constexpr size_t MaxPending = 64;
    net::Fetcher& fetcher();
    void setProgress(Pending& pending, uint64_t loaded, uint64_t total);
    // onLoadStart (once) and onLoadProgress of a clip's load; runs script.
    void reportMovieProgress(net::RequestId id);
    void complete(const Pending& pending, const moviehost::Expected<net::FetchResponse, net::FetchError>& result);

    Runtime& m_rt;
    std::optional<net::Location> m_movie;
    std::unique_ptr<net::Fetcher> m_fetcher;
    std::map<net::RequestId, Pending> m_pending;
    // Loads refused before they could start (a location that does not
    // parse); they fail at the next delivery like any other.
    std::vector<std::pair<Pending, std::string>> m_refused;
    LocalConnections m_local;
};

// The runtime's session, made on first use.
NetSession& netSession(Runtime& rt);
// Whether the movie set System.useCodepage: loaded text without a byte
// order mark is then read in the code page (see net/loaded_text.h).
[[nodiscard]] bool usesCodepage(Runtime& rt);
// The headers addRequestHeader collected on a LoadVars or XML object.
[[nodiscard]] std::vector<std::pair<std::string, std::string>> requestHeadersOf(Runtime& rt, Object* object);
// load(url) of LoadVars and XML: the answer reaches the object's onData.
Value loadDocument(Runtime& rt, const Value& self, std::span<const Value> args);

}  // namespace script
