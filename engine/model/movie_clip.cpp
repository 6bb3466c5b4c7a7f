// Movie clip navigation, labels and script-created children.
#include "model/movie_clip.h"

#include "model/edit_text_object.h"
#include "model/object_factory.h"
#include "model/timeline_executor.h"

#include <algorithm>

namespace model {

MovieClip::MovieClip(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::Timeline& timeline)
    : DisplayObject(kKind, std::move(context), characterId), m_timeline(&timeline) {}

Drawing& MovieClip::drawing() {
    if (!m_drawing)
        m_drawing = std::make_unique<Drawing>();
    return *m_drawing;
}

uint32_t MovieClip::totalFrames() const {
    return std::max<uint32_t>(1, uint32_t(std::min<size_t>(m_timeline->frames.size(), UINT32_MAX)));
}

bool MovieClip::gotoFrame(int64_t frame) {
    const auto target = uint32_t(std::clamp<int64_t>(frame, 0, int64_t(totalFrames()) - 1));
    ActionBatch batch;
    bool done = TimelineExecutor::gotoFrame(*this, target, batch);
    context().flush(std::move(batch));
    return done;
}

void MovieClip::nextFrame() {
    if (m_currentFrame + 1 < totalFrames())
        (void)gotoFrame(int64_t(m_currentFrame) + 1);
    stop();
}

void MovieClip::prevFrame() {
    if (m_currentFrame > 0)
        (void)gotoFrame(int64_t(m_currentFrame) - 1);
    stop();
}

std::optional<uint32_t> MovieClip::findLabel(std::string_view name) const {
    return findLabel(name, context().caseSensitive);
}

std::optional<uint32_t> MovieClip::findLabel(std::string_view name, bool caseSensitive) const {
    for (const swf::Label& label : m_timeline->labels) {
        if (namesEqual(label.name, name, caseSensitive))
            return label.frame;
    }
    return std::nullopt;
}

bool MovieClip::gotoLabel(std::string_view name) { return gotoLabel(name, context().caseSensitive); }

bool MovieClip::gotoLabel(std::string_view name, bool caseSensitive) {
    auto frame = findLabel(name, caseSensitive);
    if (!frame)
        return false;
    (void)gotoFrame(*frame);
    return true;
}

std::string MovieClip::currentLabel() const {
    const swf::Label* best = nullptr;
    for (const swf::Label& label : m_timeline->labels) {
        if (label.frame <= m_currentFrame && (!best || label.frame >= best->frame))
            best = &label;
    }
    return best ? best->name : std::string();
}

std::optional<std::string> MovieClip::labelOfFrame(uint32_t frame) const {
    std::optional<std::string> found;
    for (const swf::Label& label : m_timeline->labels) {
        if (label.frame == frame)
            found = label.name;
    }
    return found;
}

namespace {

void queueUnload(ActionBatch& batch, std::shared_ptr<DisplayObject> removed) {
    if (removed && removed->kind() == DisplayKind::MovieClip)
        batch.frame.push_back({ActionKind::ClipUnload, std::static_pointer_cast<MovieClip>(removed), {}, 0, nullptr});
}

}  // namespace

std::shared_ptr<DisplayObject> MovieClip::createChild(uint16_t characterId, int32_t depth, std::string name) {
    ActionBatch batch;
    queueUnload(batch, m_children.remove(depth));
    auto object = ObjectFactory::create(contextPtr(), characterId, Origin::Script, nesting() + 1, batch);
    if (object) {
        object->setName(std::move(name));
        m_children.insert(depth, object);
    }
    context().flush(std::move(batch));
    return object;
}

std::shared_ptr<MovieClip> MovieClip::createEmptyClip(int32_t depth, std::string name) {
    ActionBatch batch;
    queueUnload(batch, m_children.remove(depth));
    auto clip = ObjectFactory::createEmptyClip(contextPtr(), nesting() + 1);
    if (clip) {
        clip->setName(std::move(name));
        m_children.insert(depth, clip);
    }
    context().flush(std::move(batch));
    return clip;
}

std::shared_ptr<DisplayObject> MovieClip::createTextField(int32_t depth, std::string name, const swf::Rect& bounds) {
    if (!ObjectFactory::roomFor(context(), false, nesting() + 1))
        return nullptr;
    auto field = std::make_shared<swf::EditText>();
    // The field's box starts at its origin; the position goes in the matrix.
    field->bounds = {0, bounds.xMax - bounds.xMin, 0, bounds.yMax - bounds.yMin};
    field->fontHeight = 240;
    field->textColor = swf::Rgba{0, 0, 0, 255};
    field->hasLayout = true;
    ActionBatch batch;
    queueUnload(batch, m_children.remove(depth));
    auto object = std::make_shared<EditTextObject>(contextPtr(), std::move(field));
    object->m_origin = Origin::Script;
    object->m_nesting = nesting() + 1;
    object->enableImageClips();
    object->setName(std::move(name));
    object->setMatrix(swf::Matrix::translation(bounds.xMin, bounds.yMin));
    m_children.insert(depth, object);
    context().flush(std::move(batch));
    return object;
}

bool MovieClip::removeChild(int32_t depth) {
    auto removed = m_children.remove(depth);
    if (!removed)
        return false;
    ActionBatch batch;
    queueUnload(batch, std::move(removed));
    context().flush(std::move(batch));
    return true;
}

void MovieClip::silenceLoadedMovie() {
    // Only the clip the movie was loaded into shows its root timeline.
    if (m_context->parent && m_timeline == &m_context->movie->root && m_context->sound)
        m_context->sound->movieUnloaded(*m_context->movie);
}

void MovieClip::replaceTimeline(const swf::Timeline& timeline) {
    silenceLoadedMovie();
    ActionBatch batch;
    while (!m_children.empty())
        queueUnload(batch, m_children.remove(m_children.begin()->first));
    context().flush(std::move(batch));
    m_drawing.reset();
    m_timeline = &timeline;
    m_currentFrame = 0;
    m_playing = true;
}

bool MovieClip::loadMovie(std::shared_ptr<const swf::Movie> movie) {
    std::shared_ptr<StageContext> stage = m_context;
    while (stage->parent)
        stage = stage->parent;
    if (!movie || stage->loadedMovies >= stage->limits.maxLoadedMovies)
        return false;
    auto loaded = std::make_shared<StageContext>(std::move(movie), std::move(stage));
    replaceTimeline(loaded->movie->root);
    m_context = std::move(loaded);
    ActionBatch batch;
    TimelineExecutor::enterFirstFrame(*this, batch);
    context().flush(std::move(batch));
    return true;
}

std::shared_ptr<DisplayObject> MovieClip::createLibraryObject(uint16_t characterId) {
    ActionBatch batch;
    auto object = ObjectFactory::create(contextPtr(), characterId, Origin::Script, 1, batch);
    context().flush(std::move(batch));
    return object;
}

void MovieClip::swapChildren(int32_t depthA, int32_t depthB) { m_children.swap(depthA, depthB); }

namespace {

// Levels below `object` (0 for a leaf), counting no further than `limit`.
uint32_t heightBelow(const DisplayObject& object, uint32_t limit) {
    const DisplayList* children = object.children();
    if (!children || limit == 0)
        return 0;
    uint32_t most = 0;
    for (const auto& [depth, child] : *children)
        most = std::max(most, 1 + heightBelow(*child, limit - 1));
    return most;
}

}  // namespace

void MovieClip::renest(DisplayObject& object, uint32_t nesting) {
    object.m_nesting = nesting;
    if (const DisplayList* children = object.children()) {
        for (const auto& [depth, child] : *children)
            renest(*child, nesting + 1);
    }
}

bool MovieClip::adoptChild(int32_t depth, std::shared_ptr<DisplayObject> object) {
    if (!object || object->parent() || m_children.at(depth) || object.get() == this)
        return false;
    const uint32_t limit = context().limits.maxNesting;
    if (nesting() + 1 > limit || heightBelow(*object, limit + 1) > limit - nesting() - 1) {
        ++context().diagnostics.nestingLimitHits;
        return false;
    }
    renest(*object, nesting() + 1);
    // The script placed it: no timeline of this clip manages it.
    object->m_origin = Origin::Script;
    m_children.insert(depth, std::move(object));
    return true;
}

std::shared_ptr<DisplayObject> MovieClip::releaseChild(int32_t depth) { return m_children.remove(depth); }

}  // namespace model
