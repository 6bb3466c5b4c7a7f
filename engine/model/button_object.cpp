// Button state children.
#include "model/button_object.h"

#include "model/object_factory.h"

#include <map>
#include <optional>

namespace model {

ButtonObject::ButtonObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::Button& button)
    : DisplayObject(kKind, std::move(context), characterId), m_button(&button) {}

namespace {

// DefineButtonSound's slot for a change of state; none for a change without
// one of its four transitions (a press released outside the button).
std::optional<size_t> soundSlot(ButtonState from, ButtonState to) {
    if (to == ButtonState::Over)
        return from == ButtonState::Down ? swf::ButtonSoundSlot::OverDownToOverUp : swf::ButtonSoundSlot::IdleToOverUp;
    if (to == ButtonState::Down)
        return swf::ButtonSoundSlot::OverUpToOverDown;
    if (from == ButtonState::Over)
        return swf::ButtonSoundSlot::OverUpToIdle;
    return std::nullopt;
}

}  // namespace

void ButtonObject::setState(ButtonState state) {
    if (m_built && state == m_state)
        return;
    const bool transition = m_built;
    const ButtonState from = m_state;
    ActionBatch batch;
    build(state, batch);
    context().flush(std::move(batch));
    if (!transition)
        return;
    if (auto slot = soundSlot(from, state); slot && context().sound)
        context().sound->buttonTransition(*this, *slot);
}

void ButtonObject::build(ButtonState state, ActionBatch& batch) {
    std::map<int32_t, const swf::ButtonRecord*> wanted;
    for (const swf::ButtonRecord& record : m_button->records) {
        bool shown = state == ButtonState::Up ? record.up : state == ButtonState::Over ? record.over : record.down;
        if (shown)
            wanted[record.depth] = &record;  // a repeated depth: the last record wins
    }
    std::vector<int32_t> depths;
    for (const auto& [depth, child] : m_children)
        depths.push_back(depth);
    for (int32_t depth : depths) {
        auto it = wanted.find(depth);
        if (it == wanted.end() || it->second->characterId != m_children.at(depth)->characterId())
            (void)m_children.remove(depth);
    }
    for (const auto& [depth, record] : wanted) {
        DisplayObject* child = m_children.at(depth);
        if (!child) {
            auto created =
                ObjectFactory::create(contextPtr(), record->characterId, Origin::Timeline, nesting() + 1, batch);
            if (!created)
                continue;
            child = created.get();
            m_children.insert(depth, std::move(created));
        }
        child->setMatrix(record->matrix);
        child->setColorTransform(record->colorTransform);
        child->setBlendMode(record->blendMode);
        child->setFilters(record->filters.empty() ? nullptr : &record->filters);
    }
    m_state = state;
    m_built = true;
}

}  // namespace model
