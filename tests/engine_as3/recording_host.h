// A script host that records what a movie asks of the container.
#pragma once

#include "script/host.h"

#include <algorithm>
#include <functional>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace as3test {

struct RecordingHost final : script::Host {
    std::vector<std::pair<std::u16string, std::u16string>> commands;
    std::vector<std::u16string> calls;  // request XML of ExternalInterface.call
    std::vector<std::u16string> errors;
    std::vector<std::u16string> traces;
    std::vector<script::UrlRequest> urls;  // getURL and navigateToURL
    std::function<std::optional<std::u16string>(const script::ExternalCall&)> answer;
    std::optional<std::u16string> objectName;  // ExternalInterface.objectID

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
    std::optional<std::u16string> objectId() override { return objectName; }
    double clock = 1234.0;  // the test moves it
    double epoch = 1609459200000.0;
    double milliseconds() override { return clock; }
    double epochMilliseconds() override { return epoch + clock; }

    // Sounds, as a mixer would take them: each start a voice numbered from
    // 1; the test says which voices finished and where a voice is.
    struct StartedSound {
        uint32_t soundId = 0;
        double offsetSeconds = 0;
        uint32_t loops = 0;
        uint64_t owner = 0;
    };
    std::vector<StartedSound> started;
    std::vector<uint64_t> stoppedOwners;
    std::map<uint64_t, script::SoundLevels> levels;
    std::vector<uint64_t> finished;
    double position = 250;
    bool allStopped = false;
    uint64_t startSound(uint32_t soundId, double offsetSeconds, uint32_t loops, uint64_t owner) override {
        started.push_back({soundId, offsetSeconds, loops, owner});
        return started.size();
    }
    void stopSounds(uint64_t owner, uint32_t) override { stoppedOwners.push_back(owner); }
    void stopAllSounds() override { allStopped = true; }
    void setSoundLevels(uint64_t owner, const script::SoundLevels& l) override { levels[owner] = l; }
    script::SoundLevels soundLevels(uint64_t owner) override { return levels[owner]; }
    double soundDuration(uint32_t soundId) override { return soundId ? 1044.0 : 0.0; }
    double soundPosition(uint64_t) override { return position; }
    std::vector<uint64_t> finishedSounds() override { return std::exchange(finished, {}); }
    // A voice plays until its owner or every sound is stopped (or it finished).
    bool soundPlaying(uint64_t voice) override {
        return voice >= 1 && voice <= started.size() && !allStopped &&
               std::find(stoppedOwners.begin(), stoppedOwners.end(), started[voice - 1].owner) == stoppedOwners.end();
    }

    // Loaded MP3s: sounds opened for arriving bytes are numbered from 1000,
    // whole files from 2000.
    std::vector<std::vector<uint8_t>> arriving;
    std::vector<bool> arrivingComplete;
    uint32_t openArrivingSound() override {
        arriving.emplace_back();
        arrivingComplete.push_back(false);
        return uint32_t(999 + arriving.size());
    }
    void addArrivingSound(uint32_t soundId, std::span<const uint8_t> bytes, bool complete) override {
        const size_t i = soundId - 1000;
        if (soundId < 1000 || i >= arriving.size() || arrivingComplete[i])
            return;
        arriving[i].insert(arriving[i].end(), bytes.begin(), bytes.end());
        arrivingComplete[i] = complete;
    }
    uint32_t loadSound(std::span<const uint8_t> mp3, bool) override { return mp3.empty() ? 0 : 2000; }
    // The mixer's latest output and each voice's peaks, as the test sets them.
    std::vector<int16_t> recent;
    std::pair<double, double> peaks{0, 0};
    std::pair<double, double> soundPeaks(uint64_t) override { return peaks; }
    size_t recentSound(std::span<int16_t> out) override {
        const size_t n = std::min(out.size(), recent.size()) / 2 * 2;
        std::copy(recent.end() - ptrdiff_t(n), recent.end(), out.end() - ptrdiff_t(n));
        return n / 2;
    }

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
