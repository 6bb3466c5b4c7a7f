// Common display object behaviour: identity, tree links, bounds and the
// script properties decomposed from the matrix.
#include "model/display_object.h"

#include "model/display_list.h"
#include "model/drawing.h"
#include "model/movie_clip.h"
#include "model/stage_context.h"
#include "model/transform.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace model {

DisplayObject::DisplayObject(DisplayKind kind, std::shared_ptr<StageContext> context, uint16_t characterId)
    : m_kind(kind), m_context(std::move(context)), m_id(m_context->takeId()), m_characterId(characterId) {
    ++m_context->stageRoot().liveObjects;
}

const std::shared_ptr<const swf::Movie>& DisplayObject::library() const { return m_context->movie; }

const text::TextRendererSettings& DisplayObject::textRenderer() const { return m_context->stageRoot().textRenderer; }

GeometryCache& DisplayObject::geometry() const { return m_context->cache; }

bool DisplayObject::sharesMovieOf(const DisplayObject& other) const {
    for (const StageContext* c = m_context.get(); c; c = c->parent.get()) {
        if (c == other.m_context.get())
            return true;
    }
    return false;
}

DisplayObject::~DisplayObject() {
    if (auto mask = m_scriptMask.lock(); mask && mask->m_maskedCount > 0)
        --mask->m_maskedCount;
    --m_context->stageRoot().liveObjects;
}

void DisplayObject::setBlendMode(swf::BlendMode b) {
    if (b != m_blendMode)
        ++m_styleVersion;
    m_blendMode = b;
}

void DisplayObject::setCacheAsBitmap(bool c) {
    if (c != m_cacheAsBitmap)
        ++m_styleVersion;
    m_cacheAsBitmap = c;
}

namespace {

bool sameBounds(const std::optional<swf::Bounds>& a, const std::optional<swf::Bounds>& b) {
    if (!a || !b)
        return a.has_value() == b.has_value();
    return a->empty == b->empty && a->xMin == b->xMin && a->yMin == b->yMin && a->xMax == b->xMax && a->yMax == b->yMax;
}

}  // namespace

void DisplayObject::setScaleGrid(const std::optional<swf::Bounds>& grid) {
    if (!sameBounds(grid, m_scaleGrid))
        ++m_styleVersion;
    m_scaleGrid = grid;
}

void DisplayObject::setOpaqueBackground(const std::optional<swf::Rgba>& color) {
    if (color != m_opaqueBackground)
        ++m_styleVersion;
    m_opaqueBackground = color;
}

void DisplayObject::setScrollRect(const std::optional<swf::Bounds>& window) {
    if (!sameBounds(window, m_scrollRect))
        ++m_styleVersion;
    m_scrollRect = window;
}

void DisplayObject::setPlacement3D(const std::optional<Placement3D>& placement) {
    if (placement != m_placement3D)
        ++m_styleVersion;
    m_placement3D = placement;
}

swf::Matrix DisplayObject::contentMatrix() const {
    swf::Matrix m;
    if (m_scrollRect && !m_scrollRect->empty) {
        m.tx = -m_scrollRect->xMin;
        m.ty = -m_scrollRect->yMin;
    }
    return m;
}

void DisplayObject::setFilters(const std::vector<swf::Filter>* f) {
    if (f != m_filters)
        ++m_styleVersion;
    m_filters = f;
    m_ownFilters.reset();
}

void DisplayObject::setOwnFilters(std::vector<swf::Filter> filters) {
    ++m_styleVersion;
    m_ownFilters.reset();
    m_filters = nullptr;
    if (filters.empty())
        return;
    m_ownFilters = std::make_unique<const std::vector<swf::Filter>>(std::move(filters));
    m_filters = m_ownFilters.get();
}

uint64_t DisplayObject::filterInputsVersion() const {
    uint64_t v = 0;
    if (m_filters) {
        for (const swf::Filter& f : *m_filters)
            v = v * 31 + (f.map ? f.map->version() + 1 : 0);
    }
    return v;
}

void DisplayObject::setScriptMask(const std::shared_ptr<DisplayObject>& mask) {
    auto old = m_scriptMask.lock();
    if (old == mask)
        return;
    if (old && old->m_maskedCount > 0) {
        --old->m_maskedCount;
        ++old->m_styleVersion;
    }
    m_scriptMask.reset();
    if (mask && mask.get() != this) {
        m_scriptMask = mask;
        ++mask->m_maskedCount;
        ++mask->m_styleVersion;
    }
    ++m_styleVersion;
}

void DisplayObject::setMatrix(const swf::Matrix& m) {
    m_matrix = m;
    m_written.reset();
}

const std::vector<swf::ClipAction>& DisplayObject::clipActions() const {
    static const std::vector<swf::ClipAction> kNone;
    return m_clipActions ? *m_clipActions : kNone;
}

MovieClip* DisplayObject::parentClip() const { return m_parent ? m_parent->as<MovieClip>() : nullptr; }

bool DisplayObject::isOnStage() const {
    const DisplayObject* top = this;
    while (top->m_parent)
        top = top->m_parent;
    const auto* clip = top->as<MovieClip>();
    return clip && clip->isRoot();
}

swf::Bounds DisplayObject::boundsThrough(const swf::Matrix& m) const {
    if (m_scrollRect) {
        if (m_scrollRect->empty)
            return {};
        swf::Bounds window;
        window.add(swf::Point{0.0, 0.0});
        window.add(swf::Point{m_scrollRect->xMax - m_scrollRect->xMin, m_scrollRect->yMax - m_scrollRect->yMin});
        return transformBounds(m, window);
    }
    return contentBoundsThrough(m);
}

swf::Bounds DisplayObject::contentBoundsThrough(const swf::Matrix& m) const {
    const DisplayList* list = children();
    if (!list)
        return leafBounds(m);
    swf::Bounds out;
    if (const auto* clip = as<MovieClip>(); clip && clip->drawingIfAny())
        out.add(transformBounds(m, clip->drawingIfAny()->geometry().bounds));
    for (const auto& [depth, child] : *list)
        out.add(child->m_placement3D ? transformBounds(m, projectedInParent(*child))
                                     : child->boundsThrough(multiply(m, child->m_matrix)));
    return out;
}

swf::Bounds DisplayObject::boundsInParent() const {
    return m_placement3D ? projectedInParent(*this) : boundsThrough(m_matrix);
}

swf::Bounds DisplayObject::leafBounds(const swf::Matrix&) const { return {}; }

swf::Matrix DisplayObject::concatenatedMatrix() const {
    swf::Matrix m = m_matrix;
    for (const DisplayObject* p = m_parent; p; p = p->m_parent)
        m = multiply(p->m_matrix, p->m_scrollRect ? multiply(p->contentMatrix(), m) : m);
    return m;
}

swf::ColorTransform DisplayObject::concatenatedColorTransform() const {
    swf::ColorTransform c = m_colorTransform;
    for (const DisplayObject* p = m_parent; p; p = p->m_parent)
        c = concat(p->m_colorTransform, c);
    return c;
}

namespace {

constexpr double Degrees = 180.0 / std::numbers::pi;

// Angles of the two axes, read with the signs the scales carry so that a
// flipped axis does not look like a half turn.
double xAxisAngle(const swf::Matrix& m, double xScale) {
    return xScale < 0 ? std::atan2(-m.b, -m.a) : std::atan2(m.b, m.a);
}

double yAxisAngle(const swf::Matrix& m, double yScale) {
    return yScale < 0 ? std::atan2(m.c, -m.d) : std::atan2(-m.c, m.d);
}

}  // namespace

DisplayObject::Decomposed DisplayObject::decomposed() const {
    if (m_written)
        return *m_written;
    Decomposed d;
    d.xScale = std::hypot(m_matrix.a, m_matrix.b) * 100.0;
    d.yScale = std::hypot(m_matrix.c, m_matrix.d) * 100.0;
    d.rotation = std::atan2(m_matrix.b, m_matrix.a) * Degrees;
    if (d.rotation <= -180.0)
        d.rotation += 360.0;
    return d;
}

void DisplayObject::recompose(const Decomposed& d) {
    Decomposed current = decomposed();
    double skew = yAxisAngle(m_matrix, current.yScale) - xAxisAngle(m_matrix, current.xScale);
    double xAngle = d.rotation / Degrees;
    double yAngle = xAngle + skew;
    double sx = d.xScale / 100.0;
    double sy = d.yScale / 100.0;
    m_matrix.a = sx * std::cos(xAngle);
    m_matrix.b = sx * std::sin(xAngle);
    m_matrix.c = -sy * std::sin(yAngle);
    m_matrix.d = sy * std::cos(yAngle);
    m_written = d;
    m_scriptTransformed = true;
}

double DisplayObject::xScale() const { return decomposed().xScale; }
double DisplayObject::yScale() const { return decomposed().yScale; }
double DisplayObject::rotation() const { return decomposed().rotation; }

double DisplayObject::width() const {
    swf::Bounds b = boundsInParent();
    return b.empty ? 0.0 : (b.xMax - b.xMin) / 20.0;
}

double DisplayObject::height() const {
    swf::Bounds b = boundsInParent();
    return b.empty ? 0.0 : (b.yMax - b.yMin) / 20.0;
}

namespace {

// Positions are kept in whole twips, as the player keeps them.
double toTwips(double pixels) {
    return std::clamp(std::round(pixels * 20.0), -swf::CoordinateLimit, swf::CoordinateLimit);
}

}  // namespace

void DisplayObject::setX(double pixels) {
    if (!std::isfinite(pixels))
        return;
    m_matrix.tx = toTwips(pixels);
    m_scriptTransformed = true;
}

void DisplayObject::setY(double pixels) {
    if (!std::isfinite(pixels))
        return;
    m_matrix.ty = toTwips(pixels);
    m_scriptTransformed = true;
}

void DisplayObject::setXScale(double percent) {
    if (!std::isfinite(percent))
        return;
    Decomposed d = decomposed();
    d.xScale = percent;
    recompose(d);
}

void DisplayObject::setYScale(double percent) {
    if (!std::isfinite(percent))
        return;
    Decomposed d = decomposed();
    d.yScale = percent;
    recompose(d);
}

void DisplayObject::setRotation(double degrees) {
    if (!std::isfinite(degrees))
        return;
    double r = std::fmod(degrees, 360.0);
    if (r > 180.0)
        r -= 360.0;
    else if (r <= -180.0)
        r += 360.0;
    Decomposed d = decomposed();
    d.rotation = r;
    recompose(d);
}

void DisplayObject::setAlpha(double percent) {
    if (!std::isfinite(percent))
        return;
    double mult = std::round(percent * 256.0 / 100.0);
    m_colorTransform.aMult = int16_t(
        std::clamp(mult, double(std::numeric_limits<int16_t>::min()), double(std::numeric_limits<int16_t>::max())));
    m_scriptTransformed = true;
}

void DisplayObject::setWidth(double pixels) {
    double current = width();
    if (!std::isfinite(pixels) || current <= 0.0)
        return;
    setXScale(xScale() * pixels / current);
}

void DisplayObject::setHeight(double pixels) {
    double current = height();
    if (!std::isfinite(pixels) || current <= 0.0)
        return;
    setYScale(yScale() * pixels / current);
}

}  // namespace model
