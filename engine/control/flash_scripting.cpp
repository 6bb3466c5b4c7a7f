// The script level: variables, timeline properties, calling frames, and the
// call exchange with the container, all through the movie's script engine.
// After each call the actions it queued run and what changed is invalidated.
//
// Result codes:
//   no movie        GetVariable: S_OK with a null string (nothing is
//                   defined); CallFunction: E_FAIL (nothing is registered);
//                   every other member: E_INVALIDARG, as no target resolves
//   unknown target  E_INVALIDARG (also a SetVariable path that names no clip
//                   or object to hold the variable)
//   unknown variable  GetVariable: S_OK with a null string, which callers
//                   read as an empty one; an absent value is common and not
//                   an error
//   bad index, frame or label  E_INVALIDARG; a property that cannot be set:
//                   E_INVALIDARG
//   script stopped  E_FAIL (ScriptHost::kScriptFailed) with the engine's text
//   CallFunction    E_FAIL for a name the movie did not register,
//                   E_INVALIDARG for a request that is not an <invoke>
//   SetReturnValue  E_UNEXPECTED outside a FlashCall event
// Every failure carries error information.
//
// An ActionScript 3 movie answers as the version 10 player did for one: its
// variables are out of the container's reach (GetVariable gives a null
// string, SetVariable stores nothing, both S_OK), TCallFrame and TCallLabel
// run nothing (S_OK); CallFunction reaches ExternalInterface.addCallback;
// the T*Property members read and move the timelines as for any movie.
#include "control/flash_control.h"

#include "control/bstr_text.h"
#include "control/control_error.h"

#include "script/external_call_codec.h"

#include "platform/wide.h"

#include <new>
#include <string>

namespace control {

namespace {

constexpr int32_t LastProperty = int32_t(script::ClipProperty::YMouse);

// The engine takes text as the container gives it, in UTF-16.
std::u16string text(BSTR b) { return std::u16string(bstrView(b)); }

std::u16string member(std::u16string_view name) { return std::u16string(name); }

HRESULT outOfMemory(std::u16string_view name) noexcept {
    try {
        return reportError(E_OUTOFMEMORY, member(name) + u": out of memory");
    } catch (...) {
        return E_OUTOFMEMORY;
    }
}

bool knownProperty(INT property) { return property >= 0 && property <= LastProperty; }

HRESULT unknownProperty(std::u16string_view name, INT property) {
    return reportError(E_INVALIDARG, member(name) + u": no property is numbered " +
                                         platform::utf8_to_utf16(std::to_string(property)) + u" (0 _x ... 21 _ymouse)");
}

HRESULT noMovie(std::u16string_view name, BSTR target) {
    return reportError(E_INVALIDARG, member(name) + u": no movie is loaded, so the target " + quoted(bstrView(target)) +
                                         u" does not resolve");
}

std::u16string unsettable(INT property) {
    return u"property " + platform::utf8_to_utf16(std::to_string(property)) + u" cannot be set";
}

HRESULT unknownTarget(std::u16string_view name, BSTR target) {
    return reportError(E_INVALIDARG,
                       member(name) + u": the target " + quoted(bstrView(target)) + u" names no movie clip");
}

}  // namespace

void FlashControl::runPendingActions() {
    m_firstFrameDue = false;
    if (!m_engine) {
        if (m_stage)
            (void)m_stage->takePendingActions();
        return;
    }
    EngineScope scope(*this);
    // An ActionScript 3 movie's first frame: its blocks, the document class;
    // then activate, when the control has the focus already.
    if (m_player && !m_player->started()) {
        m_player->start();
        if (m_focused)
            m_player->activate(true);
    }
    m_engine->runPending();
}

HRESULT FlashControl::runScript(std::u16string_view name, const std::function<void(script::Engine&)>& work) {
    EngineScope scope(*this);
    // The host of the movie the work starts on: a listener may replace the
    // movie meanwhile, and this one lives on, retired, until the scope ends.
    const ScriptHost& host = *m_scriptHost;
    const uint64_t errorsBefore = host.errorCount();
    // What scripts see includes what the first frame's scripts set up.
    if (m_firstFrameDue)
        runPendingActions();
    work(*m_engine);
    publishChanges();
    if (host.errorCount() == errorsBefore)
        return S_OK;
    return reportError(ScriptHost::kScriptFailed,
                       member(name) + u": a script of the movie failed: " + host.lastError());
}

// The target's other properties tell an unknown target from a property or
// frame it does not have.
bool FlashControl::targetExists(std::u16string_view target) {
    return m_engine && m_engine->getPropertyNumber(target, int32_t(script::ClipProperty::TotalFrames)).has_value();
}

HRESULT FlashControl::runOnTarget(std::u16string_view name, BSTR target,
                                  const std::function<bool(script::Engine&, std::u16string_view)>& work,
                                  const std::function<std::u16string()>& lacking) {
    const std::u16string path = text(target);
    bool done = false;
    if (const HRESULT hr = runScript(name, [&](script::Engine& e) { done = work(e, path); }); FAILED(hr))
        return hr;
    if (done)
        return S_OK;
    if (!targetExists(path))
        return unknownTarget(name, target);
    return reportError(E_INVALIDARG, member(name) + u": " + lacking());
}

HRESULT FlashControl::SetVariable(BSTR name, BSTR value) try {
    try {
        if (!m_engine)
            return reportError(E_INVALIDARG,
                               u"SetVariable: no movie is loaded to hold the variable " + quoted(bstrView(name)));
        if (m_player)
            return S_OK;
        const std::u16string path = text(name);
        const std::u16string newValue = text(value);
        bool stored = false;
        if (const HRESULT hr =
                runScript(u"SetVariable", [&](script::Engine& e) { stored = e.setVariable(path, newValue); });
            FAILED(hr))
            return hr;
        if (!stored)
            return reportError(E_INVALIDARG, u"SetVariable: the path " + quoted(bstrView(name)) +
                                                 u" names no clip or object to hold the variable");
        return S_OK;
    } catch (const std::bad_alloc&) {
        return outOfMemory(u"SetVariable");
    }
} catch (...) {
    return failureFromException(u"SetVariable");
}

HRESULT FlashControl::GetVariable(BSTR name, BSTR* pVal) try {
    if (pVal == nullptr)
        return reportError(E_POINTER, u"GetVariable needs a place for the result");
    *pVal = nullptr;
    try {
        if (!m_engine || m_player)
            return S_OK;
        const std::u16string path = text(name);
        std::optional<std::u16string> value;
        if (const HRESULT hr = runScript(u"GetVariable", [&](script::Engine& e) { value = e.getVariable(path); });
            FAILED(hr))
            return hr;
        if (!value)
            return S_OK;
        return returnBstr(*value, pVal, u"GetVariable");
    } catch (const std::bad_alloc&) {
        return outOfMemory(u"GetVariable");
    }
} catch (...) {
    return failureFromException(u"GetVariable");
}

HRESULT FlashControl::TSetProperty(BSTR target, INT property, BSTR value) try {
    try {
        if (!knownProperty(property))
            return unknownProperty(u"TSetProperty", property);
        if (!m_engine)
            return noMovie(u"TSetProperty", target);
        const std::u16string newValue = text(value);
        return runOnTarget(
            u"TSetProperty", target,
            [&](script::Engine& e, std::u16string_view path) { return e.setProperty(path, property, newValue); },
            [&] { return unsettable(property); });
    } catch (const std::bad_alloc&) {
        return outOfMemory(u"TSetProperty");
    }
} catch (...) {
    return failureFromException(u"TSetProperty");
}

HRESULT FlashControl::TSetPropertyNum(BSTR target, INT property, DOUBLE value) try {
    try {
        if (!knownProperty(property))
            return unknownProperty(u"TSetPropertyNum", property);
        if (!m_engine)
            return noMovie(u"TSetPropertyNum", target);
        return runOnTarget(
            u"TSetPropertyNum", target,
            [&](script::Engine& e, std::u16string_view path) { return e.setPropertyNumber(path, property, value); },
            [&] { return unsettable(property); });
    } catch (const std::bad_alloc&) {
        return outOfMemory(u"TSetPropertyNum");
    }
} catch (...) {
    return failureFromException(u"TSetPropertyNum");
}

HRESULT FlashControl::TGetProperty(BSTR target, INT property, BSTR* pVal) try {
    if (pVal == nullptr)
        return reportError(E_POINTER, u"TGetProperty needs a place for the result");
    *pVal = nullptr;
    try {
        if (!knownProperty(property))
            return unknownProperty(u"TGetProperty", property);
        if (!m_engine)
            return noMovie(u"TGetProperty", target);
        const std::u16string path = text(target);
        std::optional<std::u16string> value;
        if (const HRESULT hr =
                runScript(u"TGetProperty", [&](script::Engine& e) { value = e.getProperty(path, property); });
            FAILED(hr))
            return hr;
        if (!value)
            return unknownTarget(u"TGetProperty", target);
        return returnBstr(*value, pVal, u"TGetProperty");
    } catch (const std::bad_alloc&) {
        return outOfMemory(u"TGetProperty");
    }
} catch (...) {
    return failureFromException(u"TGetProperty");
}

HRESULT FlashControl::TGetPropertyNum(BSTR target, INT property, DOUBLE* pVal) try {
    if (pVal == nullptr)
        return reportError(E_POINTER, u"TGetPropertyNum needs a place for the result");
    *pVal = 0.0;
    try {
        if (!knownProperty(property))
            return unknownProperty(u"TGetPropertyNum", property);
        if (!m_engine)
            return noMovie(u"TGetPropertyNum", target);
        const std::u16string path = text(target);
        std::optional<double> value;
        if (const HRESULT hr =
                runScript(u"TGetPropertyNum", [&](script::Engine& e) { value = e.getPropertyNumber(path, property); });
            FAILED(hr))
            return hr;
        if (!value)
            return unknownTarget(u"TGetPropertyNum", target);
        *pVal = *value;
        return S_OK;
    } catch (const std::bad_alloc&) {
        return outOfMemory(u"TGetPropertyNum");
    }
} catch (...) {
    return failureFromException(u"TGetPropertyNum");
}

HRESULT FlashControl::TGetPropertyAsNumber(BSTR target, INT property, DOUBLE* pVal) try {
    return TGetPropertyNum(target, property, pVal);
} catch (...) {
    return failureFromException(u"TGetPropertyAsNumber");
}

// The frame's actions run in the target's context; its playhead stays.
HRESULT FlashControl::TCallFrame(BSTR target, INT FrameNum) try {
    try {
        if (FrameNum < 0)
            return reportError(E_INVALIDARG, u"TCallFrame: frame numbers count from 0 and cannot be negative");
        if (!m_engine)
            return noMovie(u"TCallFrame", target);
        if (m_player)
            return S_OK;
        return runOnTarget(
            u"TCallFrame", target,
            [&](script::Engine& e, std::u16string_view path) { return e.callFrame(path, FrameNum); },
            [&] {
                return u"the target " + quoted(bstrView(target)) + u" has no frame " +
                       platform::utf8_to_utf16(std::to_string(FrameNum));
            });
    } catch (const std::bad_alloc&) {
        return outOfMemory(u"TCallFrame");
    }
} catch (...) {
    return failureFromException(u"TCallFrame");
}

HRESULT FlashControl::TCallLabel(BSTR target, BSTR label) try {
    try {
        if (!m_engine)
            return noMovie(u"TCallLabel", target);
        if (m_player)
            return S_OK;
        const std::u16string name = text(label);
        return runOnTarget(
            u"TCallLabel", target, [&](script::Engine& e, std::u16string_view path) { return e.callLabel(path, name); },
            [&] {
                return u"no frame of the target " + quoted(bstrView(target)) + u" is labelled " +
                       quoted(bstrView(label));
            });
    } catch (const std::bad_alloc&) {
        return outOfMemory(u"TCallLabel");
    }
} catch (...) {
    return failureFromException(u"TCallLabel");
}

// The request names a function the movie registered with
// ExternalInterface.addCallback; the response is its return value in the
// same format.
HRESULT FlashControl::CallFunction(BSTR request, BSTR* response) try {
    if (response == nullptr)
        return reportError(E_POINTER, u"CallFunction needs a place for the response");
    *response = nullptr;
    try {
        const auto call = script::ExternalCallCodec::decodeRequest(bstrView(request));
        if (!call)
            return reportError(E_INVALIDARG,
                               u"CallFunction: the request is not an <invoke> call in the "
                               u"call-exchange format");
        const std::u16string name = quoted(call->name);
        if (!m_engine)
            return reportError(E_FAIL, u"CallFunction: no movie is loaded, so no function " + name + u" is registered");
        std::optional<script::CallResult> result;
        const std::u16string requestXml = text(request);
        if (const HRESULT hr = runScript(u"CallFunction",
                                         [&](script::Engine& e) {
                                             if (m_player)
                                                 result = m_player->callFunction(requestXml);
                                             else
                                                 result = e.invokeCallback(call->name, call->args);
                                         });
            FAILED(hr))
            return hr;
        if (result && result->has_value())
            return returnBstr(result->value().xml, response, u"CallFunction");
        if (result && result->error() == script::CallError::NotRegistered)
            return reportError(E_FAIL, u"CallFunction: the movie registered no function " + name);
        return reportError(E_FAIL, u"CallFunction: the function " + name + u" failed");
    } catch (const std::bad_alloc&) {
        return outOfMemory(u"CallFunction");
    }
} catch (...) {
    return failureFromException(u"CallFunction");
}

HRESULT FlashControl::SetReturnValue(BSTR returnValue) try {
    try {
        if (!m_scriptHost || !m_scriptHost->setReturnValue(text(returnValue)))
            return reportError(E_UNEXPECTED, u"SetReturnValue answers a FlashCall event, and none is being handled");
        return S_OK;
    } catch (const std::bad_alloc&) {
        return outOfMemory(u"SetReturnValue");
    }
} catch (...) {
    return failureFromException(u"SetReturnValue");
}

}  // namespace control
