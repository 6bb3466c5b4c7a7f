#include "movie_location.h"

#include <cctype>
#include <filesystem>
#include <system_error>

namespace moviecapture {

bool isUrl(std::string_view location) {
    const auto separator = location.find("://");
    if (separator == std::string_view::npos || separator < 2)
        return false;
    const auto scheme = location.substr(0, separator);
    if (!std::isalpha(static_cast<unsigned char>(scheme.front())))
        return false;
    for (const char c : scheme) {
        const auto u = static_cast<unsigned char>(c);
        if (!std::isalnum(u) && c != '+' && c != '-' && c != '.')
            return false;
    }
    return true;
}

std::optional<std::string> checkMovie(const std::string& location) {
    if (isUrl(location))
        return std::nullopt;
    std::error_code error;
    const auto status = std::filesystem::status(location, error);
    if (!std::filesystem::exists(status))
        return "movie not found: " + location;
    if (std::filesystem::is_directory(status))
        return "movie is a folder, not a file: " + location;
    return std::nullopt;
}

}  // namespace moviecapture
