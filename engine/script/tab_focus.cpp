#include "script/tab_focus.h"

#include "script/input_dispatcher.h"
#include "script/runtime.h"
#include "script/stage_object.h"
#include "script/text_input.h"

#include "model/display_list.h"
#include "model/edit_text_object.h"
#include "model/stage.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace script {

namespace {

constexpr int MaxNesting = 64;

// A plain boolean property, none when unset or not a boolean.
std::optional<bool> flag(model::DisplayObject& d, std::u16string_view name) {
    const Value* v = rawProperty(existingObject(d), name);
    return v && v->isBoolean() ? std::optional(v->asBool()) : std::nullopt;
}

std::optional<double> tabIndexOf(model::DisplayObject& d) {
    const Value* v = rawProperty(existingObject(d), u"tabIndex");
    return v && v->isNumber() && std::isfinite(v->asNumber()) ? std::optional(v->asNumber()) : std::nullopt;
}

// Buttons and input fields take part unless tabEnabled is false; clips
// when they act as buttons, or when tabEnabled is true.
bool tabbable(Runtime& rt, model::DisplayObject& d) {
    const std::optional<bool> tabEnabled = flag(d, u"tabEnabled");
    if (tabEnabled == false || !isEnabled(d))
        return false;
    switch (d.kind()) {
    case model::DisplayKind::Button:
        return true;
    case model::DisplayKind::EditText:
        return acceptsTyping(static_cast<model::EditTextObject&>(d));
    case model::DisplayKind::MovieClip:
        return tabEnabled == true || hasButtonHandlers(rt, d);
    default:
        return false;
    }
}

void collect(Runtime& rt, model::DisplayObject& container, std::vector<model::DisplayObject*>& out, int depth) {
    const model::DisplayList* list = container.children();
    if (!list || depth > MaxNesting)
        return;
    for (const auto& entry : list->entries()) {
        model::DisplayObject& child = *entry.second;
        if (!child.isVisible() || child.isMask())
            continue;
        if (tabbable(rt, child))
            out.push_back(&child);
        if (child.kind() == model::DisplayKind::MovieClip && flag(child, u"tabChildren") != false)
            collect(rt, child, out, depth + 1);
    }
}

}  // namespace

std::vector<model::DisplayObject*> tabOrder(Runtime& rt) {
    std::vector<model::DisplayObject*> order;
    collect(rt, rt.root(), order, 0);
    const bool indexed = std::any_of(order.begin(), order.end(), [](auto* d) { return tabIndexOf(*d).has_value(); });
    if (indexed) {
        std::erase_if(order, [](auto* d) { return !tabIndexOf(*d); });
        std::stable_sort(order.begin(), order.end(),
                         [](auto* a, auto* b) { return *tabIndexOf(*a) < *tabIndexOf(*b); });
        return order;
    }
    // Reading order: by top edge, then left edge, of the stage bounds.
    std::vector<std::pair<swf::Bounds, model::DisplayObject*>> placed;
    placed.reserve(order.size());
    for (model::DisplayObject* d : order)
        placed.emplace_back(d->stageBounds(), d);
    std::stable_sort(placed.begin(), placed.end(), [](const auto& a, const auto& b) {
        return a.first.yMin != b.first.yMin ? a.first.yMin < b.first.yMin : a.first.xMin < b.first.xMin;
    });
    for (size_t i = 0; i < placed.size(); ++i)
        order[i] = placed[i].second;
    return order;
}

bool takesFocus(Runtime& rt, model::DisplayObject& object) {
    if (!object.isOnStage())
        return false;
    if (auto* field = object.as<model::EditTextObject>())
        return acceptsTyping(*field);
    return tabbable(rt, object) ||
           (object.kind() == model::DisplayKind::MovieClip && flag(object, u"focusEnabled") == true);
}

void tabFocus(Runtime& rt, bool backward) {
    const std::vector<model::DisplayObject*> order = tabOrder(rt);
    if (order.empty())
        return;
    const auto current = rt.input.focus.lock();
    const auto at = std::find(order.begin(), order.end(), current.get());
    size_t next = backward ? order.size() - 1 : 0;
    if (at != order.end()) {
        const size_t i = size_t(at - order.begin());
        next = backward ? (i + order.size() - 1) % order.size() : (i + 1) % order.size();
    }
    model::DisplayObject* target = order[next];
    if (auto* field = target->as<model::EditTextObject>()) {
        (void)setFocus(rt, field);
        rt.input.focusShown = true;
        return;
    }
    moveFocus(rt, target, true);
}

void updateFocusHighlight(Runtime& rt) {
    std::optional<swf::Rect> area;
    const auto focus = rt.input.focus.lock();
    if (focus && rt.input.focusShown && focus->isOnStage() && !focus->as<model::EditTextObject>()) {
        bool shown = true;
        for (model::DisplayObject* d = focus.get(); d && shown; d = d->parent())
            shown = d->isVisible();
        const StageObject* object = existingObject(*focus);
        const std::optional<bool> own = object ? object->focusRect() : std::nullopt;
        const swf::Bounds b = focus->stageBounds();
        if (shown && own.value_or(rt.focusRect) && !b.empty) {
            auto twips = [](double v) { return int32_t(std::clamp(std::round(v), -1e9, 1e9)); };
            area = swf::Rect{twips(b.xMin), twips(b.xMax), twips(b.yMin), twips(b.yMax)};
        }
    }
    // A movie inside another's tree shares the stage's rectangle: it clears
    // only the one it showed, not the host movie's.
    if (rt.embeddedRoot && !area && !rt.input.highlightShown)
        return;
    rt.input.highlightShown = area.has_value();
    rt.stage.setFocusHighlight(area);
}

}  // namespace script
