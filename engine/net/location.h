// Where a movie or a file comes from: a local file, or an http/https URL.
//
//   "movies/a.swf?level=3"     a path; relative ones are made absolute
//   "file:///srv/a%20b.swf"    a file URL (local host only, %XX decoded)
//   "http://host:8080/a.swf"   a network URL, fetched later
// A query string rides along in `query` for every kind, so that a movie's
// parameters reach its root variables. Anything else ("ftp:", "javascript:",
// user names in URLs, broken escapes, zero bytes) is refused with a reason.
#pragma once

#include "net/url_variables.h"

#include "moviehost/expected.h"

#include <string>
#include <string_view>

namespace net {

enum class Scheme { File, Http, Https };

struct Location {
    Scheme scheme = Scheme::File;
    std::string host;  // lower case; empty for files
    int port = 0;      // the effective port of a network URL
    // Files: the absolute, lexically normalised file system path.
    // Network: the path as sent, %-escaped, normalised, starting with '/'.
    std::string path;
    std::string query;  // without the '?', fragment dropped

    [[nodiscard]] bool isLocal() const { return scheme == Scheme::File; }
    // "http://host:port" for network locations, "file://" for files.
    [[nodiscard]] std::string origin() const;
    // The full text to fetch or show (file URL for files).
    [[nodiscard]] std::string url() const;
    bool operator==(const Location&) const = default;
};

// A location as given to the host or the control. Relative paths are taken
// against `currentFolder` (an absolute path).
[[nodiscard]] moviehost::Expected<Location, std::string> parseLocation(std::string_view text,
                                                                       std::string_view currentFolder = "/");

// A reference made by a movie at `base`: an absolute URL, a file URL, or a
// path relative to the base's folder (or to its root for "/...").
[[nodiscard]] moviehost::Expected<Location, std::string> resolveLocation(const Location& base,
                                                                         std::string_view reference);

// The query string's variables, which become a movie's root variables.
[[nodiscard]] inline Variables queryVariables(const Location& location) { return decodeVariables(location.query); }

}  // namespace net
