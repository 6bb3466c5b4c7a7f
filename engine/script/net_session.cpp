#include "script/net_session.h"

#include "script/builtins.h"

#include "script/array_object.h"
#include "script/calls.h"
#include "script/clip_events.h"
#include "script/clip_loading.h"
#include "script/conversions.h"
#include "script/member_access.h"
#include "script/movie_origins.h"
#include "script/runtime.h"
#include "script/stage_object.h"

#include "net/loaded_text.h"
#include "net/sandbox.h"
#include "net/url_variables.h"

#include "swf/timeline.h"

#include <unistd.h>

#include <chrono>
#include <climits>
#include <utility>

namespace script {

namespace {

std::string currentFolder() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string("/");
}

}  // namespace

void NetSession::setProgress(Pending& pending, uint64_t loaded, uint64_t total) {
    pending.loaded = loaded;
    pending.total = total;
    if (pending.kind == LoadKind::Movie || pending.kind == LoadKind::Stream)
        return;  // clips and streams keep their variables clean; they hear of progress themselves
    putOwn(m_rt, pending.target, u"_bytesLoaded", Value(double(loaded)), PropertyFlag::DontEnum);
    putOwn(m_rt, pending.target, u"_bytesTotal", total > 0 ? Value(double(total)) : Value(), PropertyFlag::DontEnum);
}

NetSession::~NetSession() = default;

net::Fetcher& NetSession::fetcher() {
    if (!m_fetcher) {
        auto movie = net::parseLocation(utf16ToUtf8(m_rt.movieUrl()), currentFolder());
        // A movie from nowhere known reads nothing: its sandbox is empty.
        m_movie = movie ? *movie : net::Location{net::Scheme::File, {}, 0, "/nonexistent/movie.swf", {}};
        m_fetcher = std::make_unique<net::Fetcher>(net::Sandbox::fromEnvironment(*m_movie),
                                                   net::FetchLimits::fromEnvironment());
    }
    return *m_fetcher;
}

std::optional<net::RequestId> NetSession::start(Object* target, LoadKind kind, std::string_view url,
                                                std::optional<std::string> postBody, std::string contentType,
                                                std::vector<std::pair<std::string, std::string>> headers,
                                                bool streamBody) {
    net::Fetcher& loader = fetcher();
    // A loaded movie loads relative to itself, and the sandbox judges it by
    // its own origin.
    const net::Location requester = m_rt.codeTarget ? runningMovie(m_rt).location : *m_movie;
    auto location = net::resolveLocation(requester, url);
    cancelFor(target);
    if (!location || m_pending.size() >= MaxPending) {
        m_refused.emplace_back(Pending{target, kind},
                               location ? std::string("too many loads at once") : std::move(location.error()));
        return std::nullopt;
    }
    const bool local = location->isLocal();
    net::FetchRequest request;
    request.requester = requester;
    request.target = std::move(*location);
    request.post = postBody.has_value();
    request.body = postBody.value_or(std::string());
    if (!contentType.empty())
        request.contentType = std::move(contentType);
    request.headers = std::move(headers);
    request.streamBody = streamBody;
    const net::RequestId id = loader.start(std::move(request));
    Pending& pending = m_pending[id];
    pending.target = target;
    pending.kind = kind;
    pending.local = local;
    if (kind != LoadKind::Movie)
        setProgress(pending, 0, 0);
    return id;
}

std::optional<net::RequestId> NetSession::startMovie(Object* clip, Object* listener, std::string_view url,
                                                     std::optional<std::string> postBody) {
    auto id = start(clip, LoadKind::Movie, url, std::move(postBody));
    if (id)
        m_pending[*id].listener = listener;
    else if (!m_refused.empty())
        m_refused.back().first.listener = listener;
    return id;
}

void NetSession::reportMovieProgress(net::RequestId id) {
    auto it = m_pending.find(id);
    if (it == m_pending.end())
        return;
    Object* target = it->second.target;
    Object* listener = it->second.listener;
    const uint64_t loaded = it->second.loaded;
    const uint64_t total = it->second.total;
    if (!std::exchange(it->second.started, true)) {
        clipLoadStarted(m_rt, target, listener);
        if (!m_pending.contains(id))
            return;  // the listener gave up on it
    }
    clipLoadProgress(m_rt, target, listener, loaded, total);
}

void NetSession::refuse(Object* target, LoadKind kind, std::string reason) {
    cancelFor(target);
    if (m_refused.size() < MaxPending)
        m_refused.emplace_back(Pending{target, kind}, std::move(reason));
}

std::optional<std::pair<uint64_t, uint64_t>> NetSession::progressOf(const Object* target) const {
    for (const auto& [id, pending] : m_pending) {
        if (pending.target == target)
            return std::pair{pending.loaded, pending.total};
    }
    return std::nullopt;
}

moviehost::Expected<std::string, std::string> NetSession::localFile(std::string_view url) {
    (void)fetcher();
    auto location = net::resolveLocation(*m_movie, url);
    if (!location)
        return moviehost::Unexpected(std::move(location.error()));
    if (!location->isLocal())
        return moviehost::Unexpected(std::string("only local files are played"));
    net::Decision decision = net::Sandbox::fromEnvironment(*m_movie).check(*m_movie, *location);
    if (decision.kind != net::Decision::Kind::Allowed)
        return moviehost::Unexpected(std::move(decision.reason));
    return std::move(decision.filePath);
}

bool NetSession::remote(std::string_view url) {
    (void)fetcher();
    const auto location = net::resolveLocation(*m_movie, url);
    return location && !location->isLocal();
}

bool NetSession::refused(std::string_view url) {
    (void)fetcher();
    const auto location = net::resolveLocation(*m_movie, url);
    return !location || fetcher().sandbox().check(*m_movie, *location).kind == net::Decision::Kind::Refused;
}

Object* NetSession::cancelFor(Object* target) {
    std::erase_if(m_refused, [&](const auto& refused) { return refused.first.target == target; });
    Object* listener = nullptr;
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (it->second.target == target) {
            if (it->second.kind == LoadKind::Movie && it->second.listener)
                listener = it->second.listener;
            if (m_fetcher)
                m_fetcher->cancel(it->first);
            it = m_pending.erase(it);
        } else {
            ++it;
        }
    }
    return listener;
}

void NetSession::deliver() {
    m_local.deliver(m_rt);
    for (auto refused = std::exchange(m_refused, {}); const auto& [pending, reason] : refused) {
        const moviehost::Expected<net::FetchResponse, net::FetchError> failure(
            net::FetchError{net::FetchError::Kind::Refused, reason, 0});
        m_rt.guarded([&] { complete(pending, failure); });
    }
    if (!m_fetcher || m_pending.empty())
        return;
    // Local files land at the first delivery after their load started, so a
    // run plays the same way every time; a disk that stalls is not waited
    // for beyond the limit (the load then lands later).
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
    for (const auto& [id, pending] : m_pending) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (pending.local && left.count() > 0)
            (void)m_fetcher->waitFinished(id, left);
    }
    for (auto& event : m_fetcher->drain()) {
        auto it = m_pending.find(event.id);
        if (it == m_pending.end())
            continue;
        m_rt.guarded([&] { setProgress(it->second, event.loaded, event.total); });
        if (!event.chunk.empty() && it->second.kind == LoadKind::Sound) {
            Object* sound = it->second.target;
            const auto* bytes = reinterpret_cast<const uint8_t*>(event.chunk.data());
            m_rt.guarded([&] { soundArrived(m_rt, sound, {bytes, event.chunk.size()}); });
            it = m_pending.find(event.id);
            if (it == m_pending.end())
                continue;
        }
        if (it->second.kind == LoadKind::Stream) {
            const auto* bytes = reinterpret_cast<const uint8_t*>(event.chunk.data());
            netStreamArrived(it->second.target, {bytes, event.chunk.size()}, event.total);
        }
        const bool failed = event.result && !event.result->has_value();
        if (it->second.kind == LoadKind::Movie && !failed)
            m_rt.guarded([&] { reportMovieProgress(event.id); });
        // A callback may have cancelled or restarted this target's load.
        it = m_pending.find(event.id);
        if (!event.result)
            continue;
        if (it == m_pending.end())
            continue;
        const Pending pending = it->second;
        m_pending.erase(it);
        m_rt.guarded([&] { complete(pending, *event.result); });
    }
}

void NetSession::complete(const Pending& pending,
                          const moviehost::Expected<net::FetchResponse, net::FetchError>& result) {
    Runtime& rt = m_rt;
    const Value target(pending.target);
    if (pending.kind == LoadKind::Variables) {
        if (result) {
            const bool codepage = usesCodepage(rt);
            std::string text = net::loadedText(result->body, codepage);
            if (codepage)
                text = net::codepageEscapesToUtf8(text);
            for (const auto& [name, value] : net::decodeVariables(text))
                setMember(rt, target, utf8ToUtf16(name), Value(rt.makeStringUtf8(value)));
        }
        auto* clip = dynamic_cast<StageObject*>(pending.target);
        if (clip && clip->display())
            runClipEvent(rt, *clip->display(), ClipEvent{swf::ClipEvent::Data, u"onData"});
        return;
    }
    if (pending.kind == LoadKind::Socket) {
        const Value refused = Value::fromBool(false);
        (void)callMethod(rt, target, u"onConnect", std::span<const Value>(&refused, 1));
        return;
    }
    if (pending.kind == LoadKind::Movie) {
        clipLoadFinished(rt, pending.target, pending.listener, result);
        return;
    }
    if (pending.kind == LoadKind::Stream) {
        netStreamLoaded(pending.target, result ? std::nullopt : std::optional(result.error().kind));
        return;
    }
    if (pending.kind == LoadKind::Sound) {
        const std::string_view body = result ? std::string_view(result->body) : std::string_view();
        soundLoaded(rt, pending.target, {reinterpret_cast<const uint8_t*>(body.data()), body.size()},
                    result.has_value());
        return;
    }
    const int status = result ? result->httpStatus : result.error().httpStatus;
    const Value onStatus = getMember(rt, target, u"onHTTPStatus");
    if (onStatus.asObject() && onStatus.asObject()->isCallable()) {
        const Value code{double(status)};
        (void)callFunction(rt, onStatus, target, std::span<const Value>(&code, 1));
    }
    const Value text = result ? Value(rt.makeStringUtf8(net::loadedText(result->body, usesCodepage(rt)))) : Value();
    (void)callMethod(rt, target, u"onData", std::span<const Value>(&text, 1));
}

bool usesCodepage(Runtime& rt) {
    const Value system = getMember(rt, Value(rt.global), u"System");
    return system.asObject() && toBoolean(rt, getMember(rt, system, u"useCodepage"));
}

NetSession& netSession(Runtime& rt) {
    if (!rt.net)
        rt.net = std::make_unique<NetSession>(rt);
    return *rt.net;
}

std::vector<std::pair<std::string, std::string>> requestHeadersOf(Runtime& rt, Object* object) {
    std::vector<std::pair<std::string, std::string>> out;
    auto* list = dynamic_cast<ArrayObject*>(getMember(rt, Value(object), u"_customHeaders").asObject());
    if (!list)
        return out;
    for (size_t i = 0; i + 1 < list->length(); i += 2)
        out.emplace_back(toString(rt, list->at(i)).utf8(), toString(rt, list->at(i + 1)).utf8());
    return out;
}

void NetSession::traceRefs(std::vector<Object*>& out) const {
    m_local.traceRefs(out);
    for (const auto& [id, pending] : m_pending) {
        out.push_back(pending.target);
        if (pending.listener)
            out.push_back(pending.listener);
    }
    for (const auto& [pending, reason] : m_refused) {
        out.push_back(pending.target);
        if (pending.listener)
            out.push_back(pending.listener);
    }
}

}  // namespace script
