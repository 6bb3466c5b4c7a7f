#include "net/fetcher.h"
#include "net/request_headers.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <charconv>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string_view>
#include <thread>

namespace net {

namespace {

constexpr size_t WorkerCount = 4;

using moviehost::Unexpected;
using Result = moviehost::Expected<FetchResponse, FetchError>;

FetchError failure(FetchError::Kind kind, std::string reason, int status = 0) {
    return FetchError{kind, std::move(reason), status};
}

void initialiseCurl() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

}  // namespace

struct Fetcher::State {
    Sandbox sandbox;
    FetchLimits limits;

    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable finished;  // a request's last event was queued
    std::deque<std::pair<RequestId, FetchRequest>> pending;
    std::vector<FetchEvent> events;
    std::set<RequestId> running;
    std::set<RequestId> cancelled;
    std::map<std::string, std::optional<std::string>> policies;  // origin -> policy text (nullopt: none)
    std::function<void()> wakeup;
    std::vector<std::thread> workers;
    RequestId nextId = 1;
    bool stopping = false;

    bool isCancelled(RequestId id) {
        std::lock_guard lock(mutex);
        return stopping || cancelled.count(id) != 0;
    }

    void post(FetchEvent event) {
        const bool last = event.result.has_value();
        std::function<void()> notify;
        {
            std::lock_guard lock(mutex);
            if (stopping || cancelled.count(event.id) != 0)
                return;
            if (!event.result && !events.empty() && events.back().id == event.id && !events.back().result) {
                // Appending to the queued piece keeps a long undrained download linear.
                std::string joined = std::move(events.back().chunk);
                joined += event.chunk;
                event.chunk = std::move(joined);
                events.back() = std::move(event);
            } else {
                events.push_back(std::move(event));
            }
            notify = wakeup;
        }
        if (last)
            finished.notify_all();
        if (notify)
            notify();
    }

    void work() {
        for (;;) {
            std::pair<RequestId, FetchRequest> job;
            {
                std::unique_lock lock(mutex);
                wake.wait(lock, [&] { return stopping || !pending.empty(); });
                if (stopping)
                    return;
                job = std::move(pending.front());
                pending.pop_front();
                running.insert(job.first);
            }
            Result result = run(job.first, job.second);
            FetchEvent done;
            done.id = job.first;
            if (result) {
                done.loaded = result->body.size();
                done.total = done.loaded;
            }
            done.result = std::move(result);
            post(std::move(done));
            {
                std::lock_guard lock(mutex);
                running.erase(job.first);
                cancelled.erase(job.first);
            }
            finished.notify_all();
        }
    }

    Result run(RequestId id, const FetchRequest& request) {
        // The time limit holds for the whole load, redirects and policies included.
        const auto deadline = std::chrono::steady_clock::now() + limits.timeout;
        Location target = request.target;
        bool post = request.post;
        for (int hop = 0;; ++hop) {
            const Decision decision = sandbox.check(request.requester, target);
            switch (decision.kind) {
            case Decision::Kind::Refused:
                return failure(FetchError::Kind::Refused, decision.reason);
            case Decision::Kind::Missing:
                return failure(FetchError::Kind::NotFound, decision.reason);
            case Decision::Kind::NeedsPolicy:
                if (!policyAllowsTarget(id, request.requester, target, decision.policy, deadline))
                    return failure(FetchError::Kind::Refused, "the crossdomain.xml of " + target.origin() +
                                                                  " does not allow " + request.requester.origin());
                break;
            case Decision::Kind::Allowed:
                break;
            }
            if (target.isLocal())
                return readFile(id, decision.filePath, target, request.streamBody);
            std::string redirect;
            Result result = transfer(id, request, target, post, limits.maxBytes, deadline, &redirect);
            if (!result || redirect.empty())
                return result;
            // A redirect is no final answer: the script hears status 0, as for a broken connection.
            if (hop >= limits.maxRedirects)
                return failure(FetchError::Kind::Network, "too many redirects");
            auto next = parseLocation(redirect);
            if (!next)
                return failure(FetchError::Kind::Refused,
                               "a redirect leads to a location that is refused: " + next.error());
            if (result->httpStatus == 303 || ((result->httpStatus == 301 || result->httpStatus == 302) && post))
                post = false;
            target = std::move(*next);
        }
    }

    bool policyAllowsTarget(RequestId id, const Location& requester, const Location& target, const Location& policy,
                            std::chrono::steady_clock::time_point deadline) {
        std::optional<std::string> text;
        bool known = false;
        {
            std::lock_guard lock(mutex);
            if (auto it = policies.find(policy.origin()); it != policies.end()) {
                text = it->second;
                known = true;
            }
        }
        if (!known) {
            FetchRequest fetch;
            fetch.requester = policy;
            fetch.target = policy;
            // A policy is read where it is: no redirects, small.
            Result result = transfer(id, fetch, policy, false, limits.maxPolicyBytes, deadline, nullptr);
            if (result && result->httpStatus == 200)
                text = std::move(result->body);
            // A policy that could not be read in time is asked for again by the next load.
            if (!result && (result.error().kind == FetchError::Kind::TimedOut || result.error().reason == "cancelled"))
                return false;
            std::lock_guard lock(mutex);
            policies[policy.origin()] = text;
        }
        return text && policyAllows(*text, requester, target);
    }

    Result readFile(RequestId id, const std::string& path, const Location& target, bool stream) {
        std::ifstream in(path, std::ios::binary);
        if (!in)
            return failure(FetchError::Kind::NotFound, "the file " + target.path + " cannot be opened");
        in.seekg(0, std::ios::end);
        const auto size = static_cast<uint64_t>(std::max<std::streamoff>(0, in.tellg()));
        in.seekg(0);
        if (size > limits.maxBytes)
            return failure(FetchError::Kind::TooLarge, "the file " + target.path + " is larger than the limit of " +
                                                           std::to_string(limits.maxBytes) + " bytes");
        FetchResponse response;
        response.finalLocation = target;
        char buffer[1 << 16];
        while (in) {
            if (isCancelled(id))
                return failure(FetchError::Kind::Network, "cancelled");
            in.read(buffer, sizeof buffer);
            response.body.append(buffer, size_t(in.gcount()));
            if (response.body.size() > limits.maxBytes)
                return failure(FetchError::Kind::TooLarge, "the file " + target.path + " grew beyond the limit");
            post(FetchEvent{id, response.body.size(), size,
                            stream ? std::string(buffer, size_t(in.gcount())) : std::string(), std::nullopt});
        }
        if (in.bad())
            return failure(FetchError::Kind::Network, "reading " + target.path + " failed");
        return response;
    }

    struct Transfer {
        State* state;
        RequestId id;
        size_t maxBytes;
        CURL* curl;
        bool stream;  // hand the body over as it arrives
        bool report;  // a policy's bytes are no part of the load's progress
        std::string body;
        bool tooLarge = false;
        curl_off_t lastReported = -1;
        uint64_t total = 0;

        // Only a success's body counts: redirects and errors stay whole and
        // quiet, so a listener hears of progress only on the way to content.
        [[nodiscard]] bool succeeding() const {
            long status = 0;
            curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
            return report && status >= 200 && status < 300;
        }
    };

    static size_t onData(char* data, size_t size, size_t count, void* user) {
        auto& transfer = *static_cast<Transfer*>(user);
        const size_t bytes = size * count;
        if (transfer.body.size() + bytes > transfer.maxBytes) {
            transfer.tooLarge = true;
            return 0;
        }
        transfer.body.append(data, bytes);
        if (transfer.stream && transfer.succeeding())
            transfer.state->post(FetchEvent{transfer.id, transfer.body.size(),
                                            std::max<uint64_t>(transfer.total, transfer.body.size()),
                                            std::string(data, bytes), std::nullopt});
        return bytes;
    }

    static int onProgress(void* user, curl_off_t total, curl_off_t loaded, curl_off_t, curl_off_t) {
        auto& transfer = *static_cast<Transfer*>(user);
        if (transfer.state->isCancelled(transfer.id))
            return 1;
        if (total > 0 && uint64_t(total) > transfer.maxBytes) {
            transfer.tooLarge = true;
            return 1;
        }
        if (total > 0)
            transfer.total = uint64_t(total);
        if (loaded != transfer.lastReported && !transfer.stream && transfer.succeeding()) {
            transfer.lastReported = loaded;
            transfer.state->post(
                FetchEvent{transfer.id, uint64_t(loaded), uint64_t(std::max<curl_off_t>(0, total)), {}, std::nullopt});
        }
        return 0;
    }

    // One HTTP exchange. A redirect answer leaves its target in *redirect;
    // without `redirect` (a policy read) it neither follows nor reports progress.
    Result transfer(RequestId id, const FetchRequest& request, const Location& target, bool post, size_t maxBytes,
                    std::chrono::steady_clock::time_point deadline, std::string* redirect) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return failure(FetchError::Kind::TimedOut, target.url() + " did not answer in time");
        initialiseCurl();
        CURL* curl = curl_easy_init();
        if (curl == nullptr)
            return failure(FetchError::Kind::Network, "the network library could not start a transfer");
        Transfer state{this, id, maxBytes, curl, request.streamBody, redirect != nullptr, {}};
        const std::string url = target.url();
        curl_slist* headers = nullptr;
        for (const auto& [name, value] : request.headers) {
            // Header names and values never carry line breaks onto the wire.
            if (!validHeaderName(name) || headerReserved(name) || value.find_first_of("\r\n") != std::string::npos)
                continue;
            // "Name;" is how the library sends a header with no value ("Name:" would remove it).
            headers = curl_slist_append(headers, (value.empty() ? name + ";" : name + ": " + value).c_str());
        }
        if (post && request.contentType.find_first_of("\r\n") == std::string::npos)
            headers = curl_slist_append(headers, ("Content-Type: " + request.contentType).c_str());
        curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
        curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
        curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 0L);
        curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
        curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
        if (!limits.caFile.empty()) {
            curl_easy_setopt(curl, CURLOPT_CAINFO, limits.caFile.c_str());
            curl_easy_setopt(curl, CURLOPT_CAPATH, nullptr);
        }
        curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, long(left.count()));
        curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, long(left.count()));
        curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(maxBytes));
        curl_easy_setopt(curl, CURLOPT_USERAGENT, "moviehost");
        curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "");
        curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &State::onData);
        curl_easy_setopt(curl, CURLOPT_WRITEDATA, &state);
        curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &State::onProgress);
        curl_easy_setopt(curl, CURLOPT_XFERINFODATA, &state);
        curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
        if (post) {
            curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size()));
            curl_easy_setopt(curl, CURLOPT_POSTFIELDS, request.body.c_str());
        }
        const CURLcode code = curl_easy_perform(curl);
        long status = 0;
        curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
        char* location = nullptr;
        curl_easy_getinfo(curl, CURLINFO_REDIRECT_URL, &location);
        const std::string redirectTarget = location != nullptr ? location : "";
        curl_easy_cleanup(curl);
        curl_slist_free_all(headers);

        if (state.tooLarge || code == CURLE_FILESIZE_EXCEEDED)
            return failure(FetchError::Kind::TooLarge,
                           url + " is larger than the limit of " + std::to_string(maxBytes) + " bytes");
        if (code == CURLE_OPERATION_TIMEDOUT)
            return failure(FetchError::Kind::TimedOut, url + " did not answer in time");
        if (code == CURLE_ABORTED_BY_CALLBACK)
            return failure(FetchError::Kind::Network, "cancelled");
        if (code != CURLE_OK)
            return failure(FetchError::Kind::Network, url + ": " + curl_easy_strerror(code));
        FetchResponse response;
        response.finalLocation = target;
        response.httpStatus = int(status);
        if (status >= 300 && status < 400 && !redirectTarget.empty() && redirect != nullptr) {
            *redirect = redirectTarget;
            return response;
        }
        if (status >= 400 || status < 200)
            return failure(FetchError::Kind::Http, url + " answered with status " + std::to_string(status),
                           int(status));
        response.body = std::move(state.body);
        return response;
    }
};

Fetcher::Fetcher(Sandbox sandbox, FetchLimits limits) : m_state(std::make_shared<State>()) {
    m_state->sandbox = std::move(sandbox);
    m_state->limits = limits;
}

Fetcher::~Fetcher() {
    {
        std::lock_guard lock(m_state->mutex);
        m_state->stopping = true;
    }
    m_state->wake.notify_all();
    for (auto& worker : m_state->workers)
        worker.join();
}

RequestId Fetcher::start(FetchRequest request) {
    std::lock_guard lock(m_state->mutex);
    const RequestId id = m_state->nextId++;
    m_state->pending.emplace_back(id, std::move(request));
    if (m_state->workers.size() < WorkerCount &&
        m_state->pending.size() + m_state->running.size() > m_state->workers.size())
        m_state->workers.emplace_back([state = m_state.get()] { state->work(); });
    m_state->wake.notify_one();
    return id;
}

void Fetcher::cancel(RequestId id) {
    std::lock_guard lock(m_state->mutex);
    auto& pending = m_state->pending;
    const auto queued = std::find_if(pending.begin(), pending.end(), [&](const auto& job) { return job.first == id; });
    if (queued != pending.end())
        pending.erase(queued);
    else if (m_state->running.count(id) != 0)
        m_state->cancelled.insert(id);
    auto& events = m_state->events;
    events.erase(std::remove_if(events.begin(), events.end(), [&](const FetchEvent& e) { return e.id == id; }),
                 events.end());
}

void Fetcher::setWakeup(std::function<void()> wakeup) {
    std::lock_guard lock(m_state->mutex);
    m_state->wakeup = std::move(wakeup);
}

std::vector<FetchEvent> Fetcher::drain() {
    std::lock_guard lock(m_state->mutex);
    return std::exchange(m_state->events, {});
}

bool Fetcher::waitFinished(RequestId id, std::chrono::milliseconds limit) {
    std::unique_lock lock(m_state->mutex);
    return m_state->finished.wait_for(lock, limit, [&] {
        const auto& events = m_state->events;
        if (std::any_of(events.begin(), events.end(), [&](const FetchEvent& e) { return e.id == id && e.result; }))
            return true;
        const auto& pending = m_state->pending;
        const bool queued =
            std::any_of(pending.begin(), pending.end(), [&](const auto& job) { return job.first == id; });
        return m_state->stopping || (!queued && m_state->running.count(id) == 0);
    });
}

bool Fetcher::idle() const {
    std::lock_guard lock(m_state->mutex);
    return m_state->pending.empty() && m_state->running.empty() && m_state->events.empty();
}

const Sandbox& Fetcher::sandbox() const { return m_state->sandbox; }

namespace {

// A positive whole number no larger than `most`, or none.
std::optional<uint64_t> narrowing(const char* name, uint64_t most) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return std::nullopt;
    uint64_t value = 0;
    const std::string_view view(text);
    const auto [end, error] = std::from_chars(view.data(), view.data() + view.size(), value);
    if (error != std::errc() || end != view.data() + view.size() || value == 0 || value > most)
        return std::nullopt;
    return value;
}

}  // namespace

FetchLimits FetchLimits::fromEnvironment() {
    FetchLimits limits;
    if (auto bytes = narrowing("MOVIEHOST_FETCH_MAX_BYTES", limits.maxBytes))
        limits.maxBytes = size_t(*bytes);
    if (auto ms = narrowing("MOVIEHOST_FETCH_TIMEOUT_MS", uint64_t(limits.timeout.count())))
        limits.timeout = std::chrono::milliseconds(*ms);
    return limits;
}

}  // namespace net
