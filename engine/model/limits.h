// Bounds on the work and memory one movie can demand from the model, and the
// counters of what those bounds (or bad references in the file) refused.
#pragma once

#include <cstddef>
#include <cstdint>

namespace model {

struct Limits {
    // Display objects alive at once (on the stage or still referenced from
    // outside). A placement past it is refused.
    size_t maxDisplayObjects = 65536;
    // Containers (clips, buttons) nested inside each other below the root. A
    // sprite that places itself stops here instead of recursing without end.
    uint32_t maxNesting = 64;
    // Control tags one operation (advance, a navigation call) may execute,
    // counting frames scanned by jumps. A frame, a jump or a new clip's first
    // frame that does not fit into what is left is not performed at all, so
    // nothing is ever half applied. Stage::advance() and the Stage's
    // navigation calls start a new allowance themselves; calls made straight
    // on clips (the script layer's) share the current one until
    // Stage::resetWorkBudget().
    uint64_t maxTagsPerOperation = uint64_t(1) << 22;
    // Entries waiting in the action queue; later ones are dropped.
    size_t maxPendingActions = 65536;
    // More changed rectangles than this in one collection are merged into
    // their union.
    size_t maxChangeRects = 64;
    // Movies loaded into clips and alive at once (a shell that loads itself
    // into itself stops here).
    size_t maxLoadedMovies = 32;
};

// What the model refused or dropped since the stage was created.
struct Diagnostics {
    uint64_t undefinedCharacters = 0;  // placements naming an id the movie does not define
    uint64_t wrongKindCharacters = 0;  // placements naming a font or another undisplayable character
    uint64_t objectLimitHits = 0;      // Limits::maxDisplayObjects
    uint64_t nestingLimitHits = 0;     // Limits::maxNesting
    uint64_t budgetHits = 0;           // Limits::maxTagsPerOperation
    uint64_t droppedActions = 0;       // Limits::maxPendingActions
};

}  // namespace model
