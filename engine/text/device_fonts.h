// Device fonts: a face name resolved through fontconfig ("_sans", "_serif"
// and "_typewriter" stand for sans-serif, serif and monospace; unknown names
// fall back to fontconfig's default), glyph outlines read with FreeType.
// Faces and their glyphs are cached for the life of the process.
#pragma once

#include "text/font_face.h"

#include <memory>
#include <string>
#include <vector>

namespace text {

// Never empty: when nothing at all can be loaded, a face without glyphs
// whose metrics are a plain guess.
[[nodiscard]] std::shared_ptr<const Face> deviceFace(const std::string& name, bool bold, bool italic);

// The fontconfig family for a name the movie gives.
[[nodiscard]] std::string deviceFamily(const std::string& name);

// The families of the system's scalable fonts, sorted, each once.
[[nodiscard]] std::vector<std::string> deviceFontFamilies();

}  // namespace text
