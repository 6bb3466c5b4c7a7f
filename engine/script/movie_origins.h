// Where each movie of the tree came from. The root movie comes from the
// control's location; a movie (or image) loaded into a clip brings its own,
// and the clip it landed in marks where that movie begins. A script of one
// movie reaches a display object of another origin only when that movie
// granted the script's domain (System.security.allowDomain); otherwise it
// reads undefined there, its writes are dropped and its paths lead nowhere.
#pragma once

#include "net/location.h"
#include "net/script_access.h"

#include <vector>

namespace model {
class DisplayObject;
}  // namespace model

namespace script {

class Runtime;
class StageObject;

using MovieOrigin = net::MovieOrigin;

// The movie a display object belongs to (the root's when nothing loaded
// above it; null means the root as well).
[[nodiscard]] MovieOrigin& movieOf(Runtime& rt, const model::DisplayObject* display);
// The movie whose code runs now: the root's outside any script.
[[nodiscard]] MovieOrigin& runningMovie(Runtime& rt);
[[nodiscard]] bool isRootMovie(Runtime& rt, const MovieOrigin& movie);
// May the code running now touch this display object?
[[nodiscard]] bool mayReach(Runtime& rt, const model::DisplayObject& display);
// Content from `location` now fills the clip.
void setLoadedOrigin(Runtime& rt, StageObject& clip, const net::Location& location);
// The clip holds nothing loaded any more: it is its parent's again.
void clearLoadedOrigin(StageObject& clip);
// allowDomain and allowInsecureDomain of the running movie; false when the
// text names no domain.
bool grantDomain(Runtime& rt, std::string_view text, bool insecure);

// May the running movie call the host (fscommand, getURL to a window,
// ExternalInterface), by the control's AllowScriptAccess? "sameDomain"
// admits movies of the root's origin.
[[nodiscard]] bool mayCallHost(Runtime& rt);

// A URL the host is asked to open or load, which it resolves against its
// own movie: a relative one of any other movie (loaded, or inside an
// ActionScript 3 movie) is made absolute against that movie's location.
[[nodiscard]] std::u16string hostRequestUrl(Runtime& rt, std::u16string_view url);

// The SWF version of the movie a display object's code comes from.
[[nodiscard]] uint8_t movieVersion(Runtime& rt, const model::DisplayObject* display);

// Marks the clip whose code runs for as long as it lives, and runs it under
// its movie's version rules (a SWF 6 movie loaded into a SWF 7 one keeps
// its names without case).
class RunningCode {
public:
    RunningCode(Runtime& rt, StageObject* target);
    RunningCode(const RunningCode&) = delete;
    RunningCode& operator=(const RunningCode&) = delete;
    ~RunningCode();

private:
    Runtime& m_rt;
    StageObject* m_previous = nullptr;
    uint8_t m_previousVersion = 0;
    bool m_set = false;
};

}  // namespace script
