// Reads and parses a movie file for the control's Movie property, turning
// every way it can fail into a result code and a text for the error object:
//   FileNotFound   the file (or a folder on its path) does not exist
//   AccessDenied   no permission to read it, or it is a folder
//   ReadFault      reading failed part-way
//   BadFormat      not a movie (no FWS/CWS/ZWS header) or its compressed data is broken
//   NotSupported   LZMA-compressed while the build has no liblzma
//   E_OUTOFMEMORY   the file does not fit in memory
// A damaged movie whose header is sound still loads: what was complete plays.
#pragma once

#include "control/control_error.h"

#include "swf/movie.h"

#include "moviehost/expected.h"

#include <memory>
#include <string>
#include <vector>

namespace control {

[[nodiscard]] moviehost::Expected<std::shared_ptr<const swf::Movie>, Failure> loadMovieFile(
    const std::string& path, const swf::ParseOptions& options = {});
// The same for a movie's bytes from elsewhere (the network); `name` says
// where from in the failure's text.
[[nodiscard]] moviehost::Expected<std::shared_ptr<const swf::Movie>, Failure> parseMovieBytes(
    const std::vector<uint8_t>& bytes, const std::string& name, const swf::ParseOptions& options = {});

}  // namespace control
