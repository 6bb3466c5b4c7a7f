// The script side of a display object: a movie clip, a button or a text
// field. Its own properties are the clip's variables; _x, _currentframe and
// the other built-in properties read and write the model; child instances
// are found by name after the variables.
//
// The display object and this object know each other through the display
// object's ScriptData (StageLink): when the display object dies, the link
// detaches this object (display() becomes null: a reference to a removed
// clip); when the collector frees this object, the link forgets it and a
// later access makes a fresh one. A link may exist before its object (it
// keeps per-object state such as `constructed`).
#pragma once

#include "script/object.h"

#include "model/display_object.h"
#include "model/movie_clip.h"

#include <memory>
#include <optional>

namespace net {
struct MovieOrigin;
}  // namespace net

namespace script {

class StageObject;

class StageLink final : public model::ScriptData {
public:
    explicit StageLink(StageObject* object) : m_object(object) {}
    ~StageLink() override;
    [[nodiscard]] StageObject* object() const { return m_object; }
    void attach(StageObject* object) { m_object = object; }
    void forget() { m_object = nullptr; }

    // Per-object state of the event machinery.
    bool constructed = false;  // its class (if any) was decided and constructed
    bool textBound = false;    // a bound text field gave its variable the initial text
    uint64_t loadedBytes = 0;  // the size of the content loaded into the clip, 0 for none
    // Where a movie loaded into the clip came from; null when it holds none.
    std::shared_ptr<net::MovieOrigin> movie;

private:
    StageObject* m_object = nullptr;
};

class StageObject final : public Object {
public:
    StageObject(const ObjectInit& init, model::DisplayObject* display)
        : Object(ObjectClass::Stage, init), m_display(display), m_kind(display->kind()) {}

    // Null once the display object is gone.
    [[nodiscard]] model::DisplayObject* display() const { return m_display; }
    [[nodiscard]] model::MovieClip* clip() const { return m_display ? m_display->as<model::MovieClip>() : nullptr; }
    [[nodiscard]] model::DisplayKind kind() const { return m_kind; }
    [[nodiscard]] bool isClip() const { return m_kind == model::DisplayKind::MovieClip; }
    [[nodiscard]] StageLink* link() const;
    void detach() { m_display = nullptr; }

    // _droptarget: where the last drag of this clip ended.
    [[nodiscard]] const String& dropTarget() const { return m_dropTarget; }
    void setDropTarget(String s) { m_dropTarget = std::move(s); }
    // This object's _focusrect; none: the global one.
    [[nodiscard]] std::optional<bool> focusRect() const { return m_focusRect; }
    void setFocusRect(std::optional<bool> on) { m_focusRect = on; }

    std::optional<Value> getBuiltin(Runtime& rt, std::u16string_view name) override;
    bool setBuiltin(Runtime& rt, std::u16string_view name, const Value& value) override;
    std::optional<Value> getLate(Runtime& rt, std::u16string_view name) override;
    // Named children, listed like properties.
    void builtinKeys(Runtime& rt, std::vector<String>& out) override;
    void finalize() override;

private:
    model::DisplayObject* m_display = nullptr;
    std::optional<bool> m_focusRect;
    model::DisplayKind m_kind = model::DisplayKind::MovieClip;
    String m_dropTarget;
};

}  // namespace script
