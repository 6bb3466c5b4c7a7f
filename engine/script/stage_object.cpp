// Script objects of display objects.
#include "script/stage_object.h"
#include "script/clip_loading.h"

#include "script/display_styles.h"

#include "script/clip_properties.h"
#include "script/conversions.h"
#include "script/movie_origins.h"
#include "script/runtime.h"
#include "script/text_field.h"

#include "model/display_list.h"
#include "model/edit_text_object.h"

namespace script {

namespace {

Value reachable(Runtime& rt, StageObject* object) {
    return object && object->display() && mayReach(rt, *object->display()) ? Value(object) : Value();
}

}  // namespace

StageLink::~StageLink() {
    if (m_object)
        m_object->detach();
}

StageLink* StageObject::link() const { return m_display ? static_cast<StageLink*>(m_display->scriptData()) : nullptr; }

void StageObject::finalize() {
    if (StageLink* l = link(); l && l->object() == this)
        l->forget();
    m_display = nullptr;
}

std::optional<Value> StageObject::getBuiltin(Runtime& rt, std::u16string_view name) {
    if (name.empty())
        return std::nullopt;
    if (m_display && !mayReach(rt, *m_display))
        return Value();  // a movie of another origin that did not let this one in
    if (name[0] == u'_') {
        if (auto index = clipPropertyIndex(name, rt.caseSensitive))
            return getClipProperty(rt, *this, *index);
        if (namesMatch(name, u"_parent", rt.caseSensitive)) {
            model::DisplayObject* parent = m_display && !levelOf(*m_display) ? m_display->parent() : nullptr;
            return parent && mayReach(rt, *parent) ? Value(rt.objectFor(*parent)) : Value();
        }
        if (namesMatch(name, u"_root", rt.caseSensitive))
            return reachable(rt, rootFor(rt, this));
        if (namesMatch(name, u"_level0", rt.caseSensitive))
            return reachable(rt, rt.rootObject());
        return std::nullopt;
    }
    if (m_display && (name[0] == u'f' || name[0] == u'b' || name[0] == u'c' || name[0] == u't' || name[0] == u's' ||
                      name[0] == u'o')) {
        if (auto v = getDisplayStyle(rt, *this, name))
            return v;
    }
    if (m_kind == model::DisplayKind::EditText && m_display) {
        auto* field = m_display->as<model::EditTextObject>();
        if (auto v = getTextFieldProperty(rt, *field, name))
            return v;
        if (namesMatch(name, u"variable", rt.caseSensitive)) {
            return field->variableName().empty() ? Value::null() : Value(rt.makeStringUtf8(field->variableName()));
        }
    }
    return std::nullopt;
}

bool StageObject::setBuiltin(Runtime& rt, std::u16string_view name, const Value& value) {
    if (name.empty())
        return false;
    if (m_display && !mayReach(rt, *m_display))
        return true;  // dropped
    if (name[0] == u'_') {
        if (auto index = clipPropertyIndex(name, rt.caseSensitive)) {
            (void)setClipProperty(rt, *this, *index, value);
            return true;
        }
        return false;
    }
    if (m_display && setDisplayStyle(rt, *this, name, value))
        return true;
    if (m_kind == model::DisplayKind::EditText && m_display &&
        setTextFieldProperty(rt, *m_display->as<model::EditTextObject>(), name, value))
        return true;
    return false;
}

std::optional<Value> StageObject::getLate(Runtime& rt, std::u16string_view name) {
    if (!m_display || name.empty())
        return std::nullopt;
    const model::DisplayList* children = m_display->children();
    // A field's <img> clips answer to their ids.
    if (const auto* field = m_display->as<model::EditTextObject>())
        children = &field->imageClips();
    if (!children)
        return std::nullopt;
    std::string utf8 = utf16ToUtf8(name);
    model::DisplayObject* child = children->findByName(utf8, rt.caseSensitive);
    if (!child || !mayReach(rt, *child))
        return std::nullopt;
    return Value(rt.objectFor(*child));
}

void StageObject::builtinKeys(Runtime& rt, std::vector<String>& out) {
    const model::DisplayList* children = m_display ? m_display->children() : nullptr;
    if (!children)
        return;
    for (auto it = children->entries().rbegin(); it != children->entries().rend(); ++it) {
        if (!it->second->name().empty())
            out.push_back(rt.makeStringUtf8(it->second->name()));
    }
}

}  // namespace script
