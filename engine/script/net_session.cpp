#include "script/net_session.h"

#include "script/builtins.h"

#include "script/calls.h"
#include "script/clip_events.h"
#include "script/member_access.h"
#include "script/runtime.h"
#include "script/stage_object.h"

#include "net/sandbox.h"
#include "net/url_variables.h"

#include "swf/timeline.h"

#include <unistd.h>

#include <climits>
#include <utility>

namespace script {

namespace {

std::string currentFolder() {
    char buffer[PATH_MAX];
    return ::getcwd(buffer, sizeof buffer) != nullptr ? std::string(buffer) : std::string("/");
}

}  // namespace

void NetSession::setProgress(Object* target, uint64_t loaded, uint64_t total) {
    putOwn(m_rt, target, u"_bytesLoaded", Value(double(loaded)), PropertyFlag::DontEnum);
    putOwn(m_rt, target, u"_bytesTotal", total > 0 ? Value(double(total)) : Value(), PropertyFlag::DontEnum);
}

NetSession::~NetSession() = default;

net::Fetcher& NetSession::fetcher() {
    if (!m_fetcher) {
        auto movie = net::parseLocation(utf16ToUtf8(m_rt.host.movieUrl()), currentFolder());
        // A movie from nowhere known reads nothing: its sandbox is empty.
        m_movie = movie ? *movie : net::Location{net::Scheme::File, {}, 0, "/nonexistent/movie.swf", {}};
        m_fetcher = std::make_unique<net::Fetcher>(net::Sandbox::fromEnvironment(*m_movie));
    }
    return *m_fetcher;
}

std::optional<net::RequestId> NetSession::start(Object* target, LoadKind kind, std::string_view url,
                                                std::optional<std::string> postBody, std::string contentType,
                                                std::vector<std::pair<std::string, std::string>> headers) {
    net::Fetcher& loader = fetcher();
    auto location = net::resolveLocation(*m_movie, url);
    cancelFor(target);
    if (!location) {
        m_refused.emplace_back(Pending{target, kind}, std::move(location.error()));
        return std::nullopt;
    }
    net::FetchRequest request;
    request.requester = *m_movie;
    request.target = std::move(*location);
    request.post = postBody.has_value();
    request.body = postBody.value_or(std::string());
    if (!contentType.empty())
        request.contentType = std::move(contentType);
    request.headers = std::move(headers);
    const net::RequestId id = loader.start(std::move(request));
    m_pending[id] = Pending{target, kind};
    setProgress(target, 0, 0);
    return id;
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

void NetSession::cancelFor(Object* target) {
    std::erase_if(m_refused, [&](const auto& refused) { return refused.first.target == target; });
    for (auto it = m_pending.begin(); it != m_pending.end();) {
        if (it->second.target == target) {
            m_fetcher->cancel(it->first);
            it = m_pending.erase(it);
        } else {
            ++it;
        }
    }
}

void NetSession::deliver() {
    for (auto refused = std::exchange(m_refused, {}); const auto& [pending, reason] : refused) {
        const moviehost::Expected<net::FetchResponse, net::FetchError> failure(
            net::FetchError{net::FetchError::Kind::Refused, reason, 0});
        m_rt.guarded([&] { complete(pending, failure); });
    }
    if (!m_fetcher || m_pending.empty())
        return;
    for (auto& event : m_fetcher->drain()) {
        auto it = m_pending.find(event.id);
        if (it == m_pending.end())
            continue;
        const Pending pending = it->second;
        m_rt.guarded([&] { setProgress(pending.target, event.loaded, event.total); });
        if (!event.result)
            continue;
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
            for (const auto& [name, value] : net::decodeVariables(result->body))
                setMember(rt, target, utf8ToUtf16(name), Value(rt.makeStringUtf8(value)));
        }
        auto* clip = dynamic_cast<StageObject*>(pending.target);
        if (clip && clip->display())
            runClipEvent(rt, *clip->display(), ClipEvent{swf::ClipEvent::Data, u"onData"});
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
    const Value text = result ? Value(rt.makeStringUtf8(result->body)) : Value();
    (void)callMethod(rt, target, u"onData", std::span<const Value>(&text, 1));
}

void NetSession::traceRefs(std::vector<Object*>& out) const {
    for (const auto& [id, pending] : m_pending)
        out.push_back(pending.target);
    for (const auto& [pending, reason] : m_refused)
        out.push_back(pending.target);
}

}  // namespace script
