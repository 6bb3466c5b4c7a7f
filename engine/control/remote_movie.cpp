#include "control/remote_movie.h"

#include "net/fetcher.h"
#include "net/location.h"
#include "net/sandbox.h"

#include "platform/wide.h"

#include <chrono>
#include <cstdlib>
#include <string_view>

namespace control {

namespace {

Failure fetchFailure(const std::u16string& location, const net::FetchError& error) {
    HRESULT code = ReadFault;
    switch (error.kind) {
    case net::FetchError::Kind::NotFound:
        code = FileNotFound;
        break;
    case net::FetchError::Kind::Refused:
        code = AccessDenied;
        break;
    case net::FetchError::Kind::Http:
        code = error.httpStatus == 404 || error.httpStatus == 410 ? FileNotFound : AccessDenied;
        break;
    case net::FetchError::Kind::TooLarge:
    case net::FetchError::Kind::TimedOut:
    case net::FetchError::Kind::Network:
        break;
    }
    return Failure{code, u"cannot load the movie \"" + location + u"\": " + platform::utf8_to_utf16(error.reason)};
}

}  // namespace

RemoteMovie::~RemoteMovie() = default;

std::unique_ptr<RemoteMovie> RemoteMovie::start(std::u16string_view location) {
    auto parsed = net::parseLocation(platform::utf16_to_utf8(location));
    if (!parsed || parsed->isLocal())
        return nullptr;
    std::unique_ptr<RemoteMovie> movie(new RemoteMovie());
    movie->m_location = std::u16string(location);
    // A network root reads its own origin only; no local file is in reach.
    movie->m_fetcher =
        std::make_unique<net::Fetcher>(net::Sandbox::forRoot(*parsed), net::FetchLimits::fromEnvironment());
    net::FetchRequest request;
    request.requester = *parsed;
    request.target = *parsed;
    movie->m_request = movie->m_fetcher->start(std::move(request));
    return movie;
}

std::optional<moviehost::Expected<std::vector<uint8_t>, Failure>> RemoteMovie::poll() {
    for (auto& event : m_fetcher->drain()) {
        if (event.id != m_request || !event.result)
            continue;
        if (!event.result->has_value())
            return moviehost::Expected<std::vector<uint8_t>, Failure>(
                moviehost::Unexpected(fetchFailure(m_location, event.result->error())));
        const std::string& body = event.result->value().body;
        return moviehost::Expected<std::vector<uint8_t>, Failure>(std::vector<uint8_t>(body.begin(), body.end()));
    }
    return std::nullopt;
}

moviehost::Expected<std::vector<uint8_t>, Failure> RemoteMovie::wait() {
    // Past the fetch's own limit the fetcher has given up; this bound only
    // guards against a worker that never reports.
    const auto limit = net::FetchLimits{}.timeout + std::chrono::seconds(5);
    (void)m_fetcher->waitFinished(m_request, std::chrono::duration_cast<std::chrono::milliseconds>(limit));
    if (auto arrived = poll())
        return std::move(*arrived);
    return moviehost::Unexpected(Failure{ReadFault, u"cannot load the movie \"" + m_location + u"\": timed out"});
}

bool RemoteMovie::waitsForRoot() {
    const char* clock = std::getenv("MOVIEHOST_CLOCK");
    return clock && std::string_view(clock) == "virtual";
}

}  // namespace control
