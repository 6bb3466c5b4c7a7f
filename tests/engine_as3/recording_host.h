// A script host that records what a movie asks of the container.
#pragma once

#include "script/host.h"

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace as3test {

struct RecordingHost final : script::Host {
    std::vector<std::pair<std::u16string, std::u16string>> commands;
    std::vector<std::u16string> calls;  // request XML of ExternalInterface.call
    std::vector<std::u16string> errors;
    std::vector<std::u16string> traces;
    std::vector<script::UrlRequest> urls;  // getURL and navigateToURL
    std::function<std::optional<std::u16string>(const script::ExternalCall&)> answer;

    void trace(const std::u16string& message) override { traces.push_back(message); }
    void fscommand(const std::u16string& command, const std::u16string& args) override {
        commands.emplace_back(command, args);
    }
    std::optional<std::u16string> externalCall(const script::ExternalCall& call) override {
        calls.push_back(call.xml);
        return answer ? answer(call) : std::nullopt;
    }
    void urlRequest(const script::UrlRequest& request) override { urls.push_back(request); }
    void scriptError(const script::ScriptError& error) override { errors.push_back(error.message); }
    double clock = 1234.0;  // the test moves it
    double epoch = 1609459200000.0;
    double milliseconds() override { return clock; }
    double epochMilliseconds() override { return epoch + clock; }

    // The argument of the first fscommand of that name, or none.
    [[nodiscard]] std::optional<std::u16string> command(std::u16string_view name) const {
        for (const auto& [c, a] : commands) {
            if (c == name)
                return a;
        }
        return std::nullopt;
    }
};

}  // namespace as3test
