#include "as3/net_loads.h"

#include "as3/event_dispatch.h"

#include "avm2/conversions.h"

#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <climits>

namespace as3 {

using avm2::Machine;
using avm2::Value;

namespace {

std::string currentFolder() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string("/");
}

}  // namespace

NetLoads::NetLoads(const std::u16string& movieUrl) {
    auto movie = net::parseLocation(avm2::utf16ToUtf8(movieUrl), currentFolder());
    // A movie from nowhere known reads nothing: its sandbox is empty.
    m_movie = movie ? *movie : net::Location{net::Scheme::File, {}, 0, "/nonexistent/movie.swf", {}};
    m_fetcher =
        std::make_unique<net::Fetcher>(net::Sandbox::fromEnvironment(m_movie), net::FetchLimits::fromEnvironment());
}

NetLoads::~NetLoads() = default;

std::string NetLoads::resolvedUrl(std::string_view reference) const {
    auto location = net::resolveLocation(m_movie, reference);
    return location ? location->url() : std::string(reference);
}

net::RequestId NetLoads::start(HeldValues& held, Value owner, const RequestParts& parts) {
    auto location = net::resolveLocation(m_movie, parts.url);
    if (!location || held.loads.size() >= MaxPending) {
        std::string reason = location ? std::string("too many loads at once") : location.error();
        return finished(
            held, owner,
            FetchResult(moviehost::Unexpected(net::FetchError{net::FetchError::Kind::Refused, std::move(reason), 0})));
    }
    const bool local = location->isLocal();
    net::FetchRequest request;
    request.requester = m_movie;
    request.target = std::move(*location);
    request.post = parts.post;
    request.body = parts.body;
    if (!parts.contentType.empty())
        request.contentType = parts.contentType;
    request.headers = parts.headers;
    request.streamBody = parts.streamBody;
    const net::RequestId id = m_fetcher->start(std::move(request));
    // A load nobody owns (sendToURL) runs to its end unheard.
    if (owner.isObject()) {
        held.loads[id] = owner;
        if (local)
            m_local.push_back(id);
    }
    return id;
}

net::RequestId NetLoads::finished(HeldValues& held, Value owner, FetchResult result) {
    const net::RequestId id = m_nextReady++;
    if (owner.isObject()) {
        held.loads[id] = owner;
        m_ready.emplace_back(id, std::move(result));
    }
    return id;
}

void NetLoads::cancel(HeldValues& held, net::RequestId id) {
    held.loads.erase(id);
    std::erase(m_local, id);
    std::erase_if(m_ready, [&](const auto& r) { return r.first == id; });
    m_fetcher->cancel(id);
}

std::vector<net::FetchEvent> NetLoads::drain(const HeldValues& held) {
    std::vector<net::FetchEvent> events;
    for (auto& [id, result] : std::exchange(m_ready, {})) {
        net::FetchEvent event;
        event.id = id;
        if (result) {
            event.loaded = event.total = result->body.size();
        }
        event.result = std::move(result);
        events.push_back(std::move(event));
    }
    // Local files land at the first delivery after their load started; a
    // disk that stalls is not waited for beyond the limit.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (net::RequestId id : std::exchange(m_local, {})) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() > 0)
            (void)m_fetcher->waitFinished(id, left);
    }
    // Loads that ended together land in the order they were started, not
    // as the workers happened to finish (files of one frame, in particular).
    std::vector<net::FetchEvent> fetched = m_fetcher->drain();
    std::stable_sort(fetched.begin(), fetched.end(),
                     [](const net::FetchEvent& a, const net::FetchEvent& b) { return a.id < b.id; });
    for (net::FetchEvent& event : fetched) {
        if (held.loads.contains(event.id))
            events.push_back(std::move(event));
    }
    return events;
}

NetLoads& netLoads(Machine& m) {
    HostContext& ctx = hostContext(m);
    if (!ctx.loads)
        ctx.loads = std::make_shared<NetLoads>(ctx.url);
    return *ctx.loads;
}

Value makeProgressEvent(Machine& m, uint64_t loaded, uint64_t total) {
    const Value args[5] = {m.string(u"progress"), Value::boolean(false), Value::boolean(false),
                           Value::number(double(loaded)), Value::number(double(total))};
    return m.construct(Value::object(m.coreClass(u"flash.events", u"ProgressEvent")), args);
}

Value makeStatusEvent(Machine& m, int status) {
    const Value args[4] = {m.string(u"httpStatus"), Value::boolean(false), Value::boolean(false),
                           Value::fromInt(status)};
    return m.construct(Value::object(m.coreClass(u"flash.events", u"HTTPStatusEvent")), args);
}

Value makeErrorEvent(Machine& m, const char16_t* className, const char16_t* type, const std::u16string& text,
                     int32_t id) {
    const Value args[5] = {m.string(type), Value::boolean(false), Value::boolean(false), m.string(text),
                           Value::fromInt(id)};
    return m.construct(Value::object(m.coreClass(u"flash.events", className)), args);
}

void dispatchErrorEvent(Machine& m, avm2::Object* target, Value event) {
    Machine::Pin keep(m, event);
    const EventState& e = eventOf(m, event);
    const std::u16string type = m.toString(e.type)->text();
    const bool heard = dispatcherOf(m, target).has(type);
    (void)dispatch(m, target, event);
    if (!heard)
        m.throwError("Error", 2044, u"Unhandled " + type + u":. text=" + m.toString(e.text)->text());
}

LoadFailure loadFailure(const net::FetchError& error, const std::string& url, bool forLoader) {
    const std::u16string where = avm2::utf8ToUtf16(url);
    if (error.kind == net::FetchError::Kind::Refused)
        return {u"SecurityErrorEvent", u"securityError", 2048,
                u"Error #2048: Security sandbox violation: cannot load data from " + where + u"."};
    // Cut off by the size or time limit: it began but never ended.
    const bool cutOff = error.kind == net::FetchError::Kind::TooLarge || error.kind == net::FetchError::Kind::TimedOut;
    if (forLoader && cutOff)
        return {u"IOErrorEvent", u"ioError", 2036, u"Error #2036: Load Never Completed. URL: " + where};
    if (forLoader)
        return {u"IOErrorEvent", u"ioError", 2035, u"Error #2035: URL Not Found. URL: " + where};
    return {u"IOErrorEvent", u"ioError", 2032, u"Error #2032: Stream Error. URL: " + where};
}

}  // namespace as3
