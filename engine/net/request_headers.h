// Which request headers a movie may set on its loads.
#pragma once

#include <string_view>

namespace net {

// Headers the player sets itself: a movie setting them could pose as another
// host, a browser or a user, or break the framing of the request.
[[nodiscard]] bool headerReserved(std::string_view name);
// A header name is a token: no separators, spaces or controls.
[[nodiscard]] bool validHeaderName(std::string_view name);

}  // namespace net
