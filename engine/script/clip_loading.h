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
#include "swf/bitmap.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace model {
class DisplayObject;
class MovieClip;
}  // namespace model

namespace script {

class Object;
class Runtime;
class StageObject;

// MovieClipLoader's error codes, as the format names them.
inline constexpr std::u16string_view UrlNotFound = u"URLNotFound";
inline constexpr std::u16string_view LoadNeverCompleted = u"LoadNeverCompleted";

// Levels above 0 are clips of the root at depths above every depth a
// script can use, so they draw over _level0 and are hit first; scripts reach
// them only as _levelN (their _parent is undefined).
inline constexpr int32_t LevelDepthBase = 0x40000000;
inline constexpr uint32_t MaxLevel = 0xFFFF;

// "_level7" -> 7, in any case; none for other names or levels past MaxLevel.
[[nodiscard]] std::optional<uint32_t> parseLevel(std::u16string_view name);
// The clip of a level (0: the root); made empty when `create` and there is
// none yet; null when there is none or the model refused it.
[[nodiscard]] StageObject* levelClip(Runtime& rt, uint32_t level, bool create);
// Which level the object is the clip of, if any (0 for the root).
[[nodiscard]] std::optional<uint32_t> levelOf(const model::DisplayObject& object);
// What `_root` means to code of `base`: the nearest clip at or above it that
// is a level or has `_lockroot` set, else _level0.
[[nodiscard]] StageObject* rootFor(Runtime& rt, StageObject* base);

// Starts loading `url` (relative to the movie) into the clip; `listener`
// (may be null) is told of it. A load already running into the clip is
// dropped. False when the clip is gone.
// `postBody`, when given, is posted as URL-encoded variables.
bool loadIntoClip(Runtime& rt, StageObject& clip, std::u16string_view url, Object* listener,
                  std::optional<std::string> postBody = std::nullopt);
// The clip becomes empty: its children, drawing and variables go, and a
// load running into it is dropped.
void unloadClipContent(Runtime& rt, StageObject& clip);
// MovieClipLoader.unloadClip: a level above 0 goes entirely, another clip
// empties; a loader whose load into it was still running hears
// onLoadError(LoadNeverCompleted).
void unloadLoadedClip(Runtime& rt, StageObject& clip);
// A level above 0 goes entirely (unloadMovieNum).
void removeLevel(Runtime& rt, StageObject& level);
// The bytes loaded and expected of the clip's content: a load running into
// it, else what it last loaded, else nothing.
[[nodiscard]] std::optional<std::pair<uint64_t, uint64_t>> clipProgress(Runtime& rt, StageObject& clip);

// A JPEG, PNG or GIF file's pixels, within the largest bitmap a version 10
// player makes; none for other bytes or a broken file. (ActionScript 3's
// Loader shows images the same way.)
[[nodiscard]] std::optional<swf::Bitmap> decodeLoadedImage(std::span<const uint8_t> bytes);
// Draws a loaded image at the clip's origin, a pixel to a pixel.
void showLoadedImage(model::MovieClip& clip, swf::Bitmap image);

// From the NetSession, on delivery. They run script code.
void clipLoadStarted(Runtime& rt, Object* clip, Object* listener);
void clipLoadProgress(Runtime& rt, Object* clip, Object* listener, uint64_t loaded, uint64_t total);
void clipLoadFinished(Runtime& rt, Object* clip, Object* listener,
                      const moviehost::Expected<net::FetchResponse, net::FetchError>& result);

}  // namespace script
