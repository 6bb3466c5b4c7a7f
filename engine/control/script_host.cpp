#include "control/script_host.h"

#include "control/control_error.h"

#include "platform/kernel.h"
#include "platform/wide.h"

#include <cstdio>
#include <cstdlib>
#include <new>
#include <string_view>
#include <utility>

namespace control {

ScriptHost::ScriptHost(EventConnectionPoint& events, std::u16string movieUrl)
    : m_events(&events), m_movieUrl(std::move(movieUrl)), m_startTicks(GetTickCount64()) {}

bool ScriptHost::setReturnValue(std::u16string answer) {
    if (m_answers.empty())
        return false;
    m_answers.back() = std::move(answer);
    return true;
}

void ScriptHost::trace(const std::u16string& message) {
    static const bool enabled = [] {
        const char* value = std::getenv("MOVIEHOST_TRACE");
        return value != nullptr && std::string_view(value) == "1";
    }();
    if (!enabled)
        return;
    std::string line = platform::utf16_to_utf8(message);
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), stderr);
}

// The sinks' answers are of no use to the movie: fscommand returns nothing.
void ScriptHost::fscommand(const std::u16string& command, const std::u16string& args) {
    if (m_events == nullptr)
        return;
    try {
        (void)m_events->fireFSCommand(command, args);
    } catch (const std::bad_alloc&) {
        // No memory for the event's strings: the command is lost, the movie plays on.
    }
}

// The slot is popped however delivery ends, so an answer set during a later
// call never lands in this one.
std::optional<std::u16string> ScriptHost::externalCall(const script::ExternalCall& call) {
    if (m_events == nullptr)
        return std::nullopt;
    try {
        m_answers.emplace_back();
        struct PopSlot {
            std::vector<std::optional<std::u16string>>& answers;
            ~PopSlot() { answers.pop_back(); }
        } pop{m_answers};
        (void)m_events->fireFlashCall(call.xml);
        return std::move(m_answers.back());
    } catch (const std::bad_alloc&) {
        // Unanswered, as the script sees it.
        return std::nullopt;
    }
}

// The thread's error object says what happened even when no member call is
// there to fail (a frame script on the clock); members that ran the script
// also fail themselves (see errorCount).
void ScriptHost::scriptError(const script::ScriptError& error) {
    ++m_errorCount;
    try {
        m_lastError = error.message;
        (void)reportError(kScriptFailed, u"a script of the movie failed: " + error.message);
    } catch (const std::bad_alloc&) {
        m_lastError.clear();
        (void)reportError(kScriptFailed, u"a script of the movie failed");
    }
}

double ScriptHost::milliseconds() { return double(GetTickCount64() - m_startTicks); }

// Through the platform, so that a host on the virtual clock governs Date too.
double ScriptHost::epochMilliseconds() {
    // From 1601-01-01 to 1970-01-01 in 100 ns units.
    constexpr unsigned long long UnixOffset = 116'444'736'000'000'000ull;
    FILETIME now{};
    GetSystemTimeAsFileTime(&now);
    const unsigned long long units = (static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
    return units >= UnixOffset ? double((units - UnixOffset) / 10'000) : -double((UnixOffset - units + 9'999) / 10'000);
}

void ScriptHost::stopAllSounds() {
    if (m_sound)
        m_sound->stopAll();
}

uint64_t ScriptHost::startSound(uint32_t soundId, double offsetSeconds, uint32_t loops, uint64_t owner) {
    return m_sound ? m_sound->startScriptSound(soundId, offsetSeconds, loops, owner) : 0;
}

void ScriptHost::soundsInsideClips(const model::DisplayObject& clip) {
    if (m_sound)
        m_sound->noteTimelineOwner(clip);
}

uint32_t ScriptHost::movieSound(const std::shared_ptr<const swf::Movie>& movie, uint16_t soundId) {
    return m_sound ? m_sound->player().soundTag(movie, soundId) : 0;
}

void ScriptHost::stopSounds(uint64_t owner, uint32_t soundId) {
    if (m_sound)
        m_sound->stopScriptSounds(owner, soundId);
}

uint32_t ScriptHost::loadSound(std::span<const uint8_t> mp3, bool streaming) {
    return m_sound ? m_sound->loadSound(mp3, streaming) : 0;
}

uint32_t ScriptHost::openArrivingSound() { return m_sound ? m_sound->openArrivingSound() : 0; }

void ScriptHost::addArrivingSound(uint32_t soundId, std::span<const uint8_t> bytes, bool complete) {
    if (m_sound)
        m_sound->addArrivingBytes(soundId, bytes, complete);
}

uint64_t ScriptHost::playStreamSound(std::unique_ptr<media::SoundSource> source, uint64_t owner) {
    if (!m_sound || !source)
        return 0;
    media::VoiceOptions options;
    options.owner = owner;
    return m_sound->player().mixer().play(std::move(source), options);
}

std::pair<double, double> ScriptHost::soundPeaks(uint64_t voice) {
    if (!m_sound)
        return {0.0, 0.0};
    const auto [left, right] = m_sound->player().mixer().peaks(voice);
    return {left, right};
}

size_t ScriptHost::recentSound(std::span<int16_t> out) { return m_sound ? m_sound->recentOutput(out) : 0; }

bool ScriptHost::soundPlaying(uint64_t voice) { return m_sound && m_sound->playing(voice); }

double ScriptHost::soundDuration(uint32_t soundId) { return m_sound ? m_sound->durationMs(soundId) : 0.0; }

double ScriptHost::soundPosition(uint64_t voice) { return m_sound ? m_sound->positionMs(voice) : 0.0; }

void ScriptHost::setSoundLevels(uint64_t owner, const script::SoundLevels& levels) {
    if (m_sound)
        m_sound->setLevels(owner, {levels.ll, levels.lr, levels.rl, levels.rr, levels.volume});
}

script::SoundLevels ScriptHost::soundLevels(uint64_t owner) {
    if (!m_sound)
        return {};
    const media::SoundTransform t = m_sound->levels(owner);
    return {t.ll, t.lr, t.rl, t.rr, t.volume};
}

void ScriptHost::forgetSoundOwner(uint64_t owner) {
    if (m_sound && owner != 0)
        m_sound->player().mixer().forgetOwner(owner);
}

std::vector<uint64_t> ScriptHost::finishedSounds() {
    return m_sound ? m_sound->takeFinished() : std::vector<uint64_t>{};
}

}  // namespace control
