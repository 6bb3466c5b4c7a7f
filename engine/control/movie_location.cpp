#include "control/movie_location.h"

#include "net/url_variables.h"
#include "platform/wide.h"

#include <algorithm>
#include <optional>

namespace control {

namespace {

bool isAsciiLetter(char16_t c) { return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z'); }

char16_t lowerAscii(char16_t c) { return (c >= u'A' && c <= u'Z') ? char16_t(c - u'A' + u'a') : c; }

bool startsWithIgnoringCase(std::u16string_view text, std::u16string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    return std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char16_t a, char16_t b) { return lowerAscii(a) == lowerAscii(b); });
}

// The scheme of "scheme://...", if the location has that shape.
std::optional<std::u16string_view> networkScheme(std::u16string_view location) {
    if (location.empty() || !isAsciiLetter(location.front()))
        return std::nullopt;
    size_t i = 1;
    while (i < location.size() && (isAsciiLetter(location[i]) || (location[i] >= u'0' && location[i] <= u'9') ||
                                   location[i] == u'+' || location[i] == u'-' || location[i] == u'.'))
        ++i;
    if (location.substr(i, 3) != u"://")
        return std::nullopt;
    return location.substr(0, i);
}

// Escapes are bytes of UTF-8, so the text is decoded after conversion.
std::optional<std::string> percentDecode(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out.push_back(text[i]);
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = net::hexValue(text[i + 1]);
        const int low = net::hexValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        const char byte = char(high * 16 + low);
        if (byte == '\0')
            return std::nullopt;
        out.push_back(byte);
        i += 2;
    }
    return out;
}

Failure invalid(std::u16string text) { return Failure{E_INVALIDARG, std::move(text)}; }

}  // namespace

moviehost::Expected<std::string, Failure> filePathOf(std::u16string_view location) {
    if (location.empty())
        return invalid(u"no movie location was given");
    if (location.find(u'\0') != std::u16string_view::npos)
        return invalid(u"the movie location contains a zero character");

    if (!startsWithIgnoringCase(location, u"file:")) {
        if (const auto scheme = networkScheme(location)) {
            std::u16string text = u"only local files can be played; the location uses the scheme \"";
            text += *scheme;
            text += u"\"";
            return Failure{NotSupported, std::move(text)};
        }
        return platform::utf16_to_utf8(location);
    }

    std::u16string_view rest = location.substr(5);
    if (rest.substr(0, 2) == u"//") {
        rest.remove_prefix(2);
        const size_t slash = rest.find(u'/');
        const std::u16string_view host = rest.substr(0, slash);
        const bool local = host.empty() || (host.size() == 9 && startsWithIgnoringCase(host, u"localhost"));
        if (!local)
            return Failure{NotSupported, u"the file URL names another host: only local files can be played"};
        if (slash == std::u16string_view::npos)
            return invalid(u"the file URL names no file");
        rest.remove_prefix(slash);
    }
    if (rest.empty() || rest.front() != u'/')
        return invalid(u"the file URL does not hold an absolute path");
    // A query or fragment is not part of the file's name.
    rest = rest.substr(0, std::min(rest.find(u'?'), rest.find(u'#')));
    auto decoded = percentDecode(platform::utf16_to_utf8(rest));
    if (!decoded)
        return invalid(u"the file URL holds a broken %-escape");
    return std::move(*decoded);
}

}  // namespace control
