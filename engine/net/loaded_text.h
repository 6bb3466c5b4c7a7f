// Text that movies load (variables, LoadVars, XML, style sheets) as the
// format's player reads it: Unicode when it starts with a byte order mark
// (UTF-8, UTF-16 little or big endian), else UTF-8 - or, when the movie set
// System.useCodepage, the code page of a Western Windows system (1252), as
// movies written for players before version 6 expect.
#pragma once

#include <string>
#include <string_view>

namespace net {

// The loaded bytes as UTF-8.
[[nodiscard]] std::string loadedText(std::string_view bytes, bool codepage);
// Code page 1252 bytes as UTF-8.
[[nodiscard]] std::string codepageToUtf8(std::string_view bytes);
// URL-encoded variables whose %XX escapes name code page bytes, with each
// escape above 0x7F rewritten as the escapes of its UTF-8 form.
[[nodiscard]] std::string codepageEscapesToUtf8(std::string_view text);

}  // namespace net
