// A placed DefineButton / DefineButton2. Its children are instances of the
// button records of the current state (up, over or down), at the records'
// depths with their matrices and colour transforms; the hit state is never
// shown (its records stay in button().records for hit testing).
#pragma once

#include "model/display_list.h"
#include "model/display_object.h"

#include "swf/button.h"

namespace model {

struct ActionBatch;

enum class ButtonState : uint8_t { Up, Over, Down };

class ButtonObject final : public DisplayObject {
public:
    static constexpr DisplayKind kKind = DisplayKind::Button;

    ButtonObject(std::shared_ptr<StageContext> context, uint16_t characterId, const swf::Button& button);

    [[nodiscard]] const swf::Button& button() const { return *m_button; }
    [[nodiscard]] ButtonState state() const { return m_state; }
    // Shows the records of `state`. Children at the same depth with the same
    // character stay (and keep their own state, like a playing clip); the
    // others are replaced. Setting the current state again does nothing.
    void setState(ButtonState state);

    [[nodiscard]] const DisplayList& displayList() const { return m_children; }
    [[nodiscard]] const DisplayList* children() const override { return &m_children; }

private:
    friend class ObjectFactory;
    void build(ButtonState state, ActionBatch& batch);

    const swf::Button* m_button = nullptr;
    ButtonState m_state = ButtonState::Up;
    bool m_built = false;
    DisplayList m_children{*this};
};

}  // namespace model
