// The file behind the control's Movie property: a file path, or a file URL.
//
//   "movies/a.swf", "/srv/a b.swf"           paths, used as they are
//   "file:///srv/a%20b.swf"                  file URL, %XX escapes decoded
//   "file://localhost/srv/a.swf"             the local host may be named
//   "file:/srv/a.swf"                        the short form
// Any other scheme ("http://...") names no local file and is refused, as is
// a file URL for another host, a broken escape, an escaped zero byte, and an
// empty location.
#pragma once

#include "control/control_error.h"

#include "moviehost/expected.h"

#include <string>
#include <string_view>

namespace control {

// The file system path (UTF-8), or why there is none (E_INVALIDARG or
// kNotSupported, with a text).
[[nodiscard]] moviehost::Expected<std::string, Failure> filePathOf(std::u16string_view location);

}  // namespace control
