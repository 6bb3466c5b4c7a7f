#include "net/location.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>
#include <vector>

namespace net {

namespace {

using moviehost::Unexpected;
using Result = moviehost::Expected<Location, std::string>;

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

std::string lowered(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lowerAscii);
    return out;
}

bool isAsciiLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }

// The scheme of "scheme:...", lower case, if the text starts with one. A
// single letter is a drive, not a scheme.
std::optional<std::string> schemeOf(std::string_view text) {
    if (text.empty() || !isAsciiLetter(text.front()))
        return std::nullopt;
    size_t i = 1;
    while (i < text.size() && (isAsciiLetter(text[i]) || (text[i] >= '0' && text[i] <= '9') || text[i] == '+' ||
                               text[i] == '-' || text[i] == '.'))
        ++i;
    if (i < 2 || i >= text.size() || text[i] != ':')
        return std::nullopt;
    return lowered(text.substr(0, i));
}

// Splits "path?query#fragment".
void splitQuery(std::string_view text, std::string_view& path, std::string& query) {
    const size_t hash = text.find('#');
    text = text.substr(0, hash);
    const size_t question = text.find('?');
    path = text.substr(0, question);
    query = question == std::string_view::npos ? std::string() : std::string(text.substr(question + 1));
}

// Removes "." and ".." segments; nullopt when ".." would climb above the top.
std::optional<std::string> normalisePath(std::string_view path) {
    std::vector<std::string_view> segments;
    size_t start = 1;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string_view::npos)
            end = path.size();
        const std::string_view segment = path.substr(start, end - start);
        if (segment == "..") {
            if (segments.empty())
                return std::nullopt;
            segments.pop_back();
        } else if (segment != "." && !(segment.empty() && end != path.size())) {
            segments.push_back(segment);
        } else if (end == path.size()) {
            segments.push_back({});  // keeps a trailing slash
        }
        start = end + 1;
    }
    std::string out;
    for (const auto segment : segments) {
        out.push_back('/');
        out += segment;
    }
    return out.empty() ? std::string("/") : out;
}

// A path for the wire: bytes outside the printable ASCII range and spaces
// become escapes, so that curl never sees raw bytes.
std::string wirePath(std::string_view path) {
    static constexpr char Digits[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7f || c == '"' || c == '<' || c == '>' || c == '\\') {
            out.push_back('%');
            out.push_back(Digits[byte >> 4]);
            out.push_back(Digits[byte & 15]);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

bool hasBrokenEscape(std::string_view text) {
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%')
            continue;
        if (i + 2 >= text.size() || !std::isxdigit(static_cast<unsigned char>(text[i + 1])) ||
            !std::isxdigit(static_cast<unsigned char>(text[i + 2])))
            return true;
        if (text[i + 1] == '0' && text[i + 2] == '0')
            return true;
    }
    return false;
}

Result networkLocation(Scheme scheme, std::string_view rest) {
    // rest: "//host[:port]/path?query"
    if (rest.substr(0, 2) != "//")
        return Unexpected(std::string("a network URL needs \"//\" and a host"));
    rest.remove_prefix(2);
    const size_t pathStart = std::min(rest.find_first_of("/?#"), rest.size());
    const std::string_view authority = rest.substr(0, pathStart);
    if (authority.find('@') != std::string_view::npos)
        return Unexpected(std::string("user names and passwords in URLs are refused"));
    Location location;
    location.scheme = scheme;
    location.port = scheme == Scheme::Https ? 443 : 80;
    std::string_view host = authority;
    std::string_view port;
    if (!host.empty() && host.front() == '[') {
        const size_t close = host.find(']');
        if (close == std::string_view::npos)
            return Unexpected(std::string("the URL's host has an unclosed '['"));
        port = host.substr(close + 1);
        host = host.substr(0, close + 1);
        if (!port.empty() && port.front() != ':')
            return Unexpected(std::string("the URL's host is followed by text that is no port"));
        if (!port.empty())
            port.remove_prefix(1);
    } else if (const size_t colon = host.find(':'); colon != std::string_view::npos) {
        port = host.substr(colon + 1);
        host = host.substr(0, colon);
    }
    if (host.empty())
        return Unexpected(std::string("the URL names no host"));
    for (const char c : host) {
        const bool ok = std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-' || c == '_' || c == '[' ||
                        c == ']' || c == ':';
        if (!ok)
            return Unexpected(std::string("the URL's host holds characters a host name cannot have"));
    }
    if (!port.empty()) {
        int value = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (error != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535)
            return Unexpected(std::string("the URL's port is not a number from 1 to 65535"));
        location.port = value;
    }
    location.host = lowered(host);
    std::string_view path;
    splitQuery(rest.substr(pathStart), path, location.query);
    if (hasBrokenEscape(path))
        return Unexpected(std::string("the URL holds a broken %-escape"));
    auto normal = normalisePath(path.empty() ? std::string_view("/") : path);
    if (!normal)
        return Unexpected(std::string("the URL's path climbs above its top with \"..\""));
    location.path = wirePath(*normal);
    return location;
}

Result fileLocation(std::string_view path, std::string query) {
    if (path.find('\0') != std::string_view::npos)
        return Unexpected(std::string("the path contains a zero byte"));
    if (path.empty() || path.front() != '/')
        return Unexpected(std::string("the path is not absolute"));
    auto normal = normalisePath(path);
    if (!normal)
        return Unexpected(std::string("the path climbs above the top of the file system with \"..\""));
    Location location;
    location.path = std::move(*normal);
    location.query = std::move(query);
    return location;
}

Result fileUrlLocation(std::string_view rest) {
    if (rest.substr(0, 2) == "//") {
        rest.remove_prefix(2);
        const size_t slash = rest.find('/');
        const std::string host = lowered(rest.substr(0, slash));
        if (!host.empty() && host != "localhost")
            return Unexpected(std::string("the file URL names another host"));
        if (slash == std::string_view::npos)
            return Unexpected(std::string("the file URL names no file"));
        rest.remove_prefix(slash);
    }
    std::string_view path;
    std::string query;
    splitQuery(rest, path, query);
    if (hasBrokenEscape(path))
        return Unexpected(std::string("the file URL holds a broken %-escape"));
    return fileLocation(unescapeText(path, false), std::move(query));
}

std::string joinPath(std::string_view folderOf, std::string_view relative) {
    const size_t slash = folderOf.rfind('/');
    std::string out(folderOf.substr(0, slash == std::string_view::npos ? 0 : slash + 1));
    if (out.empty())
        out = "/";
    out += relative;
    return out;
}

}  // namespace

std::string Location::origin() const {
    if (scheme == Scheme::File)
        return "file://";
    std::string out = scheme == Scheme::Https ? "https://" : "http://";
    out += host;
    out += ':';
    out += std::to_string(port);
    return out;
}

std::string Location::url() const {
    std::string out;
    if (scheme == Scheme::File) {
        out = "file://" + path;
    } else {
        out = scheme == Scheme::Https ? "https://" : "http://";
        out += host;
        const bool defaultPort = port == (scheme == Scheme::Https ? 443 : 80);
        if (!defaultPort)
            out += ':' + std::to_string(port);
        out += path;
    }
    if (!query.empty())
        out += '?' + query;
    return out;
}

Result parseLocation(std::string_view text, std::string_view currentFolder) {
    if (text.empty())
        return Unexpected(std::string("no location was given"));
    if (text.find('\0') != std::string_view::npos)
        return Unexpected(std::string("the location contains a zero byte"));
    if (const auto scheme = schemeOf(text)) {
        const std::string_view rest = text.substr(scheme->size() + 1);
        if (*scheme == "file")
            return fileUrlLocation(rest);
        if (*scheme == "http")
            return networkLocation(Scheme::Http, rest);
        if (*scheme == "https")
            return networkLocation(Scheme::Https, rest);
        return Unexpected("the scheme \"" + *scheme + "\" is not supported");
    }
    std::string_view path;
    std::string query;
    splitQuery(text, path, query);
    if (path.empty())
        return Unexpected(std::string("the location names no file"));
    if (path.front() == '/')
        return fileLocation(path, std::move(query));
    std::string folder(currentFolder);
    if (folder.empty() || folder.back() != '/')
        folder.push_back('/');
    return fileLocation(folder + std::string(path), std::move(query));
}

Result resolveLocation(const Location& base, std::string_view reference) {
    if (reference.empty())
        return Unexpected(std::string("no location was given"));
    if (reference.find('\0') != std::string_view::npos)
        return Unexpected(std::string("the location contains a zero byte"));
    if (schemeOf(reference))
        return parseLocation(reference);
    if (reference.substr(0, 2) == "//") {
        // Scheme-relative: same scheme as the base.
        if (base.isLocal())
            return fileUrlLocation(reference);
        return networkLocation(base.scheme, reference);
    }
    std::string_view path;
    std::string query;
    splitQuery(reference, path, query);
    if (base.isLocal()) {
        const std::string joined = path.empty()          ? base.path
                                   : path.front() == '/' ? std::string(path)
                                                         : joinPath(base.path, path);
        return fileLocation(joined, std::move(query));
    }
    std::string joined = path.empty() ? base.path : path.front() == '/' ? std::string(path) : joinPath(base.path, path);
    std::string text = base.scheme == Scheme::Https ? "https://" : "http://";
    text += base.host.find(':') != std::string::npos && base.host.front() != '[' ? "[" + base.host + "]" : base.host;
    text += ':' + std::to_string(base.port) + joined;
    if (!query.empty())
        text += '?' + query;
    return parseLocation(text);
}

}  // namespace net
