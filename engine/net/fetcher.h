// Fetches files and URLs on background threads, so that the host thread
// never waits for a disk or a network. Results and progress queue up and are
// handed over when the owner drains them, between frames.
//
// Every request passes the sandbox first (and again after each redirect,
// consulting crossdomain.xml where needed); a refused request completes with
// a Refused error, never silently. Each transfer is bounded in time, size
// and redirects; TLS peers are verified.
#pragma once

#include "net/location.h"
#include "net/sandbox.h"

#include "moviehost/expected.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace net {

struct FetchLimits {
    size_t maxBytes = size_t(64) << 20;
    std::chrono::milliseconds timeout{30000};
    int maxRedirects = 5;
    size_t maxPolicyBytes = size_t(64) << 10;
    // A PEM file of the only CAs https peers may chain to. Empty (always, in
    // the control): the system's CAs. Tests set it to their own test CA.
    std::string caFile;

    // The defaults, narrowed by MOVIEHOST_FETCH_MAX_BYTES (bytes a file)
    // and MOVIEHOST_FETCH_TIMEOUT_MS (a whole load). Values that are not
    // positive whole numbers, or above the defaults, are ignored.
    [[nodiscard]] static FetchLimits fromEnvironment();
};

struct FetchRequest {
    Location requester;  // the movie asking; the sandbox judges by it
    Location target;
    bool post = false;
    std::string body;  // sent when post
    std::string contentType = "application/x-www-form-urlencoded";
    std::vector<std::pair<std::string, std::string>> headers;
    // Hand the body over as it arrives (FetchEvent::chunk), for players that
    // start before the whole file is in; the final result still has it all.
    bool streamBody = false;
};

struct FetchResponse {
    Location finalLocation;  // after redirects
    int httpStatus = 0;      // 0 for files
    std::string body;
};

struct FetchError {
    enum class Kind { Refused, NotFound, TooLarge, TimedOut, Network, Http };
    Kind kind = Kind::Network;
    std::string reason;
    int httpStatus = 0;
};

using RequestId = uint64_t;

struct FetchEvent {
    RequestId id = 0;
    uint64_t loaded = 0;
    uint64_t total = 0;  // 0 while unknown
    // With streamBody: the bytes of the (successful) body that arrived since
    // the previous event of this request, in order; coalesced events join theirs.
    std::string chunk;
    // Set on the last event of a request; absent for progress.
    std::optional<moviehost::Expected<FetchResponse, FetchError>> result;
};

class Fetcher {
public:
    explicit Fetcher(Sandbox sandbox, FetchLimits limits = {});
    ~Fetcher();  // cancels what runs and waits for the threads
    Fetcher(const Fetcher&) = delete;
    Fetcher& operator=(const Fetcher&) = delete;

    [[nodiscard]] RequestId start(FetchRequest request);
    // No event of this request is delivered after this returns.
    void cancel(RequestId id);
    // Called on a worker thread whenever an event is queued (the owner posts
    // itself a message); must not call back into the fetcher.
    void setWakeup(std::function<void()> wakeup);

    // The queued events in order; progress of one request is coalesced.
    [[nodiscard]] std::vector<FetchEvent> drain();
    // Blocks until the request's last event is queued (or it is gone), at
    // most `limit`. For local files, whose reads finish quickly, so that a
    // load lands at a predictable frame; false when the limit passed.
    bool waitFinished(RequestId id, std::chrono::milliseconds limit);
    [[nodiscard]] bool idle() const;
    [[nodiscard]] const Sandbox& sandbox() const;

private:
    struct State;
    std::shared_ptr<State> m_state;
};

}  // namespace net
