// Programming the fake through the environment, for objects created inside a
// host process that a test cannot reach otherwise.
#include "environment.h"

#include "control_object.h"

#include <cstdlib>

namespace fake_control {

namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

std::string variable(const char* name) {
    const char* value = std::getenv(name);
    return value == nullptr ? std::string() : std::string(value);
}

bool lookupInterface(std::string_view name, Interface& which) {
    static const std::pair<std::string_view, Interface> Names[] = {
        {"IViewObject", Interface::ViewObject},
        {"IOleInPlaceObject", Interface::InPlaceObject},
        {"IOleInPlaceObjectWindowless", Interface::InPlaceObjectWindowless},
        {"IConnectionPointContainer", Interface::ConnectionPointContainer},
        {"ISupportErrorInfo", Interface::SupportErrorInfo},
    };
    for (const auto& [text, value] : Names) {
        if (text == name) {
            which = value;
            return true;
        }
    }
    return false;
}

}  // namespace

std::vector<std::string> parseList(std::string_view text) {
    std::vector<std::string> items;
    while (!text.empty()) {
        const std::size_t comma = text.find(',');
        const std::string_view item = trim(text.substr(0, comma));
        if (!item.empty())
            items.emplace_back(item);
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    return items;
}

std::map<std::string, HRESULT, std::less<>> parseFailures(std::string_view text) {
    std::map<std::string, HRESULT, std::less<>> failures;
    for (const std::string& item : parseList(text)) {
        const std::size_t equals = item.find('=');
        if (equals == std::string::npos)
            continue;
        const std::string name(trim(std::string_view(item).substr(0, equals)));
        const std::string code(trim(std::string_view(item).substr(equals + 1)));
        // Hex as printed (0x80004005) or the signed decimal value.
        char* end = nullptr;
        const long long value = std::strtoll(code.c_str(), &end, 0);
        if (name.empty() || code.empty() || *end != 0 || value < -2147483648LL || value > 0xFFFFFFFFLL)
            continue;
        failures[name] = static_cast<HRESULT>(static_cast<std::uint32_t>(value));
    }
    return failures;
}

HRESULT environmentFailure(std::string_view method) {
    const auto failures = parseFailures(variable("FAKE_CONTROL_FAIL"));
    const auto it = failures.find(method);
    return it == failures.end() ? S_OK : it->second;
}

void applyEnvironment(FakeControl& control) {
    ControlObject& object = control.object();
    object.m_logFile = variable("FAKE_CONTROL_LOG");
    for (const auto& [method, code] : parseFailures(variable("FAKE_CONTROL_FAIL"))) {
        if (method != "CreateInstance" && method != "DllGetClassObject")
            control.setResult(method, code);
    }
    for (const std::string& name : parseList(variable("FAKE_CONTROL_LACK"))) {
        Interface which;
        if (lookupInterface(name, which))
            control.lack(which);
    }
    for (const std::string& method : parseList(variable("FAKE_CONTROL_INVALIDATE"))) {
        // The hook must not keep the control alive: it lives in the control.
        ControlObject* target = &object;
        control.onCall(method, [target] { target->invalidateRect(nullptr, TRUE); });
    }
    for (const std::string& method : parseList(variable("FAKE_CONTROL_ECHO"))) {
        ControlObject* target = &object;
        control.onCall(method, [target, method] {
            const platform::WideString name = platform::utf8_to_utf16(method);
            platform::ScopedBstr command(SysAllocString(name.c_str()));
            platform::ScopedBstr args(SysAllocString(WIDE("echo")));
            platform::ScopedBstr request(SysAllocString(name.c_str()));
            if (!command || !args || !request)
                return;
            // Dispatch order: the last argument first.
            VARIANTARG fsCommand[2] = {};
            fsCommand[0].vt = VT_BSTR;
            fsCommand[0].bstrVal = args.get();
            fsCommand[1].vt = VT_BSTR;
            fsCommand[1].bstrVal = command.get();
            static_cast<void>(target->m_connectionPoint.fire(DISPID_FSCommand, fsCommand, 2));
            VARIANTARG flashCall = {};
            flashCall.vt = VT_BSTR;
            flashCall.bstrVal = request.get();
            static_cast<void>(target->m_connectionPoint.fire(DISPID_FlashCall, &flashCall, 1));
        });
    }
}

}  // namespace fake_control
