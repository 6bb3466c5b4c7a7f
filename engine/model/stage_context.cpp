// Shared stage state: budget, cost prefix sums, the queue.
#include "model/stage_context.h"

namespace model {

void ActionBatch::append(ActionBatch&& other) {
    for (auto& a : other.init)
        init.push_back(std::move(a));
    for (auto& a : other.frame)
        frame.push_back(std::move(a));
}

StageContext::StageContext(std::shared_ptr<const swf::Movie> m, const Limits& l)
    : movie(std::move(m)), limits(l), cache(movie), caseSensitive(movie->header.version >= 7) {
    resetBudget();
}

StageContext::StageContext(std::shared_ptr<const swf::Movie> m, std::shared_ptr<StageContext> owner)
    : StageContext(std::move(m), owner->limits) {
    parent = std::move(owner);
    sound = stageRoot().sound;  // heard on the stage's one mixer
    ++stageRoot().loadedMovies;
}

StageContext::~StageContext() {
    if (parent)
        --stageRoot().loadedMovies;
}

bool StageContext::charge(uint64_t cost) {
    if (parent)
        return stageRoot().charge(cost);
    if (cost > budget) {
        ++diagnostics.budgetHits;
        return false;
    }
    budget -= cost;
    return true;
}

uint64_t StageContext::scanCost(const swf::Timeline& timeline, uint32_t first, uint32_t last) {
    auto& prefix = m_prefix[&timeline];
    if (prefix.empty()) {
        prefix.reserve(timeline.frames.size() + 1);
        prefix.push_back(0);
        for (const auto& frame : timeline.frames)
            prefix.push_back(prefix.back() + frame.tags.size() + 1);
    }
    if (first > last || last + 1 >= prefix.size())
        return last >= first ? uint64_t(last - first) + 1 : 0;
    return prefix[last + 1] - prefix[first];
}

void StageContext::enqueue(PendingAction&& action) {
    if (closed)
        return;
    if (queue.size() >= limits.maxPendingActions) {
        ++diagnostics.droppedActions;
        return;
    }
    queue.push_back(std::move(action));
}

void StageContext::flush(ActionBatch&& batch) {
    if (parent) {
        stageRoot().flush(std::move(batch));
        return;
    }
    for (auto& a : batch.init)
        enqueue(std::move(a));
    for (auto& a : batch.frame)
        enqueue(std::move(a));
    batch.init.clear();
    batch.frame.clear();
}

}  // namespace model
