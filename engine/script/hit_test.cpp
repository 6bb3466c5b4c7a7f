// Point-in-shape tests.
#include "script/hit_test.h"

#include "model/button_object.h"
#include "model/display_list.h"
#include "model/edit_text_object.h"
#include "model/morph_object.h"
#include "model/placement3d.h"
#include "model/shape_object.h"
#include "model/stage.h"
#include "model/transform.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace script {

namespace {

constexpr int MaxDepth = 32;
constexpr int CurveSteps = 8;

// Calls segment(a, b) for every straight piece of the path, curves
// flattened; subpaths are closed for fills.
template <typename F>
void forEachSegment(const swf::Path& path, bool close, F&& segment) {
    swf::Point start;
    swf::Point pen;
    bool open = false;
    for (const swf::PathCommand& c : path) {
        switch (c.verb) {
        case swf::PathVerb::MoveTo:
            if (open && close && !(pen == start))
                segment(pen, start);
            start = pen = c.to;
            open = true;
            break;
        case swf::PathVerb::LineTo:
            segment(pen, c.to);
            pen = c.to;
            break;
        case swf::PathVerb::QuadTo: {
            swf::Point prev = pen;
            for (int i = 1; i <= CurveSteps; ++i) {
                double t = double(i) / CurveSteps;
                double u = 1 - t;
                swf::Point q{u * u * pen.x + 2 * u * t * c.control.x + t * t * c.to.x,
                             u * u * pen.y + 2 * u * t * c.control.y + t * t * c.to.y};
                segment(prev, q);
                prev = q;
            }
            pen = c.to;
            break;
        }
        case swf::PathVerb::Close:
            if (!(pen == start))
                segment(pen, start);
            pen = start;
            break;
        }
    }
    if (open && close && !(pen == start))
        segment(pen, start);
}

double distanceToSegment(swf::Point p, swf::Point a, swf::Point b) {
    double dx = b.x - a.x;
    double dy = b.y - a.y;
    double len2 = dx * dx + dy * dy;
    double t = len2 > 0 ? ((p.x - a.x) * dx + (p.y - a.y) * dy) / len2 : 0;
    t = std::clamp(t, 0.0, 1.0);
    return std::hypot(p.x - (a.x + t * dx), p.y - (a.y + t * dy));
}

bool inBox(const swf::Bounds& b, swf::Point p) {
    return !b.empty && p.x >= b.xMin && p.x <= b.xMax && p.y >= b.yMin && p.y <= b.yMax;
}

std::optional<swf::Point> toLocal(const swf::Matrix& toStage, swf::Point stage) {
    auto inverse = model::invert(toStage);
    if (!inverse)
        return std::nullopt;
    return model::apply(*inverse, stage);
}

// A 3D-placed object's point in its flat drawing (its parent's projection
// already taken back).
std::optional<swf::Point> throughOwnProjection(const model::DisplayObject& object, swf::Point stage) {
    const auto local = model::unprojectFromStage(object, stage);
    if (!local)
        return std::nullopt;
    return model::apply(object.concatenatedMatrix(), {local->x * 20, local->y * 20});
}

std::vector<uint16_t> widthsOf(const swf::Shape& shape) {
    std::vector<uint16_t> widths;
    for (const swf::LineStyle& l : shape.lineStyles)
        widths.push_back(l.width);
    return widths;
}

// What a script drew into the clip, under the point.
bool hitsDrawing(const model::DisplayObject& clip, swf::Point stage) {
    const auto* movieClip = clip.as<model::MovieClip>();
    const model::Drawing* drawing = movieClip ? movieClip->drawingIfAny() : nullptr;
    if (!drawing || drawing->empty())
        return false;
    // The drawing lies in the content, shifted by a scroll window.
    auto local = toLocal(model::multiply(clip.concatenatedMatrix(), clip.contentMatrix()), stage);
    return local && geometryContains(drawing->geometry(), widthsOf(drawing->styles()), *local, 20.0);
}

}  // namespace

bool geometryContains(const swf::ShapeGeometry& geometry, const std::vector<uint16_t>& lineWidths, swf::Point p,
                      double minHalfWidth) {
    if (!inBox(geometry.bounds, p))
        return false;
    for (const swf::ShapePath& sp : geometry.paths) {
        if (sp.kind == swf::PaintKind::Fill) {
            int winding = 0;
            int crossings = 0;
            forEachSegment(sp.path, true, [&](swf::Point a, swf::Point b) {
                if ((a.y <= p.y) != (b.y <= p.y)) {
                    double x = a.x + (p.y - a.y) * (b.x - a.x) / (b.y - a.y);
                    if (x > p.x) {
                        ++crossings;
                        winding += b.y > a.y ? 1 : -1;
                    }
                }
            });
            if (geometry.nonZeroWinding || sp.nonZeroWinding ? winding != 0 : (crossings & 1) != 0)
                return true;
        } else {
            double half = sp.style < lineWidths.size() ? lineWidths[sp.style] / 2.0 : 0.0;
            half = std::max(half, minHalfWidth);
            bool near = false;
            forEachSegment(sp.path, false, [&](swf::Point a, swf::Point b) {
                if (!near && distanceToSegment(p, a, b) <= half)
                    near = true;
            });
            if (near)
                return true;
        }
    }
    return false;
}

bool HitTester::hitsCharacter(model::GeometryCache& characters, uint16_t id, const swf::Matrix& toStage,
                              swf::Point stage, int depth) const {
    if (depth > MaxDepth)
        return false;
    const swf::Movie& movie = characters.movie();
    const swf::CharacterData* data = movie.characters.findAny(id);
    if (!data)
        return false;
    auto local = toLocal(toStage, stage);
    if (!local)
        return false;
    if (const auto* shape = std::get_if<swf::Shape>(data)) {
        auto geometry = characters.shape(id);
        return geometry && geometryContains(*geometry, widthsOf(*shape), *local, 20.0);
    }
    if (std::holds_alternative<swf::MorphShape>(*data)) {
        auto morph = characters.morph(id, 0);
        return morph && geometryContains(morph->geometry, widthsOf(morph->shape), *local, 20.0);
    }
    if (std::holds_alternative<swf::Text>(*data))
        return inBox(characters.textBounds(id), *local);
    if (const auto* field = std::get_if<swf::EditText>(data))
        return inBox(model::toBounds(field->bounds), *local);
    if (const auto* sprite = std::get_if<swf::Sprite>(data)) {
        if (sprite->timeline.frames.empty())
            return false;
        for (const swf::ControlTag& tag : sprite->timeline.frames[0].tags) {
            const auto* place = std::get_if<swf::PlaceObject>(&tag);
            if (!place || !place->characterId || (place->clipDepth && *place->clipDepth))
                continue;
            swf::Matrix m = model::multiply(toStage, place->matrix.value_or(swf::Matrix{}));
            if (hitsCharacter(characters, *place->characterId, m, stage, depth + 1))
                return true;
        }
        return false;
    }
    if (const auto* button = std::get_if<swf::Button>(data)) {
        for (const swf::ButtonRecord& r : button->records) {
            if (r.hit && hitsCharacter(characters, r.characterId, model::multiply(toStage, r.matrix), stage, depth + 1))
                return true;
        }
    }
    return false;
}

bool HitTester::hitsButton(const model::ButtonObject& button, swf::Point stage) const {
    const auto flat = model::flatStagePoint(button, stage);
    return flat && hitsButtonFlat(button, *flat);
}

bool HitTester::hitsButtonFlat(const model::ButtonObject& button, swf::Point stage) const {
    const swf::Matrix m = button.concatenatedMatrix();
    for (const swf::ButtonRecord& r : button.button().records) {
        if (r.hit && hitsCharacter(button.geometry(), r.characterId, model::multiply(m, r.matrix), stage, 1))
            return true;
    }
    return false;
}

namespace {

// A scroll window hides what lies outside it from the pointer too.
bool outsideWindow(const model::DisplayObject& object, swf::Point stage) {
    if (!object.scrollRect())
        return false;
    const auto local = toLocal(object.concatenatedMatrix(), stage);
    return !local || !inBox(object.localBounds(), *local);
}

}  // namespace

bool HitTester::hitsDisplay(const model::DisplayObject& object, swf::Point stage, bool includeHidden, int depth) const {
    if (depth > MaxDepth || (!includeHidden && !object.isVisible()) || object.isMask())
        return false;
    if (object.placement3D()) {
        const auto flat = throughOwnProjection(object, stage);
        if (!flat)
            return false;
        stage = *flat;
    }
    switch (object.kind()) {
    case model::DisplayKind::Shape: {
        const auto& shape = static_cast<const model::ShapeObject&>(object);
        auto local = toLocal(object.concatenatedMatrix(), stage);
        return local && geometryContains(*shape.geometry(), widthsOf(shape.shape()), *local, 20.0);
    }
    case model::DisplayKind::MorphShape: {
        auto morph = object.geometry().morph(object.characterId(), object.ratio());
        auto local = toLocal(object.concatenatedMatrix(), stage);
        return morph && local && geometryContains(morph->geometry, widthsOf(morph->shape), *local, 20.0);
    }
    case model::DisplayKind::Button:
        return hitsButtonFlat(static_cast<const model::ButtonObject&>(object), stage);
    case model::DisplayKind::MovieClip: {
        if (outsideWindow(object, stage))
            return false;
        for (const auto& [d, child] : *object.children()) {
            if (hitsDisplay(*child, stage, includeHidden, depth + 1))
                return true;
        }
        return hitsDrawing(object, stage);
    }
    default: {
        auto local = toLocal(object.concatenatedMatrix(), stage);
        return local && inBox(object.localBounds(), *local);
    }
    }
}

bool HitTester::hits(const model::DisplayObject& object, swf::Point stage, bool includeHidden) const {
    // The object's own projection is hitsDisplay's; its ancestors' here.
    if (const model::DisplayObject* parent = object.parent()) {
        const auto flat = model::flatStagePoint(*parent, stage);
        if (!flat)
            return false;
        stage = *flat;
    }
    return hitsDisplay(object, stage, includeHidden, 0);
}

model::DisplayObject* HitTester::topmost(model::DisplayObject& container, swf::Point stage,
                                         const model::DisplayObject* exclude) const {
    const auto flat = model::flatStagePoint(container, stage);
    return flat ? topmostFlat(container, *flat, exclude, 0) : nullptr;
}

model::DisplayObject* HitTester::topmostFlat(model::DisplayObject& container, swf::Point stage,
                                             const model::DisplayObject* exclude, int depth) const {
    const model::DisplayList* list = container.children();
    if (!list || !container.isVisible() || depth > MaxDepth)
        return nullptr;
    for (auto it = list->entries().rbegin(); it != list->entries().rend(); ++it) {
        model::DisplayObject* child = it->second.get();
        if (child == exclude || !child->isVisible() || child->isMask())
            continue;
        if (child->kind() == model::DisplayKind::MovieClip) {
            swf::Point at = stage;
            if (child->placement3D()) {
                const auto flat = throughOwnProjection(*child, stage);
                if (!flat)
                    continue;
                at = *flat;
            }
            if (outsideWindow(*child, at))
                continue;
            if (model::DisplayObject* found = topmostFlat(*child, at, exclude, depth + 1))
                return found;
            // Its drawing lies below its children.
            if (hitsDrawing(*child, at))
                return child;
            continue;
        }
        if (hitsDisplay(*child, stage, false, 0))
            return child;
    }
    return nullptr;
}

}  // namespace script
