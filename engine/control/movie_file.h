// Reads and parses a movie file for the control's Movie property, turning
// every way it can fail into a result code and a text for the error object:
//   kFileNotFound   the file (or a folder on its path) does not exist
//   kAccessDenied   no permission to read it, or it is a folder
//   kReadFault      reading failed part-way
//   kBadFormat      not a movie (no FWS/CWS/ZWS header) or its compressed data is broken
//   kNotSupported   LZMA-compressed while the build has no liblzma
//   E_OUTOFMEMORY   the file does not fit in memory
// A damaged movie whose header is sound still loads: what was complete plays.
#pragma once

#include "control/control_error.h"

#include "swf/movie.h"

#include "moviehost/expected.h"

#include <memory>
#include <string>

namespace control {

[[nodiscard]] moviehost::Expected<std::shared_ptr<const swf::Movie>, Failure> loadMovieFile(
    const std::string& path, const swf::ParseOptions& options = {});

}  // namespace control
