// Clip operations shared by actions, methods and host calls.
#include "script/clip_control.h"

#include "script/calls.h"
#include "script/clip_loading.h"
#include "script/conversions.h"
#include "script/hit_test.h"
#include "script/interpreter.h"
#include "script/member_access.h"
#include "script/movie_origins.h"
#include "script/net_session.h"
#include "script/number_format.h"
#include "script/runtime.h"
#include "script/variables.h"

#include "model/transform.h"

#include <cmath>

namespace script {

namespace {

void copyProperties(Runtime& rt, Object* from, Object* to) {
    if (!from || !to)
        return;
    for (const String& name : enumerableNames(rt, from))
        setProperty(rt, to, name.view(), getProperty(rt, from, name.view()));
}

// Looked up in the movie the clip shows: a loaded movie attaches its own.
std::optional<uint16_t> exportedSprite(const swf::Movie& movie, std::u16string_view exportName) {
    std::string name = utf16ToUtf8(exportName);
    auto it = movie.exports.find(name);
    std::optional<uint16_t> id;
    if (it != movie.exports.end()) {
        id = it->second;
    } else {
        for (const auto& [exported, character] : movie.exports) {
            if (namesMatch(utf8ToUtf16(exported), exportName, false)) {
                id = character;
                break;
            }
        }
    }
    if (!id || movie.characters.kindOf(*id) != swf::CharacterKind::Sprite)
        return std::nullopt;
    return id;
}

}  // namespace

std::optional<FrameTarget> resolveFrame(Runtime& rt, StageObject* base, const Value& frame, int32_t bias) {
    StageObject* target = base;
    double number = 0;
    std::optional<std::u16string> label;
    if (frame.isString()) {
        std::u16string_view s = frame.asString().view();
        size_t colon = s.rfind(u':');
        if (colon != std::u16string_view::npos) {
            target = resolveTargetPath(rt, base, s.substr(0, colon));
            s = s.substr(colon + 1);
        }
        if (auto n = parseNumberLiteral(s))
            number = *n;
        else
            label = std::u16string(s);
    } else {
        number = toNumber(rt, frame);
    }
    model::MovieClip* clip = target ? target->clip() : nullptr;
    if (!clip)
        return std::nullopt;
    if (label) {
        auto found = clip->findLabel(utf16ToUtf8(*label), rt.caseSensitive);
        if (!found)
            return std::nullopt;
        return FrameTarget{target, *found};
    }
    if (!std::isfinite(number))
        return std::nullopt;
    double index = std::trunc(number) - 1 + bias;
    index = std::clamp(index, 0.0, double(clip->totalFrames() - 1));
    return FrameTarget{target, uint32_t(index)};
}

bool gotoFrameValue(Runtime& rt, StageObject* base, const Value& frame, std::optional<bool> play, int32_t bias) {
    auto found = resolveFrame(rt, base, frame, bias);
    if (!found)
        return false;
    model::MovieClip* clip = found->clip->clip();
    (void)clip->gotoFrame(found->frame);
    if (play)
        *play ? clip->play() : clip->stop();
    return true;
}

void runFrameActions(Runtime& rt, StageObject& object, uint32_t frame) {
    model::MovieClip* clip = object.clip();
    if (!clip)
        return;
    // Keep the clip alive: its frame script may remove it.
    auto keep = clip->shared_from_this();
    const auto& frames = clip->timeline().frames;
    if (frame >= frames.size())
        return;
    for (const swf::ControlTag& tag : frames[frame].tags) {
        if (const auto* action = std::get_if<swf::DoAction>(&tag))
            rt.interpreter().runBlock(action->actions, &object);
    }
}

void ensureConstructed(Runtime& rt, model::DisplayObject& display) {
    if (display.kind() != model::DisplayKind::MovieClip)
        return;
    auto* link = static_cast<StageLink*>(display.scriptData());
    if (!link) {
        // A link without an object yet: the decision is remembered without
        // making a script object for every clip.
        display.setScriptData(std::make_unique<StageLink>(nullptr));
        link = static_cast<StageLink*>(display.scriptData());
    }
    if (link->constructed)
        return;
    link->constructed = true;
    auto it = display.characterId() ? rt.registeredClasses.find(display.characterId()) : rt.registeredClasses.end();
    if (it == rt.registeredClasses.end())
        return;
    Object* ctor = it->second;
    StageObject& object = *rt.objectFor(display);
    if (Object* proto = getProperty(rt, ctor, u"prototype").asObject())
        object.setProto(proto);
    (void)callFunction(rt, Value(ctor), Value(&object), {}, object.proto());
}

StageObject* duplicateClip(Runtime& rt, StageObject& source, std::u16string_view name, int32_t modelDepth,
                           Object* init) {
    model::DisplayObject* original = source.display();
    // The root stays where its host put it, even inside another movie's tree.
    model::MovieClip* parent = original && original != &rt.root() ? original->parentClip() : nullptr;
    if (!parent || !original->as<model::MovieClip>())
        return nullptr;
    std::shared_ptr<model::DisplayObject> copy;
    if (original->characterId() == 0)
        copy = parent->createEmptyClip(modelDepth, utf16ToUtf8(name));
    else
        copy = parent->createChild(original->characterId(), modelDepth, utf16ToUtf8(name));
    if (!copy)
        return nullptr;
    copy->setMatrix(original->matrix());
    copy->setColorTransform(original->colorTransform());
    copy->setVisible(original->isVisible());
    copy->setBlendMode(original->blendMode());
    copy->setScaleGrid(original->scaleGrid());
    copy->setOpaqueBackground(original->opaqueBackground());
    copy->setScrollRect(original->scrollRect());
    if (original->filters())
        copy->setOwnFilters(*original->filters());
    if (!original->clipActions().empty())
        copy->setClipActions(&original->clipActions());
    StageObject* object = rt.objectFor(*copy);
    copyProperties(rt, init, object);
    ensureConstructed(rt, *copy);
    return object;
}

StageObject* attachClip(Runtime& rt, StageObject& parent, std::u16string_view exportName, std::u16string_view name,
                        int32_t modelDepth, Object* init) {
    model::MovieClip* clip = parent.clip();
    auto id = clip ? exportedSprite(*clip->library(), exportName) : std::nullopt;
    if (!clip || !id)
        return nullptr;
    auto child = clip->createChild(*id, modelDepth, utf16ToUtf8(name));
    if (!child)
        return nullptr;
    StageObject* object = rt.objectFor(*child);
    copyProperties(rt, init, object);
    ensureConstructed(rt, *child);
    return object;
}

StageObject* createEmptyClip(Runtime& rt, StageObject& parent, std::u16string_view name, int32_t modelDepth) {
    model::MovieClip* clip = parent.clip();
    if (!clip)
        return nullptr;
    auto child = clip->createEmptyClip(modelDepth, utf16ToUtf8(name));
    if (!child)
        return nullptr;
    return rt.objectFor(*child);
}

bool removeClip(Runtime& rt, StageObject& object) {
    model::DisplayObject* d = object.display();
    model::MovieClip* parent = d && d != &rt.root() ? d->parentClip() : nullptr;
    if (!parent || d->depth() < ScriptDepthOffset)
        return false;
    if (rt.drag.object == &object)
        rt.drag = {};
    return parent->removeChild(d->depth());
}

namespace {

// The pointer in the parent's coordinates of the dragged object, in twips.
std::optional<swf::Point> pointerInParent(Runtime& rt, const model::DisplayObject& d) {
    swf::Point p = rt.host.mousePosition().value_or(rt.input.mouse);
    const model::DisplayObject* parent = d.parent();
    if (!parent)
        return p;
    auto inverse = model::invert(parent->concatenatedMatrix());
    if (!inverse)
        return std::nullopt;
    return model::apply(*inverse, p);
}

}  // namespace

void startDrag(Runtime& rt, StageObject& object, bool lockCenter, std::optional<std::array<double, 4>> bounds) {
    model::DisplayObject* d = object.display();
    if (!d)
        return;
    auto p = pointerInParent(rt, *d);
    if (!p)
        return;
    rt.drag = {};
    rt.drag.object = &object;
    rt.drag.offset = lockCenter ? swf::Point{} : swf::Point{d->matrix().tx - p->x, d->matrix().ty - p->y};
    if (bounds) {
        rt.drag.constrained = true;
        rt.drag.left = std::min((*bounds)[0], (*bounds)[2]);
        rt.drag.top = std::min((*bounds)[1], (*bounds)[3]);
        rt.drag.right = std::max((*bounds)[0], (*bounds)[2]);
        rt.drag.bottom = std::max((*bounds)[1], (*bounds)[3]);
    }
    updateDrag(rt);
}

void updateDrag(Runtime& rt) {
    StageObject* object = rt.drag.object;
    model::DisplayObject* d = object ? object->display() : nullptr;
    if (!d)
        return;
    auto p = pointerInParent(rt, *d);
    if (!p)
        return;
    double x = (p->x + rt.drag.offset.x) / 20.0;
    double y = (p->y + rt.drag.offset.y) / 20.0;
    if (rt.drag.constrained) {
        x = std::clamp(x, rt.drag.left, rt.drag.right);
        y = std::clamp(y, rt.drag.top, rt.drag.bottom);
    }
    d->setX(x);
    d->setY(y);
}

void stopDrag(Runtime& rt) {
    StageObject* object = rt.drag.object;
    rt.drag = {};
    model::DisplayObject* d = object ? object->display() : nullptr;
    if (!d)
        return;
    swf::Point p = rt.host.mousePosition().value_or(rt.input.mouse);
    HitTester tester(rt.stage);
    model::DisplayObject* under = tester.topmost(rt.root(), p, d);
    // The drop target is the clip holding what lies under the pointer.
    while (under && !under->as<model::MovieClip>())
        under = under->parent();
    if (under && !under->as<model::MovieClip>()->isRoot())
        object->setDropTarget(rt.makeString(slashPath(*rt.objectFor(*under))));
    else
        object->setDropTarget(String());
}

void requestUrl(Runtime& rt, std::u16string_view url, std::u16string_view window, uint8_t sendVarsMethod,
                bool loadTarget, bool loadVariables) {
    constexpr std::u16string_view Prefix = u"FSCommand:";
    if (url.size() >= Prefix.size() && equalsFolded(url.substr(0, Prefix.size()), Prefix)) {
        if (!mayCallHost(rt))
            return;  // AllowScriptAccess keeps this movie from its host
        rt.host.fscommand(std::u16string(url.substr(Prefix.size())), std::u16string(window));
        return;
    }
    UrlRequest request;
    request.url = std::u16string(url);
    request.target = std::u16string(window);
    request.method = sendVarsMethod == 1   ? UrlRequest::Method::Get
                     : sendVarsMethod == 2 ? UrlRequest::Method::Post
                                           : UrlRequest::Method::None;
    const bool levelTarget = window.size() > 6 && equalsFolded(window.substr(0, 6), u"_level");
    if (loadVariables) {
        // Variables load into the target clip and arrive between frames.
        if (StageObject* clip = resolveTargetPath(rt, rt.rootObject(), window)) {
            if (!rt.net)
                rt.net = std::make_unique<NetSession>(rt);
            (void)rt.net->start(clip, LoadKind::Variables, utf16ToUtf8(url));
            return;
        }
        request.kind = UrlRequest::Kind::LoadVariables;
    } else if (loadTarget || levelTarget) {
        // Content for clips and levels loads here; an empty URL unloads.
        const std::optional<uint32_t> level = levelTarget ? parseLevel(window) : std::nullopt;
        const uint32_t levelNumber = level.value_or(0);
        StageObject* clip =
            level ? levelClip(rt, levelNumber, !url.empty()) : resolveTargetPath(rt, rt.rootObject(), window);
        if (level && !clip && url.empty())
            return;  // nothing loaded there
        if (clip && clip->clip()) {
            if (!url.empty())
                (void)loadIntoClip(rt, *clip, url, nullptr);
            else if (levelNumber > 0)
                removeLevel(rt, *clip);
            else
                unloadClipContent(rt, *clip);
            return;
        }
        request.kind = UrlRequest::Kind::LoadMovie;
    } else if (!mayCallHost(rt)) {
        return;
    }
    rt.host.urlRequest(request);
}

}  // namespace script
