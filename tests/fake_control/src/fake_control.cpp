// FakeControl: the test's handle on one fake control object.
#include "control_object.h"

#include "platform/wide.h"

#include <algorithm>

namespace fake_control {

FakeControl::FakeControl() : FakeControl(new ControlObject()) {}

FakeControl::FakeControl(ControlObject* object) : m_object(object) { m_object->hold(); }

FakeControl::FakeControl(const FakeControl& other) : FakeControl(other.m_object) {}

FakeControl& FakeControl::operator=(const FakeControl& other) {
    if (this != &other) {
        FakeControl copy(other);
        std::swap(m_object, copy.m_object);
    }
    return *this;
}

FakeControl::~FakeControl() { m_object->drop(); }

IUnknown* FakeControl::unknown() const noexcept { return m_object->identity(); }
IOleObject* FakeControl::oleObject() const noexcept { return m_object; }
IShockwaveFlash* FakeControl::flash() const noexcept { return m_object; }
ULONG FakeControl::refCount() const noexcept { return m_object->refCount(); }
ULONG FakeControl::addRefCalls() const noexcept { return m_object->m_addRefCalls; }
ULONG FakeControl::releaseCalls() const noexcept { return m_object->m_releaseCalls; }

void FakeControl::lack(Interface which) { m_object->m_lacking.insert(which); }

void FakeControl::setResult(std::string_view method, HRESULT hr, platform::WideString description) {
    Answer& answer = m_object->m_answers[std::string(method)];
    answer.result = hr;
    answer.description = std::move(description);
}

void FakeControl::skipOutput(std::string_view method) { m_object->m_answers[std::string(method)].skipOutput = true; }

void FakeControl::clearResults() { m_object->m_answers.clear(); }

void FakeControl::onCall(std::string_view method, std::function<void()> action) {
    m_object->m_hooks.emplace(std::string(method), std::move(action));
}

std::vector<Call> FakeControl::calls() const { return m_object->m_calls; }

std::vector<std::string> FakeControl::log() const {
    std::vector<std::string> lines;
    for (const Call& call : m_object->m_calls)
        lines.push_back(call.text());
    return lines;
}

std::vector<std::string> FakeControl::log(std::initializer_list<std::string_view> only) const {
    std::vector<std::string> lines;
    for (const Call& call : m_object->m_calls) {
        if (std::find(only.begin(), only.end(), call.method) != only.end())
            lines.push_back(call.text());
    }
    return lines;
}

void FakeControl::clearLog() { m_object->m_calls.clear(); }

State& FakeControl::state() noexcept { return m_object->m_state; }
const State& FakeControl::state() const noexcept { return m_object->m_state; }

IOleClientSite* FakeControl::clientSite() const noexcept { return m_object->m_site; }

HRESULT FakeControl::invalidateRect(const RECT* rect, BOOL erase) { return m_object->invalidateRect(rect, erase); }

HRESULT FakeControl::invalidateRgn(HRGN region, BOOL erase) { return m_object->invalidateRgn(region, erase); }

HRESULT FakeControl::fireFsCommand(const WCHAR* command, const WCHAR* args) {
    platform::ScopedBstr commandText(SysAllocString(command));
    platform::ScopedBstr argsText(SysAllocString(args));
    if ((command != nullptr && !commandText) || (args != nullptr && !argsText))
        return E_OUTOFMEMORY;
    // Dispatch order: the last argument first.
    std::vector<VARIANTARG> params(2);
    params[0].vt = VT_BSTR;
    params[0].bstrVal = argsText.get();
    params[1].vt = VT_BSTR;
    params[1].bstrVal = commandText.get();
    return fireEvent(DISPID_FSCommand, params);
}

HRESULT FakeControl::fireFlashCall(const WCHAR* request) {
    platform::ScopedBstr requestText(SysAllocString(request));
    if (request != nullptr && !requestText)
        return E_OUTOFMEMORY;
    std::vector<VARIANTARG> params(1);
    params[0].vt = VT_BSTR;
    params[0].bstrVal = requestText.get();
    return fireEvent(DISPID_FlashCall, params);
}

HRESULT FakeControl::fireEvent(DISPID id, std::vector<VARIANTARG>& argsLastToFirst) {
    return m_object->m_connectionPoint.fire(id, argsLastToFirst.empty() ? nullptr : argsLastToFirst.data(),
                                            static_cast<UINT>(argsLastToFirst.size()));
}

std::size_t FakeControl::sinkCount() const { return m_object->m_connectionPoint.sinkCount(); }

}  // namespace fake_control
