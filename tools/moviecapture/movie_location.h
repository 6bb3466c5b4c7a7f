#pragma once
// The movie argument: a URL is passed through as it is, a local path must
// name an existing file.

#include <optional>
#include <string>
#include <string_view>

namespace moviecapture {

// "scheme://..." with a scheme of two or more letters; a one-letter scheme
// would be a Windows drive ("C:/movie.swf").
[[nodiscard]] bool isUrl(std::string_view location);

// A message when `location` is a local path that does not name a file.
[[nodiscard]] std::optional<std::string> checkMovie(const std::string& location);

}  // namespace moviecapture
