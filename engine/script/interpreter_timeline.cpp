// Timeline actions of SWF 3 and 4: playback of the current target, targets,
// properties, clones, drags, URLs, trace and time.
#include "script/interpreter.h"

#include "script/clip_control.h"
#include "script/clip_properties.h"
#include "script/conversions.h"
#include "script/runtime.h"
#include "script/variables.h"

#include "swf/bit_reader.h"

#include <cmath>

namespace script {

namespace {

model::MovieClip* targetClip(Frame& f) { return f.target ? f.target->clip() : nullptr; }

void setTarget(Frame& f, StageObject* target, bool restore) {
    if (restore)
        target = f.baseTarget;
    f.target = target;
    if (target && f.timeline && !f.scopes.empty())
        f.scopes.front() = target;
}

std::u16string_view payloadString(std::span<const uint8_t> p, size_t& at, std::u16string& storage, uint8_t version) {
    size_t end = at;
    while (end < p.size() && p[end] != 0)
        ++end;
    std::span<const uint8_t> raw = p.subspan(at, end - at);
    at = std::min(end + 1, p.size());
    storage = utf8ToUtf16(version >= 6 ? swf::sanitizeUtf8(raw) : swf::ansiToUtf8(raw));
    return storage;
}

}  // namespace

bool Interpreter::doTimeline(Frame& f, const Record& r, size_t& pc) {
    Runtime& rt = m_rt;
    switch (r.code) {
    case 0x04:  // NextFrame
        if (auto* clip = targetClip(f))
            clip->nextFrame();
        return true;
    case 0x05:  // PreviousFrame
        if (auto* clip = targetClip(f))
            clip->prevFrame();
        return true;
    case 0x06:  // Play
        if (auto* clip = targetClip(f))
            clip->play();
        return true;
    case 0x07:  // Stop
        if (auto* clip = targetClip(f))
            clip->stop();
        return true;
    case 0x08:  // ToggleQuality
    case 0x09:  // StopSounds: we play no sound
        return true;
    case 0x81: {  // GotoFrame
        if (r.payload.size() < 2)
            malformed("a GotoFrame is cut off");
        if (auto* clip = targetClip(f))
            (void)clip->gotoFrame(r.payload[0] | (r.payload[1] << 8));
        return true;
    }
    case 0x8C: {  // GoToLabel
        size_t at = 0;
        String label = readString(r.payload, at);
        if (auto* clip = targetClip(f))
            (void)clip->gotoLabel(label.utf8());
        return true;
    }
    case 0x83: {  // GetURL
        size_t at = 0;
        std::u16string url;
        std::u16string window;
        (void)payloadString(r.payload, at, url, rt.version);
        (void)payloadString(r.payload, at, window, rt.version);
        requestUrl(rt, url, window, 0, false, false);
        return true;
    }
    case 0x9A: {  // GetURL2
        if (r.payload.empty())
            malformed("a GetURL2 is cut off");
        uint8_t flags = r.payload[0];
        String window = popString(f);
        String url = popString(f);
        requestUrl(rt, url.view(), window.view(), uint8_t(flags >> 6), flags & 2, flags & 1);
        return true;
    }
    case 0x8B: {  // SetTarget
        size_t at = 0;
        String name = readString(r.payload, at);
        if (name.empty())
            setTarget(f, nullptr, true);
        else
            setTarget(f, resolveTargetPath(rt, f.baseTarget, name.view()), false);
        return true;
    }
    case 0x20: {  // SetTarget2
        Value target = pop(f);
        if (target.isString() && target.asString().empty())
            setTarget(f, nullptr, true);
        else
            setTarget(f, resolveTarget(rt, f.baseTarget, target.isObject() ? target : Value(toString(rt, target))),
                      false);
        return true;
    }
    case 0x9F: {  // GotoFrame2
        if (r.payload.empty())
            malformed("a GotoFrame2 is cut off");
        int32_t bias = 0;
        if (r.payload[0] & 2) {
            if (r.payload.size() < 3)
                malformed("a GotoFrame2 is cut off");
            bias = r.payload[1] | (r.payload[2] << 8);
        }
        Value frame = pop(f);
        if (f.target)
            (void)gotoFrameValue(rt, f.target, frame, (r.payload[0] & 1) != 0, bias);
        return true;
    }
    case 0x9E: {  // Call
        Value frame = pop(f);
        if (auto found = resolveFrame(rt, f.target, frame))
            runFrameActions(rt, *found->clip, found->frame);
        return true;
    }
    case 0x22: {  // GetProperty
        double index = popNumber(f);
        Value target = pop(f);
        StageObject* t = (target.isString() && target.asString().empty())
                             ? f.target
                             : resolveTarget(rt, f.target, target.isObject() ? target : Value(toString(rt, target)));
        push(t && std::isfinite(index) ? getClipProperty(rt, *t, int32_t(index)) : Value());
        return true;
    }
    case 0x23: {  // SetProperty
        Value value = pop(f);
        double index = popNumber(f);
        Value target = pop(f);
        StageObject* t = (target.isString() && target.asString().empty())
                             ? f.target
                             : resolveTarget(rt, f.target, target.isObject() ? target : Value(toString(rt, target)));
        if (t && std::isfinite(index))
            (void)setClipProperty(rt, *t, int32_t(index), value);
        return true;
    }
    case 0x24: {  // CloneSprite: the depth comes with the script offset already added
        double depth = popNumber(f);
        String name = popString(f);
        Value source = pop(f);
        StageObject* s = resolveTarget(rt, f.target, source.isObject() ? source : Value(toString(rt, source)));
        if (s && std::isfinite(depth))
            (void)duplicateClip(rt, *s, name.view(), int32_t(std::clamp(depth, -2e9, 2e9)), nullptr);
        return true;
    }
    case 0x25: {  // RemoveSprite
        Value target = pop(f);
        if (StageObject* t = resolveTarget(rt, f.target, target.isObject() ? target : Value(toString(rt, target))))
            (void)removeClip(rt, *t);
        return true;
    }
    case 0x27: {  // StartDrag
        Value target = pop(f);
        bool lockCenter = toBoolean(rt, pop(f));
        bool constrain = toBoolean(rt, pop(f));
        std::optional<std::array<double, 4>> bounds;
        if (constrain) {
            double y2 = popNumber(f);
            double x2 = popNumber(f);
            double y1 = popNumber(f);
            double x1 = popNumber(f);
            bounds = std::array<double, 4>{x1, y1, x2, y2};
        }
        StageObject* t = (target.isString() && target.asString().empty())
                             ? f.target
                             : resolveTarget(rt, f.target, target.isObject() ? target : Value(toString(rt, target)));
        if (t)
            startDrag(rt, *t, lockCenter, bounds);
        return true;
    }
    case 0x28:  // EndDrag
        stopDrag(rt);
        return true;
    case 0x26: {  // Trace
        Value v = pop(f);
        rt.host.trace(v.isUndefined() ? std::string("undefined") : toString(rt, v).utf8());
        return true;
    }
    case 0x30: {  // RandomNumber
        double max = popNumber(f);
        double n = (std::isfinite(max) && max >= 1) ? std::floor(rt.random.unit() * std::floor(max)) : 0.0;
        push(Value(n));
        return true;
    }
    case 0x34:  // GetTime
        push(Value(std::floor(rt.host.milliseconds())));
        return true;
    default:
        (void)pc;
        return false;
    }
}

}  // namespace script
