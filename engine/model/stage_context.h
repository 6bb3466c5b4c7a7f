// State shared by every object of one stage: the movie, limits and their
// counters, the work budget, ids, the init-action record and the action
// queue. Objects hold it through shared_ptr, so it outlives any of them.
#pragma once

#include "model/geometry_cache.h"
#include "model/limits.h"
#include "model/pending_action.h"
#include "model/sound_sink.h"

#include "swf/movie.h"
#include "text/text_renderer.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace model {

class MovieClip;

// Actions produced by one piece of work, kept apart so that init actions go
// before frame actions when the batch reaches the queue.
struct ActionBatch {
    std::vector<PendingAction> init;
    std::vector<PendingAction> frame;

    void append(ActionBatch&& other);
};

struct StageContext {
    StageContext(std::shared_ptr<const swf::Movie> m, const Limits& l);
    // A movie loaded into a clip of `parent`'s stage: its own characters,
    // cache, case rule and init-action record; the tick, ids, work budget,
    // action queue and sound sink are the stage's.
    StageContext(std::shared_ptr<const swf::Movie> m, std::shared_ptr<StageContext> parent);
    ~StageContext();
    StageContext(const StageContext&) = delete;
    StageContext& operator=(const StageContext&) = delete;

    std::shared_ptr<const swf::Movie> movie;
    Limits limits;
    Diagnostics diagnostics;
    GeometryCache cache;
    bool caseSensitive = false;
    uint64_t nextId = 1;
    size_t liveObjects = 0;
    uint64_t tick = 0;
    uint64_t budget = 0;
    uint64_t nextInstanceName = 1;
    std::vector<bool> initDone = std::vector<bool>(65536, false);  // per sprite id
    std::deque<PendingAction> queue;
    bool closed = false;                   // the stage is gone: nothing is queued any more
    SoundSink* sound = nullptr;            // borrowed from the stage's owner; null: silent
    std::shared_ptr<StageContext> parent;  // set for a loaded movie
    size_t loadedMovies = 0;               // live contexts of movies loaded into this stage
    // Clips of text fields' <img> tags waiting for their file (its URL as
    // written); the script layer starts the loads. Kept at the stage's root.
    std::vector<std::pair<std::weak_ptr<MovieClip>, std::string>> imageLoads;
    // flash.text.TextRenderer: one for the stage, kept at its root.
    text::TextRendererSettings textRenderer;

    [[nodiscard]] StageContext& stageRoot() { return parent ? parent->stageRoot() : *this; }
    [[nodiscard]] uint64_t currentTick() { return stageRoot().tick; }
    [[nodiscard]] uint64_t takeId() { return stageRoot().nextId++; }
    [[nodiscard]] uint64_t takeInstanceNumber() { return stageRoot().nextInstanceName++; }

    // Takes `cost` from the work budget; false (counted) when it does not fit.
    [[nodiscard]] bool charge(uint64_t cost);
    void resetBudget() { budget = limits.maxTagsPerOperation; }
    // Work of scanning frames first..last (inclusive) of a timeline: one per
    // frame and one per tag, from prefix sums kept per timeline.
    [[nodiscard]] uint64_t scanCost(const swf::Timeline& timeline, uint32_t first, uint32_t last);
    // Init actions, then frame actions, into the queue (up to its limit).
    void flush(ActionBatch&& batch);

private:
    void enqueue(PendingAction&& action);
    std::unordered_map<const swf::Timeline*, std::vector<uint64_t>> m_prefix;
};

}  // namespace model
