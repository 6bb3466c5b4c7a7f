#include "as3/timeline_instances.h"

#include "as3/bitmap_classes.h"
#include "as3/display_binding.h"
#include "as3/display_state.h"
#include "as3/host_context.h"

#include "avm2/class_object.h"
#include "avm2/string.h"
#include "avm2/traits.h"

#include "model/bitmap_object.h"

#include <algorithm>
#include <array>

namespace as3 {

using avm2::Machine;
using avm2::Object;
using avm2::Value;

namespace {

bool fromTimeline(const DisplayState& d) { return d.object && d.object->origin() == model::Origin::Timeline; }

avm2::ClassObject* classFor(Machine& m, const model::DisplayObject& object) {
    HostContext& ctx = hostContext(m);
    // Characters of a movie a Loader loaded are linked by that movie's table.
    const std::map<uint16_t, std::u16string>* symbols = &ctx.symbolClasses;
    avm2::Domain* domain = m.mainDomain();
    if (const swf::Movie* library = object.library().get(); library && library != &ctx.stage.movie()) {
        auto table = ctx.loadedSymbolClasses.find(library);
        symbols = table != ctx.loadedSymbolClasses.end() ? &table->second.classes : nullptr;
        domain = table != ctx.loadedSymbolClasses.end() ? table->second.domain : nullptr;
    }
    auto it = symbols ? symbols->find(object.characterId()) : std::map<uint16_t, std::u16string>::const_iterator();
    if (symbols && it != symbols->end()) {
        const Value c = m.findDefinitionByName(it->second, domain);
        if (auto* linked = c.isObject() ? dynamic_cast<avm2::ClassObject*>(c.asObject()) : nullptr)
            return linked;
        m.throwError("ReferenceError", 1065, u"Variable " + it->second + u" is not defined.");
    }
    switch (object.kind()) {
    case model::DisplayKind::MovieClip:
        return m.coreClass(u"flash.display", u"MovieClip");
    case model::DisplayKind::Shape:
    case model::DisplayKind::MorphShape:
        return m.coreClass(u"flash.display", u"Shape");
    case model::DisplayKind::Button:
        return m.coreClass(u"flash.display", u"SimpleButton");
    case model::DisplayKind::EditText:
        return m.coreClass(u"flash.text", u"TextField");
    case model::DisplayKind::StaticText:
        return m.coreClass(u"flash.text", u"StaticText");
    case model::DisplayKind::Video:
        return m.coreClass(u"flash.media", u"Video");
    default:
        return nullptr;
    }
}

// The parent's property named after the instance: its declared slot, or a
// dynamic property; a sealed class without one does not get it.
void setInstanceProperty(Machine& m, Object* container, const std::string& name, Value child) {
    const std::u16string key = avm2::utf8ToUtf16(name);
    if (const avm2::Traits* traits = container->traits()) {
        const avm2::Binding* b = traits->find(avm2::QName{m.publicNamespace(), m.intern(key)});
        if (b && b->kind == avm2::Binding::Kind::Slot && container->hasSlot(b->slot)) {
            container->setSlot(b->slot, child);
            return;
        }
        if (b)
            return;
    }
    if (container->isDynamic())
        container->setOwn(key, child);
}

}  // namespace

void syncTimelineChildren(Machine& m, Object* container) {
    HostContext& ctx = hostContext(m);
    Machine::Pin keepContainer(m, Value::object(container));
    DisplayState& c = displayOf(m, Value::object(container));
    model::MovieClip* clip = c.isStage ? nullptr : c.clip();
    if (!clip)
        return;
    // What an ActionScript 1 or 2 movie a Loader loaded places stays its own.
    if (const swf::Movie* library = clip->library().get();
        library && library != &ctx.stage.movie() && !library->usesActionScript3())
        return;
    std::vector<Value> gone;
    for (const Value& v : c.children) {
        const DisplayState& d = displayOf(m, v);
        if (fromTimeline(d) && d.object->parent() != clip)
            gone.push_back(v);
    }
    for (const Value& v : gone) {
        Machine::Pin keep(m, v);
        removeChildObject(m, container, v.asObject());
    }
    std::vector<std::shared_ptr<model::DisplayObject>> placed;
    for (const auto& [depth, object] : clip->displayList()) {
        if (object->origin() != model::Origin::Timeline)
            continue;
        const auto& children = displayOf(m, Value::object(container)).children;
        const bool bound = std::any_of(children.begin(), children.end(),
                                       [&](const Value& v) { return displayOf(m, v).object == object; });
        if (!bound)
            placed.push_back(object);
    }
    for (const auto& object : placed) {
        if (ctx.failedPlacements.contains(object))
            continue;
        Value child;
        try {
            avm2::ClassObject* type = classFor(m, *object);
            if (const auto* bitmap = object->as<model::BitmapObject>()) {
                // A placed bitmap symbol is a Bitmap showing a BitmapData of
                // it: an instance of its linked class, or a plain copy.
                const Value data =
                    type ? m.construct(Value::object(type), std::array{Value::number(0), Value::number(0)})
                         : characterBitmapData(m, bitmap->bitmap());
                Machine::Pin keepData(m, data);
                ctx.pendingObject = object;
                child = m.construct(Value::object(m.coreClass(u"flash.display", u"Bitmap")), std::span(&data, 1));
            } else {
                if (!type)
                    continue;
                ctx.pendingObject = object;
                child = m.construct(Value::object(type), {});
            }
        } catch (...) {
            ctx.pendingObject.reset();
            std::erase_if(ctx.failedPlacements, [](const auto& w) { return w.expired(); });
            ctx.failedPlacements.insert(object);
            throw;
        }
        ctx.pendingObject.reset();
        Machine::Pin keep(m, child);
        // A constructor that made the object a script child elsewhere, or
        // one whose instance is not the placed object, keeps it.
        DisplayState& d = displayOf(m, child);
        if (d.object != object || d.parentObject)
            continue;
        // Timeline children keep depth order, below what scripts added.
        const auto& children = displayOf(m, Value::object(container)).children;
        size_t index = 0;
        while (index < children.size()) {
            const DisplayState& s = displayOf(m, children[index]);
            if (!fromTimeline(s) || s.object->depth() > object->depth())
                break;
            ++index;
        }
        if (!object->name().empty())
            setInstanceProperty(m, container, object->name(), child);
        addChildAt(m, container, child.asObject(), index);
    }
}

namespace {

// The symbol a class is linked to in the main movie or a loaded one.
std::optional<HostContext::LinkedSymbol> linkedSymbol(Machine& m, Object* self) {
    HostContext& ctx = hostContext(m);
    const avm2::Traits* traits = self->traits();
    if (!traits)
        return std::nullopt;
    if (auto found = ctx.linkedTraits.find(traits); found != ctx.linkedTraits.end())
        return found->second;
    auto search = [&](const std::map<uint16_t, std::u16string>& table, const avm2::Domain* domain,
                      const swf::Movie* movie) -> std::optional<HostContext::LinkedSymbol> {
        for (const auto& [id, name] : table) {
            const Value c = m.findDefinitionByName(name, domain);
            auto* type = c.isObject() ? dynamic_cast<avm2::ClassObject*>(c.asObject()) : nullptr;
            if (type && &type->instanceTraits() == traits)
                return ctx.linkedTraits.emplace(traits, HostContext::LinkedSymbol{id, movie}).first->second;
        }
        return std::nullopt;
    };
    if (auto found = search(ctx.symbolClasses, m.mainDomain(), nullptr))
        return found;
    for (const auto& [movie, library] : ctx.loadedSymbolClasses) {
        if (auto found = library.domain ? search(library.classes, library.domain, movie) : std::nullopt)
            return found;
    }
    return std::nullopt;
}

}  // namespace

std::optional<uint16_t> linkedCharacter(Machine& m, Object* self) {
    const auto symbol = linkedSymbol(m, self);
    return symbol && !symbol->movie ? std::optional<uint16_t>(symbol->id) : std::nullopt;
}

std::optional<LibraryCharacter> linkedLibraryCharacter(Machine& m, Object* self) {
    const auto symbol = linkedSymbol(m, self);
    if (!symbol)
        return std::nullopt;
    if (!symbol->movie)
        return LibraryCharacter{nullptr, symbol->id};
    const HostContext& ctx = hostContext(m);
    const auto library = ctx.loadedSymbolClasses.find(symbol->movie);
    auto root = library == ctx.loadedSymbolClasses.end() ? nullptr : library->second.root.lock();
    // An unloaded movie's characters are gone with it.
    if (!root || root->library().get() != symbol->movie)
        return std::nullopt;
    return LibraryCharacter{root->library(), symbol->id};
}

std::shared_ptr<model::DisplayObject> newScriptObject(Machine& m, Object* self) {
    HostContext& ctx = hostContext(m);
    if (const auto symbol = linkedSymbol(m, self)) {
        if (!symbol->movie) {
            if (auto object = ctx.stage.createDetachedObject(symbol->id))
                return object;
        } else if (auto library = ctx.loadedSymbolClasses.find(symbol->movie);
                   library != ctx.loadedSymbolClasses.end()) {
            // A loaded movie's symbol comes from that movie's library.
            auto root = library->second.root.lock();
            if (auto* clip = root ? root->as<model::MovieClip>() : nullptr) {
                if (auto object = clip->createLibraryObject(symbol->id))
                    return object;
            }
        }
    }
    return newModelClip(m);
}

void syncTimelineTree(Machine& m, Object* top) {
    // Everything waiting is pinned until the walk ends; the walk is bounded
    // by the model's nesting and object limits.
    std::vector<Value> pending{Value::object(top)};
    size_t pinned = 1;
    m.pin(pending.back());
    try {
        while (!pending.empty()) {
            const Value next = pending.back();
            pending.pop_back();
            syncTimelineChildren(m, next.asObject());
            const auto& children = displayOf(m, next).children;
            for (auto it = children.rbegin(); it != children.rend(); ++it) {
                if (displayOf(m, *it).isContainer) {
                    pending.push_back(*it);
                    m.pin(*it);
                    ++pinned;
                }
            }
        }
    } catch (...) {
        m.unpin(pinned);
        throw;
    }
    m.unpin(pinned);
}

}  // namespace as3
