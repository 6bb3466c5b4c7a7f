// Variable lookup through scope chains and target paths.
#include "script/variables.h"

#include "script/clip_loading.h"
#include "script/member_access.h"
#include "script/movie_origins.h"
#include "script/runtime.h"

#include "model/display_list.h"

#include <vector>

namespace script {

namespace {

bool is(Runtime& rt, std::u16string_view a, std::u16string_view b) { return namesMatch(a, b, rt.caseSensitive); }

// Null for a clip of a movie the running code may not reach.
StageObject* reachable(Runtime& rt, StageObject* object) {
    return object && object->display() && mayReach(rt, *object->display()) ? object : nullptr;
}

// "_level7" -> 7
std::optional<uint32_t> levelOf(Runtime& rt, std::u16string_view name) {
    if (name.size() < 7 || !is(rt, name.substr(0, 6), u"_level"))
        return std::nullopt;
    uint32_t n = 0;
    for (char16_t c : name.substr(6)) {
        if (c < u'0' || c > u'9' || n > 100000)
            return std::nullopt;
        n = n * 10 + uint32_t(c - u'0');
    }
    return n;
}

// Names that mean the same wherever they are used.
bool special(Runtime& rt, Frame& f, std::u16string_view name, Value& out) {
    if (name.empty() || (name[0] != u'_' && name[0] != u't' && name[0] != u'T' && name[0] != u's' && name[0] != u'S'))
        return false;
    if (is(rt, name, u"this")) {
        out = f.self;
        return true;
    }
    if (is(rt, name, u"_root")) {
        StageObject* root = reachable(rt, rootFor(rt, f.baseTarget ? f.baseTarget : f.target));
        out = root ? Value(root) : Value();
        return true;
    }
    if (is(rt, name, u"_global")) {
        out = Value(rt.global);
        return true;
    }
    if (auto level = levelOf(rt, name)) {
        StageObject* clip = reachable(rt, levelClip(rt, *level, false));
        out = clip ? Value(clip) : Value();
        return true;
    }
    if (f.activation && is(rt, name, u"super")) {
        Object* self = f.self.asObject();
        Object* home = f.home ? f.home : (self ? self->proto() : nullptr);
        out = Value(rt.heap.make<SuperObject>(nullptr, self, home));
        return true;
    }
    return false;
}

Value lookupPlain(Runtime& rt, Frame& f, std::u16string_view name) {
    Value out;
    if (special(rt, f, name, out))
        return out;
    for (size_t i = f.scopes.size(); i-- > 0;) {
        Object* scope = f.scopes[i];
        Lookup found = lookupProperty(rt, scope, name, Value(scope));
        if (found.holder)
            return found.value;
    }
    return lookupProperty(rt, rt.global, name, Value(rt.global)).value;
}

std::vector<std::u16string_view> split(std::u16string_view s, char16_t separator) {
    std::vector<std::u16string_view> parts;
    size_t start = 0;
    for (;;) {
        size_t end = s.find(separator, start);
        if (end == std::u16string_view::npos) {
            parts.push_back(s.substr(start));
            return parts;
        }
        parts.push_back(s.substr(start, end - start));
        start = end + 1;
    }
}

StageObject* currentTarget(Frame& f) { return f.target ? f.target : f.baseTarget; }

// "a.b.c": the object holding the last part, and that part.
Value dottedHolder(Runtime& rt, Frame& f, std::u16string_view path, std::u16string_view& last) {
    std::vector<std::u16string_view> parts = split(path, u'.');
    last = parts.back();
    Value v = lookupPlain(rt, f, parts.front());
    for (size_t i = 1; i + 1 < parts.size(); ++i)
        v = getMember(rt, v, parts[i]);
    return v;
}

}  // namespace

Frame timelineFrame(Runtime& rt, StageObject* clip) {
    Frame f;
    if (clip)
        f.scopes.push_back(clip);
    f.self = Value(clip);
    f.target = f.baseTarget = clip;
    f.timeline = true;
    f.registers.resize(4);
    f.stackBase = rt.stack.size();
    return f;
}

StageObject* resolveTargetPath(Runtime& rt, StageObject* base, std::u16string_view path) {
    model::DisplayObject* root = &rt.root();
    model::DisplayObject* current = base && base->display() ? base->display() : root;
    if (path.empty())
        return reachable(rt, base && base->display() ? base : rt.rootObject());
    if (path == u"/")
        return reachable(rt, rt.rootObject());
    const bool slash = path.find(u'/') != std::u16string_view::npos || path == u"." || path == u"..";
    if (slash && path.front() == u'/') {
        current = root;
        path.remove_prefix(1);
    }
    std::vector<std::u16string_view> parts = split(path, slash ? u'/' : u'.');
    if (slash && parts.size() > 1 && parts.back().empty())
        parts.pop_back();
    for (size_t i = 0; i < parts.size(); ++i) {
        std::u16string_view part = parts[i];
        if (part.empty())
            return nullptr;
        if (i == 0 && is(rt, part, u"_root")) {
            StageObject* own = rootFor(rt, base);
            current = own && own->display() ? own->display() : root;
        } else if (auto level = i == 0 ? levelOf(rt, part) : std::nullopt) {
            StageObject* clip = levelClip(rt, *level, false);
            current = clip ? clip->display() : nullptr;
        } else if (slash ? part == u".." : is(rt, part, u"_parent")) {
            current = levelOf(*current) ? nullptr : current->parent();
        } else if (slash ? part == u"." : is(rt, part, u"this")) {
            // the object itself
        } else {
            const model::DisplayList* children = current->children();
            current = children ? children->findByName(utf16ToUtf8(part), rt.caseSensitive) : nullptr;
        }
        if (!current)
            return nullptr;
    }
    return reachable(rt, rt.objectFor(*current));
}

StageObject* resolveTarget(Runtime& rt, StageObject* base, const Value& target) {
    if (Object* o = target.asObject()) {
        if (o->objectClass() != ObjectClass::Stage)
            return nullptr;
        return reachable(rt, static_cast<StageObject*>(o));
    }
    if (target.isNullish())
        return nullptr;
    String path = target.isString() ? target.asString() : String();
    if (!target.isString())
        return nullptr;
    return resolveTargetPath(rt, base, path.view());
}

Value getVariable(Runtime& rt, Frame& f, std::u16string_view name) {
    size_t colon = name.rfind(u':');
    if (colon != std::u16string_view::npos) {
        std::u16string_view path = name.substr(0, colon);
        StageObject* t = path.empty() ? currentTarget(f) : resolveTargetPath(rt, currentTarget(f), path);
        return t ? getProperty(rt, t, name.substr(colon + 1)) : Value();
    }
    if (name.find(u'/') != std::u16string_view::npos) {
        StageObject* t = resolveTargetPath(rt, currentTarget(f), name);
        return t ? Value(t) : Value();
    }
    if (name.size() > 1 && name.find(u'.') != std::u16string_view::npos) {
        std::u16string_view last;
        Value holder = dottedHolder(rt, f, name, last);
        return getMember(rt, holder, last);
    }
    return lookupPlain(rt, f, name);
}

void setVariable(Runtime& rt, Frame& f, std::u16string_view name, const Value& value) {
    size_t colon = name.rfind(u':');
    size_t slash = name.rfind(u'/');
    if (colon != std::u16string_view::npos || slash != std::u16string_view::npos) {
        size_t cut = colon != std::u16string_view::npos ? colon : slash;
        std::u16string_view path = name.substr(0, cut);
        if (path.empty() && slash == 0 && colon == std::u16string_view::npos)
            path = u"/";
        StageObject* t = path.empty() ? currentTarget(f) : resolveTargetPath(rt, currentTarget(f), path);
        if (t)
            setProperty(rt, t, name.substr(cut + 1), value);
        return;
    }
    if (name.size() > 1 && name.find(u'.') != std::u16string_view::npos) {
        std::u16string_view last;
        Value holder = dottedHolder(rt, f, name, last);
        setMember(rt, holder, last, value);
        return;
    }
    Value ignored;
    if (special(rt, f, name, ignored))
        return;
    for (size_t i = f.scopes.size(); i-- > 0;) {
        Object* scope = f.scopes[i];
        if (hasProperty(rt, scope, name)) {
            setProperty(rt, scope, name, value);
            return;
        }
    }
    // Not found: a new variable of the timeline (or of the function's
    // defining timeline). _global is only written through `_global.name`.
    setProperty(rt, f.scopes.empty() ? rt.global : f.scopes.front(), name, value);
}

void defineLocal(Runtime& rt, Frame& f, std::u16string_view name, const Value& value) {
    if (f.activation) {
        putOwn(rt, f.activation, name, value);
        return;
    }
    setProperty(rt, f.scopes.empty() ? rt.global : f.scopes.front(), name, value);
}

bool deleteVariable(Runtime& rt, Frame& f, std::u16string_view name) {
    for (size_t i = f.scopes.size(); i-- > 0;) {
        if (hasOwnProperty(rt, f.scopes[i], name))
            return deleteProperty(rt, f.scopes[i], name);
    }
    if (hasOwnProperty(rt, rt.global, name))
        return deleteProperty(rt, rt.global, name);
    return false;
}

Value thisForCall(Runtime& rt, Frame& f, std::u16string_view name) {
    Value fallback = f.baseTarget ? Value(f.baseTarget) : Value();
    for (size_t i = f.scopes.size(); i-- > 0;) {
        Object* scope = f.scopes[i];
        if (hasProperty(rt, scope, name))
            return scope == f.activation ? fallback : Value(scope);
    }
    return fallback;
}

}  // namespace script
