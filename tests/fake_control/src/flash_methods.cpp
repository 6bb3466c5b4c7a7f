// IShockwaveFlash methods of the fake control: playback, frames, targets,
// variables, timeline properties and the external call exchange.
#include "control_object.h"

#include "call_text.h"

#include <cstdlib>

namespace fake_control {

namespace {

std::string num(long long value) { return text::number(value); }

// Properties are kept as text; the number of a text that is no number is 0.
double textToNumber(const platform::WideString& value) {
    std::string narrow;
    for (WCHAR c : value)
        narrow.push_back(c < 128 ? static_cast<char>(c) : '?');
    char* end = nullptr;
    const double number = std::strtod(narrow.c_str(), &end);
    return end == narrow.c_str() ? 0.0 : number;
}

platform::WideString numberToText(double value) {
    const std::string narrow = text::number(value);
    return platform::WideString(narrow.begin(), narrow.end());
}

// A BSTR copy of `value` into *out; false when memory runs out.
bool handOut(const platform::WideString& value, BSTR* out) {
    *out = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    return *out != nullptr;
}

}  // namespace

HRESULT ControlObject::SetZoomRect(LONG left, LONG top, LONG right, LONG bottom) {
    return notImplemented("SetZoomRect", text::args(num(left), num(top), num(right), num(bottom)));
}

HRESULT ControlObject::Zoom(INT factor) { return notImplemented("Zoom", num(factor)); }

HRESULT ControlObject::Pan(LONG x, LONG y, INT mode) {
    return notImplemented("Pan", text::args(num(x), num(y), num(mode)));
}

HRESULT ControlObject::Play() {
    const Invocation call = begin("Play");
    if (!call.refused())
        m_state.playing = VARIANT_TRUE;
    return finish(call);
}

HRESULT ControlObject::Stop() {
    const Invocation call = begin("Stop");
    if (!call.refused())
        m_state.playing = VARIANT_FALSE;
    return finish(call);
}

HRESULT ControlObject::Back() {
    const Invocation call = begin("Back");
    if (!call.refused() && m_state.frame > 0)
        --m_state.frame;
    return finish(call);
}

HRESULT ControlObject::Forward() {
    const Invocation call = begin("Forward");
    if (!call.refused() && m_state.frame + 1 < m_state.totalFrames)
        ++m_state.frame;
    return finish(call);
}

HRESULT ControlObject::Rewind() {
    const Invocation call = begin("Rewind");
    if (!call.refused())
        m_state.frame = 0;
    return finish(call);
}

HRESULT ControlObject::StopPlay() {
    const Invocation call = begin("StopPlay");
    if (!call.refused())
        m_state.playing = VARIANT_FALSE;
    return finish(call);
}

HRESULT ControlObject::GotoFrame(LONG frameNum) {
    const Invocation call = begin("GotoFrame", num(frameNum));
    if (!call.refused())
        m_state.frame = frameNum;
    return finish(call);
}

HRESULT ControlObject::CurrentFrame(LONG* frameNum) { return getValue("CurrentFrame", frameNum, m_state.frame); }

HRESULT ControlObject::IsPlaying(VARIANT_BOOL* playing) { return getValue("IsPlaying", playing, m_state.playing); }

HRESULT ControlObject::PercentLoaded(LONG* percent) {
    return getValue("PercentLoaded", percent, m_state.percentLoaded);
}

HRESULT ControlObject::FrameLoaded(LONG frameNum, VARIANT_BOOL* loaded) {
    const Invocation call = begin("FrameLoaded", num(frameNum));
    if (loaded == nullptr)
        return E_POINTER;
    if (call.writesOutput())
        *loaded = frameNum >= 0 && frameNum < m_state.totalFrames ? VARIANT_TRUE : VARIANT_FALSE;
    return finish(call);
}

HRESULT ControlObject::FlashVersion(LONG* version) { return getValue("FlashVersion", version, m_state.flashVersion); }

HRESULT ControlObject::LoadMovie(INT layer, BSTR url) {
    const Invocation call = begin("LoadMovie", text::args(num(layer), text::bstr(url)));
    if (!call.refused() && layer == 0)
        m_state.movie = bstrContent(url);
    return finish(call);
}

HRESULT ControlObject::TGotoFrame(BSTR target, LONG frameNum) {
    const Invocation call = begin("TGotoFrame", text::args(text::bstr(target), num(frameNum)));
    if (!call.refused())
        m_state.targetFrames[bstrContent(target)] = frameNum;
    return finish(call);
}

HRESULT ControlObject::TGotoLabel(BSTR target, BSTR label) {
    const Invocation call = begin("TGotoLabel", text::args(text::bstr(target), text::bstr(label)));
    if (!call.refused())
        m_state.targetLabels[bstrContent(target)] = bstrContent(label);
    return finish(call);
}

HRESULT ControlObject::TCurrentFrame(BSTR target, LONG* frameNum) {
    const Invocation call = begin("TCurrentFrame", text::bstr(target));
    if (frameNum == nullptr)
        return E_POINTER;
    if (call.writesOutput()) {
        const auto it = m_state.targetFrames.find(bstrContent(target));
        *frameNum = it == m_state.targetFrames.end() ? 0 : it->second;
    }
    return finish(call);
}

HRESULT ControlObject::TCurrentLabel(BSTR target, BSTR* pVal) {
    const Invocation call = begin("TCurrentLabel", text::bstr(target));
    if (pVal == nullptr)
        return E_POINTER;
    if (call.writesOutput()) {
        const auto it = m_state.targetLabels.find(bstrContent(target));
        if (!handOut(it == m_state.targetLabels.end() ? platform::WideString() : it->second, pVal))
            return finish(Invocation{call.method, E_OUTOFMEMORY, false});
    }
    return finish(call);
}

HRESULT ControlObject::TPlay(BSTR target) {
    const Invocation call = begin("TPlay", text::bstr(target));
    if (!call.refused())
        m_state.targetPlaying[bstrContent(target)] = true;
    return finish(call);
}

HRESULT ControlObject::TStopPlay(BSTR target) {
    const Invocation call = begin("TStopPlay", text::bstr(target));
    if (!call.refused())
        m_state.targetPlaying[bstrContent(target)] = false;
    return finish(call);
}

HRESULT ControlObject::SetVariable(BSTR name, BSTR value) {
    const Invocation call = begin("SetVariable", text::args(text::bstr(name), text::bstr(value)));
    if (!call.refused())
        m_state.variables[bstrContent(name)] = bstrContent(value);
    return finish(call);
}

HRESULT ControlObject::GetVariable(BSTR name, BSTR* pVal) {
    const Invocation call = begin("GetVariable", text::bstr(name));
    if (pVal == nullptr)
        return E_POINTER;
    if (call.writesOutput()) {
        // An unknown variable reads as no string at all.
        const auto it = m_state.variables.find(bstrContent(name));
        *pVal = nullptr;
        if (it != m_state.variables.end() && !handOut(it->second, pVal))
            return finish(Invocation{call.method, E_OUTOFMEMORY, false});
    }
    return finish(call);
}

HRESULT ControlObject::TSetProperty(BSTR target, INT property, BSTR value) {
    const Invocation call = begin("TSetProperty", text::args(text::bstr(target), num(property), text::bstr(value)));
    if (!call.refused())
        m_state.targetProperties[{bstrContent(target), property}] = bstrContent(value);
    return finish(call);
}

HRESULT ControlObject::TGetProperty(BSTR target, INT property, BSTR* pVal) {
    const Invocation call = begin("TGetProperty", text::args(text::bstr(target), num(property)));
    if (pVal == nullptr)
        return E_POINTER;
    if (call.writesOutput()) {
        const auto it = m_state.targetProperties.find({bstrContent(target), property});
        if (!handOut(it == m_state.targetProperties.end() ? platform::WideString() : it->second, pVal))
            return finish(Invocation{call.method, E_OUTOFMEMORY, false});
    }
    return finish(call);
}

HRESULT ControlObject::TCallFrame(BSTR target, INT frameNum) {
    return finish(begin("TCallFrame", text::args(text::bstr(target), num(frameNum))));
}

HRESULT ControlObject::TCallLabel(BSTR target, BSTR label) {
    return finish(begin("TCallLabel", text::args(text::bstr(target), text::bstr(label))));
}

HRESULT ControlObject::TSetPropertyNum(BSTR target, INT property, DOUBLE value) {
    const Invocation call =
        begin("TSetPropertyNum", text::args(text::bstr(target), num(property), text::number(value)));
    if (!call.refused())
        m_state.targetProperties[{bstrContent(target), property}] = numberToText(value);
    return finish(call);
}

HRESULT ControlObject::TGetPropertyNum(BSTR target, INT property, DOUBLE* pVal) {
    const Invocation call = begin("TGetPropertyNum", text::args(text::bstr(target), num(property)));
    if (pVal == nullptr)
        return E_POINTER;
    if (call.writesOutput()) {
        const auto it = m_state.targetProperties.find({bstrContent(target), property});
        *pVal = it == m_state.targetProperties.end() ? 0.0 : textToNumber(it->second);
    }
    return finish(call);
}

HRESULT ControlObject::TGetPropertyAsNumber(BSTR target, INT property, DOUBLE* pVal) {
    const Invocation call = begin("TGetPropertyAsNumber", text::args(text::bstr(target), num(property)));
    if (pVal == nullptr)
        return E_POINTER;
    if (call.writesOutput()) {
        const auto it = m_state.targetProperties.find({bstrContent(target), property});
        *pVal = it == m_state.targetProperties.end() ? 0.0 : textToNumber(it->second);
    }
    return finish(call);
}

HRESULT ControlObject::EnforceLocalSecurity() {
    const Invocation call = begin("EnforceLocalSecurity");
    if (!call.refused())
        m_state.localSecurityDisabled = false;
    return finish(call);
}

HRESULT ControlObject::DisableLocalSecurity() {
    const Invocation call = begin("DisableLocalSecurity");
    if (!call.refused())
        m_state.localSecurityDisabled = true;
    return finish(call);
}

HRESULT ControlObject::CallFunction(BSTR request, BSTR* response) {
    const Invocation call = begin("CallFunction", text::bstr(request));
    if (response == nullptr)
        return E_POINTER;
    if (call.writesOutput()) {
        const auto it = m_state.callResponses.find(bstrContent(request));
        *response = nullptr;
        if (it != m_state.callResponses.end() && !handOut(it->second, response))
            return finish(Invocation{call.method, E_OUTOFMEMORY, false});
    }
    return finish(call);
}

HRESULT ControlObject::SetReturnValue(BSTR returnValue) {
    const Invocation call = begin("SetReturnValue", text::bstr(returnValue));
    if (!call.refused())
        m_state.returnValue = bstrContent(returnValue);
    return finish(call);
}

}  // namespace fake_control
