// The stage: creation, ticks, navigation of the root and of targets.
#include "model/stage.h"

#include "model/change_tracker.h"
#include "model/object_factory.h"
#include "model/stage_context.h"
#include "model/target_path.h"
#include "model/timeline_executor.h"

#include <algorithm>
#include <utility>

namespace model {

std::unique_ptr<Stage> Stage::create(std::shared_ptr<const swf::Movie> movie, const Limits& limits, SoundSink* sound) {
    if (!movie)
        return nullptr;
    std::unique_ptr<Stage> stage(new Stage());
    stage->m_movie = movie;
    stage->m_context = std::make_shared<StageContext>(movie, limits);
    stage->m_context->sound = sound;
    stage->m_tracker = std::make_unique<ChangeTracker>();
    if (movie->backgroundColor)
        stage->m_background = *movie->backgroundColor;
    ActionBatch batch;
    stage->m_root = ObjectFactory::createRoot(stage->m_context, batch);
    stage->m_context->flush(std::move(batch));
    return stage;
}

Stage::~Stage() {
    // Objects kept alive elsewhere must not believe they are still shown, and
    // the queue must not keep objects that keep the context that holds it.
    if (m_root)
        m_root->m_isRoot = false;
    // Null when create() ran out of memory before making it.
    if (m_context) {
        m_context->closed = true;
        m_context->sound = nullptr;
        m_context->queue.clear();
    }
}

bool Stage::usesActionScript3() const { return m_movie->usesActionScript3(); }

void Stage::setBackgroundColor(swf::Rgba color) {
    if (color == m_background)
        return;
    m_background = color;
    m_everythingChanged = true;
}

text::TextRendererSettings& Stage::textRenderer() { return m_context->textRenderer; }

GeometryCache& Stage::characterCache() const { return m_context->cache; }
const Limits& Stage::limits() const { return m_context->limits; }
const Diagnostics& Stage::diagnostics() const { return m_context->diagnostics; }
size_t Stage::liveObjects() const { return m_context->liveObjects; }
void Stage::resetWorkBudget() { m_context->resetBudget(); }

void Stage::advance() {
    resetWorkBudget();
    ++m_context->tick;
    ActionBatch batch;
    TimelineExecutor::advanceTree(*m_root, batch);
    m_context->flush(std::move(batch));
}

void Stage::rewind() {
    gotoFrame(0);
    stop();
}

void Stage::forward() {
    resetWorkBudget();
    m_root->nextFrame();
}

void Stage::back() {
    resetWorkBudget();
    m_root->prevFrame();
}

void Stage::gotoFrame(int64_t frame) {
    resetWorkBudget();
    (void)m_root->gotoFrame(frame);
}

bool Stage::gotoLabel(std::string_view label) {
    resetWorkBudget();
    return m_root->gotoLabel(label);
}

MovieClip* Stage::resolveTarget(std::string_view target) {
    return model::resolveTarget(*m_root, nullptr, target, namesCaseSensitive());
}

TargetStatus Stage::playTarget(std::string_view target) {
    MovieClip* clip = resolveTarget(target);
    if (!clip)
        return TargetStatus::TargetNotFound;
    clip->play();
    return TargetStatus::Ok;
}

TargetStatus Stage::stopTarget(std::string_view target) {
    MovieClip* clip = resolveTarget(target);
    if (!clip)
        return TargetStatus::TargetNotFound;
    clip->stop();
    return TargetStatus::Ok;
}

TargetStatus Stage::gotoFrameTarget(std::string_view target, int64_t frame) {
    MovieClip* clip = resolveTarget(target);
    if (!clip)
        return TargetStatus::TargetNotFound;
    resetWorkBudget();
    (void)clip->gotoFrame(frame);
    return TargetStatus::Ok;
}

TargetStatus Stage::gotoLabelTarget(std::string_view target, std::string_view label) {
    MovieClip* clip = resolveTarget(target);
    if (!clip)
        return TargetStatus::TargetNotFound;
    resetWorkBudget();
    return clip->gotoLabel(label) ? TargetStatus::Ok : TargetStatus::LabelNotFound;
}

std::optional<uint32_t> Stage::currentFrameOf(std::string_view target) {
    MovieClip* clip = resolveTarget(target);
    if (!clip)
        return std::nullopt;
    return clip->currentFrame();
}

std::optional<std::string> Stage::currentLabelOf(std::string_view target) {
    MovieClip* clip = resolveTarget(target);
    if (!clip)
        return std::nullopt;
    return clip->currentLabel();
}

std::vector<PendingAction> Stage::takePendingActions() {
    std::vector<PendingAction> out(std::make_move_iterator(m_context->queue.begin()),
                                   std::make_move_iterator(m_context->queue.end()));
    m_context->queue.clear();
    return out;
}

std::vector<PendingAction> Stage::takePendingActionsIf(const std::function<bool(const PendingAction&)>& wanted) {
    std::vector<PendingAction> out;
    auto& queue = m_context->queue;
    const auto rest =
        std::stable_partition(queue.begin(), queue.end(), [&](const PendingAction& a) { return !wanted(a); });
    out.assign(std::make_move_iterator(rest), std::make_move_iterator(queue.end()));
    queue.erase(rest, queue.end());
    return out;
}

size_t Stage::pendingActionCount() const { return m_context->queue.size(); }

void Stage::setFilterMargin(FilterMarginFn margin) { m_tracker->setFilterMargin(margin); }

void Stage::setLayout(const StageLayout& layout) {
    if (layout.scaleMode != m_layout.scaleMode || layout.align != m_layout.align ||
        (layout.scaleMode != ScaleMode::ShowAll && !(layout == m_layout)))
        m_everythingChanged = true;
    m_layout = layout;
}

ChangeSet Stage::collectChanges() {
    // A TextRenderer table may change any text on the stage.
    const uint64_t textRenderer = m_context->textRenderer.version();
    bool everything = m_firstCollection || m_everythingChanged || textRenderer != m_textRendererSeen;
    m_textRendererSeen = textRenderer;
    m_firstCollection = false;
    m_everythingChanged = false;
    ChangeSet changes = m_tracker->collect(*m_root, everything, stageRect(), m_context->limits.maxChangeRects);
    changes.rects.insert(changes.rects.end(), m_highlightChanges.begin(), m_highlightChanges.end());
    m_highlightChanges.clear();
    return changes;
}

void Stage::setFocusHighlight(std::optional<swf::Rect> area) {
    if (area && area->isEmpty())
        area.reset();
    if (area == m_focusHighlight)
        return;
    // The line is drawn a few pixels wide whatever the scale: a margin
    // covers it at any reasonable zoom.
    constexpr int32_t Margin = 200;
    for (const std::optional<swf::Rect>& r : {m_focusHighlight, area}) {
        if (r)
            m_highlightChanges.push_back({r->xMin - Margin, r->xMax + Margin, r->yMin - Margin, r->yMax + Margin});
    }
    m_focusHighlight = area;
}

std::shared_ptr<MovieClip> Stage::createDetachedClip() { return ObjectFactory::createEmptyClip(m_context, 1); }

std::shared_ptr<DisplayObject> Stage::createDetachedTextField(int32_t width, int32_t height) {
    return ObjectFactory::createTextField(m_context, 1, width, height);
}

std::shared_ptr<DisplayObject> Stage::createDetachedVideo(uint16_t width, uint16_t height) {
    return ObjectFactory::createVideo(m_context, 1, width, height);
}

std::shared_ptr<DisplayObject> Stage::createDetachedObject(uint16_t characterId) {
    ActionBatch batch;
    auto object = ObjectFactory::create(m_context, characterId, Origin::Script, 1, batch);
    m_context->flush(std::move(batch));
    return object;
}

std::vector<std::pair<std::weak_ptr<MovieClip>, std::string>> Stage::takeImageLoads(bool actionScript3) {
    std::vector<std::pair<std::weak_ptr<MovieClip>, std::string>> taken;
    std::erase_if(m_context->imageLoads, [&](auto& load) {
        const auto clip = load.first.lock();
        if (!clip)
            return true;
        if (clip->library()->usesActionScript3() != actionScript3)
            return false;
        taken.push_back(std::move(load));
        return true;
    });
    return taken;
}

}  // namespace model
