#include "net/request_headers.h"

#include <algorithm>
#include <cctype>
#include <iterator>
#include <string>

namespace net {

// Headers a movie may not set: they would let it pose as another host, a
// browser or a user, or break the framing of the request.
bool headerReserved(std::string_view name) {
    static constexpr std::string_view Reserved[] = {"accept-charset",
                                                    "accept-encoding",
                                                    "accept-ranges",
                                                    "age",
                                                    "allow",
                                                    "allowed",
                                                    "authorization",
                                                    "charge-to",
                                                    "connect",
                                                    "connection",
                                                    "content-length",
                                                    "content-location",
                                                    "content-range",
                                                    "cookie",
                                                    "date",
                                                    "delete",
                                                    "etag",
                                                    "expect",
                                                    "get",
                                                    "head",
                                                    "host",
                                                    "if-modified-since",
                                                    "keep-alive",
                                                    "last-modified",
                                                    "location",
                                                    "max-forwards",
                                                    "options",
                                                    "origin",
                                                    "post",
                                                    "proxy-authenticate",
                                                    "proxy-authorization",
                                                    "proxy-connection",
                                                    "public",
                                                    "put",
                                                    "range",
                                                    "referer",
                                                    "request-range",
                                                    "retry-after",
                                                    "server",
                                                    "te",
                                                    "trace",
                                                    "trailer",
                                                    "transfer-encoding",
                                                    "upgrade",
                                                    "uri",
                                                    "user-agent",
                                                    "vary",
                                                    "via",
                                                    "warning",
                                                    "www-authenticate",
                                                    "x-flash-version"};
    std::string lower(name);
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return std::find(std::begin(Reserved), std::end(Reserved), lower) != std::end(Reserved);
}

// A header name is a token: no separators, spaces or controls.
bool validHeaderName(std::string_view name) {
    return !name.empty() && std::all_of(name.begin(), name.end(), [](unsigned char c) {
        return c > 32 && c < 127 && std::string_view("()<>@,;:\\\"/[]?={}").find(char(c)) == std::string_view::npos;
    });
}

}  // namespace net
