// The loads a movie's scripts start (URLLoader, Loader, sendToURL) while
// they run on the background fetcher. The player hands what arrived to each
// load's owner between frames, before enterFrame: local files land at the
// first frame after their load started, so a run plays the same way every
// time. A load refused before it could start (a URL that is no location,
// too many at once) fails at that delivery too, never silently.
#pragma once

#include "as3/host_context.h"

#include "net/fetcher.h"

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace as3 {

using FetchResult = moviehost::Expected<net::FetchResponse, net::FetchError>;

// The native state of an object that owns loads: it hears progress, then
// the end. Both run script (event listeners).
class LoadClient {
public:
    virtual ~LoadClient() = default;
    virtual void loadProgress(avm2::Machine& m, avm2::Value self, uint64_t loaded, uint64_t total) = 0;
    virtual void loadFinished(avm2::Machine& m, avm2::Value self, const FetchResult& result) = 0;
    // The body's bytes as they arrive, for a load started with streamBody.
    virtual void loadChunk(avm2::Machine&, avm2::Value, std::string_view) {}
};

// A request as URLRequest describes it.
struct RequestParts {
    std::string url;  // with GET data appended as its query
    bool post = false;
    std::string body;
    std::string contentType;
    std::vector<std::pair<std::string, std::string>> headers;
    bool streamBody = false;  // the owner hears of the bytes as they arrive (loadChunk)
};

class NetLoads {
public:
    explicit NetLoads(const std::u16string& movieUrl);
    ~NetLoads();
    NetLoads(const NetLoads&) = delete;
    NetLoads& operator=(const NetLoads&) = delete;

    // Starts a load for `owner` (whose native state is a LoadClient, or
    // undefined for a load nobody hears of). The id names it to cancel().
    net::RequestId start(HeldValues& held, avm2::Value owner, const RequestParts& request);
    // A load whose result is already known (Loader.loadBytes): it lands at
    // the next delivery like any other.
    net::RequestId finished(HeldValues& held, avm2::Value owner, FetchResult result);
    void cancel(HeldValues& held, net::RequestId id);
    // What arrived since the last call, in order (waiting briefly for local
    // files started before, see above).
    [[nodiscard]] std::vector<net::FetchEvent> drain(const HeldValues& held);
    [[nodiscard]] const net::Location& movie() const { return m_movie; }
    // The movie's reference resolved, as the text events and errors name it.
    [[nodiscard]] std::string resolvedUrl(std::string_view reference) const;

private:
    // At most this many loads run at once; more are refused.
    static constexpr size_t MaxPending = 64;
    net::Location m_movie;
    std::unique_ptr<net::Fetcher> m_fetcher;
    std::vector<net::RequestId> m_local;  // local loads not yet delivered
    // Results known before any fetch: refusals and loadBytes.
    std::vector<std::pair<net::RequestId, FetchResult>> m_ready;
    net::RequestId m_nextReady = net::RequestId(1) << 62;
};

// The player's loads, made on first use.
[[nodiscard]] NetLoads& netLoads(avm2::Machine& m);

// Reads a URLRequest (TypeError #2007 for null, ArgumentError #2096 for a
// header scripts may not set).
[[nodiscard]] RequestParts requestParts(avm2::Machine& m, avm2::Value request);

// Events of the loads.
[[nodiscard]] avm2::Value makeProgressEvent(avm2::Machine& m, uint64_t loaded, uint64_t total);
[[nodiscard]] avm2::Value makeStatusEvent(avm2::Machine& m, int status);
// IOErrorEvent or SecurityErrorEvent.
[[nodiscard]] avm2::Value makeErrorEvent(avm2::Machine& m, const char16_t* className, const char16_t* type,
                                         const std::u16string& text, int32_t id);
// Dispatches an error event; with nobody listening for it the script hears
// Error #2044, as an unhandled one.
void dispatchErrorEvent(avm2::Machine& m, avm2::Object* target, avm2::Value event);
// The error event a failed load gives: text, number and class.
struct LoadFailure {
    const char16_t* className;
    const char16_t* type;
    int32_t id;
    std::u16string text;
};
[[nodiscard]] LoadFailure loadFailure(const net::FetchError& error, const std::string& url, bool forLoader);

}  // namespace as3
