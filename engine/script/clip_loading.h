// Content loaded into clips: loadMovie, getURL with a target, unloadMovie and
// MovieClipLoader. The bytes come through the NetSession (background fetch,
// handed over between frames); what they are decides what the clip becomes:
// a movie (ActionScript 1 and 2) plays in the clip with its own characters,
// its first frame entered at once; a JPEG, PNG or GIF image is shown at the
// clip's origin. Either replaces all the clip held, variables included.
// Anything else (or a movie of the other script machine) fails as content
// that never completed, through the same callbacks as any other failure.
#pragma once

#include "script/value.h"

#include "moviehost/expected.h"
#include "net/fetcher.h"

#include <cstdint>
#include <string_view>

namespace script {

class Object;
class Runtime;
class StageObject;

// MovieClipLoader's error codes, as the format names them.
inline constexpr std::u16string_view UrlNotFound = u"URLNotFound";
inline constexpr std::u16string_view LoadNeverCompleted = u"LoadNeverCompleted";

// Starts loading `url` (relative to the movie) into the clip; `listener`
// (may be null) is told of it. A load already running into the clip is
// dropped. False when the clip is gone.
bool loadIntoClip(Runtime& rt, StageObject& clip, std::u16string_view url, Object* listener);
// The clip becomes empty: its children, drawing and variables go, and a
// load running into it is dropped.
void unloadClipContent(Runtime& rt, StageObject& clip);
// The bytes loaded and expected of the clip's content: a load running into
// it, else what it last loaded, else nothing.
[[nodiscard]] std::optional<std::pair<uint64_t, uint64_t>> clipProgress(Runtime& rt, StageObject& clip);

// From the NetSession, on delivery. They run script code.
void clipLoadStarted(Runtime& rt, Object* clip, Object* listener);
void clipLoadProgress(Runtime& rt, Object* clip, Object* listener, uint64_t loaded, uint64_t total);
void clipLoadFinished(Runtime& rt, Object* clip, Object* listener,
                      const moviehost::Expected<net::FetchResponse, net::FetchError>& result);

}  // namespace script
