// A root movie named by an http or https URL. It is fetched on the
// background fetcher (time, size and redirect limits, TLS verified), so
// put_Movie returns at once and the host thread never waits for the
// network; the control looks for it on its clock and shows it when it is in.
#pragma once

#include "control/control_error.h"

#include "moviehost/expected.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace net {
class Fetcher;
}  // namespace net

namespace control {

class RemoteMovie {
public:
    // Starts fetching; null when the location is no network URL.
    [[nodiscard]] static std::unique_ptr<RemoteMovie> start(std::u16string_view location);
    ~RemoteMovie();
    RemoteMovie(const RemoteMovie&) = delete;
    RemoteMovie& operator=(const RemoteMovie&) = delete;

    [[nodiscard]] const std::u16string& location() const { return m_location; }
    // The whole file once it is in, or why it will not come; none while it runs.
    [[nodiscard]] std::optional<moviehost::Expected<std::vector<uint8_t>, Failure>> poll();
    // As poll, after waiting for the fetch to end (it has its own time limit).
    [[nodiscard]] moviehost::Expected<std::vector<uint8_t>, Failure> wait();

    // Whether the host runs on the virtual clock (MOVIEHOST_CLOCK=virtual):
    // then the root is waited for before the clock moves, so a capture of a
    // network movie starts at its first frame as one of a file does.
    [[nodiscard]] static bool waitsForRoot();

private:
    RemoteMovie() = default;

    std::u16string m_location;
    std::unique_ptr<net::Fetcher> m_fetcher;
    uint64_t m_request = 0;
};

}  // namespace control
