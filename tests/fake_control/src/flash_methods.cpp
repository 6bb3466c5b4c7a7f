// IShockwaveFlash methods of the fake control: playback, frames, targets,
// variables, timeline properties and the external call exchange.
#include "control_object.h"

#include "call_text.h"

#include <cstdlib>

namespace fake_control {

namespace {

std::string num(long long value) { return text::number(value); }

// Properties are kept as text; the number of a text that is no number is 0.
double text_to_number(const std::u16string& value) {
    std::string narrow;
    for (char16_t c : value)
        narrow.push_back(c < 128 ? static_cast<char>(c) : '?');
    char* end = nullptr;
    const double number = std::strtod(narrow.c_str(), &end);
    return end == narrow.c_str() ? 0.0 : number;
}

std::u16string number_to_text(double value) {
    const std::string narrow = text::number(value);
    return std::u16string(narrow.begin(), narrow.end());
}

// A BSTR copy of `value` into *out; false when memory runs out.
bool hand_out(const std::u16string& value, BSTR* out) {
    *out = SysAllocStringLen(value.data(), static_cast<UINT>(value.size()));
    return *out != nullptr;
}

}  // namespace

HRESULT ControlObject::SetZoomRect(LONG left, LONG top, LONG right, LONG bottom) {
    return not_implemented("SetZoomRect", text::args(num(left), num(top), num(right), num(bottom)));
}

HRESULT ControlObject::Zoom(INT factor) { return not_implemented("Zoom", num(factor)); }

HRESULT ControlObject::Pan(LONG x, LONG y, INT mode) {
    return not_implemented("Pan", text::args(num(x), num(y), num(mode)));
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
    if (!call.refused() && m_state.frame + 1 < m_state.total_frames)
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

HRESULT ControlObject::GotoFrame(LONG FrameNum) {
    const Invocation call = begin("GotoFrame", num(FrameNum));
    if (!call.refused())
        m_state.frame = FrameNum;
    return finish(call);
}

HRESULT ControlObject::CurrentFrame(LONG* FrameNum) { return get_value("CurrentFrame", FrameNum, m_state.frame); }

HRESULT ControlObject::IsPlaying(VARIANT_BOOL* Playing) { return get_value("IsPlaying", Playing, m_state.playing); }

HRESULT ControlObject::PercentLoaded(LONG* percent) {
    return get_value("PercentLoaded", percent, m_state.percent_loaded);
}

HRESULT ControlObject::FrameLoaded(LONG FrameNum, VARIANT_BOOL* loaded) {
    const Invocation call = begin("FrameLoaded", num(FrameNum));
    if (loaded == nullptr)
        return E_POINTER;
    if (call.writes_output())
        *loaded = FrameNum >= 0 && FrameNum < m_state.total_frames ? VARIANT_TRUE : VARIANT_FALSE;
    return finish(call);
}

HRESULT ControlObject::FlashVersion(LONG* version) { return get_value("FlashVersion", version, m_state.flash_version); }

HRESULT ControlObject::LoadMovie(INT layer, BSTR url) {
    const Invocation call = begin("LoadMovie", text::args(num(layer), text::bstr(url)));
    if (!call.refused() && layer == 0)
        m_state.movie = bstr_content(url);
    return finish(call);
}

HRESULT ControlObject::TGotoFrame(BSTR target, LONG FrameNum) {
    const Invocation call = begin("TGotoFrame", text::args(text::bstr(target), num(FrameNum)));
    if (!call.refused())
        m_state.target_frames[bstr_content(target)] = FrameNum;
    return finish(call);
}

HRESULT ControlObject::TGotoLabel(BSTR target, BSTR label) {
    const Invocation call = begin("TGotoLabel", text::args(text::bstr(target), text::bstr(label)));
    if (!call.refused())
        m_state.target_labels[bstr_content(target)] = bstr_content(label);
    return finish(call);
}

HRESULT ControlObject::TCurrentFrame(BSTR target, LONG* FrameNum) {
    const Invocation call = begin("TCurrentFrame", text::bstr(target));
    if (FrameNum == nullptr)
        return E_POINTER;
    if (call.writes_output()) {
        const auto it = m_state.target_frames.find(bstr_content(target));
        *FrameNum = it == m_state.target_frames.end() ? 0 : it->second;
    }
    return finish(call);
}

HRESULT ControlObject::TCurrentLabel(BSTR target, BSTR* pVal) {
    const Invocation call = begin("TCurrentLabel", text::bstr(target));
    if (pVal == nullptr)
        return E_POINTER;
    if (call.writes_output()) {
        const auto it = m_state.target_labels.find(bstr_content(target));
        if (!hand_out(it == m_state.target_labels.end() ? std::u16string() : it->second, pVal))
            return finish(Invocation{call.method, E_OUTOFMEMORY, false});
    }
    return finish(call);
}

HRESULT ControlObject::TPlay(BSTR target) {
    const Invocation call = begin("TPlay", text::bstr(target));
    if (!call.refused())
        m_state.target_playing[bstr_content(target)] = true;
    return finish(call);
}

HRESULT ControlObject::TStopPlay(BSTR target) {
    const Invocation call = begin("TStopPlay", text::bstr(target));
    if (!call.refused())
        m_state.target_playing[bstr_content(target)] = false;
    return finish(call);
}

HRESULT ControlObject::SetVariable(BSTR name, BSTR value) {
    const Invocation call = begin("SetVariable", text::args(text::bstr(name), text::bstr(value)));
    if (!call.refused())
        m_state.variables[bstr_content(name)] = bstr_content(value);
    return finish(call);
}

HRESULT ControlObject::GetVariable(BSTR name, BSTR* pVal) {
    const Invocation call = begin("GetVariable", text::bstr(name));
    if (pVal == nullptr)
        return E_POINTER;
    if (call.writes_output()) {
        // An unknown variable reads as no string at all.
        const auto it = m_state.variables.find(bstr_content(name));
        *pVal = nullptr;
        if (it != m_state.variables.end() && !hand_out(it->second, pVal))
            return finish(Invocation{call.method, E_OUTOFMEMORY, false});
    }
    return finish(call);
}

HRESULT ControlObject::TSetProperty(BSTR target, INT property, BSTR value) {
    const Invocation call = begin("TSetProperty", text::args(text::bstr(target), num(property), text::bstr(value)));
    if (!call.refused())
        m_state.target_properties[{bstr_content(target), property}] = bstr_content(value);
    return finish(call);
}

HRESULT ControlObject::TGetProperty(BSTR target, INT property, BSTR* pVal) {
    const Invocation call = begin("TGetProperty", text::args(text::bstr(target), num(property)));
    if (pVal == nullptr)
        return E_POINTER;
    if (call.writes_output()) {
        const auto it = m_state.target_properties.find({bstr_content(target), property});
        if (!hand_out(it == m_state.target_properties.end() ? std::u16string() : it->second, pVal))
            return finish(Invocation{call.method, E_OUTOFMEMORY, false});
    }
    return finish(call);
}

HRESULT ControlObject::TCallFrame(BSTR target, INT FrameNum) {
    return finish(begin("TCallFrame", text::args(text::bstr(target), num(FrameNum))));
}

HRESULT ControlObject::TCallLabel(BSTR target, BSTR label) {
    return finish(begin("TCallLabel", text::args(text::bstr(target), text::bstr(label))));
}

HRESULT ControlObject::TSetPropertyNum(BSTR target, INT property, DOUBLE value) {
    const Invocation call =
        begin("TSetPropertyNum", text::args(text::bstr(target), num(property), text::number(value)));
    if (!call.refused())
        m_state.target_properties[{bstr_content(target), property}] = number_to_text(value);
    return finish(call);
}

HRESULT ControlObject::TGetPropertyNum(BSTR target, INT property, DOUBLE* pVal) {
    const Invocation call = begin("TGetPropertyNum", text::args(text::bstr(target), num(property)));
    if (pVal == nullptr)
        return E_POINTER;
    if (call.writes_output()) {
        const auto it = m_state.target_properties.find({bstr_content(target), property});
        *pVal = it == m_state.target_properties.end() ? 0.0 : text_to_number(it->second);
    }
    return finish(call);
}

HRESULT ControlObject::TGetPropertyAsNumber(BSTR target, INT property, DOUBLE* pVal) {
    const Invocation call = begin("TGetPropertyAsNumber", text::args(text::bstr(target), num(property)));
    if (pVal == nullptr)
        return E_POINTER;
    if (call.writes_output()) {
        const auto it = m_state.target_properties.find({bstr_content(target), property});
        *pVal = it == m_state.target_properties.end() ? 0.0 : text_to_number(it->second);
    }
    return finish(call);
}

HRESULT ControlObject::EnforceLocalSecurity() {
    const Invocation call = begin("EnforceLocalSecurity");
    if (!call.refused())
        m_state.local_security_disabled = false;
    return finish(call);
}

HRESULT ControlObject::DisableLocalSecurity() {
    const Invocation call = begin("DisableLocalSecurity");
    if (!call.refused())
        m_state.local_security_disabled = true;
    return finish(call);
}

HRESULT ControlObject::CallFunction(BSTR request, BSTR* response) {
    const Invocation call = begin("CallFunction", text::bstr(request));
    if (response == nullptr)
        return E_POINTER;
    if (call.writes_output()) {
        const auto it = m_state.call_responses.find(bstr_content(request));
        *response = nullptr;
        if (it != m_state.call_responses.end() && !hand_out(it->second, response))
            return finish(Invocation{call.method, E_OUTOFMEMORY, false});
    }
    return finish(call);
}

HRESULT ControlObject::SetReturnValue(BSTR returnValue) {
    const Invocation call = begin("SetReturnValue", text::bstr(returnValue));
    if (!call.refused())
        m_state.return_value = bstr_content(returnValue);
    return finish(call);
}

}  // namespace fake_control
