// Timeline actions of SWF 3 and 4: playback of the current target, targets,
// properties, clones, drags, URLs, trace and time.
#include "script/interpreter.h"

#include "script/action_codes.h"
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

// --- playback of the current target --------------------------------------------

void Interpreter::opNextFrame(Frame& f, Step& /*s*/) {
    if (auto* clip = targetClip(f))
        clip->nextFrame();
}

void Interpreter::opPreviousFrame(Frame& f, Step& /*s*/) {
    if (auto* clip = targetClip(f))
        clip->prevFrame();
}

void Interpreter::opPlay(Frame& f, Step& /*s*/) {
    if (auto* clip = targetClip(f))
        clip->play();
}

void Interpreter::opStop(Frame& f, Step& /*s*/) {
    if (auto* clip = targetClip(f))
        clip->stop();
}

void Interpreter::opIgnored(Frame& /*f*/, Step& /*s*/) {}

void Interpreter::opGotoFrame(Frame& f, Step& s) {
    if (auto* clip = targetClip(f))
        (void)clip->gotoFrame(readU16(s.record.payload, 0));
}

void Interpreter::opGoToLabel(Frame& f, Step& s) {
    size_t at = 0;
    String label = readString(s.record.payload, at);
    if (auto* clip = targetClip(f))
        (void)clip->gotoLabel(label.utf8(), m_rt.caseSensitive);
}

void Interpreter::opGotoFrame2(Frame& f, Step& s) {
    std::span<const uint8_t> p = s.record.payload;
    int32_t bias = 0;
    if (p[0] & GotoFrame2Flag::SceneBias) {
        if (p.size() < 3)
            malformed("a GotoFrame2 is cut off");
        bias = readU16(p, 1);
    }
    Value frame = pop(f);
    if (f.target)
        (void)gotoFrameValue(m_rt, f.target, frame, (p[0] & GotoFrame2Flag::Play) != 0, bias);
}

void Interpreter::opCall(Frame& f, Step& /*s*/) {
    Value frame = pop(f);
    if (auto found = resolveFrame(m_rt, f.target, frame))
        runFrameActions(m_rt, *found->clip, found->frame);
}

// --- targets ---------------------------------------------------------------------------

StageObject* Interpreter::targetOf(const Frame& f, const Value& target, bool emptyIsCurrent) {
    if (emptyIsCurrent && target.isString() && target.asString().empty())
        return f.target;
    return resolveTarget(m_rt, f.target, target.isObject() ? target : Value(toString(m_rt, target)));
}

void Interpreter::opSetTarget(Frame& f, Step& s) {
    size_t at = 0;
    String name = readString(s.record.payload, at);
    if (name.empty())
        setTarget(f, nullptr, true);
    else
        setTarget(f, resolveTargetPath(m_rt, f.baseTarget, name.view()), false);
}

void Interpreter::opSetTarget2(Frame& f, Step& /*s*/) {
    Value target = pop(f);
    if (target.isString() && target.asString().empty())
        setTarget(f, nullptr, true);
    else
        setTarget(f, resolveTarget(m_rt, f.baseTarget, target.isObject() ? target : Value(toString(m_rt, target))),
                  false);
}

void Interpreter::opGetProperty(Frame& f, Step& /*s*/) {
    double index = popNumber(f);
    Value target = pop(f);
    StageObject* t = targetOf(f, target, true);
    push(t && std::isfinite(index) ? getClipProperty(m_rt, *t, int32_t(index)) : Value());
}

void Interpreter::opSetProperty(Frame& f, Step& /*s*/) {
    Value value = pop(f);
    double index = popNumber(f);
    Value target = pop(f);
    StageObject* t = targetOf(f, target, true);
    if (t && std::isfinite(index))
        (void)setClipProperty(m_rt, *t, int32_t(index), value);
}

// The depth comes with the script offset already added.
void Interpreter::opCloneSprite(Frame& f, Step& /*s*/) {
    double depth = popNumber(f);
    String name = popString(f);
    Value source = pop(f);
    StageObject* from = targetOf(f, source, false);
    if (from && std::isfinite(depth))
        (void)duplicateClip(m_rt, *from, name.view(), int32_t(std::clamp(depth, -2e9, 2e9)), nullptr);
}

void Interpreter::opRemoveSprite(Frame& f, Step& /*s*/) {
    Value target = pop(f);
    if (StageObject* t = targetOf(f, target, false))
        (void)removeClip(m_rt, *t);
}

void Interpreter::opStartDrag(Frame& f, Step& /*s*/) {
    Value target = pop(f);
    bool lockCenter = toBoolean(m_rt, pop(f));
    bool constrain = toBoolean(m_rt, pop(f));
    std::optional<std::array<double, 4>> bounds;
    if (constrain) {
        double y2 = popNumber(f);
        double x2 = popNumber(f);
        double y1 = popNumber(f);
        double x1 = popNumber(f);
        bounds = std::array<double, 4>{x1, y1, x2, y2};
    }
    if (StageObject* t = targetOf(f, target, true))
        startDrag(m_rt, *t, lockCenter, bounds);
}

void Interpreter::opEndDrag(Frame& /*f*/, Step& /*s*/) { stopDrag(m_rt); }

// --- the outside world ---------------------------------------------------------------

void Interpreter::opGetUrl(Frame& /*f*/, Step& s) {
    size_t at = 0;
    std::u16string url;
    std::u16string window;
    (void)payloadString(s.record.payload, at, url, m_rt.version);
    (void)payloadString(s.record.payload, at, window, m_rt.version);
    requestUrl(m_rt, url, window, 0, false, false);
}

void Interpreter::opGetUrl2(Frame& f, Step& s) {
    const uint8_t flags = s.record.payload[0];
    String window = popString(f);
    String url = popString(f);
    requestUrl(m_rt, url.view(), window.view(), uint8_t(flags >> GetUrl2Flag::MethodShift),
               (flags & GetUrl2Flag::LoadTarget) != 0, (flags & GetUrl2Flag::LoadVariables) != 0);
}

void Interpreter::opTrace(Frame& f, Step& /*s*/) {
    Value v = pop(f);
    m_rt.host.trace(v.isUndefined() ? std::u16string(u"undefined") : std::u16string(toString(m_rt, v).view()));
}

void Interpreter::opRandomNumber(Frame& f, Step& /*s*/) {
    double max = popNumber(f);
    double n = (std::isfinite(max) && max >= 1) ? std::floor(m_rt.random.unit() * std::floor(max)) : 0.0;
    push(Value(n));
}

void Interpreter::opStopSounds(Frame& /*f*/, Step& /*s*/) { m_rt.host.stopAllSounds(); }

void Interpreter::opGetTime(Frame& /*f*/, Step& /*s*/) { push(Value(std::floor(m_rt.host.milliseconds()))); }

}  // namespace script
