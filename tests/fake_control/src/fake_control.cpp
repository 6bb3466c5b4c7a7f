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
IOleObject* FakeControl::ole_object() const noexcept { return m_object; }
IShockwaveFlash* FakeControl::flash() const noexcept { return m_object; }
ULONG FakeControl::ref_count() const noexcept { return m_object->ref_count(); }
ULONG FakeControl::add_ref_calls() const noexcept { return m_object->m_add_ref_calls; }
ULONG FakeControl::release_calls() const noexcept { return m_object->m_release_calls; }

void FakeControl::lack(Interface which) { m_object->m_lacking.insert(which); }

void FakeControl::set_result(std::string_view method, HRESULT hr, std::u16string description) {
    Answer& answer = m_object->m_answers[std::string(method)];
    answer.result = hr;
    answer.description = std::move(description);
}

void FakeControl::skip_output(std::string_view method) { m_object->m_answers[std::string(method)].skip_output = true; }

void FakeControl::clear_results() { m_object->m_answers.clear(); }

void FakeControl::on_call(std::string_view method, std::function<void()> action) {
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

void FakeControl::clear_log() { m_object->m_calls.clear(); }

State& FakeControl::state() noexcept { return m_object->m_state; }
const State& FakeControl::state() const noexcept { return m_object->m_state; }

IOleClientSite* FakeControl::client_site() const noexcept { return m_object->m_site; }

HRESULT FakeControl::invalidate_rect(const RECT* rect, BOOL erase) { return m_object->invalidate_rect(rect, erase); }

HRESULT FakeControl::invalidate_rgn(HRGN region, BOOL erase) { return m_object->invalidate_rgn(region, erase); }

HRESULT FakeControl::fire_fs_command(const char16_t* command, const char16_t* args) {
    platform::ScopedBstr command_text(SysAllocString(command));
    platform::ScopedBstr args_text(SysAllocString(args));
    if ((command != nullptr && !command_text) || (args != nullptr && !args_text))
        return E_OUTOFMEMORY;
    // Dispatch order: the last argument first.
    std::vector<VARIANTARG> params(2);
    params[0].vt = VT_BSTR;
    params[0].bstrVal = args_text.get();
    params[1].vt = VT_BSTR;
    params[1].bstrVal = command_text.get();
    return fire_event(DISPID_FSCommand, params);
}

HRESULT FakeControl::fire_flash_call(const char16_t* request) {
    platform::ScopedBstr request_text(SysAllocString(request));
    if (request != nullptr && !request_text)
        return E_OUTOFMEMORY;
    std::vector<VARIANTARG> params(1);
    params[0].vt = VT_BSTR;
    params[0].bstrVal = request_text.get();
    return fire_event(DISPID_FlashCall, params);
}

HRESULT FakeControl::fire_event(DISPID id, std::vector<VARIANTARG>& args_last_to_first) {
    return m_object->m_connection_point.fire(id, args_last_to_first.empty() ? nullptr : args_last_to_first.data(),
                                             static_cast<UINT>(args_last_to_first.size()));
}

std::size_t FakeControl::sink_count() const { return m_object->m_connection_point.sink_count(); }

}  // namespace fake_control
