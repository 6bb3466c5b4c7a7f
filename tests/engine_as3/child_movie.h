// An ActionScript 3 movie for a Loader to load: its document class ChildDoc
// (a MovieClip) says fscommand("child", loaderInfo.url) when it is made,
// after Security.allowDomain(grant) when a grant is given (then its class
// is GrantingDoc).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace as3test {

[[nodiscard]] std::vector<uint8_t> scriptChildMovie(const std::string& grant = {});
// Its ABC block alone.
[[nodiscard]] std::vector<uint8_t> childBlock(const std::string& grant);
// An ABC block of two classes: Dot (a Sprite) and LibDoc (a MovieClip),
// both doing nothing more than their bases.
[[nodiscard]] std::vector<uint8_t> libraryBlock();

}  // namespace as3test
